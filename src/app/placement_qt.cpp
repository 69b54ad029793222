#include "app/placement_qt.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cstdint>

namespace kestro {

namespace {

constexpr Qt::WindowStates kSizeStates =
    Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

// Stored values are applied as they are, but Qt keeps geometry in int and adds
// sizes to positions: anything beyond its widget size limit could overflow there.
int ClampToQt(int64_t value, int64_t low) {
    return static_cast<int>(std::clamp<int64_t>(value, low, QWIDGETSIZE_MAX));
}

}  // namespace

bool PlatformReportsPlaces() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

std::vector<ScreenArea> AvailableScreenAreas() {
    std::vector<ScreenArea> areas;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect r = screen->availableGeometry();
        areas.push_back({r.x(), r.y(), r.x() + r.width(), r.y() + r.height()});
    }
    return areas;
}

WindowPlacement QueryFormPlacement(const QWidget* form) {
    WindowPlacement p;
    const Qt::WindowStates state = form->windowState();
    if (state & Qt::WindowMinimized) {
        p.showCmd = kShowCmdMinimized;
    } else if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        p.showCmd = kShowCmdMaximized;
    } else {
        p.showCmd = kShowCmdNormal;
    }
    p.minX = p.minY = p.maxX = p.maxY = -1;
    QRect normal = form->isWindow() ? form->normalGeometry() : form->geometry();
    if (!normal.isValid()) {
        normal = form->geometry();
    }
    p.left = normal.x();
    p.top = normal.y();
    p.right = normal.x() + normal.width();
    p.bottom = normal.y() + normal.height();
    return p;
}

void ApplyFormPlacement(QWidget* form, const WindowPlacement& placement) {
    const QRect rect(ClampToQt(placement.left, -QWIDGETSIZE_MAX),
                     ClampToQt(placement.top, -QWIDGETSIZE_MAX),
                     ClampToQt(int64_t{placement.right} - placement.left, 0),
                     ClampToQt(int64_t{placement.bottom} - placement.top, 0));
    if (!form->isVisible()) {
        form->setGeometry(rect);
        return;
    }
    // The rectangle is the normal one: leave any minimised or maximised state
    // first, so that it lands there and not on the maximised frame.
    const Qt::WindowStates others = form->windowState() & ~kSizeStates;
    form->setWindowState(others);
    form->setGeometry(rect);
    if (placement.showCmd == kShowCmdMinimized) {
        form->setWindowState(others | Qt::WindowMinimized);
    } else if (placement.showCmd == kShowCmdMaximized) {
        form->setWindowState(others | Qt::WindowMaximized);
    }
}

}  // namespace kestro
