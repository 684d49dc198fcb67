#include "app/undo_texts.h"

#include <QCoreApplication>

#include "platform/gui/path_text.h"

namespace kivo {

namespace {

const char* const kContext = "kivo::UndoTexts";

QString T(const char* text) {
    return QCoreApplication::translate(kContext, text);
}

} // namespace

QString BatchKindNoun(BatchKind kind) {
    switch (kind) {
    case BatchKind::Rename:
        return T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "přejmenování"));
    case BatchKind::SetTime:
        return T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "nastavení času"));
    case BatchKind::Gather:
        return T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "sběr obrázků"));
    case BatchKind::Move:
        return T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "přesun"));
    case BatchKind::Trash:
        return T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "smazání do koše"));
    case BatchKind::NewFolder:
        return T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "nová složka"));
    case BatchKind::RenameInPlace:
        return T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "přejmenování na místě"));
    case BatchKind::Undo:
        return T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "zpět"));
    case BatchKind::ExifDate:
        return T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "oprava data EXIF"));
    case BatchKind::Copy:
        return T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "kopírování"));
    }
    return {};
}

QString FileCountText(std::size_t count) {
    // Czech counts by the whole number: 1, 2 to 4, everything else.
    const char* form = count == 1 ? QT_TRANSLATE_NOOP("kivo::UndoTexts", "%1 soubor")
                       : count >= 2 && count <= 4
                           ? QT_TRANSLATE_NOOP("kivo::UndoTexts", "%1 soubory")
                           : QT_TRANSLATE_NOOP("kivo::UndoTexts", "%1 souborů");
    return T(form).arg(count);
}

std::size_t BatchFileCount(const BatchInfo& batch) {
    // The marks of a running batch are written late: its intent is what it changes.
    return batch.state == BatchState::Running ? batch.rowCount : batch.doneCount;
}

QString UndoActionText(const BatchInfo* batch) {
    if (batch == nullptr)
        return T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "Zpět"));
    return T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "Zpět: %1 %2"))
        .arg(BatchKindNoun(batch->kind), FileCountText(BatchFileCount(*batch)));
}

QString BatchStateText(const BatchInfo& batch) {
    if (batch.interrupted)
        return T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "přerušeno"));
    switch (batch.state) {
    case BatchState::Running:
        return T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "probíhá"));
    case BatchState::Done:
        return T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "hotovo"));
    case BatchState::Undone:
        return T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "vráceno zpět"));
    }
    return {};
}

QString UndoReasonText(const std::string& reason) {
    struct Known {
        const char* key;
        const char* text;
    };
    static const Known kKnown[] = {
        {"changed since", QT_TRANSLATE_NOOP("kivo::UndoTexts", "soubor se mezitím změnil")},
        {"no longer there", QT_TRANSLATE_NOOP("kivo::UndoTexts", "soubor už tam není")},
        {"name taken", QT_TRANSLATE_NOOP("kivo::UndoTexts", "název je obsazený")},
        {"original name taken", QT_TRANSLATE_NOOP("kivo::UndoTexts", "původní název je obsazený")},
        {"folder not empty", QT_TRANSLATE_NOOP("kivo::UndoTexts", "složka není prázdná")},
    };
    for (const Known& k : kKnown)
        if (reason == k.key)
            return T(k.text);
    return DisplayText(reason);
}

QString UndoReportText(const UndoReport& report, bool resumed) {
    if (!report.ok())
        return T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "Nelze vrátit zpět: %1"))
            .arg(DisplayText(report.error));
    QString text = resumed ? T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "Dokončeno: %1 z %2."))
                           : T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "Vráceno zpět: %1 z %2."));
    text = text.arg(report.undone).arg(FileCountText(report.undone + report.skipped));
    if (report.skipped > 0) {
        text += u'\n' + T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "Vynecháno:"));
        // A box of thousands of lines helps nobody: the first ones and how many more.
        constexpr std::size_t kShown = 20;
        std::size_t shown = 0;
        for (const UndoRowReport& row : report.rows) {
            if (row.outcome != UndoOutcome::Skipped || shown++ >= kShown)
                continue;
            text +=
                u'\n' + DisplayText(row.path) + QStringLiteral(": ") + UndoReasonText(row.reason);
        }
        if (report.skipped > kShown)
            text += u'\n' + T(QT_TRANSLATE_NOOP("kivo::UndoTexts", "… a další: %1"))
                                .arg(report.skipped - kShown);
    }
    return text;
}

} // namespace kivo
