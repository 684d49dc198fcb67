#pragma once
// Decoding the main window's preview off the GUI thread: a photo on a slow or dead mount
// must never hold up a click, and clicking quickly through a folder shows the last photo,
// never an older one after it.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QObject>

#include "app/preview.h"

class QThreadPool;

namespace kivo {

// A photo and the panel its picture must cover.
struct PreviewRequest {
    std::string path;
    int panelW = 0;
    int panelH = 0;
    qreal devicePixelRatio = 1.0;
    // A sharper picture of the photo shown, for a panel that outgrew it.
    bool sharpen = false;

    bool operator==(const PreviewRequest&) const = default;
};

// One decode at a time on a worker of its own. A request made meanwhile waits in a single
// slot that any newer request takes over, and only the newest request is answered: `done`
// runs on the loader's thread with what its decode gave (nothing: the file is missing, no
// regular file or no JPEG). The destructor waits for the decode under way.
class PreviewLoader : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const PreviewRequest&, std::optional<DecodedPreview>)>;

    explicit PreviewLoader(Done done, QObject* parent = nullptr);
    ~PreviewLoader() override;

    void Request(PreviewRequest request);
    // Whether a decode runs or waits.
    bool Busy() const { return running_; }
    // The newest request while it is not answered yet; null otherwise.
    const PreviewRequest* Outstanding() const { return unanswered_ ? &latest_ : nullptr; }

private:
    void Start(PreviewRequest request, std::uint64_t generation);
    void Finished(const PreviewRequest& request, std::uint64_t generation,
                  std::optional<DecodedPreview> decoded);

    Done done_;
    std::unique_ptr<QThreadPool> pool_;
    PreviewRequest latest_;
    std::uint64_t generation_ = 0;
    bool unanswered_ = false;
    bool running_ = false;
    // The request to decode once the running one ends.
    std::optional<PreviewRequest> waiting_;
};

} // namespace kivo
