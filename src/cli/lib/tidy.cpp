#include "cli/lib/tidy.h"

#include <exception>
#include <functional>
#include <memory>

#include "cli/lib/json_names.h"
#include "cli/lib/tidy_common.h"
#include "core/journal.h"
#include "kivo_version.h"
#include "platform/datetime.h"
#include "platform/exe_folder.h"

namespace kivo::tidy {

namespace {

constexpr const char* kHelp =
    "Usage: kivo-tidy COMMAND [OPTIONS] ARGS...\n"
    "Batch jobs on photo files, with the rules of Kivomat's dialogs.\n"
    "\n"
    "Commands:\n"
    "  rename   rename files after their modification date or a running number\n"
    "  settime  set modification times from the EXIF date-time stamps\n"
    "  gather   move every JPEG file of a folder (tree) into one folder\n"
    "  exifdate correct the EXIF date-time stamps in the photos (a wrong camera clock)\n"
    "\n"
    "'kivo-tidy COMMAND --help' describes a command; 'kivo-tidy --version' shows the version.\n"
    "Exit status: 0 every row succeeded or had nothing to do, 1 a row failed, 2 bad usage.\n";

using Command = std::function<int(const std::vector<std::string>&, std::ostream&, std::ostream&)>;

} // namespace

int RunTidy(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    SetFixedDateTimeFormats();
    if (args.empty()) {
        err << kHelp;
        return kExitUsage;
    }
    const std::string& name = args.front();
    if (name == "--help" || name == "-h" || name == "help") {
        out << kHelp << "\n" << kJsonNamesHelp;
        return kExitOk;
    }
    if (name == "--version") {
        out << "kivo-tidy " KIVO_VERSION_TEXT " (Kivomat)\n";
        return kExitOk;
    }
    Command command;
    if (name == "rename")
        command = RunRename;
    else if (name == "settime")
        command = RunSetTime;
    else if (name == "gather")
        command = RunGather;
    else if (name == "exifdate")
        command = RunExifDate;
    else if (name == "history")
        command = RunHistory;
    else if (name == "undo")
        command = RunUndo;
    else if (name == "resume")
        command = RunResume;
    if (!command) {
        err << "kivo-tidy: unknown command '" << name << "'\n"
            << "Try 'kivo-tidy --help'.\n";
        return kExitUsage;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    // Every change is journaled; a run cut short before is pointed out whatever the command.
    std::string journalError;
    const std::unique_ptr<Journal> journal = Journal::OpenDefault(SettingsPath(), &journalError);
    if (!journal)
        err << "kivo-tidy: " << journalError << " (changes cannot be undone)\n";
    struct Scope {
        explicit Scope(Journal* j) { SetCurrentJournal(j); }
        ~Scope() { SetCurrentJournal(nullptr); }
    } scope(journal.get());
    try {
        if (journal && !WantsHelp(rest))
            for (const BatchInfo& b : journal->Interrupted())
                err << "kivo-tidy: batch " << b.id << " (" << BatchKindKey(b.kind) << ", "
                    << EscapeForLine(b.folder) << ") was interrupted; finish it with "
                    << "'kivo-tidy resume " << b.id << "' or roll it back with 'kivo-tidy undo "
                    << b.id << "'\n";
        return command(rest, out, err);
    } catch (const UsageError& e) {
        err << "kivo-tidy " << name << ": " << e.what() << "\n"
            << "Try 'kivo-tidy " << name << " --help'.\n";
        return kExitUsage;
    } catch (const std::exception& e) {
        err << "kivo-tidy " << name << ": " << e.what() << "\n";
        return kExitFailed;
    }
}

} // namespace kivo::tidy
