#include "app/app_icon.h"

// Resources compiled into a static library must be registered by name.
static void InitKivoAppResources() {
    Q_INIT_RESOURCE(kivo_app);
}

namespace kivo {

QIcon ApplicationIcon() {
    static const bool registered = (InitKivoAppResources(), true);
    (void)registered;
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addFile(QStringLiteral(":/kivo/kivomat-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace kivo
