#include "settings/ui/placement_qt.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QRect>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <vector>

#include "settings/reachable_placement.h"

namespace kestro {
inline namespace VuIniMng {

namespace {

constexpr Qt::WindowStates kSizeStates =
    Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

// Stored values are applied as they are, but Qt keeps geometry in int and adds
// sizes to positions: anything beyond its widget size limit could overflow there.
int ClampToQt(int64_t value, int64_t low) {
    return static_cast<int>(std::clamp<int64_t>(value, low, QWIDGETSIZE_MAX));
}

std::vector<ScreenArea> AvailableAreas() {
    std::vector<ScreenArea> areas;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect r = screen->availableGeometry();
        areas.push_back({r.x(), r.y(), r.x() + r.width(), r.y() + r.height()});
    }
    return areas;
}

}  // namespace

std::string FormSectionName(const QWidget* form) {
    const QVariant named = form->property(kFormClassProperty);
    if (named.isValid() && !named.toString().isEmpty()) {
        return named.toString().toStdString();
    }
    const std::string className = form->metaObject()->className();
    const std::size_t colon = className.rfind("::");
    return colon == std::string::npos ? className : className.substr(colon + 2);
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

void ApplyFormPlacement(QWidget* form, const WindowPlacement& stored) {
    // A monitor unplugged since, or a hand-edited file, must not leave the
    // window where no screen shows it.
    const WindowPlacement placement = KeepReachable(stored, AvailableAreas());
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

void LoadFormPlacement(QWidget* form, std::string_view section, PlacementParts parts) {
    const IniFile ini = IniFile::Load(GetIniFileName());
    const WindowPlacement current = QueryFormPlacement(form);
    WindowPlacement placement =
        ReadPlacement(ini, section, parts, current, form->width(), form->height());
    if (!form->isVisible()) {
        // A form that is not shown yet is shown later in its normal state.
        placement.showCmd = kShowCmdHide;
    }
    // Nothing stored that differs: leave the window alone. While a window is being
    // shown Qt may still report its position from before the frame was added, and
    // setting that back would shift the window by its frame.
    const bool sameRect = placement.left == current.left && placement.top == current.top &&
                          placement.right == current.right && placement.bottom == current.bottom;
    if (sameRect && (!form->isVisible() || placement.showCmd == current.showCmd)) {
        return;
    }
    ApplyFormPlacement(form, placement);
}

void LoadFormPlacement(QWidget* form, std::string_view section) {
    LoadFormPlacement(form, section, ppAll);
}

void LoadFormPlacement(QWidget* form) {
    LoadFormPlacement(form, FormSectionName(form), ppAll);
}

Result SaveFormPlacement(QWidget* form, std::string_view section) {
    const std::string path = GetIniFileNameForSave();
    if (path.empty()) {
        return Result();  // settings kept read-only: nothing to save, nothing failed
    }
    return SavePlacement(path, section, QueryFormPlacement(form));
}

Result SaveFormPlacement(QWidget* form) {
    return SaveFormPlacement(form, FormSectionName(form));
}

}  // namespace VuIniMng
}  // namespace kestro
