#pragma once
// A watcher for modal dialogs that a click under test opens (and runs inside itself).

#include <functional>
#include <utility>

#include <QApplication>
#include <QTimer>

namespace kivo::test {

// Runs `act` on the first modal widget of type W that comes up while this object lives.
template <class W> class WhenModal {
public:
    explicit WhenModal(std::function<void(W*)> act) : act_(std::move(act)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget())) {
                timer_.stop();
                seen_ = true;
                act_(w);
            }
        });
        timer_.start(5);
    }
    bool seen() const { return seen_; }

private:
    std::function<void(W*)> act_;
    QTimer timer_;
    bool seen_ = false;
};

} // namespace kivo::test
