// Kestro: starts the windows in their fixed order and runs until the main
// window closes; a second start in the same session brings the first forward. The program takes no
// option but -h/--help and --version.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_icon.h"
#include "app/main_window.h"
#include "app/placement_qt.h"
#include "app/session_end.h"
#include "app/single_instance.h"
#include "common/build_info.h"
#include "settings/vu_ini_mng.h"

namespace {

constexpr const char* kUsage =
    "usage: kestro [-h | --help | --version]\n"
    "\n"
    "Follows the game's monster races from its captured traffic (tcp port 5121)\n"
    "and shows their timetable. Capture runs through kestro-capture; see kestro(1).\n";

// Returns the exit status when the line asks for something other than the window.
int HandleOptions(int argc, char** argv) {
    if (argc < 2) {
        return -1;
    }
    const std::string_view option = argv[1];
    const bool help = option == "--help" || option == "-h";
    if (help && argc == 2) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (option == "--version" && argc == 2) {
        std::printf("kestro %s\n", kestro::kVersion);
        return 0;
    }
    const bool known = help || option == "--version";
    std::fprintf(stderr, "kestro: unknown option '%s'\n%s", argv[known ? 2 : 1], kUsage);
    return 2;
}

constexpr int kNoDisplay = 2;

[[noreturn]] void ExitWithoutDisplay(const std::string& why) {
    std::fprintf(stderr,
                 "kestro: no display found (%s); the window needs an X11 or Wayland desktop, "
                 "named by DISPLAY or WAYLAND_DISPLAY\n",
                 why.c_str());
    std::_Exit(kNoDisplay);
}

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

// Qt's own answer to a display it cannot reach is an abort with the advice to
// reinstall. While the application starts, its platform messages are kept and
// its fatal one becomes ours.
QtMessageHandler g_qtMessages = nullptr;
std::string g_platformWarning;

void StartupMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const std::string_view category = context.category != nullptr ? context.category : "";
    if (type == QtFatalMsg) {
        ExitWithoutDisplay(g_platformWarning.empty() ? "the platform plugin could not start"
                                                     : g_platformWarning);
    }
    if (category.starts_with("qt.qpa")) {
        if (g_platformWarning.empty()) {
            g_platformWarning = text.toStdString();
        }
        return;
    }
    g_qtMessages(type, context, text);
}

// Wayland lets a window neither learn nor choose its place, nor stay above the
// others, and Qt tries it first. Where the Wayland desktop also runs an X server
// (XWayland) X11 does all three, so it goes first, Wayland still behind it; a
// platform the player named stands.
std::vector<char*> QtArguments(int argc, char** argv) {
    static char platformOption[] = "-platform";
    static char x11First[] = "xcb;wayland";
    std::vector<char*> arguments(argv, argv + argc);
    if (!IsSet("QT_QPA_PLATFORM") && IsSet("DISPLAY") && IsSet("WAYLAND_DISPLAY")) {
        arguments.insert(arguments.begin() + 1, {platformOption, x11First});
    }
    arguments.push_back(nullptr);
    return arguments;
}

}  // namespace

int main(int argc, char** argv) {
    // Before Qt sees the line: Qt's own options are not Kestro's either.
    if (const int status = HandleOptions(argc, argv); status >= 0) {
        return status;
    }
    if (!IsSet("QT_QPA_PLATFORM") && !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) {
        ExitWithoutDisplay("neither DISPLAY nor WAYLAND_DISPLAY is set");
    }
    std::vector<char*> qtArguments = QtArguments(argc, argv);
    int qtArgc = static_cast<int>(qtArguments.size()) - 1;
    g_qtMessages = qInstallMessageHandler(StartupMessages);
    QApplication app(qtArgc, qtArguments.data());
    qInstallMessageHandler(g_qtMessages);
    kestro::SetWindowPlacesReported(kestro::PlatformReportsPlaces());
    QApplication::setApplicationName(QStringLiteral("Kestro"));
    kestro::InstallApplicationIcon();

    // One Kestro per session: a second start brings the first forward and ends.
    kestro::SingleInstance one(kestro::GetIniFileName());
    if (!one.BecomeTheOne()) {
        if (one.AskTheOneForward()) {
            return 0;
        }
        std::fputs("kestro: Kestro runs already in this session, but did not answer\n", stderr);
        return 1;
    }

    // Makes the other windows with it (app/desktop.h).
    kestro::TfrmZKmain frmZKmain;

    kestro::CloseOnSessionEnd(app, frmZKmain);
    // The program lives as long as its main window, not its last window: the
    // main window may be hidden in the tray while the log window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&frmZKmain, &kestro::TfrmZKmain::Closed, &app, &QApplication::quit);

    QObject::connect(&one, &kestro::SingleInstance::Asked, &frmZKmain,
                     [&frmZKmain] { frmZKmain.Shell().BringForward(); });

    frmZKmain.show();
    return app.exec();
}
