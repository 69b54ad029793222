#include "shell/reminders_dialog.h"

#include <algorithm>
#include <utility>

#include "common/race_names.h"
#include "race/reminders.h"
#include "settings/settings_file.h"
#include "shell/config_layout.h"

namespace kestro {

RemindersDialog::RemindersDialog(RemindersDialogView& view, const PlacedWindow& mainWindow,
                                 SoundPlayer& player, RefusedWrite refused)
    : view_(view), model_(view, kSection, player, std::move(refused), &mainWindow) {}

std::string RemindersDialog::RowCaption(int index) {
    const ReminderInfo& info = ReminderInfoOf(index);
    return std::string(RaceName(info.kind)) + " " + std::string(ReminderMomentCaption(info.moment));
}

bool RemindersDialog::HasNoTicketSwitch(int index) {
    return ReminderInfoOf(index).moment == ReminderMoment::Start;
}

std::string RemindersDialog::NotifyEventCaption(int index) {
    const SoundEvent event = kNotifiedEvents.at(static_cast<std::size_t>(index));
    for (const ConfigDialogRow& row : kConfigDialogRows) {
        if (row.event == event) {
            return row.caption;
        }
    }
    return std::string(SoundEventInfoOf(event).stem);
}

bool RemindersDialog::Run(Settings& settings) {
    shown_.rows = settings.Reminders;
    shown_.notifications = settings.Notifications;
    RemindersDialogValues confirmed = shown_;
    if (!view_.RunModal(*this, confirmed)) {
        return false;
    }
    for (int i = 0; i < kReminderCount; ++i) {
        ReminderSetting row = confirmed.rows[static_cast<std::size_t>(i)];
        // A lead of nothing would never fire, one of an hour reaches into the
        // race before: the nearest lead that works is what the user meant.
        row.LeadSeconds = std::clamp(row.LeadSeconds, kReminderLeadMin, kReminderLeadMax);
        if (!HasNoTicketSwitch(i)) {
            row.NoTicketOnly = settings.Reminders[static_cast<std::size_t>(i)].NoTicketOnly;
        }
        settings.Reminders[static_cast<std::size_t>(i)] = row;
    }
    settings.Notifications = confirmed.notifications;
    return true;
}

void RemindersDialog::FormShow() {
    model_.FormShow();
}

void RemindersDialog::FormClose() {
    model_.FormClose();
}

void RemindersDialog::TestSound(const std::string& path) {
    model_.TestSound(path);
}

}  // namespace kestro
