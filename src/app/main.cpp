// Kestro: starts the windows in their fixed order and runs until the main
// window closes. The program takes no option but --help and --version.
#include <QApplication>
#include <cstdio>
#include <string_view>

#include "app/about_dialog.h"
#include "app/app_icon.h"
#include "app/config_dialog.h"
#include "app/log_window.h"
#include "app/main_window.h"
#include "app/session_end.h"
#include "common/build_info.h"

namespace {

constexpr const char* kUsage =
    "usage: kestro [--help | --version]\n"
    "\n"
    "Follows the game's monster races from its captured traffic (tcp port 5121)\n"
    "and shows their timetable. Capture runs through kestro-capture; see kestro(1).\n";

// Returns the exit status when the line asks for something other than the window.
int HandleOptions(int argc, char** argv) {
    if (argc < 2) {
        return -1;
    }
    const std::string_view option = argv[1];
    if (option == "--help" && argc == 2) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (option == "--version" && argc == 2) {
        std::printf("kestro %s\n", kestro::kVersion);
        return 0;
    }
    const bool known = option == "--help" || option == "--version";
    std::fprintf(stderr, "kestro: unknown option '%s'\n%s", argv[known ? 2 : 1], kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Before Qt sees the line: Qt's own options are not Kestro's either.
    if (const int status = HandleOptions(argc, argv); status >= 0) {
        return status;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestro"));
    kestro::InstallApplicationIcon();

    kestro::TfrmZKmain frmZKmain;
    kestro::TfrmZKconfig frmZKconfig;
    kestro::TfrmZKlog frmZKlog;
    kestro::TfrmZKabout frmZKabout;
    frmZKmain.SetForms(&frmZKconfig, &frmZKlog, &frmZKabout);

    kestro::CloseOnSessionEnd(app, frmZKmain);

    frmZKmain.show();
    return app.exec();
}
