// Kestro's icon, in every size the desktop may ask for.
#pragma once

#include <QIcon>

namespace kestro {

QIcon KestroIcon();

// Every window of the application, message boxes included, shows the icon.
void InstallApplicationIcon();

}  // namespace kestro
