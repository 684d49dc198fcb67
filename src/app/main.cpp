#include "app/application.h"
#include "app/main_window.h"

int main(int argc, char** argv) {
    kivo::TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kivomat"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kivomat"));
    kivo::TFHlavni mainWindow;
    mainWindow.show();
    return QApplication::exec();
}
