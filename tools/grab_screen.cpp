// Saves the whole X screen (or one window by its id) as a PNG.
// Usage: grab_screen OUT.png [WINDOW_ID]

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT.png [WINDOW_ID]\n", argv[0]);
        return 2;
    }
    QGuiApplication app(argc, argv);
    const WId id = argc > 2 ? static_cast<WId>(std::strtoull(argv[2], nullptr, 0)) : 0;
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(id);
    return shot.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
