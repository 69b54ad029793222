// The settings dialog in Win32: the capture adapter, the master sound switch
// and, per event, its switch and WAV file, with a button that plays the file
// being edited. It edits the settings in memory; the main window writes them
// when it closes.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "capture/adapters.h"
#include "notify/sound_player.h"
#include "settings/config_layout.h"
#include "settings/settings.h"
#include "win32/ui.h"

namespace kestro::win32 {

class TfrmZKconfig final : public PixelDialog {
public:
    static constexpr const char* kSection = "TfrmZKconfig";
    enum ControlId : int {
        cboAdapter = 100,
        chkSoundEnabled,
        grpSound,
        btnTestServerMessage,
        kRowCheckBase = 200,  // + row
        kRowEditBase = 300,   // + row
    };
    using ErrorBox = std::function<void(const std::string& text)>;

    // errorBox: empty gives a modal error box titled "Kestro".
    explicit TfrmZKconfig(ErrorBox errorBox = {});
    ~TfrmZKconfig() override;

    // Where the adapter list comes from, read afresh each time the dialog opens;
    // list index = adapter index.
    using AdapterSource = std::function<std::vector<AdapterChoice>()>;
    void SetAdapterSource(AdapterSource source) { adapterSource_ = std::move(source); }

    // Copies `settings` into the controls, runs the dialog modally and, on OK,
    // stores the adapter, calls `applyAdapter`, then stores the sound settings.
    // True when the user confirmed with OK.
    bool RunSettingsDialog(HWND owner, Settings& settings, SoundPlayer& player,
                           const std::function<void()>& applyAdapter);

private:
    struct Values {
        int adapterIndex = -1;
        bool soundEnabled = false;
        std::array<SoundEventSetting, kConfigDialogRowCount> rows{};
    };

    void OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void BuildControls();
    void CopyIn();
    Values CopyOut() const;
    void FormShow();
    void FormClose();
    void btnTestServerMessageClick();

    ErrorBox errorBox_;
    AdapterSource adapterSource_;
    std::vector<AdapterChoice> adapters_;
    Values shown_;
    // What each edit box read when first shown: a box left alone gives back the
    // path it was given, also where the code page cannot show it exactly.
    std::array<std::string, kConfigDialogRowCount> shownText_{};
    Values confirmed_;
    SoundPlayer* player_ = nullptr;
    bool saveFormSize_ = true;
    HFONT font_ = nullptr;
    HBITMAP playPicture_ = nullptr;
};

}  // namespace kestro::win32
