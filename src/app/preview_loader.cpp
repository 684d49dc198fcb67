#include "app/preview_loader.h"

#include <exception>
#include <utility>

#include <QMetaObject>
#include <QThreadPool>

namespace kivo {

PreviewLoader::PreviewLoader(Done done, QObject* parent)
    : QObject(parent), done_(std::move(done)), pool_(std::make_unique<QThreadPool>()) {
    pool_->setMaxThreadCount(1);
}

PreviewLoader::~PreviewLoader() {
    // The worker posts to this object; what it posted goes with it.
    pool_->waitForDone();
}

void PreviewLoader::Request(PreviewRequest request) {
    ++generation_;
    latest_ = request;
    unanswered_ = true;
    if (running_)
        waiting_ = std::move(request);
    else
        Start(std::move(request), generation_);
}

void PreviewLoader::Start(PreviewRequest request, std::uint64_t generation) {
    running_ = true;
    pool_->start([this, request = std::move(request), generation] {
        std::optional<DecodedPreview> decoded;
        try {
            decoded = DecodeJpegFilePreview(request.path, request.panelW, request.panelH,
                                            request.devicePixelRatio);
        } catch (const std::exception&) {
            // Out of memory for this picture: the previous one stays.
        }
        QMetaObject::invokeMethod(
            this,
            [this, request, generation, decoded = std::move(decoded)]() mutable {
                Finished(request, generation, std::move(decoded));
            },
            Qt::QueuedConnection);
    });
}

void PreviewLoader::Finished(const PreviewRequest& request, std::uint64_t generation,
                             std::optional<DecodedPreview> decoded) {
    running_ = false;
    if (waiting_) {
        PreviewRequest next = std::move(*waiting_);
        waiting_.reset();
        Start(std::move(next), generation_);
    }
    // A newer request is on its way: this picture would only flash before it.
    if (generation != generation_)
        return;
    unanswered_ = false;
    done_(request, std::move(decoded));
}

} // namespace kivo
