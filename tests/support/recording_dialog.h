// A settings dialog face without a toolkit: it runs the dialog's events in the
// order a real face does (show, the user, close) and writes down what it was
// asked, so that the dialog's rules are tested once, in the shell.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "shell/settings_dialog.h"

namespace kestro::test {

class RecordingDialogFace final : public SettingsDialogView {
public:
    explicit RecordingDialogFace(std::vector<std::string>& events) : events_(events) {}

    // What the user does while the dialog is up: reads what it shows and
    // changes the controls' values. True confirms (OK), false cancels.
    std::function<bool(SettingsDialog& dialog, ConfigDialogValues& controls)> user;
    // What the face last showed.
    std::vector<AdapterChoice> shownAdapters;
    ConfigDialogValues shownValues;

    bool RunModal(SettingsDialog& dialog, ConfigDialogValues& confirmed) override {
        events_.push_back("config");
        shownAdapters = dialog.Adapters();
        shownValues = dialog.Shown();
        ConfigDialogValues controls = dialog.Shown();
        dialog.FormShow();
        const bool ok = user ? user(dialog, controls) : true;
        if (ok) {
            confirmed = controls;
        }
        dialog.FormClose();
        return ok;
    }
    WindowPlacement QueryPlacement() const override { return placement; }
    void ApplyPlacement(const WindowPlacement& p) override {
        placement = p;
        events_.push_back("dialog place " + std::to_string(p.left) + "," + std::to_string(p.top));
    }
    std::vector<ScreenArea> ScreenAreas() const override { return screens; }

    WindowPlacement placement{0, kShowCmdNormal, -1, -1, -1, -1, 296, 217, 652, 741};
    std::vector<ScreenArea> screens;

private:
    std::vector<std::string>& events_;
};

}  // namespace kestro::test
