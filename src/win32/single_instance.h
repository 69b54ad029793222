// One Kestro per player's session, as on Linux: a mutex named in the
// session's own namespace (Local\) after the settings file says whether
// Kestro runs; a later start finds the running main window by a property it
// carries, posts it kBringForwardMessage, and ends.
#pragma once

#include <windows.h>

#include <string>

namespace kestro::win32 {

// The registered message a main window takes as "come forward".
inline constexpr wchar_t kBringForwardMessage[] = L"Kestro.BringForward";

class SingleInstance {
public:
    explicit SingleInstance(const std::string& settingsPath);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process is the one Kestro of the session.
    bool BecomeTheOne();
    // Marks `window` as the one a later start brings forward.
    void Mark(HWND window) const;
    // Asks the running one to come forward; true once the message is posted.
    // Waits a few seconds for a window still being made.
    bool AskTheOneForward() const;

private:
    std::wstring name_;
    HANDLE mutex_ = nullptr;
};

}  // namespace kestro::win32
