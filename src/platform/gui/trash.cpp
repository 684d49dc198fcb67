// GIO before anything of Qt: its headers use the word Qt makes a keyword.
#include <gio/gio.h>

#include "platform/gui/trash.h"

#include <memory>

namespace kivo {

namespace {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};

} // namespace

TrashOutcome MoveToTrash(const std::string& path) {
    TrashOutcome outcome;
    const std::unique_ptr<GFile, ObjectUnref> file(g_file_new_for_path(path.c_str()));
    GError* raw = nullptr;
    if (g_file_trash(file.get(), nullptr, &raw)) {
        outcome.ok = true;
        return outcome;
    }
    const std::unique_ptr<GError, ErrorFree> error(raw);
    outcome.reason = error ? error->message : "the Trash refused it";
    // No Trash on that volume, or only one across a file-system boundary: the entry stays.
    if (error && g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED))
        outcome.reason += " (nothing was deleted)";
    return outcome;
}

} // namespace kivo
