#pragma once
// TPanelStatusBar: a status bar whose panels draw themselves by type. Used here: the
// current date, the current time (both kept by one clock) and a percentage gauge.

#include <functional>
#include <memory>
#include <vector>

#include <QColor>
#include <QStatusBar>
#include <QString>

#include "browser/status_bar_clock.h"
#include "platform/datetime.h"

class QTimer;

namespace kivo {

enum class TStatusPanelType {
    sptNormal,
    sptCapsLock,
    sptNumLock,
    sptScrollLock,
    sptDate,
    sptTime,
    sptDateTime,
    sptTimeDate,
    sptEllipsisText,
    sptEllipsisPath,
    sptGlyph,
    sptGauge,
    sptOwnerDraw,
};

enum class TGaugeStyle { gsPercent, gsIndeterminate, gsIndeterminate2 };

enum class TPanelAlignment { Left, Right, Center };

class TPanelStatusBar;
class TStatusPanel;

class TGaugeAttrs {
public:
    explicit TGaugeAttrs(TStatusPanel& panel);
    TGaugeStyle Style() const { return style_; }
    void SetStyle(TGaugeStyle style);
    int Position() const { return position_; }
    // A different position repaints the gauge at once; the same one does nothing.
    void SetPosition(int position);
    int Speed() const { return speed_; }
    void SetSpeed(int speed) { speed_ = speed; }
    QColor Color() const { return color_; }
    void SetColor(const QColor& c);
    QColor TextColor() const { return textColor_; }
    void SetTextColor(const QColor& c);

private:
    friend class TStatusPanel;
    friend class TPanelStatusBar;
    TStatusPanel& panel_;
    TGaugeStyle style_ = TGaugeStyle::gsPercent;
    int position_ = 0;
    int speed_ = 4;
    QColor color_;
    QColor textColor_;
};

class TStatusPanel {
public:
    TStatusPanel(TPanelStatusBar& bar, int id);
    ~TStatusPanel();
    TStatusPanel(const TStatusPanel&) = delete;
    TStatusPanel& operator=(const TStatusPanel&) = delete;

    TStatusPanelType PanelType() const { return type_; }
    void SetPanelType(TStatusPanelType type);
    QString DateFormat() const { return dateFormat_; }
    void SetDateFormat(const QString& format);
    QString TimeFormat() const { return timeFormat_; }
    void SetTimeFormat(const QString& format);
    QString Text() const { return text_; }
    void SetText(const QString& text);
    int Width() const { return width_; }
    void SetWidth(int width);
    bool AutoFit() const { return autoFit_; }
    void SetAutoFit(bool autoFit);
    TPanelAlignment Alignment() const { return alignment_; }
    void SetAlignment(TPanelAlignment alignment);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int width);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    TGaugeAttrs& GaugeAttrs() { return gauge_; }
    const TGaugeAttrs& GaugeAttrs() const { return gauge_; }

    // The width the panel takes: the fitted width with AutoFit, else Width.
    int EffectiveWidth() const;
    // Date and time panels: format the current date-time; repaint when the text changed.
    void RefreshClockText();
    bool IsClockPanel() const;

private:
    friend class TGaugeAttrs;
    friend class TPanelStatusBar;
    void UpdateRegistration();
    void Changed(bool widthMayChange);

    TPanelStatusBar& bar_;
    int id_;
    TStatusPanelType type_ = TStatusPanelType::sptNormal;
    QString dateFormat_;
    QString timeFormat_;
    QString text_;
    int width_ = 50;
    bool autoFit_ = false;
    TPanelAlignment alignment_ = TPanelAlignment::Left;
    int borderWidth_ = 0;
    bool enabled_ = true;
    int paintCount_ = 0;
    TGaugeAttrs gauge_;
};

// Pieces of the gauge's drawing, exposed for tests.
// x where the fill ends: left + width * position / 100, rounded.
int GaugeSplit(int left, int width, int position);
QString GaugeText(const QString& text, int position);
// Width of an auto-fitting panel from its measured text width.
inline int AutoFitWidth(int textWidth, int borderWidth) {
    return textWidth + borderWidth + 6;
}

class TPanelStatusBar : public QStatusBar {
    Q_OBJECT

public:
    explicit TPanelStatusBar(QWidget* parent = nullptr);
    ~TPanelStatusBar() override;

    TStatusPanel& AddPanel();
    void RemovePanel(int index);
    int PanelCount() const { return static_cast<int>(panels_.size()); }
    TStatusPanel& Panel(int index) { return *panels_.at(static_cast<std::size_t>(index)); }
    int IndexOf(const TStatusPanel& panel) const;
    // Rectangle of a panel on the bar; the last panel reaches the right edge.
    QRect PanelRect(int index) const;

    // The clock: its state, the source of the current date-time (replaceable for tests)
    // and one tick as the timer runs it.
    const StatusBarClock& Clock() const { return clock_; }
    bool ClockTimerActive() const;
    int ClockTimerInterval() const;
    std::function<TDateTime()> Now = [] { return kivo::Now(); };
    void ClockTick();

    // How often each panel's content was painted (repaint checks in tests).
    int PanelPaintCount(int index) const;
    // Repaints one panel now.
    void RepaintPanel(const TStatusPanel& panel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class TStatusPanel;
    void RegisterClockPanel(TStatusPanel& panel, ClockPanelKind kind);
    void UnregisterClockPanel(TStatusPanel& panel);
    void PaintPanel(QPainter& painter, int index);
    int Today() const;

    std::vector<std::unique_ptr<TStatusPanel>> panels_;
    StatusBarClock clock_;
    QTimer* timer_ = nullptr;
    int nextId_ = 1;
};

// The gauge's text while nothing runs: a single space, so the idle bar shows no "0%".
inline constexpr const char* kIdleGaugeText = " ";

// The main window's panels: 0 the date "yyyy.mm.dd" (fitted, 62 wide), 1 the time in the
// long time format (fitted, 50 wide), 2 a centred percentage gauge, 50 wide, with the idle
// text. Gathering moves the gauge of panel 2.
void AddMainWindowPanels(TPanelStatusBar& bar);

} // namespace kivo
