#include "support/recording_view.h"

#include <chrono>
#include <fstream>

#include "capture/adapters.h"
#include "settings/vu_ini_mng.h"

namespace kestro::test {

void ShellTest::SetUp() {
    ASSERT_TRUE(folder_.Ok());
    iniPath_ = folder_.Path("kestro.ini");
    VuIniMng::SetIniFileNameOverride(iniPath_);
}

void ShellTest::TearDown() {
    VuIniMng::SetIniFileNameOverride("");
}

void ShellTest::WriteIni(const std::string& text) {
    std::ofstream(iniPath_) << text;
}

KestroShell& ShellTest::Create(std::unique_ptr<ReplaySource> replay) {
    shell_ = std::make_unique<KestroShell>(view_.Faces(), std::make_unique<NullSoundPlayer>(),
                                           &clock_, std::move(replay));
    shell_->SetStepWatcher([this](std::string_view step) { view_.events.emplace_back(step); });
    return *shell_;
}

void ShellTest::DropAllInterfacesDevice(KestroShell& shell, bool keepDefaultRoute) {
    const std::string route = keepDefaultRoute ? "" : KernelDefaultRoute();
    shell.Snoop().SetAdapterReader([route](std::vector<AdapterInfo>& adapters) {
        const Result read = ReadAdapterInfo(false, adapters);
        // Windows' driver describes an adapter by the Linux name under Wine.
        std::erase_if(adapters, [&](const AdapterInfo& a) {
            return a.allInterfaces ||
                   (!route.empty() && (a.name == route || a.description == route));
        });
        return read;
    });
}

std::string ShellTest::KernelDefaultRoute() {
#ifdef _WIN32
    std::ifstream routes("Z:/proc/net/route");
#else
    std::ifstream routes("/proc/net/route");
#endif
    std::string line, iface, destination, gateway, flags, refs, use, metric, mask;
    std::getline(routes, line);
    std::string best;
    long bestMetric = -1;
    while (routes >> iface >> destination >> gateway >> flags >> refs >> use >> metric >> mask &&
           std::getline(routes, line)) {
        if (destination == "00000000" && mask == "00000000" &&
            (bestMetric < 0 || std::stol(metric) < bestMetric)) {
            best = iface;
            bestMetric = std::stol(metric);
        }
    }
    return best;
}

void ShellTest::ServeUntilInactive() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (shell_->Snoop().Active() && std::chrono::steady_clock::now() < deadline) {
        view_.RunPosted();
    }
}

void WinSinglesOn4(KestroShell& shell) {
    shell.Core().HandleTicketPurchase(0, '4', 0);
    shell.Core().HandleAnnouncement(
        Utf8ToCp932("モンスターレースシングルスがスタートします。皆様の幸運を祈ります。"));
    shell.Core().HandleAnnouncement(Utf8ToCp932("優勝モンスターは4番のモンスターです！"));
}

}  // namespace kestro::test
