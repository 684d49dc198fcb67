#include <cstdio>
#include <cstring>

#include "app/application.h"
#include "app/main_window.h"
#include "app/ui_language.h"
#include "kivo_version.h"
#include "platform/exe_folder.h"
#include "platform/gui/path_text.h"

int main(int argc, char** argv) {
    // Answered before any window exists, so they work without a display. A photo folder
    // really named "--version" is still reachable as "./--version".
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs("kivo " KIVO_VERSION_TEXT " (Kivomat)\n", stdout);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs("Usage: kivo [FILE | FOLDER]\n"
                   "       kivo --help | --version\n"
                   "Opens Kivomat on the folder of FILE, or on FOLDER; without an argument on\n"
                   "the folder of the last run. See kivo(1).\n",
                   stdout);
        return 0;
    }
    kivo::TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kivomat"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kivomat"));
    QApplication::setApplicationVersion(QStringLiteral(KIVO_VERSION_TEXT));
    kivo::InstallUiTranslation(app, kivo::UiLanguage(kivo::SettingsPath()));
    // From argv as QApplication left it (its own options taken out): arguments() would
    // lose the bytes of a file name that is not UTF-8.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << kivo::PathText(argv[i]);
    kivo::TFHlavni mainWindow(arguments);
    mainWindow.show();
    return QApplication::exec();
}
