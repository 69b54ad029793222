// What Explorer shows of each program: its icon at every size the shell asks
// for, its version information with the copyright, and its manifest.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace {

const char* const kPrograms[] = {KESTRO_BINARY_DIR "/src/win32/kestro.exe",
                                 KESTRO_BINARY_DIR "/src/win32/kestro-replay.exe"};

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// A string of the version information's English block; empty when missing.
std::wstring VersionString(const std::vector<char>& info, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || length == 0) {
        return {};
    }
    return std::wstring(static_cast<const wchar_t*>(value));
}

#pragma pack(push, 2)
struct IconDirEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct IconDir {
    WORD reserved, type, count;
    IconDirEntry entries[1];
};
#pragma pack(pop)

TEST(ProgramResources, EachProgramHasItsIconVersionInformationAndManifest) {
    for (const char* program : kPrograms) {
        SCOPED_TRACE(program);
        const std::wstring path = Wide(program);
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        ASSERT_GT(size, 0u) << "no version information";
        std::vector<char> info(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
        const std::string name = std::string(program).substr(std::string(program).rfind('/') + 1);
        const struct {
            const wchar_t* key;
            std::wstring expected;  // empty: any text
        } strings[] = {
            {L"ProductName", L"Kestro"},
            {L"OriginalFilename", Wide(name)},
            {L"LegalCopyright", L"Copyright (c) 2026 The Kestro developers. MIT License."},
            {L"CompanyName", L"The Kestro developers"},
            {L"FileDescription", L""},
            {L"FileVersion", L""},
        };
        for (const auto& s : strings) {
            const std::wstring value = VersionString(info, s.key);
            EXPECT_FALSE(value.empty()) << "no " << std::string(s.key, s.key + wcslen(s.key));
            if (!s.expected.empty()) {
                EXPECT_EQ(value, s.expected);
            }
        }

        const HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr);
        constexpr WORD kManifest = 24, kIconGroup = 14;  // RT_MANIFEST, RT_GROUP_ICON
        const HRSRC manifest =
            FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(kManifest));
        ASSERT_NE(manifest, nullptr) << "no manifest";
        const std::string text(
            static_cast<const char*>(LockResource(LoadResource(module, manifest))),
            SizeofResource(module, manifest));
        EXPECT_NE(text.find("supportedOS"), std::string::npos);
        EXPECT_NE(text.find("<assemblyIdentity type=\"win32\" name=\"Kestro."), std::string::npos);

        // The icon group: one image for each size Explorer and the task bar use.
        const HRSRC group =
            FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(kIconGroup));
        ASSERT_NE(group, nullptr) << "no icon";
        const auto* dir = static_cast<const IconDir*>(LockResource(LoadResource(module, group)));
        std::set<int> sizes;
        for (WORD i = 0; i < dir->count; ++i) {
            sizes.insert(dir->entries[i].width == 0 ? 256 : dir->entries[i].width);
        }
        EXPECT_EQ(sizes, (std::set<int>{16, 24, 32, 48, 256}));
        FreeLibrary(module);
    }
}

}  // namespace
