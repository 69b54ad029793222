#include "shell/capture_health.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/process.h"
#include "shell/adapter_choices.h"

namespace kestro {

namespace {

// libpcap, the kernel and the capture helper each word a refused capture
// their own way; all of them are cured the same way.
bool IsPermissionRefusal(std::string error) {
    std::transform(error.begin(), error.end(), error.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* mark : {"permission", "not permitted", "cap_net_raw"}) {
        if (error.find(mark) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// A path as one word of a command line: quoted when it holds anything a shell
// would read otherwise.
std::string ShellWord(const std::string& text) {
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || std::strchr("/._+-", c) != nullptr;
    });
    if (plain) {
        return text;
    }
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// The set-up script decides where the capability may go: on the helper where
// only root can change it, else on a copy of root's. A grant named here on the
// helper's own path would hand it to whoever owns that file. The build tree
// keeps the script; an install keeps it on root's command path.
std::string SetupCommand(const RemedyFacts& facts) {
    const char* script =
        facts.install == InstallKind::BuildTree ? "scripts/setup-capture" : "kestro-setup-capture";
    return std::string("sudo ") + script + " --helper " + ShellWord(facts.helperPath) + " $USER";
}

// The cure for a refused capture: the status line's short form and the log's.
CaptureNotice Remedy(const RemedyFacts& facts) {
    const std::string& group = facts.group.name;
    if (facts.group.listed && !facts.group.inThisLogin) {
        return {"ログインし直してください",
                group +
                    " グループには加わっていますが、このログインにはまだ含まれていません。"
                    "ログアウトしてログインし直してください"};
    }
    const bool build = facts.install == InstallKind::BuildTree;
    const std::string setup = SetupCommand(facts);
    if (!facts.group.listed) {
        const std::string join = build ? setup : "sudo adduser $USER " + group;
        return {join, "キャプチャの権限がありません。" + join + " で " + group +
                          " グループに加わり、ログインし直してください (または root "
                          "で起動してください)"};
    }
    // In the group, and refused all the same: the helper lacks its capability
    // (a build tree drops it at each link).
    if (build) {
        return {setup, "kestro-capture にキャプチャの権限がありません。" + setup +
                           " で与え直してください (ビルドし直すたびに必要です)"};
    }
    return {setup, "kestro-capture にキャプチャの権限がありません。" + setup + " で与えてください"};
}

std::string RetryNote(int retrySeconds) {
    return retrySeconds > 0 ? " (" + std::to_string(retrySeconds) + " 秒ごとに開き直します)" : "";
}

}  // namespace

FirstAdapter ChooseFirstAdapter(Settings& settings, const TCustomSnoop& snoop,
                                const std::function<std::string()>& defaultRoute) {
    if (settings.AdapterIndex != -1 || !settings.AdapterName.empty()) {
        return FirstAdapter::AlreadyChosen;
    }
    FirstAdapter found = FirstAdapter::AllInterfaces;
    int32_t index = snoop.AllInterfacesAdapterIndex();
    if (index < 0) {
        found = FirstAdapter::DefaultRoute;
        index = AdapterIndexOfInterface(snoop.Adapters(), defaultRoute());
    }
    if (index < 0) {
        return FirstAdapter::NoneToChooseFrom;
    }
    // Kept as the choice, so that the dialog shows it and the next start uses it.
    settings.AdapterIndex = index;
    settings.AdapterName = snoop.AdapterNames()[static_cast<size_t>(index)];
    return found;
}

int32_t AdapterIndexOfInterface(const std::vector<AdapterInfo>& adapters, std::string_view iface) {
    if (iface.empty()) {
        return -1;
    }
    const auto sameText = [](std::string_view a, std::string_view b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return std::tolower(static_cast<unsigned char>(x)) ==
                   std::tolower(static_cast<unsigned char>(y));
        });
    };
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        const std::string_view name = adapters[i].name;
        // The driver names a Windows adapter "\Device\NPF_" and its GUID.
        const std::size_t tail = name.size() > iface.size() ? name.size() - iface.size() : 0;
        const bool devicePath = name.rfind("\\Device\\", 0) == 0 && tail > 0 &&
                                name[tail - 1] == '_' && sameText(name.substr(tail), iface);
        if ((devicePath || sameText(name, iface)) && IsUsableAdapter(adapters[i])) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

std::string DeviceLabel(const TCustomSnoop& snoop, const Settings& settings) {
    const int32_t index = snoop.AdapterIndex();
    if (index >= 0 && static_cast<std::size_t>(index) < snoop.Adapters().size()) {
        return ShortAdapterName(snoop.Adapters()[static_cast<std::size_t>(index)]);
    }
    if (!snoop.AdapterName().empty()) {
        return snoop.AdapterName();
    }
    return "アダプタ " + std::to_string(settings.AdapterIndex);
}

CaptureNotice ChooseAdapterNotice() {
    return {"右クリック → Config... でアダプタを選んでください",
            "アダプタが未設定です。右クリック → Config... "
            "でキャプチャするアダプタを選んでください"};
}

CaptureNotice MissingDriverNotice() {
    return {"キャプチャドライバがありません → Npcap をインストールしてください",
            "キャプチャドライバ (wpcap.dll) を読み込めません。Npcap (https://npcap.com/) "
            "をインストールしてください (WinPcap 互換モードでなくても使えます)"};
}

CaptureNotice AllInterfacesNotice(const std::string& device) {
    return {"全インターフェース (" + device + ") でキャプチャ中",
            "アダプタが未設定のため、全インターフェース (" + device +
                ") でキャプチャします。右クリック → Config... で変更できます"};
}

CaptureNotice DefaultRouteNotice(const std::string& device) {
    return {device + " でキャプチャ中 (インターネット側のアダプタ)",
            "アダプタが未設定のため、インターネットへの経路のアダプタ " + device +
                " でキャプチャします。右クリック → Config... で変更できます"};
}

CaptureNotice CapturingOnNotice(const std::string& device) {
    const std::string message = device + " でキャプチャ中";
    return {message, message};
}

InstallKind ThisInstallKind() {
    std::filesystem::path folder = platform::PathFromUtf8(platform::ExecutablePath()).parent_path();
    for (int up = 0; up < 4 && !folder.empty(); ++up, folder = folder.parent_path()) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(folder / "CMakeCache.txt", ec)) {
            return InstallKind::BuildTree;
        }
        if (folder == folder.root_path()) {
            break;
        }
    }
    return InstallKind::Installed;
}

CaptureNotice OpenFailureNotice(const std::string& device, const std::string& reason,
                                const RemedyFacts& remedy, int retrySeconds) {
    const std::string logLine = device + " でキャプチャを開始できません: " + reason;
    if (IsPermissionRefusal(reason)) {
        const CaptureNotice cure = Remedy(remedy);
        return {device + ": 権限不足 → " + cure.status,
                logLine + "。" + cure.log + RetryNote(retrySeconds)};
    }
    return {device + " を開けません: " + reason, logLine + RetryNote(retrySeconds)};
}

CaptureNotice MissingAdapterNotice(const std::string& name, int retrySeconds) {
    return {name + " が見つかりません", "設定のアダプタ " + name + " が見つかりません。" +
                                            std::to_string(retrySeconds) +
                                            " 秒ごとに探し、現れたらキャプチャを始めます"};
}

CaptureNotice StartedNotice(const std::string& device) {
    const std::string message = device + " でキャプチャを開始しました";
    return {message, message};
}

CaptureNotice StoppedNotice(const std::string& device, const std::string& reason,
                            int reopenSeconds) {
    const std::string message = device + " のキャプチャが止まりました: " + reason;
    return {message, message + " (" + std::to_string(reopenSeconds) + " 秒ごとに開き直します)"};
}

CaptureNotice ResumedNotice(const std::string& device) {
    const std::string message = device + " でキャプチャを再開しました";
    return {message, message};
}

CaptureNotice LostFramesNotice(const std::string& device, const DropCounts& lost) {
    const std::string message = device + ": 前回の報告から " + std::to_string(lost.Total()) +
                                " フレームを取りこぼしました (カーネル " +
                                std::to_string(lost.kernel) + ", アダプタ " +
                                std::to_string(lost.adapter) + ")";
    return {message, message};
}

}  // namespace kestro
