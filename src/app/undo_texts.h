#pragma once
// The texts of undo in the window: the action that says what it will undo, the states of
// the history list and the report of an undo. Pure functions, no widget.

#include <cstddef>

#include <QString>

#include "core/journal.h"
#include "core/journal_undo.h"

namespace kivo {

// "přejmenování", "nastavení času", … for each kind of batch.
QString BatchKindNoun(BatchKind kind);
// "1 soubor", "3 soubory", "214 souborů".
QString FileCountText(std::size_t count);
// The files a batch changed: the done rows, or all its rows while it is not finished.
std::size_t BatchFileCount(const BatchInfo& batch);
// "Zpět: přejmenování 214 souborů", or "Zpět" when there is nothing to undo.
QString UndoActionText(const BatchInfo* batch);
// "hotovo", "vráceno zpět", "přerušeno", "probíhá".
QString BatchStateText(const BatchInfo& batch);
// A reason of a skipped row in the window's language.
QString UndoReasonText(const std::string& reason);
// What an undo did: how many rows, and every skipped one with its reason.
QString UndoReportText(const UndoReport& report, bool resumed = false);

} // namespace kivo
