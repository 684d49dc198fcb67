#include "app/application.h"
#include "app/main_window.h"
#include "platform/gui/path_text.h"

int main(int argc, char** argv) {
    kivo::TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kivomat"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kivomat"));
    // From argv as QApplication left it (its own options taken out): arguments() would
    // lose the bytes of a file name that is not UTF-8.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << kivo::PathText(argv[i]);
    kivo::TFHlavni mainWindow(arguments);
    mainWindow.show();
    return QApplication::exec();
}
