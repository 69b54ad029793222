// The Qt face's windows as the program makes them, for a test with its
// settings file in a temporary folder: the main window (`Main`: TfrmZKmain or
// a window built on it), which makes the settings dialog, the log and the
// about window with it. No sound is played; each message box is written down
// instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QString>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/about_dialog.h"
#include "app/config_dialog.h"
#include "app/log_window.h"
#include "app/main_window.h"
#include "notify/sound_player.h"
#include "settings/vu_ini_mng.h"
#include "support/qt_app.h"
#include "support/temp_folder.h"

namespace kestro::test {

template <typename Main>
struct Forms {
    // `args` are the main window's own, before its error box.
    template <typename... Args>
    explicit Forms(TfrmZKmain::ErrorBox errorBox, Args&&... args)
        : main(std::forward<Args>(args)..., std::move(errorBox),
               std::make_unique<NullSoundPlayer>()),
          config(main.Windows().Config()),
          log(main.Windows().Log()),
          about(main.Windows().About()) {}

    Main main;
    TfrmZKconfig& config;
    TfrmZKlog& log;
    TfrmZKabout& about;
};

template <typename Main>
class FormsTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        ASSERT_TRUE(dir_.Ok());
        iniPath_ = dir_.Path("kestro.ini");
        VuIniMng::SetIniFileNameOverride(iniPath_);
    }
    void TearDown() override {
        forms_.reset();
        VuIniMng::SetIniFileNameOverride("");
    }

    // `args` are the main window's own, before its error box.
    template <typename... Args>
    Main& CreateForms(Args&&... args) {
        forms_ = std::make_unique<Forms<Main>>(
            [this](const QString& title, const QString& text) {
                errors_.emplace_back(title, text);
            },
            std::forward<Args>(args)...);
        return forms_->main;
    }
    QString LogText() const { return forms_->log.Memo()->toPlainText(); }

    TempFolder dir_;
    std::string iniPath_;
    // Each message box: its title and text.
    std::vector<std::pair<QString, QString>> errors_;
    std::unique_ptr<Forms<Main>> forms_;
};

}  // namespace kestro::test
