#include "core/gui/shared_routines.h"

#include <QApplication>
#include <QComboBox>
#include <QWidget>

namespace kivo {

void CenterFormOver(QWidget& w, const QWidget& r) {
    const QRect rf = r.frameGeometry();
    const QRect wf = w.frameGeometry();
    // Integer division truncates towards zero, as the layout arithmetic expects.
    w.move(rf.left() + rf.width() / 2 - wf.width() / 2,
           rf.top() + rf.height() / 2 - wf.height() / 2);
}

QString MessageBoxCaption(MsgKind /*kind*/) {
    return QString::fromUtf8(kProgramTitle);
}

QMessageBox::StandardButton ShowMessageBox(const QString& text, MsgKind kind,
                                           QMessageBox::StandardButtons buttons, int helpContext) {
    Q_UNUSED(helpContext); // no help system here
    QApplication::beep();
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    const QString caption = MessageBoxCaption(kind);
    switch (kind) {
    case MsgKind::Warning:
        icon = QMessageBox::Warning;
        break;
    case MsgKind::Error:
        icon = QMessageBox::Critical;
        break;
    case MsgKind::Information:
        icon = QMessageBox::Information;
        break;
    case MsgKind::Confirmation:
        icon = QMessageBox::Question;
        break;
    case MsgKind::Custom:
        break;
    }
    QWidget* active = QApplication::activeWindow();
    QMessageBox box(icon, caption, text, buttons, active);
    box.adjustSize();
    if (active)
        CenterFormOver(box, *active);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

bool FindComboItem(const QString& text, const QComboBox& combo, int& index) {
    index = -1;
    for (int i = 0; i < combo.count(); ++i) {
        if (SameTextAscii(text, combo.itemText(i))) {
            index = i;
            return true;
        }
    }
    return false;
}

bool ComboTextIsItem(QComboBox& combo, int& position) {
    position = 0;
    bool found = false;
    const QString text = combo.currentText();
    for (int i = 0; i < combo.count(); ++i) {
        const QString item = combo.itemText(i);
        if (!item.isEmpty() && SameTextAscii(text, item)) {
            position = i + 1;
            found = true;
        }
    }
    if (!found)
        combo.setFocus();
    return found;
}

} // namespace kivo
