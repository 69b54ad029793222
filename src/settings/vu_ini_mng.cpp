#include "settings/vu_ini_mng.h"

#include <filesystem>
#include <limits>
#include <mutex>
#include <system_error>
#include <utility>

#include "platform/files.h"
#include "platform/process.h"

namespace kestro {
inline namespace VuIniMng {

namespace {

std::mutex g_overrideMutex;
std::string g_override;
bool g_readOnly = false;

// Right and bottom follow left and top by the window's size; stored edges far out
// must not overflow the sum.
int32_t SaturatedSum(int32_t a, int32_t b) {
    const int64_t sum = static_cast<int64_t>(a) + b;
    if (sum > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (sum < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(sum);
}

}  // namespace

std::string IniFileNameFor(std::string_view exePath) {
    const std::size_t slash = exePath.find_last_of(platform::PathSeparators());
    const std::size_t dot = exePath.rfind('.');
    const bool hasExtension =
        dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
    std::string name(hasExtension ? exePath.substr(0, dot) : exePath);
    name += ".ini";
    return name;
}

bool InBuildTree(const std::string& exeFolder) {
    std::error_code ec;
    std::filesystem::path folder = platform::PathFromUtf8(exeFolder).lexically_normal();
    for (;;) {
        if (std::filesystem::is_regular_file(folder / "CMakeCache.txt", ec)) {
            return true;
        }
        if (!folder.has_relative_path()) {
            return false;  // the root, or a relative path used up
        }
        folder = folder.parent_path();
    }
}

SettingsPlace SettingsPlaceFor(const std::string& exePath, bool createFolder) {
    const std::string beside = IniFileNameFor(exePath);
    const std::size_t slash = exePath.find_last_of(platform::PathSeparators());
    const std::string folder = slash == std::string::npos ? "." : exePath.substr(0, slash + 1);
    const auto exists = [](const std::string& path) {
        std::error_code ec;
        return std::filesystem::exists(platform::PathFromUtf8(path), ec);
    };
    if (InBuildTree(folder) || exists(beside)) {
        return {beside, {}};
    }
    const std::string folderOfUser = platform::UserSettingsFolder();
    if (folderOfUser.empty()) {
        // Nowhere of the user's own to go: keep the program's file, whose save
        // then reports that it cannot be written.
        return {beside, {}};
    }
    const std::size_t nameStart = beside.find_last_of(platform::PathSeparators());
    const std::string perUser =
        folderOfUser + platform::PathSeparators().back() +
        (nameStart == std::string::npos ? beside : beside.substr(nameStart + 1));
    std::string note;
    if (platform::SettingsBesideWritableProgram()) {
        // A file of the user's own, once there, is read before a new one is
        // started beside the program (an installed copy after an upgrade).
        if (exists(perUser)) {
            note = "設定ファイル: " + perUser;
        } else if (platform::FolderTakesNewFiles(folder)) {
            return {beside, {}};
        } else {
            note = "プログラムのフォルダ " +
                   exePath.substr(0, slash == std::string::npos ? 0 : slash) +
                   " に書き込めないため、設定を " + perUser + " に保存します";
        }
    }
    if (createFolder) {
        // A failure shows up as the save's own error, naming the file.
        std::error_code ignored;
        std::filesystem::create_directories(platform::PathFromUtf8(folderOfUser), ignored);
    }
    return {perUser, note};
}

std::string SettingsFileFor(const std::string& exePath, bool createFolder) {
    return SettingsPlaceFor(exePath, createFolder).path;
}

std::string SettingsFileNote() {
    {
        std::lock_guard<std::mutex> lock(g_overrideMutex);
        if (g_readOnly || !g_override.empty()) {
            return {};
        }
    }
    return SettingsPlaceFor(platform::ExecutablePath()).note;
}

std::string GetIniFileName() {
    {
        std::lock_guard<std::mutex> lock(g_overrideMutex);
        if (g_readOnly || !g_override.empty()) {
            return g_override;
        }
    }
    return SettingsFileFor(platform::ExecutablePath());
}

std::string GetIniFileNameForSave() {
    {
        std::lock_guard<std::mutex> lock(g_overrideMutex);
        if (g_readOnly) {
            return std::string();
        }
        if (!g_override.empty()) {
            return g_override;
        }
    }
    return SettingsFileFor(platform::ExecutablePath(), true);
}

void SetIniFileNameOverride(std::string path) {
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    g_override = std::move(path);
    g_readOnly = false;
}

void SetIniFileReadOnly(std::string path) {
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    g_override = std::move(path);
    g_readOnly = true;
}

bool IniFileIsReadOnly() {
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    return g_readOnly;
}

bool ReadIniBool(const std::string& iniPath, std::string_view section, std::string_view key,
                 bool defaultValue) {
    return IniFile::Load(iniPath).ReadBool(section, key, defaultValue);
}

bool ReadIniBool(std::string_view section, std::string_view key, bool defaultValue) {
    return ReadIniBool(GetIniFileName(), section, key, defaultValue);
}

WindowPlacement ReadPlacement(const IniFile& ini, std::string_view section, PlacementParts parts,
                              const WindowPlacement& current, int32_t currentWidth,
                              int32_t currentHeight) {
    WindowPlacement p = current;
    auto read = [&](std::size_t keyIndex, int32_t& field) {
        field = ini.ReadInteger(section, kPlacementKeys[keyIndex], field);
    };
    if (parts & ppShowCmd) {
        read(0, p.flags);
        read(1, p.showCmd);
    }
    if (parts & ppMinMaxPos) {
        read(2, p.minX);
        read(3, p.minY);
        read(4, p.maxX);
        read(5, p.maxY);
    }
    read(6, p.left);
    read(7, p.top);
    if (parts & ppNormalPos) {
        read(8, p.right);
        read(9, p.bottom);
    } else {
        p.right = SaturatedSum(p.left, currentWidth);
        p.bottom = SaturatedSum(p.top, currentHeight);
    }
    return p;
}

bool WritePlacement(IniFile& ini, std::string_view section, const WindowPlacement& placement) {
    const std::array<int32_t, 10> values = {
        placement.flags, placement.showCmd, placement.minX, placement.minY,  placement.maxX,
        placement.maxY,  placement.left,    placement.top,  placement.right, placement.bottom,
    };
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!ini.WriteInteger(section, kPlacementKeys[i], values[i])) {
            return false;
        }
    }
    return true;
}

std::string CannotWriteMessage(const std::string& iniPath) {
    return iniPath + " に書き込めません";
}

Result SavePlacement(const std::string& iniPath, std::string_view section,
                     const WindowPlacement& placement, int32_t dpi) {
    IniFile ini;
    if (Result loaded = IniFile::LoadForUpdate(iniPath, ini); !loaded) {
        return loaded.Telling(CannotWriteMessage(iniPath));
    }
    if (!WritePlacement(ini, section, placement) ||
        (dpi > 0 && !ini.WriteInteger(section, kPlacementDpiKey, dpi))) {
        return Result::Failure(CannotWriteMessage(iniPath), "invalid section name");
    }
    return ini.Save(iniPath).Telling(CannotWriteMessage(iniPath));
}

}  // namespace VuIniMng
}  // namespace kestro
