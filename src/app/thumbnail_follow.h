#pragma once
// After a rename or a time change the cached thumbnails follow the files (the cache finds
// them by URI and mtime, which both changed), so the next visit need not make them anew.

#include <cstdint>
#include <string>
#include <vector>

#include "core/journal.h"

namespace kivo {

class ThumbnailCache;

// Carries the thumbnails of the rows that were done: moves and renames to their new name,
// time changes to their new mtime. Returns how many files took a thumbnail along.
std::size_t CarryThumbnails(const ThumbnailCache& cache, const std::vector<JournalRow>& rows);

// The same for the newest batch of the journal in `journalFolder`, on a worker thread; the
// caller does not wait. Nothing happens when the journal cannot be opened.
void CarryThumbnailsOfNewestBatch(std::string journalFolder);

} // namespace kivo
