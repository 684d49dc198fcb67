#include "core/gui/placement.h"

#include <algorithm>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "core/settings.h"
#include "platform/exe_folder.h"

namespace kivo {
namespace {

std::string PathOf(const QString& fileName) {
    return DataFolder() + "/" + fileName.toStdString();
}

// Keeps the form's resize handling silent for the scope's lifetime unless re-attached early.
class DetachedResize {
public:
    explicit DetachedResize(QWidget& form) : owner_(dynamic_cast<ResizeHandlerOwner*>(&form)) {
        if (owner_)
            owner_->setResizeHandlerAttached(false);
    }
    ~DetachedResize() { attach(); }
    void attach() {
        if (owner_)
            owner_->setResizeHandlerAttached(true);
        owner_ = nullptr;
    }

private:
    ResizeHandlerOwner* owner_;
};

void CentreOnScreen(QWidget& form) {
    QScreen* screen = form.screen() ? form.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect s = screen->geometry();
    form.move(s.left() + s.width() / 2 - form.width() / 2,
              s.top() + s.height() / 2 - form.height() / 2);
}

// A stored placement may belong to a monitor that is no longer there: unless enough of the
// window lies on a present screen to grab it, it moves onto the nearest screen's available
// area, shrunk to fit.
void KeepOnAPresentScreen(QWidget& form) {
    const QRect window(form.pos(), form.size());
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return;
    const int needW = std::min(100, window.width());
    const int needH = std::min(30, window.height());
    QScreen* nearest = nullptr;
    long long nearestDistance = 0;
    for (QScreen* screen : screens) {
        const QRect avail = screen->availableGeometry();
        const QRect seen = avail.intersected(window);
        if (seen.width() >= needW && seen.height() >= needH)
            return;
        const QPoint d = avail.center() - window.center();
        const long long distance = 1LL * d.x() * d.x() + 1LL * d.y() * d.y();
        if (nearest == nullptr || distance < nearestDistance) {
            nearest = screen;
            nearestDistance = distance;
        }
    }
    const QRect avail = nearest->availableGeometry();
    const int width = std::min(window.width(), avail.width());
    const int height = std::min(window.height(), avail.height());
    if (width != window.width() || height != window.height())
        form.resize(std::max(width, form.minimumWidth()), std::max(height, form.minimumHeight()));
    const int left = std::clamp(window.left(), avail.left(), avail.right() + 1 - form.width());
    const int top = std::clamp(window.top(), avail.top(), avail.bottom() + 1 - form.height());
    form.move(std::max(left, avail.left()), std::max(top, avail.top()));
}

void Restore(QWidget& form, const QString& fileName, const QString& section, int defWidth,
             int defHeight, bool client) {
    DetachedResize detached(form);
    const std::string path = PathOf(fileName);
    const std::string sec = section.toStdString();
    const int state = ReadIniInteger(path, sec, "State", 0);
    if (state == 0) {
        form.resize(defWidth, form.height());
        detached.attach();
        form.resize(form.width(), defHeight);
        if (!client)
            CentreOnScreen(form);
        return;
    }
    int left = ReadIniInteger(path, sec, "Left", 1);
    int top = ReadIniInteger(path, sec, "Top", 1);
    if (left < 0)
        left = 0;
    if (top < 0)
        top = 0;
    form.move(left, top);
    if (!client || defWidth != 0)
        form.resize(ReadIniInteger(path, sec, "Width", defWidth), form.height());
    detached.attach();
    form.resize(form.width(), ReadIniInteger(path, sec, "Height", defHeight));
    KeepOnAPresentScreen(form);
    if (ReadIniInteger(path, sec, "State", 2) == 1)
        form.setWindowState((form.windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
    else
        form.setWindowState(form.windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
}

void Save(const QWidget& form, const QString& fileName, const QString& section) {
    const std::string path = PathOf(fileName);
    const std::string sec = section.toStdString();
    if (!form.isMinimized())
        WriteIniInteger(path, sec, "State", form.isMaximized() ? 1 : 2);
    if (!form.isMaximized()) {
        // The geometry the window manager frames; restoring it gives back the same window.
        const QRect g = form.geometry();
        const QPoint pos = form.pos();
        WriteIniInteger(path, sec, "Left", pos.x());
        WriteIniInteger(path, sec, "Top", pos.y());
        WriteIniInteger(path, sec, "Width", g.width());
        WriteIniInteger(path, sec, "Height", g.height());
    }
}

} // namespace

void RestoreFormPlacement(QWidget& form, const QString& fileName, const QString& section,
                          int defaultWidth, int defaultHeight) {
    Restore(form, fileName, section, defaultWidth, defaultHeight, false);
}

void SaveFormPlacement(const QWidget& form, const QString& fileName, const QString& section) {
    Save(form, fileName, section);
}

void RestoreFormClientPlacement(QWidget& form, const QString& fileName, const QString& section,
                                int defaultClientWidth, int defaultClientHeight) {
    Restore(form, fileName, section, defaultClientWidth, defaultClientHeight, true);
}

void SaveFormClientPlacement(const QWidget& form, const QString& fileName, const QString& section) {
    Save(form, fileName, section);
}

} // namespace kivo
