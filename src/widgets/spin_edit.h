#pragma once
// A spin edit for whole numbers: an editable text with up and down buttons. The buttons
// step once when pressed and then repeat on the edit's own timer while they are held.
// No bounds apart from the 64-bit range; a text that is not a whole number reads as 0.

#include <optional>

#include <QTimer>
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace kivo {

class SpinEdit : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRepeatDelayMs = 400;    // first repeat after a press
    static constexpr int kRepeatIntervalMs = 100; // further repeats while held

    explicit SpinEdit(QWidget* parent = nullptr);

    // The whole number in the text, 0 when the text is none (empty, "-", "1.5").
    qint64 value() const;
    void setValue(qint64 v);
    QString text() const;
    void setText(const QString& text);

    qint64 increment() const { return increment_; }
    void setIncrement(qint64 step) { increment_ = step; }

    // value() + steps * increment(), held at the 64-bit limits.
    void stepBy(qint64 steps);

    bool isRepeating() const { return repeat_.isActive(); }

    QLineEdit* lineEdit() const { return edit_; }
    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

    // The whole number of a text, or nothing.
    static std::optional<qint64> ParseWhole(const QString& text);

signals:
    void valueChanged(qint64 value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void startRepeat(int direction);
    void stopRepeat();
    void repeatTick();

    QLineEdit* edit_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    QTimer repeat_;
    int direction_ = 0;
    qint64 increment_ = 1;
};

} // namespace kivo
