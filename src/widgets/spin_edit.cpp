#include "widgets/spin_edit.h"

#include <limits>

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace kivo {

namespace {

// Eighteen digits always fit in 64 bits, so typing can never overflow.
const QRegularExpression& TypedWholeNumber() {
    static const QRegularExpression re(QStringLiteral("[+-]?[0-9]{0,18}"));
    return re;
}

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow) {
    auto* b = new QToolButton(parent);
    b->setArrowType(arrow);
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRepeat(false); // the edit repeats on its own timer
    b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    return b;
}

} // namespace

SpinEdit::SpinEdit(QWidget* parent) : QWidget(parent) {
    edit_ = new QLineEdit(this);
    edit_->setValidator(new QRegularExpressionValidator(TypedWholeNumber(), edit_));
    edit_->setText(QStringLiteral("0"));
    edit_->installEventFilter(this);
    setFocusProxy(edit_);

    up_ = MakeArrow(this, Qt::UpArrow);
    down_ = MakeArrow(this, Qt::DownArrow);

    auto* buttons = new QVBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(0);
    buttons->addWidget(up_);
    buttons->addWidget(down_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    row->addWidget(edit_, 1);
    row->addLayout(buttons);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    connect(up_, &QToolButton::pressed, this, [this] { startRepeat(1); });
    connect(down_, &QToolButton::pressed, this, [this] { startRepeat(-1); });
    connect(up_, &QToolButton::released, this, &SpinEdit::stopRepeat);
    connect(down_, &QToolButton::released, this, &SpinEdit::stopRepeat);
    connect(&repeat_, &QTimer::timeout, this, &SpinEdit::repeatTick);

    qint64 last = 0;
    connect(edit_, &QLineEdit::textChanged, this, [this, last]() mutable {
        const qint64 now = value();
        if (now != last) {
            last = now;
            emit valueChanged(now);
        }
    });
}

std::optional<qint64> SpinEdit::ParseWhole(const QString& text) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
    }
    if (i == t.size())
        return std::nullopt;
    // Accumulate negatively so that the 64-bit minimum fits too.
    qint64 v = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        if (__builtin_mul_overflow(v, 10, &v) || __builtin_sub_overflow(v, c - u'0', &v))
            return std::nullopt;
    }
    if (negative)
        return v;
    if (v == std::numeric_limits<qint64>::min())
        return std::nullopt;
    return -v;
}

qint64 SpinEdit::value() const {
    return ParseWhole(edit_->text()).value_or(0);
}

void SpinEdit::setValue(qint64 v) {
    edit_->setText(QString::number(v));
}

QString SpinEdit::text() const {
    return edit_->text();
}

void SpinEdit::setText(const QString& text) {
    edit_->setText(text);
}

void SpinEdit::stepBy(qint64 steps) {
    qint64 delta = 0;
    qint64 next = 0;
    const bool up = (steps > 0) == (increment_ > 0);
    if (__builtin_mul_overflow(steps, increment_, &delta) ||
        __builtin_add_overflow(value(), delta, &next))
        next = up ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    setValue(next);
}

void SpinEdit::startRepeat(int direction) {
    if (!isEnabled())
        return;
    direction_ = direction;
    stepBy(direction_);
    repeat_.start(kRepeatDelayMs);
}

void SpinEdit::stopRepeat() {
    repeat_.stop();
    direction_ = 0;
}

void SpinEdit::repeatTick() {
    // A button released while the edit was hidden or disabled sends no signal we can trust.
    if (direction_ == 0 || !isEnabled() || !isVisible() ||
        !(direction_ > 0 ? up_ : down_)->isDown()) {
        stopRepeat();
        return;
    }
    stepBy(direction_);
    repeat_.start(kRepeatIntervalMs);
}

bool SpinEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            stepBy(key->key() == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SpinEdit::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0 && isEnabled() && edit_->hasFocus()) {
        stepBy(notches);
        event->accept();
        return;
    }
    QWidget::wheelEvent(event);
}

} // namespace kivo
