#include "app/application.h"

#include <exception>

#include <QMessageBox>

namespace kivo {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

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
