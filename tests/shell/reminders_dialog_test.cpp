// The reminders window's confirmed values as the shell keeps them.
#include "shell/reminders_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "settings/ini_file.h"
#include "support/recording_view.h"

namespace kestro {
namespace {

using test::ShellTest;

// The reminders window's OK is saved at once, each lead brought into 1 to 600 s
// and the no-ticket switch kept to the start; Cancel saves nothing. (A refused
// save is a row of the shell's refused writes.)
TEST_F(ShellTest, RemindersWindowSavesItsOkAtOnce) {
    struct Case {
        const char* why;
        bool ok;
        int lead;
        const char* expectedLead;  // "" for no [Reminders] written
        const char* expectedAcceptNoTicket;
    };
    const Case cases[] = {
        {"OK", true, 150, "150", ""},
        {"OK with no lead", true, 0, "1", ""},
        {"OK with an hour", true, 3600, "600", ""},
        {"Cancel", false, 150, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        std::filesystem::remove(iniPath_);
        KestroShell& shell = Create();
        DropAllInterfacesDevice(shell);
        shell.FormShow();
        view_.reminders.user = [&c](RemindersDialogValues& controls) {
            ReminderSetting& start = controls.rows[ReminderIndex(kDoubles, ReminderMoment::Start)];
            start.Enabled = true;
            start.LeadSeconds = c.lead;
            controls.rows[ReminderIndex(kSingles, ReminderMoment::AcceptStart)].NoTicketOnly = true;
            return c.ok;
        };
        shell.PopupMenuClick(MenuItem::pmiReminders);
        // Before any close: the file holds it already.
        const IniFile ini = IniFile::Load(iniPath_);
        EXPECT_EQ(ini.ReadString("Reminders", "DoublesStartLead", ""), c.expectedLead);
        EXPECT_EQ(ini.ReadString("Reminders", "DoublesStartEnabled", ""), c.ok ? "1" : "");
        EXPECT_EQ(ini.ReadString("Reminders", "SinglesAcceptStartNoTicketOnly", ""), "");
        EXPECT_EQ(shell.Core().GetSettings().Reminder(kDoubles, ReminderMoment::Start).Enabled,
                  c.ok);
        shell.FormClose();
        view_.reminders.user = nullptr;
    }
}

}  // namespace
}  // namespace kestro
