#include <QLocale>
#include <QString>

#include "platform/locale.h"

namespace kestro::platform {

std::string ThousandsSeparator() {
    return QLocale::system().groupSeparator().toStdString();
}

}  // namespace kestro::platform
