#include "widgets/splitter.h"

#include <algorithm>
#include <utility>

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QWidgetItem>

namespace kivo {

LeftDockLayout::LeftDockLayout(QWidget* parent) : QLayout(parent) {
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
}

LeftDockLayout::~LeftDockLayout() {
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void LeftDockLayout::addLeft(QWidget* w) {
    addChildWidget(w);
    left_.append(new QWidgetItem(w));
    invalidate();
}

void LeftDockLayout::setClient(QWidget* w) {
    addChildWidget(w);
    delete client_;
    client_ = new QWidgetItem(w);
    invalidate();
}

void LeftDockLayout::setWidgetWidth(QWidget* w, int width) {
    width = std::max(0, width);
    const auto it = std::find_if(wanted_.begin(), wanted_.end(),
                                 [w](const auto& entry) { return entry.first == w; });
    if (it != wanted_.end())
        it->second = width;
    else
        wanted_.append({w, width});
    w->resize(width, w->height());
    invalidate();
    if (QWidget* p = parentWidget())
        setGeometry(p->contentsRect());
}

void LeftDockLayout::setClientMinimumWidth(int pixels) {
    clientMin_ = std::max(0, pixels);
    invalidate();
}

int LeftDockLayout::widthOf(const QWidget* w) const {
    for (const auto& [widget, width] : wanted_)
        if (widget == w)
            return width;
    return w->width();
}

void LeftDockLayout::addItem(QLayoutItem* item) {
    // Items added through the generic interface dock at the left.
    left_.append(item);
}

QLayoutItem* LeftDockLayout::itemAt(int index) const {
    if (index >= 0 && index < left_.size())
        return left_[index];
    if (index == left_.size())
        return client_;
    return nullptr;
}

QLayoutItem* LeftDockLayout::takeAt(int index) {
    if (index >= 0 && index < left_.size()) {
        QLayoutItem* item = left_.takeAt(index);
        const QWidget* w = item->widget();
        wanted_.removeIf([w](const auto& entry) { return entry.first == w; });
        return item;
    }
    if (index == left_.size() && client_ != nullptr)
        return std::exchange(client_, nullptr);
    return nullptr;
}

int LeftDockLayout::count() const {
    return static_cast<int>(left_.size()) + (client_ != nullptr ? 1 : 0);
}

QSize LeftDockLayout::sizeHint() const {
    int w = 0, h = 0;
    for (QLayoutItem* item : left_) {
        if (item->widget() != nullptr && !item->widget()->isHidden())
            w += widthOf(item->widget());
    }
    if (client_ != nullptr) {
        w += client_->sizeHint().width();
        h = client_->sizeHint().height();
    }
    return {w, h};
}

QSize LeftDockLayout::minimumSize() const {
    // The window's own minimum governs; a docked width never forces the window wider.
    return {0, 0};
}

void LeftDockLayout::setGeometry(const QRect& r) {
    QLayout::setGeometry(r);
    QList<int> widths;
    int total = 0;
    for (QLayoutItem* item : left_) {
        const QWidget* w = item->widget();
        const int width = w == nullptr || w->isHidden() ? 0 : widthOf(w);
        widths.append(width);
        total += width;
    }
    // Too wide for the parent: the widgets with a set width give way, the last one first.
    // Only a shown parent has its real width; before that the wanted widths stand.
    const QWidget* parent = parentWidget();
    int excess = parent == nullptr || !parent->isVisible()
                     ? 0
                     : total + (client_ != nullptr ? clientMin_ : 0) - r.width();
    for (qsizetype i = left_.size(); excess > 0 && i-- > 0;) {
        const QWidget* w = left_[i]->widget();
        const bool adjustable = std::any_of(wanted_.begin(), wanted_.end(),
                                            [w](const auto& entry) { return entry.first == w; });
        if (!adjustable)
            continue;
        const int give = std::min(excess, widths[i]);
        widths[i] -= give;
        excess -= give;
    }
    int x = r.left();
    for (qsizetype i = 0; i < left_.size(); ++i) {
        QWidget* w = left_[i]->widget();
        if (w == nullptr || w->isHidden())
            continue;
        left_[i]->setGeometry(QRect(x, r.top(), widths[i], r.height()));
        x += widths[i];
    }
    if (client_ != nullptr)
        client_->setGeometry(QRect(x, r.top(), std::max(0, r.right() + 1 - x), r.height()));
}

Splitter::Splitter(QWidget* parent) : QWidget(parent) {
    setFixedWidth(kWidth);
    setCursor(Qt::SplitHCursor);
    setAttribute(Qt::WA_Hover);
}

int Splitter::widthForDrag(int startWidth, int dx) const {
    int width = startWidth + dx;
    // The rest of the parent beside the control and the splitter keeps minSize too.
    if (QWidget* p = parentWidget(); p != nullptr && control_ != nullptr)
        width = std::min(width, p->contentsRect().right() + 1 - control_->x() - kWidth - minSize_);
    return std::max(width, minSize_);
}

void Splitter::applyWidth(int width) {
    if (control_ == nullptr || width == control_->width())
        return;
    if (auto* dock =
            qobject_cast<LeftDockLayout*>(parentWidget() ? parentWidget()->layout() : nullptr))
        dock->setWidgetWidth(control_, width);
    else
        control_->resize(width, control_->height());
    emit moved(width);
}

void Splitter::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || control_ == nullptr) {
        QWidget::mousePressEvent(e);
        return;
    }
    dragging_ = true;
    startX_ = static_cast<int>(e->globalPosition().x());
    startWidth_ = control_->width();
    e->accept();
}

void Splitter::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_) {
        QWidget::mouseMoveEvent(e);
        return;
    }
    applyWidth(widthForDrag(startWidth_, static_cast<int>(e->globalPosition().x()) - startX_));
    e->accept();
}

void Splitter::mouseReleaseEvent(QMouseEvent* e) {
    if (dragging_ && e->button() == Qt::LeftButton) {
        applyWidth(widthForDrag(startWidth_, static_cast<int>(e->globalPosition().x()) - startX_));
        dragging_ = false;
        e->accept();
        return;
    }
    QWidget::mouseReleaseEvent(e);
}

void Splitter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
}

} // namespace kivo
