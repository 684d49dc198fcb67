#include "photoops/naming_combo.h"

#include <QComboBox>
#include <QEvent>
#include <QVariant>

#include "core/gui/shared_routines.h"
#include "photoops/naming.h"

namespace kivo {

namespace {

// Calls CBTypExit when the watched combo loses the focus.
class FocusOutWatcher : public QObject {
public:
    explicit FocusOutWatcher(QComboBox& combo) : QObject(&combo), combo_(combo) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &combo_ && event->type() == QEvent::FocusOut)
            CBTypExit(combo_);
        return QObject::eventFilter(watched, event);
    }

private:
    QComboBox& combo_;
};

} // namespace

void SetupFormatCombo(QComboBox& combo, int storedIndex) {
    combo.setEditable(true);
    combo.setInsertPolicy(QComboBox::NoInsert);
    // The index follows exactly what is typed; inline completion would turn every
    // prefix into the first matching item.
    combo.setCompleter(nullptr);
    combo.clear();
    for (std::string_view item : kFormatItems)
        combo.addItem(QString::fromUtf8(item.data(), static_cast<qsizetype>(item.size())));
    combo.setProperty(kFormatIndexProperty, storedIndex);
    const QSignalBlocker blocker(combo);
    if (storedIndex >= 0 && storedIndex < combo.count()) {
        combo.setCurrentIndex(storedIndex);
    } else {
        combo.setCurrentIndex(-1);
        combo.setEditText(QString());
    }
}

int CBTypExit(QComboBox& combo) {
    int index = -1;
    if (!FindComboItem(combo.currentText(), combo, index)) {
        index = -1;
        // Queued: this also runs while the focus is leaving, and taking it back inside
        // that change would fight the widget that is receiving it.
        // Taken back only if the text is still none of the items by then.
        QMetaObject::invokeMethod(
            &combo,
            [&combo] {
                if (FormatIndexOf(combo) == kFormatNone && !combo.hasFocus())
                    combo.setFocus(Qt::OtherFocusReason);
            },
            Qt::QueuedConnection);
    }
    combo.setProperty(kFormatIndexProperty, index);
    return index;
}

int FormatIndexOf(const QComboBox& combo) {
    bool ok = false;
    const int index = combo.property(kFormatIndexProperty).toInt(&ok);
    return ok ? index : kFormatNone;
}

void ConnectFormatCombo(QComboBox& combo) {
    QObject::connect(&combo, &QComboBox::currentTextChanged, &combo,
                     [&combo](const QString&) { CBTypExit(combo); });
    combo.installEventFilter(new FocusOutWatcher(combo));
}

} // namespace kivo
