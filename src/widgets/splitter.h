#pragma once
// A 3-pixel splitter between a control docked at the left and the area that fills the rest.
// Dragging it changes the control's width; the rest takes what remains.

#include <QLayout>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace kivo {

// Arranges widgets docked at the left, each keeping its own width, and one client widget
// filling the rest (nothing is shrunk to make room: a narrow parent clips the client).
class LeftDockLayout : public QLayout {
    Q_OBJECT
public:
    explicit LeftDockLayout(QWidget* parent = nullptr);
    ~LeftDockLayout() override;

    // Docked next after those already docked.
    void addLeft(QWidget* w);
    void setClient(QWidget* w);
    // A docked widget's width, applied at once.
    void setWidgetWidth(QWidget* w, int width);

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& r) override;

private:
    QList<QLayoutItem*> left_;
    QLayoutItem* client_ = nullptr;
};

class Splitter : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 3;
    static constexpr int kDefaultMinSize = 30;

    explicit Splitter(QWidget* parent = nullptr);

    // The control whose width the splitter changes (docked at its left).
    void setControl(QWidget* control) { control_ = control; }
    QWidget* control() const { return control_; }
    // Neither the control nor the rest of the parent gets narrower than this by dragging.
    void setMinSize(int pixels) { minSize_ = pixels; }
    int minSize() const { return minSize_; }

    // The width a drag by dx pixels gives the control, starting from startWidth.
    int widthForDrag(int startWidth, int dx) const;

signals:
    void moved(int controlWidth);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void applyWidth(int width);

    QPointer<QWidget> control_;
    int minSize_ = kDefaultMinSize;
    bool dragging_ = false;
    int startX_ = 0;
    int startWidth_ = 0;
};

} // namespace kivo
