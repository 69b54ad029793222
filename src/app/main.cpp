// Kestro: starts the windows in their fixed order and runs until the main
// window closes.
#include <QApplication>

#include "app/about_dialog.h"
#include "app/log_window.h"
#include "app/main_window.h"
#include "settings/ui/config_dialog.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestro"));

    kestro::TfrmZKmain frmZKmain;
    kestro::TfrmZKconfig frmZKconfig;
    kestro::TfrmZKlog frmZKlog;
    kestro::TfrmZKabout frmZKabout;
    frmZKmain.SetForms(&frmZKconfig, &frmZKlog, &frmZKabout);

    frmZKmain.show();
    return app.exec();
}
