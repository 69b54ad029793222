// The placement of a Qt window, mapped onto the record that the settings file
// keeps, and its restore and save by the window's class name.
#pragma once

#include <string>
#include <string_view>

#include "settings/vu_ini_mng.h"

class QWidget;

namespace kestro {
inline namespace VuIniMng {

// A dynamic property that names a form's placement section, for a form whose
// meta-object does not carry its own class name.
inline constexpr char kFormClassProperty[] = "formClassName";

// The form's placement section: kFormClassProperty when set, otherwise its class
// name without namespaces ("TfrmZKmain").
std::string FormSectionName(const QWidget* form);

// The form's placement as the settings file stores it. Qt reports no minimised or
// maximised positions, so they are -1; the normal rectangle is the window's normal
// geometry, exclusive right and bottom, so that a restore puts it back exactly.
WindowPlacement QueryFormPlacement(const QWidget* form);

// Sets the form's normal geometry and, when the form is visible, its state:
// 2 minimised, 3 maximised, anything else normal. A hidden form only moves. A
// rectangle that no screen's available area shows is first moved into the
// nearest screen, its size kept (KeepReachable).
void ApplyFormPlacement(QWidget* form, const WindowPlacement& placement);

// Restores the parts of the form's placement stored in `section` of the settings
// file (GetIniFileName()); missing keys leave the form as it is, and a form that
// is not visible keeps its show state.
void LoadFormPlacement(QWidget* form, std::string_view section, PlacementParts parts);
void LoadFormPlacement(QWidget* form, std::string_view section);
void LoadFormPlacement(QWidget* form);

// Stores the form's placement (GetIniFileNameForSave(); nothing while the settings
// are read-only).
Result SaveFormPlacement(QWidget* form, std::string_view section);
Result SaveFormPlacement(QWidget* form);

}  // namespace VuIniMng
}  // namespace kestro
