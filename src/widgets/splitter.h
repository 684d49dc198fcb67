#pragma once
// A 3-pixel splitter between a control docked at the left and the area that fills the rest.
// Dragging it changes the control's width; the rest takes what remains.

#include <QLayout>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QWidget>

namespace kivo {

// Arranges widgets docked at the left, each keeping its own width, and one client widget
// filling the rest. The widths set with setWidgetWidth are what the widgets want: when the
// parent is too narrow for them and the client's minimum width, they get less (the later
// ones first), and their wanted width back once the parent is wide enough again. So a
// stored width larger than the window never hides the client.
class LeftDockLayout : public QLayout {
    Q_OBJECT
public:
    static constexpr int kDefaultClientMinWidth = 30;

    explicit LeftDockLayout(QWidget* parent = nullptr);
    ~LeftDockLayout() override;

    // Docked next after those already docked.
    void addLeft(QWidget* w);
    void setClient(QWidget* w);
    // A docked widget's width, applied at once (as far as the parent's width allows).
    void setWidgetWidth(QWidget* w, int width);
    // What the client keeps at least while a docked widget has to give way.
    void setClientMinimumWidth(int pixels);
    int clientMinimumWidth() const { return clientMin_; }

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& r) override;

private:
    int widthOf(const QWidget* w) const;

    QList<QLayoutItem*> left_;
    QLayoutItem* client_ = nullptr;
    QList<QPair<const QWidget*, int>> wanted_; // widths set through setWidgetWidth
    int clientMin_ = kDefaultClientMinWidth;
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
