#include "app/app_icon.h"

#include <QApplication>

// Resources of a static library are registered only when something refers to them.
static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace kestro {

QIcon KestroIcon() {
    InitIconResources();
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/kestro-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

void InstallApplicationIcon() {
    QApplication::setWindowIcon(KestroIcon());
}

}  // namespace kestro
