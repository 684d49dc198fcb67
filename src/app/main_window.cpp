#include "app/main_window.h"

#include <QCloseEvent>

#include "app/application.h"
#include "app/base/settings.h"
#include "platform/exe_folder.h"

namespace kivo {

TFHlavni::TFHlavni(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("FHlavni"));
    setWindowTitle(QStringLiteral("Kivomat"));
    setMinimumSize(600, 300);
    FormCreate();
}

TFHlavni::~TFHlavni() = default;

void TFHlavni::FormCreate() {
    RestoreFormPlacement(*this, QString::fromUtf8(kIniFileName), QStringLiteral("Form"), 640, 480);
}

void TFHlavni::FormClose() {
    SaveFormPlacement(*this, QString::fromUtf8(kIniFileName), QStringLiteral("Form"));
}

void TFHlavni::FormResize() {}

void TFHlavni::closeEvent(QCloseEvent* event) {
    // A refused settings write is reported once; the window still closes.
    try {
        FormClose();
    } catch (const std::exception& e) {
        TApplication::ShowException(QString::fromUtf8(e.what()));
    }
    event->accept();
}

void TFHlavni::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (resizeAttached_)
        FormResize();
}

} // namespace kivo
