// kivo-info's run over its files: each file is read and its report made on a worker
// thread where that pays, and the reports are written in the order of the arguments.

#include <cstring>
#include <memory>
#include <ostream>

#include "cli/lib/info_report.h"
#include "cli/lib/ordered_work.h"
#include "cli/lib/output_buffer.h"
#include "cli/lib/read_threads.h"
#include "exif/container_kind.h"
#include "exif/photo_data.h"
#include "exif/xmp_dates.h"
#include "platform/name_bytes.h"
#include "platform/regular_file.h"

namespace kivo {

namespace {

using Json = nlohmann::ordered_json;

// One file on its way: the head read ahead, then its report.
struct InfoSlot {
    FileHead head;
    std::string out;   // the text report, or the JSON object as the array holds it
    std::string error; // why the file could not be read; "" when it was
};

// What one thread needs to make reports, kept from file to file.
class InfoMaker {
public:
    explicit InfoMaker(const InfoOptions& options)
        : options_(options), serializer_(nlohmann::detail::output_adapter<char, std::string>(json_),
                                         ' ', Json::error_handler_t::replace) {}

    void Report(const std::string& file, InfoSlot& slot) {
        slot.out.clear();
        slot.error.clear();
        // Only regular files. The reader opens a photo's name as one or refuses it; the
        // reason is looked up only then. Other names are never opened, so they are looked
        // up first.
        const bool photoName = ContainerByName(file) != PhotoContainer::None;
        if (!photoName) {
            if (std::string problem = InfoFileProblem(file); !problem.empty()) {
                fail(file, std::move(problem), slot);
                return;
            }
        }
        photo_.ReadImageFile(file, slot.head);
        if (photo_.StatusText.empty() || photo_.StatusText == kStatusCannotOpen) {
            std::string problem = photoName ? InfoFileProblem(file) : std::string();
            if (problem.empty())
                problem = photo_.OpenError ? OpenErrorText(photo_.OpenError) : "cannot be opened";
            fail(file, std::move(problem), slot);
            return;
        }
        if (!options_.json) {
            AppendInfoText(slot.out, file, photo_, sidecars_, options_.tags, options_.trace);
        } else if (!options_.tags && !options_.trace && IsValidUtf8(file)) {
            // The default fields are the same keys for every file with a UTF-8 name: one
            // object is filled again and again. Tags and IPTC records vary from file to file.
            FillInfoJson(reused_, file, photo_, sidecars_, false, false);
            dump(reused_, slot);
        } else {
            dump(InfoJson(file, photo_, sidecars_, options_.tags, options_.trace), slot);
        }
    }

private:
    void fail(const std::string& file, std::string problem, InfoSlot& slot) {
        if (options_.json)
            dump(InfoErrorJson(file, problem), slot); // the file keeps its place in the array
        slot.error = std::move(problem);
    }

    // The object as an element of the array dumped with an indent of 2: the library's
    // serializer writes it with no whole-array dump and re-indent.
    void dump(const Json& object, InfoSlot& slot) {
        json_.clear();
        serializer_.dump(object, true, false, 2, 2);
        slot.out.swap(json_);
    }

    const InfoOptions& options_;
    TPhotoData photo_{kBuildAll};
    XmpSidecarReader sidecars_;
    Json reused_;
    std::string json_;
    nlohmann::detail::serializer<Json> serializer_;
};

} // namespace

namespace {

int runInfo(const std::vector<std::string>& args, OutputBuffer& out, std::ostream& err,
            const ReadThreads* threads) {
    InfoOptions options;
    std::string error;
    if (!ParseInfoArgs(args, options, error)) {
        err << "kivo-info: " << error << "\n" << InfoUsage();
        return 2;
    }
    if (options.help || options.version) {
        out.Append(options.help ? InfoUsage() : InfoVersion());
        return out.Flush() ? 0 : 1;
    }
    const ReadThreads use =
        threads ? *threads
                : ReadThreadsFor(options.files.size(), FolderOfPath(options.files.front()));
    std::vector<std::unique_ptr<InfoMaker>> makers;
    for (unsigned w = 0; w < std::max(use.workers, 1u); ++w)
        makers.push_back(std::make_unique<InfoMaker>(options));

    int status = 0;
    bool any = false;
    const auto& files = options.files;
    auto prepare = [&](InfoSlot& slot, std::uint32_t i) {
        if (use.readAhead)
            ReadFileHead(files[i], slot.head);
    };
    auto work = [&](unsigned w, InfoSlot& slot, std::uint32_t i) {
        makers[w]->Report(files[i], slot);
    };
    auto deliver = [&](InfoSlot& slot, std::uint32_t i) {
        if (!slot.error.empty()) {
            // One line on stderr; with --json the file keeps its place in the array.
            err << "kivo-info: " << files[i] << ": " << slot.error << "\n";
            status = 1;
        }
        if (options.json) {
            out.text() += any ? ",\n  " : "[\n  ";
            out.text() += slot.out;
            any = true;
        } else if (slot.error.empty()) {
            if (any)
                out.text() += '\n';
            out.text() += slot.out;
            any = true;
        }
        out.Wrote();
        return !out.failed(); // nobody reads the rest
    };
    OrderedWork<InfoSlot>::Run(static_cast<std::uint32_t>(files.size()), use.workers, prepare, work,
                               deliver);
    if (options.json && !out.failed())
        out.Append(any ? "\n]\n" : "[]\n");
    if (!out.Flush()) {
        err << "kivo-info: the output cannot be written: " << std::strerror(out.error()) << "\n";
        return 1;
    }
    return status;
}

} // namespace

int RunInfo(const std::vector<std::string>& args, OutputBuffer& out, std::ostream& err) {
    return runInfo(args, out, err, nullptr);
}

int RunInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    OutputBuffer buffer(out);
    return runInfo(args, buffer, err, nullptr);
}

int RunInfo(const std::vector<std::string>& args, OutputBuffer& out, std::ostream& err,
            const ReadThreads& threads) {
    return runInfo(args, out, err, &threads);
}

int RunInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const ReadThreads& threads) {
    OutputBuffer buffer(out);
    return runInfo(args, buffer, err, &threads);
}

} // namespace kivo
