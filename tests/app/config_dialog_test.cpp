// The settings dialog as Qt draws it: the controls give back exactly what
// they were given, the focus and the test button, the greyed lines, the
// geometry. What the dialog decides is tested once, in the shell.
#include "app/config_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "settings/vu_ini_mng.h"
#include "support/qt_app.h"
#include "support/recorders.h"
#include "support/temp_folder.h"

namespace kestro {
namespace {

using test::TempFolder;

// Settings unlike the defaults in every field the dialog could touch.
Settings SampleSettings() {
    Settings s;
    s.OpenCount = 5;
    s.SaveFormSize = true;
    s.RealtimeUpdate = true;
    s.LogLevel = 3;
    s.AdapterIndex = 1;
    s.AdapterName = "lo";
    s.SoundEnabled = true;
    for (int i = 0; i < kSoundEventCount; ++i) {
        s.Sounds[i].Enabled = i % 2 == 0;
        s.Sounds[i].Sound = "/snd/event" + std::to_string(i) + ".wav";
    }
    // Paths as a user might have them: unexpanded, blank-padded, empty, and one
    // in a legacy encoding (CP932 bytes, not UTF-8).
    s.Sound(SoundEvent::ServerMessage).Sound = "%SystemRoot%\\Media\\notify.wav";
    s.Sound(SoundEvent::RaceStart).Sound = "  /snd/start.wav  ";
    s.Sound(SoundEvent::ResultDefeat).Sound = "";
    s.Sound(SoundEvent::ResultNeedCheck).Sound = "C:\\\x83\x54\x83\x45\x83\x93\x83\x68.wav";
    return s;
}

void ExpectSameSettings(const Settings& actual, const Settings& expected) {
    EXPECT_EQ(actual.OpenCount, expected.OpenCount);
    EXPECT_EQ(actual.SaveFormSize, expected.SaveFormSize);
    EXPECT_EQ(actual.RealtimeUpdate, expected.RealtimeUpdate);
    EXPECT_EQ(actual.LogLevel, expected.LogLevel);
    EXPECT_EQ(actual.Debug, expected.Debug);
    EXPECT_EQ(actual.AdapterIndex, expected.AdapterIndex);
    EXPECT_EQ(actual.AdapterName, expected.AdapterName);
    EXPECT_EQ(actual.SoundEnabled, expected.SoundEnabled);
    for (int i = 0; i < kSoundEventCount; ++i) {
        const std::string_view stem = SoundEventInfoOf(static_cast<SoundEvent>(i)).stem;
        EXPECT_EQ(actual.Sounds[i].Enabled, expected.Sounds[i].Enabled) << stem;
        EXPECT_EQ(actual.Sounds[i].Sound, expected.Sounds[i].Sound) << stem;
    }
}

class ConfigDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::TestApp();
        ASSERT_TRUE(folder_.Ok());
        iniPath_ = folder_.Path("kestro.ini");
        SetIniFileNameOverride(iniPath_);
        dialog_ = std::make_unique<TfrmZKconfig>();
    }
    void TearDown() override {
        dialog_.reset();
        SetIniFileNameOverride("");
    }

    // Runs the dialog on `settings`; `whileOpen` acts as the user once the dialog
    // is up and must close it. A dialog left open is rejected after a while, so a
    // fault shows as a failure rather than a hang.
    bool Run(Settings& settings, const std::function<void(TfrmZKconfig&)>& whileOpen) {
        bool closedByTest = true;
        QTimer::singleShot(0, dialog_.get(), [&] {
            whileOpen(*dialog_);
            if (dialog_->isVisible()) {
                closedByTest = false;
                dialog_->reject();
            }
        });
        // A refused write is the shell's to report (its tests).
        SettingsDialog model(*dialog_, player_, {});
        const bool ok = model.Run(settings, adapters_, [&] { ++applyCalls_; });
        EXPECT_TRUE(closedByTest) << "the dialog was still open";
        return ok;
    }

    template <typename T>
    T* Find(const char* name) {
        T* found = dialog_->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    int32_t PlacementKey(const char* key) {
        return IniFile::Load(iniPath_).ReadInteger("TfrmZKconfig", key, -99999);
    }

    TempFolder folder_;
    std::string iniPath_;
    std::unique_ptr<TfrmZKconfig> dialog_;
    test::Recorder rec_;
    test::RecordingPlayer player_{rec_};
    std::vector<AdapterChoice> adapters_ = {
        {"eth0", "eth0 adapter", true}, {"lo", "lo", true}, {"any", "any", true}};
    int applyCalls_ = 0;
};

// What a user might do before changing their mind: every kind of control touched.
void EditEverything(TfrmZKconfig& d) {
    d.findChild<QComboBox*>("cboAdapter")->setCurrentIndex(2);
    for (QCheckBox* box : d.findChildren<QCheckBox*>()) {
        box->click();
    }
    QLineEdit* edit = d.findChild<QLineEdit*>("edtRaceStart");
    edit->setFocus();
    QTest::keyClicks(edit, "x");
    d.findChild<QLineEdit*>("edtServerMessage")->clear();
}

TEST_F(ConfigDialogTest, EveryWayOutButOkChangesNothing) {
    struct Way {
        const char* name;
        std::function<void(TfrmZKconfig&)> close;
    };
    const Way ways[] = {
        {"Cancel button",
         [](TfrmZKconfig& d) {
             QTest::mouseClick(d.findChild<QPushButton*>("btnCancel"), Qt::LeftButton);
         }},
        {"Esc in an edit box",
         [](TfrmZKconfig& d) {
             QTest::keyClick(d.findChild<QLineEdit*>("edtRaceStart"), Qt::Key_Escape);
         }},
        {"close box", [](TfrmZKconfig& d) { d.close(); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        const Settings before = SampleSettings();
        Settings settings = before;
        rec_.plays.clear();
        EXPECT_FALSE(Run(settings, [&](TfrmZKconfig& d) {
            EditEverything(d);
            way.close(d);
        }));
        ExpectSameSettings(settings, before);
        EXPECT_EQ(applyCalls_, 0);
        EXPECT_EQ(rec_.plays, std::vector<std::string>{""}) << "one silence call at close";
    }
}

TEST_F(ConfigDialogTest, EnterConfirmsAndUntouchedControlsGiveBackEverySettingExactly) {
    const Settings before = SampleSettings();
    Settings settings = before;
    EXPECT_TRUE(Run(settings, [](TfrmZKconfig& d) {
        QLineEdit* edit = d.findChild<QLineEdit*>("edtResultWin");
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
    }));
    ExpectSameSettings(settings, before);
    EXPECT_EQ(applyCalls_, 1);
    EXPECT_EQ(rec_.plays, std::vector<std::string>{""});
}

// Paths are shown with this system's "/"; an untouched box gives back the
// settings file's own form (checked exactly by the test above).
TEST_F(ConfigDialogTest, PathsAreShownWithThePlatformsSeparator) {
    Settings settings = SampleSettings();
    settings.Sound(SoundEvent::ResultWin).Sound = "/opt/k/sounds\\Media\\tada.wav";
    Run(settings, [](TfrmZKconfig& d) {
        EXPECT_EQ(d.findChild<QLineEdit*>("edtServerMessage")->text(),
                  QStringLiteral("%SystemRoot%/Media/notify.wav"));
        EXPECT_EQ(d.findChild<QLineEdit*>("edtResultWin")->text(),
                  QStringLiteral("/opt/k/sounds/Media/tada.wav"));
        d.reject();
    });
}

TEST_F(ConfigDialogTest, EditsDiscardedByCancelAreGoneAtTheNextOpening) {
    const Settings before = SampleSettings();
    Settings settings = before;
    Run(settings, [](TfrmZKconfig& d) {
        EditEverything(d);
        d.reject();
    });
    EXPECT_TRUE(Run(settings, [](TfrmZKconfig& d) { d.accept(); }));
    ExpectSameSettings(settings, before);
}

// No adapter shown is an empty box, and OK on it stores none.
TEST_F(ConfigDialogTest, AnAdapterIndexThatNamesNoEntryShowsNoneAndOkStoresMinusOne) {
    for (const int32_t index : {7, -1}) {
        SCOPED_TRACE(index);
        Settings settings = SampleSettings();
        settings.AdapterIndex = index;
        settings.AdapterName.clear();
        EXPECT_TRUE(Run(settings, [](TfrmZKconfig& d) {
            EXPECT_EQ(d.findChild<QComboBox*>("cboAdapter")->currentIndex(), -1);
            EXPECT_TRUE(d.findChild<QComboBox*>("cboAdapter")->currentText().isEmpty());
            d.accept();
        }));
        EXPECT_EQ(settings.AdapterIndex, -1);
    }
}

// Each opening shows the list it is given: the stored name finds its adapter
// where the index no longer does, unusable devices are greyed in place, and
// the line chosen is stored with its name.
TEST_F(ConfigDialogTest, TheAdapterListIsReadAtEachOpeningAndTheNameFindsItsAdapter) {
    std::vector<std::vector<AdapterChoice>> lists = {
        {{"eth0", "eth0 192.0.2.2", true}, {"wg0", "wg0 10.0.0.2", true}},
        {{"docker0", "docker0 (停止中)", true},
         {"eth0", "eth0 192.0.2.2", true},
         {"dbus-system", "dbus-system — D-Bus system bus", false},
         {"wg0", "wg0 10.0.0.2", true}},
    };
    Settings settings = SampleSettings();
    settings.AdapterIndex = 1;
    settings.AdapterName = "wg0";
    for (const int32_t shownAt : {1, 3}) {
        SCOPED_TRACE(shownAt);
        adapters_ = lists[shownAt == 1 ? 0 : 1];
        EXPECT_TRUE(Run(settings, [&](TfrmZKconfig& d) {
            QComboBox* box = d.findChild<QComboBox*>("cboAdapter");
            EXPECT_EQ(box->currentIndex(), shownAt);
            EXPECT_EQ(box->currentText(), QStringLiteral("wg0 10.0.0.2"));
            d.accept();
        }));
        EXPECT_EQ(settings.AdapterIndex, shownAt);
        EXPECT_EQ(settings.AdapterName, "wg0");
    }
    const auto* model = qobject_cast<QStandardItemModel*>(dialog_->AdapterBox()->model());
    ASSERT_NE(model, nullptr);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(model->item(i)->isEnabled(), i != 2) << i;
    }

    EXPECT_TRUE(Run(settings, [](TfrmZKconfig& d) {
        d.findChild<QComboBox*>("cboAdapter")->setCurrentIndex(0);
        d.accept();
    }));
    EXPECT_EQ(settings.AdapterIndex, 0);
    EXPECT_EQ(settings.AdapterName, "docker0");
}

TEST_F(ConfigDialogTest, OkStoresSwitchesAndPathsExactlyAsTyped) {
    const Settings before = SampleSettings();
    Settings settings = before;
    const std::string typed = " %SystemRoot%\\Media\\ringout.wav ";
    EXPECT_TRUE(Run(settings, [&](TfrmZKconfig& d) {
        QLineEdit* win = d.findChild<QLineEdit*>("edtResultWin");
        win->setFocus();
        win->selectAll();
        QTest::keyClicks(win, QString::fromStdString(typed));
        d.findChild<QLineEdit*>("edtRaceStart")->clear();
        d.findChild<QLineEdit*>("edtServerMessageGodEquip")->setText("/snd/神器.wav");
        d.findChild<QCheckBox*>("chkResultWin")->click();
        d.findChild<QCheckBox*>("chkServerMessageGodEquip")->click();
        d.findChild<QCheckBox*>("chkSoundEnabled")->click();
        QTest::mouseClick(d.findChild<QPushButton*>("btnOk"), Qt::LeftButton);
    }));

    Settings expected = before;
    expected.SoundEnabled = !before.SoundEnabled;
    expected.Sound(SoundEvent::ResultWin) = {!before.Sound(SoundEvent::ResultWin).Enabled, typed};
    expected.Sound(SoundEvent::RaceStart).Sound = "";
    expected.Sound(SoundEvent::ServerMessageGodEquip) = {
        !before.Sound(SoundEvent::ServerMessageGodEquip).Enabled, "/snd/神器.wav"};
    ExpectSameSettings(settings, expected);
}

TEST_F(ConfigDialogTest, TheTestButtonPlaysTheFocusedEditBoxWhateverTheSwitches) {
    Settings settings = SampleSettings();
    settings.SoundEnabled = false;
    settings.Sound(SoundEvent::ResultWin) = {false, "/snd/win.wav"};

    struct Case {
        const char* focus;
        std::string played;
    };
    const Case cases[] = {
        {"edtResultWin", "/snd/win.wav"},
        {"edtRaceStartWaitAcceptingD", settings.Sound(SoundEvent::RaceStartWaitAcceptingD).Sound},
        // The unconfirmed text in the box, and an untouched legacy path byte for byte.
        {"edtResultNeedCheck", settings.Sound(SoundEvent::ResultNeedCheck).Sound},
        {"edtResultDefeat", ""},
        {"chkResultWin", ""},
        {"chkSoundEnabled", ""},
        {"cboAdapter", ""},
        {"btnCancel", ""},
    };
    Run(settings, [&](TfrmZKconfig& d) {
        QToolButton* test = d.findChild<QToolButton*>("btnTestServerMessage");
        for (const Case& c : cases) {
            rec_.plays.clear();
            QWidget* focus = d.findChild<QWidget*>(c.focus);
            focus->setFocus();
            QTest::mouseClick(test, Qt::LeftButton);
            EXPECT_EQ(rec_.plays, std::vector<std::string>{c.played}) << c.focus;
            EXPECT_EQ(d.focusWidget(), focus) << "the button leaves the focus where it was";
        }
        rec_.plays.clear();
        QLineEdit* edit = d.findChild<QLineEdit*>("edtRaceStart");
        edit->setFocus();
        edit->setText("/snd/trying.wav");
        QTest::mouseClick(test, Qt::LeftButton);
        EXPECT_EQ(rec_.plays, std::vector<std::string>{"/snd/trying.wav"});
        d.reject();
    });
    EXPECT_FALSE(settings.SoundEnabled);
    EXPECT_EQ(settings.Sound(SoundEvent::RaceStart).Sound,
              SampleSettings().Sound(SoundEvent::RaceStart).Sound);
}

// The store keeps the client rectangle (Qt's geometry), which also round-trips
// on platforms that draw a frame around it.
TEST_F(ConfigDialogTest, TheDialogReopensWhereItWasClosed) {
    Settings settings = SampleSettings();
    QRect moved;
    Run(settings, [&](TfrmZKconfig& d) {
        EXPECT_EQ(d.pos(), QPoint(296, 217)) << "designed position without a stored one";
        d.move(150, 120);
        moved = d.geometry();
        d.reject();
    });
    EXPECT_EQ(PlacementKey("PlaceNormalPos.Left"), moved.left());
    EXPECT_EQ(PlacementKey("PlaceNormalPos.Top"), moved.top());
    EXPECT_EQ(PlacementKey("PlaceNormalPos.Right"), moved.left() + 356);
    EXPECT_EQ(PlacementKey("PlaceNormalPos.Bottom"), moved.top() + 524);

    Run(settings, [&](TfrmZKconfig& d) {
        EXPECT_EQ(d.geometry(), moved);
        d.move(60, 70);
        moved = d.geometry();
        d.accept();
    });
    // A later run of the program: a dialog made afresh.
    dialog_ = std::make_unique<TfrmZKconfig>();
    Run(settings, [&](TfrmZKconfig& d) {
        EXPECT_EQ(d.geometry(), moved);
        d.reject();
    });
}

TEST_F(ConfigDialogTest, EachRowPairsItsSwitchWithThePathBelowIt) {
    for (const ConfigDialogRow& row : kConfigDialogRows) {
        const std::string stem(SoundEventInfoOf(row.event).stem);
        QCheckBox* check = Find<QCheckBox>(("chk" + stem).c_str());
        QLineEdit* edit = Find<QLineEdit>(("edt" + stem).c_str());
        ASSERT_TRUE(check && edit);
        EXPECT_EQ(edit->y() - check->y(), 16) << stem;
        EXPECT_EQ(check->parentWidget(), edit->parentWidget()) << stem;
    }
    // The two events kept only in the file have no row.
    EXPECT_EQ(dialog_->findChild<QLineEdit*>("edtRaceStartWaitingS"), nullptr);
    EXPECT_EQ(dialog_->findChild<QLineEdit*>("edtRaceStartWaitingD"), nullptr);

    QToolButton* test = Find<QToolButton>("btnTestServerMessage");
    ASSERT_NE(test, nullptr);
    const QImage normal = test->icon().pixmap(16, 16, QIcon::Normal).toImage();
    const QImage greyed = test->icon().pixmap(16, 16, QIcon::Disabled).toImage();
    EXPECT_EQ(normal.size(), QSize(16, 16));
    EXPECT_NE(normal, greyed);
}

}  // namespace
}  // namespace kestro
