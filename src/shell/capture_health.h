// The capture's health as the user sees it: the adapter taken when none was
// ever chosen, when a capture that is down is tried again, and what the status
// line and the log say about a capture that started, failed or stopped, with
// the cure for a refused one. No toolkit; texts are UTF-8.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/drop_counts.h"
#include "capture/snoop.h"
#include "platform/helper_process.h"
#include "settings/settings.h"

namespace kestro {

// What the status line shows (the essential first: the panel is 353 pixels
// wide; empty: the status line is left as it is) and the fuller line the log
// keeps beside it.
struct CaptureNotice {
    std::string status;
    std::string log;
};

// With no adapter ever chosen, the device that captures on every interface
// needs no choice at all; where the platform has none (Windows), the adapter
// that carries the default route is where the game's traffic goes.
enum class FirstAdapter {
    AlreadyChosen,    // the settings name an adapter (or an index): nothing to choose
    AllInterfaces,    // the all-interfaces device, now kept in `settings` as the choice
    DefaultRoute,     // the default route's adapter, now kept in `settings` as the choice
    NoneToChooseFrom  // neither is listed: the user must choose
};
// `defaultRoute`: the system's name for the default route's interface
// (platform::DefaultRouteInterface), asked only when needed.
FirstAdapter ChooseFirstAdapter(Settings& settings, const TCustomSnoop& snoop,
                                const std::function<std::string()>& defaultRoute);

// The listed adapter that is `iface` (a system's name for it, see
// platform::DefaultRouteInterface): named so, or, on Windows, a device path
// that ends in it ("\Device\NPF_{GUID}"); GUIDs in either case. Only an adapter
// that can carry the game's traffic; -1 when none is.
int32_t AdapterIndexOfInterface(const std::vector<AdapterInfo>& adapters, std::string_view iface);

// The device as the user chose it: its name, else its position in the list.
std::string DeviceLabel(const TCustomSnoop& snoop, const Settings& settings);

CaptureNotice ChooseAdapterNotice();
// No capture driver (wpcap.dll) could be loaded: what to install. The loader
// looks in the system folder and in Npcap's own, so either install mode does.
CaptureNotice MissingDriverNotice();
CaptureNotice AllInterfacesNotice(const std::string& device);
CaptureNotice DefaultRouteNotice(const std::string& device);
// The capture moved to the adapter just chosen.
CaptureNotice CapturingOnNotice(const std::string& device);
// How this Kestro was installed, which decides the cure for a refused capture:
// the package and `cmake --install` ship no scripts, a build tree has them.
enum class InstallKind { Installed, BuildTree };
// A build tree keeps CMake's cache a few folders above its programs.
InstallKind ThisInstallKind();

// What the cure for a refused capture depends on.
struct RemedyFacts {
    InstallKind install = InstallKind::Installed;
    platform::HelperGroup group;  // who may run the helper, and this user's standing
    std::string helperPath;
};

// The device did not open, and the capture component said why (`reason`). A
// refused capture names the cure that fits `remedy`. With `retrySeconds` > 0
// the log says that it is tried again.
CaptureNotice OpenFailureNotice(const std::string& device, const std::string& reason,
                                const RemedyFacts& remedy, int retrySeconds = 0);
// The settings name an adapter that is not there; it is looked for again
// every `retrySeconds`.
CaptureNotice MissingAdapterNotice(const std::string& name, int retrySeconds);
// A capture began: the status line may still say why it had not.
CaptureNotice StartedNotice(const std::string& device);
// A capture that ended by itself, tried again every `reopenSeconds`.
CaptureNotice StoppedNotice(const std::string& device, const std::string& reason,
                            int reopenSeconds);
CaptureNotice ResumedNotice(const std::string& device);
// Frames the capture lost since the report before (`lost`).
CaptureNotice LostFramesNotice(const std::string& device, const DropCounts& lost);

// Ticks of the one-second timer between two tries to reopen a capture that is down.
class ReopenSchedule {
public:
    static constexpr int kTicks = 5;

    void Restart() { ticks_ = 0; }
    // One tick; true when a try is due (and the count starts again).
    bool Tick() {
        if (++ticks_ < kTicks) {
            return false;
        }
        ticks_ = 0;
        return true;
    }

private:
    int ticks_ = 0;
};

// A frame the kernel or the adapter lost may have held an announcer line, so
// the user hears of it: what was lost since the report before, at most once
// every kTicks ticks, so that a flood does not fill the status line and the log.
class DropReport {
public:
    static constexpr int kTicks = 5;

    // A capture opened: its counts start at zero, and its first loss is told at once.
    void Restart() {
        reported_ = {};
        ticks_ = kTicks;
    }
    // One tick with the capture's counts so far: what was lost since the last
    // report, when a report is due. Counts that go back are not believed.
    std::optional<DropCounts> Tick(const DropCounts& counts) {
        if (++ticks_ < kTicks || counts.kernel < reported_.kernel ||
            counts.adapter < reported_.adapter || counts == reported_) {
            return std::nullopt;
        }
        const DropCounts lost{counts.kernel - reported_.kernel, counts.adapter - reported_.adapter};
        reported_ = counts;
        ticks_ = 0;
        return lost;
    }

private:
    DropCounts reported_;
    int ticks_ = kTicks;
};

}  // namespace kestro
