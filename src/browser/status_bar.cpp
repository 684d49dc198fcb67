#include "browser/status_bar.h"

#include <algorithm>
#include <cmath>

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

namespace kivo {

namespace {

ClockPanelKind ClockKindOf(TStatusPanelType type) {
    return type == TStatusPanelType::sptDate ? ClockPanelKind::Date : ClockPanelKind::Time;
}

} // namespace

int GaugeSplit(int left, int width, int position) {
    position = std::clamp(position, 0, 100);
    return left + (width * position + 50) / 100;
}

QString GaugeText(const QString& text, int position) {
    return text.isEmpty() ? QString::number(position) + QLatin1Char('%') : text;
}

// --- TGaugeAttrs -------------------------------------------------------------------------------

TGaugeAttrs::TGaugeAttrs(TStatusPanel& panel) : panel_(panel) {}

void TGaugeAttrs::SetStyle(TGaugeStyle style) {
    if (style == style_)
        return;
    style_ = style;
    panel_.UpdateRegistration();
    panel_.Changed(false);
}

void TGaugeAttrs::SetPosition(int position) {
    position = std::clamp(position, 0, 100);
    if (position == position_)
        return;
    position_ = position;
    if (panel_.type_ == TStatusPanelType::sptGauge)
        panel_.bar_.RepaintPanel(panel_);
}

void TGaugeAttrs::SetColor(const QColor& c) {
    color_ = c;
    panel_.Changed(false);
}

void TGaugeAttrs::SetTextColor(const QColor& c) {
    textColor_ = c;
    panel_.Changed(false);
}

// --- TStatusPanel ------------------------------------------------------------------------------

TStatusPanel::TStatusPanel(TPanelStatusBar& bar, int id) : bar_(bar), id_(id), gauge_(*this) {
    gauge_.color_ = bar.palette().color(QPalette::Highlight);
    gauge_.textColor_ = bar.palette().color(QPalette::HighlightedText);
}

TStatusPanel::~TStatusPanel() {
    bar_.UnregisterClockPanel(*this);
}

bool TStatusPanel::IsClockPanel() const {
    return type_ == TStatusPanelType::sptDate || type_ == TStatusPanelType::sptTime ||
           type_ == TStatusPanelType::sptDateTime || type_ == TStatusPanelType::sptTimeDate;
}

void TStatusPanel::UpdateRegistration() {
    const bool animated =
        type_ == TStatusPanelType::sptGauge && gauge_.style_ != TGaugeStyle::gsPercent;
    if (enabled_ && IsClockPanel())
        bar_.RegisterClockPanel(*this, ClockKindOf(type_));
    else if (enabled_ && animated)
        bar_.RegisterClockPanel(*this, ClockPanelKind::AnimatedGauge);
    else
        bar_.UnregisterClockPanel(*this);
}

void TStatusPanel::SetPanelType(TStatusPanelType type) {
    if (type == type_)
        return;
    // A panel that changes type leaves the clock first.
    bar_.UnregisterClockPanel(*this);
    type_ = type;
    if (IsClockPanel()) {
        autoFit_ = false;
        UpdateRegistration();
        RefreshClockText();
    } else if (type == TStatusPanelType::sptGauge) {
        autoFit_ = false;
        alignment_ = TPanelAlignment::Center;
        UpdateRegistration();
    }
    Changed(true);
}

void TStatusPanel::SetDateFormat(const QString& format) {
    dateFormat_ = format;
    if (IsClockPanel())
        RefreshClockText();
}

void TStatusPanel::SetTimeFormat(const QString& format) {
    timeFormat_ = format;
    if (IsClockPanel())
        RefreshClockText();
}

void TStatusPanel::SetText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    Changed(true);
}

void TStatusPanel::SetWidth(int width) {
    width_ = std::max(0, width);
    Changed(true);
}

void TStatusPanel::SetAutoFit(bool autoFit) {
    autoFit_ = autoFit;
    Changed(true);
}

void TStatusPanel::SetAlignment(TPanelAlignment alignment) {
    alignment_ = alignment;
    Changed(false);
}

void TStatusPanel::SetBorderWidth(int width) {
    borderWidth_ = std::max(0, width);
    Changed(true);
}

void TStatusPanel::SetEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    UpdateRegistration();
    Changed(false);
}

int TStatusPanel::EffectiveWidth() const {
    if (!autoFit_)
        return width_;
    return AutoFitWidth(QFontMetrics(bar_.font()).horizontalAdvance(text_), borderWidth_);
}

void TStatusPanel::RefreshClockText() {
    const FormatSettings& fs = ProcessFormatSettings();
    std::string pattern;
    if (type_ == TStatusPanelType::sptDate) {
        pattern = dateFormat_.isEmpty() ? fs.ShortDateFormat : dateFormat_.toStdString();
    } else if (type_ == TStatusPanelType::sptTime) {
        pattern = timeFormat_.isEmpty() ? fs.LongTimeFormat : timeFormat_.toStdString();
    } else if (type_ == TStatusPanelType::sptDateTime || type_ == TStatusPanelType::sptTimeDate) {
        const std::string d =
            dateFormat_.isEmpty() ? fs.ShortDateFormat : dateFormat_.toStdString();
        const std::string t = timeFormat_.isEmpty() ? fs.LongTimeFormat : timeFormat_.toStdString();
        pattern = type_ == TStatusPanelType::sptDateTime ? d + ' ' + t : t + ' ' + d;
    } else {
        return;
    }
    const QString text = QString::fromStdString(FormatDateTime(pattern, bar_.Now(), fs));
    if (text == text_)
        return;
    text_ = text;
    Changed(true);
}

void TStatusPanel::Changed(bool widthMayChange) {
    if (widthMayChange && bar_.IndexOf(*this) >= 0)
        bar_.update(); // later panels may move
    else
        bar_.RepaintPanel(*this);
}

// --- TPanelStatusBar -----------------------------------------------------------------------

TPanelStatusBar::TPanelStatusBar(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
}

TPanelStatusBar::~TPanelStatusBar() {
    // Panels unregister from the clock as they go; the timer goes with the bar.
    panels_.clear();
}

TStatusPanel& TPanelStatusBar::AddPanel() {
    panels_.push_back(std::make_unique<TStatusPanel>(*this, nextId_++));
    update();
    return *panels_.back();
}

void TPanelStatusBar::RemovePanel(int index) {
    if (index < 0 || index >= PanelCount())
        return;
    panels_.erase(panels_.begin() + index);
    update();
}

int TPanelStatusBar::IndexOf(const TStatusPanel& panel) const {
    for (std::size_t i = 0; i < panels_.size(); ++i)
        if (panels_[i].get() == &panel)
            return static_cast<int>(i);
    return -1;
}

QRect TPanelStatusBar::PanelRect(int index) const {
    if (index < 0 || index >= PanelCount())
        return {};
    int x = 0;
    for (int i = 0; i < index; ++i)
        x += panels_[static_cast<std::size_t>(i)]->EffectiveWidth();
    const int w = index == PanelCount() - 1
                      ? std::max(0, width() - x)
                      : panels_[static_cast<std::size_t>(index)]->EffectiveWidth();
    return QRect(x, 0, w, height());
}

bool TPanelStatusBar::ClockTimerActive() const {
    return timer_ && timer_->isActive();
}
int TPanelStatusBar::ClockTimerInterval() const {
    return timer_ ? timer_->interval() : 0;
}

int TPanelStatusBar::Today() const {
    return static_cast<int>(std::floor(Now()));
}

void TPanelStatusBar::RegisterClockPanel(TStatusPanel& panel, ClockPanelKind kind) {
    if (clock_.IsRegistered(panel.id_))
        return;
    if (clock_.Register(panel.id_, kind, Today()) && !timer_) {
        timer_ = new QTimer(this);
        connect(timer_, &QTimer::timeout, this, &TPanelStatusBar::ClockTick);
    }
    timer_->start(clock_.Interval());
}

void TPanelStatusBar::UnregisterClockPanel(TStatusPanel& panel) {
    if (!clock_.IsRegistered(panel.id_))
        return;
    if (clock_.Unregister(panel.id_)) {
        delete timer_;
        timer_ = nullptr;
    } else if (timer_) {
        timer_->start(clock_.Interval());
    }
}

void TPanelStatusBar::ClockTick() {
    const bool newDay = clock_.Tick(Today());
    for (const auto& p : panels_) {
        if (!clock_.IsRegistered(p->id_))
            continue;
        switch (p->type_) {
        case TStatusPanelType::sptDate:
            if (newDay)
                p->RefreshClockText();
            break;
        case TStatusPanelType::sptTime:
        case TStatusPanelType::sptDateTime:
        case TStatusPanelType::sptTimeDate:
            p->RefreshClockText();
            break;
        case TStatusPanelType::sptGauge: {
            // Animated styles sweep the position round.
            TGaugeAttrs& g = p->gauge_;
            g.position_ = (g.position_ + std::max(1, g.speed_)) % 101;
            RepaintPanel(*p);
            break;
        }
        default:
            break;
        }
    }
}

int TPanelStatusBar::PanelPaintCount(int index) const {
    if (index < 0 || index >= PanelCount())
        return 0;
    return panels_[static_cast<std::size_t>(index)]->paintCount_;
}

void TPanelStatusBar::RepaintPanel(const TStatusPanel& panel) {
    const int index = IndexOf(panel);
    if (index >= 0)
        repaint(PanelRect(index)); // synchronous, also inside loops that process no events
}

void TPanelStatusBar::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    for (int i = 0; i < PanelCount(); ++i)
        if (PanelRect(i).intersects(event->rect()))
            PaintPanel(painter, i);
}

void TPanelStatusBar::PaintPanel(QPainter& painter, int index) {
    TStatusPanel& p = *panels_[static_cast<std::size_t>(index)];
    const QRect outer = PanelRect(index).adjusted(1, 1, -1, -1);
    if (outer.width() <= 0 || outer.height() <= 0)
        return;
    // Drawn off-screen and copied in one step.
    QPixmap buffer(outer.size());
    const QColor face = palette().color(QPalette::Window);
    buffer.fill(face);
    QPainter bp(&buffer);
    bp.setFont(font());
    const QRect content =
        QRect(QPoint(0, 0), outer.size())
            .adjusted(p.borderWidth_, p.borderWidth_, -p.borderWidth_, -p.borderWidth_);
    if (p.enabled_ && isEnabled() && content.isValid()) {
        ++p.paintCount_;
        Qt::Alignment h = Qt::AlignLeft;
        if (p.alignment_ == TPanelAlignment::Right)
            h = Qt::AlignRight;
        else if (p.alignment_ == TPanelAlignment::Center)
            h = Qt::AlignHCenter;
        const int flags = static_cast<int>(Qt::AlignVCenter | Qt::TextSingleLine);
        if (p.type_ == TStatusPanelType::sptGauge) {
            const int split = GaugeSplit(content.left(), content.width(), p.gauge_.position_);
            const QRect filled(content.left(), content.top(), split - content.left(),
                               content.height());
            const QRect empty(split, content.top(), content.right() + 1 - split, content.height());
            bp.fillRect(filled, p.gauge_.color_);
            bp.fillRect(empty, face);
            QRect textRect = content;
            if (h == Qt::AlignRight)
                textRect.adjust(0, 0, -1, 0);
            const QString text = GaugeText(p.text_, p.gauge_.position_);
            // The text changes colour where the fill ends.
            bp.save();
            bp.setClipRect(filled);
            bp.setPen(p.gauge_.textColor_);
            bp.drawText(textRect, flags | static_cast<int>(h), text);
            bp.setClipRect(empty);
            bp.setPen(palette().color(QPalette::WindowText));
            bp.drawText(textRect, flags | static_cast<int>(h), text);
            bp.restore();
        } else {
            if (p.autoFit_)
                h = Qt::AlignHCenter;
            QRect textRect = content;
            if (h == Qt::AlignRight)
                textRect.adjust(0, 0, -1, 0);
            bp.setPen(palette().color(QPalette::WindowText));
            bp.drawText(textRect, flags | static_cast<int>(h), p.text_);
        }
    }
    bp.end();
    painter.drawPixmap(outer.topLeft(), buffer);
}

void TPanelStatusBar::changeEvent(QEvent* event) {
    QStatusBar::changeEvent(event);
    // Auto-fitted widths follow the font.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange)
        update();
}

void AddMainWindowPanels(TPanelStatusBar& bar) {
    TStatusPanel& date = bar.AddPanel();
    date.SetPanelType(TStatusPanelType::sptDate);
    // The date order is the translator's choice.
    date.SetDateFormat(QCoreApplication::translate("kivo::TFHlavni", "yyyy.mm.dd"));
    date.SetWidth(62);
    date.SetAutoFit(true); // after the type, which clears it
    TStatusPanel& time = bar.AddPanel();
    time.SetPanelType(TStatusPanelType::sptTime);
    time.SetWidth(50);
    time.SetAutoFit(true);
    TStatusPanel& gauge = bar.AddPanel();
    gauge.SetPanelType(TStatusPanelType::sptGauge);
    gauge.GaugeAttrs().SetStyle(TGaugeStyle::gsPercent);
    gauge.GaugeAttrs().SetSpeed(0);
    gauge.SetAlignment(TPanelAlignment::Center);
    gauge.SetText(QString::fromLatin1(kIdleGaugeText));
    gauge.SetAutoFit(false);
    gauge.SetWidth(50);
}

} // namespace kivo
