#include "shell/capture_health.h"

#include <algorithm>
#include <cctype>

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

constexpr const char* kRemedyShort = "sudo scripts/setup-capture $USER";
constexpr const char* kRemedyLong =
    "キャプチャの権限がありません。sudo scripts/setup-capture $USER で kestro "
    "グループに加わり、ログインし直してください (または root で起動してください)";

}  // namespace

FirstAdapter ChooseFirstAdapter(Settings& settings, const TCustomSnoop& snoop) {
    if (settings.AdapterIndex != -1 || !settings.AdapterName.empty()) {
        return FirstAdapter::AlreadyChosen;
    }
    const int32_t any = snoop.AllInterfacesAdapterIndex();
    if (any < 0) {
        return FirstAdapter::NoneToChooseFrom;
    }
    // Kept as the choice, so that the dialog shows it and the next start uses it.
    settings.AdapterIndex = any;
    settings.AdapterName = snoop.AdapterNames()[static_cast<size_t>(any)];
    return FirstAdapter::AllInterfaces;
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

CaptureNotice AllInterfacesNotice(const std::string& device) {
    return {"全インターフェース (" + device + ") でキャプチャ中",
            "アダプタが未設定のため、全インターフェース (" + device +
                ") でキャプチャします。右クリック → Config... で変更できます"};
}

CaptureNotice CapturingOnNotice(const std::string& device) {
    const std::string message = device + " でキャプチャ中";
    return {message, message};
}

CaptureNotice OpenFailureNotice(const std::string& device, const std::string& error) {
    const std::string logLine = device + " でキャプチャを開始できません: " + error;
    if (IsPermissionRefusal(error)) {
        return {device + ": 権限不足 → " + kRemedyShort, logLine + "。" + kRemedyLong};
    }
    return {device + " を開けません: " + error, logLine};
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
