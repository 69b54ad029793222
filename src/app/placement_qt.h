// A Qt window's placement, mapped onto the record that the settings file keeps.
// When it is read, saved and kept reachable is the shell's (shell/placement.h);
// this only reads and sets the geometry.
#pragma once

#include <vector>

#include "shell/placement.h"

class QWidget;

namespace kestro {

// The form's placement as the settings file stores it. Qt reports no minimised or
// maximised positions, so they are -1; the normal rectangle is the window's normal
// geometry, exclusive right and bottom, so that a restore puts it back exactly.
WindowPlacement QueryFormPlacement(const QWidget* form);

// Sets the form's normal geometry and, when the form is visible, its state:
// 2 minimised, 3 maximised, anything else normal. A hidden form only moves.
void ApplyFormPlacement(QWidget* form, const WindowPlacement& placement);

// Whether Qt's platform reports a window's place and lets it be set; not so on
// Wayland, where the compositor alone places windows.
bool PlatformReportsPlaces();

// The available area of every screen.
std::vector<ScreenArea> AvailableScreenAreas();

// A form as the shell's placement rules see it.
class PlacedForm final : public PlacedWindow {
public:
    explicit PlacedForm(QWidget* form) : form_(form) {}
    WindowPlacement QueryPlacement() const override { return QueryFormPlacement(form_); }
    void ApplyPlacement(const WindowPlacement& placement) override {
        ApplyFormPlacement(form_, placement);
    }
    std::vector<ScreenArea> ScreenAreas() const override { return AvailableScreenAreas(); }

private:
    QWidget* form_;
};

}  // namespace kestro
