#include "app/application.h"

#include <exception>

#include <QMessageBox>

#include "platform/datetime.h"
#include "platform/gui/locale_formats.h"

namespace kivo {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The process starts with the user's own formats; the main window later fixes the
    // long time format, after the file list has taken its patterns from these.
    FormatSettings& fs = ProcessFormatSettings();
    fs.ShortDateFormat = LocaleShortDateFormat();
    fs.LongTimeFormat = LocaleLongTimeFormat();
    fs.DateSeparator = LocaleDateSeparator();
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowException(QStringLiteral("Unknown error"));
    }
    return false;
}

void TApplication::ShowException(const QString& text) {
    QApplication::beep();
    QMessageBox::critical(QApplication::activeWindow(), applicationDisplayName(), text);
}

} // namespace kivo
