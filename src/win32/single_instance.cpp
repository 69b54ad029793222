#include "win32/single_instance.h"

#include <cwctype>
#include <functional>

namespace kestro::win32 {

namespace {

constexpr DWORD kAskForMs = 5000;

struct Search {
    const std::wstring* property;
    HWND found = nullptr;
};

BOOL CALLBACK FindMarked(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    if (GetPropW(window, search->property->c_str()) != nullptr) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

SingleInstance::SingleInstance(const std::string& settingsPath) {
    // Windows names a file in any case: C:\Kestro and c:\kestro are one folder.
    std::string folded = settingsPath;
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    wchar_t hex[17] = {};
    swprintf(hex, 17, L"%016llx",
             static_cast<unsigned long long>(std::hash<std::string>{}(folded)));
    name_ = L"Kestro-" + std::wstring(hex);
}

SingleInstance::~SingleInstance() {
    if (mutex_ != nullptr) {
        CloseHandle(mutex_);
    }
}

bool SingleInstance::BecomeTheOne() {
    mutex_ = CreateMutexW(nullptr, FALSE, (L"Local\\" + name_).c_str());
    if (mutex_ == nullptr) {
        return true;  // nothing to hold: better one Kestro too many than none
    }
    return GetLastError() != ERROR_ALREADY_EXISTS;
}

void SingleInstance::Mark(HWND window) const {
    SetPropW(window, name_.c_str(), reinterpret_cast<HANDLE>(1));
}

bool SingleInstance::AskTheOneForward() const {
    const UINT message = RegisterWindowMessageW(kBringForwardMessage);
    const ULONGLONG until = GetTickCount64() + kAskForMs;
    do {
        Search search{&name_};
        EnumWindows(FindMarked, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            // The running one may take the foreground: the player asked for it.
            DWORD process = 0;
            GetWindowThreadProcessId(search.found, &process);
            AllowSetForegroundWindow(process);
            return PostMessageW(search.found, message, 0, 0) != FALSE;
        }
        Sleep(100);
    } while (GetTickCount64() < until);
    return false;
}

}  // namespace kestro::win32
