#include "race/reminders.h"

#include <string>

#include "common/cp932.h"
#include "common/race_names.h"
#include "race/race_timing.h"

namespace kestro {
namespace {

namespace rs = race_status;
namespace rt = race_timing;

RaceStatus StatusOf(const RaceState& state, RaceKind kind) {
    return kind == kSingles ? state.SinglesStatus : state.DoublesStatus;
}

Instant BaseTimeOf(const RaceState& state, RaceKind kind) {
    return kind == kSingles ? state.SinglesBaseTime : state.DoublesBaseTime;
}

bool IsUnderway(RaceKind kind, RaceStatus status) {
    return kind == kSingles ? status == rs::SRacing
                            : status == rs::DRacing || status == rs::DFirstPlaceDecided;
}

}  // namespace

std::string_view ReminderMomentCaption(ReminderMoment moment) {
    switch (moment) {
        case ReminderMoment::AcceptStart:
            return "受付開始";
        case ReminderMoment::Start:
            return "発走";
        case ReminderMoment::ExchangeDeadline:
            return "交換締切";
    }
    return "";
}

std::optional<Instant> Reminders::MomentOf(const RaceState& state, const PlayerRecord& record,
                                           RaceKind kind, ReminderMoment moment) const {
    const RaceStatus status = StatusOf(state, kind);
    if (status == rs::Unknown || IsUnderway(kind, status)) {
        return std::nullopt;
    }
    const Instant base = BaseTimeOf(state, kind);
    switch (moment) {
        case ReminderMoment::AcceptStart:
            return base - std::chrono::seconds(rt::kAcceptingBeforeBase);
        case ReminderMoment::Start:
            return base;
        case ReminderMoment::ExchangeDeadline:
            // Kestro cannot see the exchange itself: a ticket that won is reminded
            // of. Until the next race runs, the base time is that race's start,
            // and the exchange closes 330 s before it.
            if (record.WonTicket(kind)) {
                return base - std::chrono::seconds(rt::kExchangeDeadlineBeforeBase);
            }
            return std::nullopt;
    }
    return std::nullopt;
}

void Reminders::Check(const RaceState& state, const PlayerRecord& record) {
    const Instant now = clock_.Now();
    for (int i = 0; i < kReminderCount; ++i) {
        const ReminderInfo& info = ReminderInfoOf(i);
        const ReminderSetting& setting = settings_.Reminders[static_cast<std::size_t>(i)];
        if (!setting.Enabled) {
            continue;
        }
        const std::optional<Instant> at = MomentOf(state, record, info.kind, info.moment);
        if (!at || now >= *at || now < *at - std::chrono::seconds(setting.LeadSeconds)) {
            continue;
        }
        if (info.moment == ReminderMoment::Start && setting.NoTicketOnly &&
            record.HoldsTicketForRaceToCome(info.kind, now)) {
            continue;
        }
        std::optional<Instant>& last = lastFired_[static_cast<std::size_t>(i)];
        if (last && *at - *last < kSameMomentWithin && *last - *at < kSameMomentWithin) {
            continue;
        }
        last = *at;
        Fire(record, info.kind, info.moment, *at, setting);
    }
}

void Reminders::Fire(const PlayerRecord& record, RaceKind kind, ReminderMoment moment, Instant at,
                     const ReminderSetting& setting) {
    Reminder reminder;
    reminder.kind = kind;
    reminder.moment = moment;
    reminder.at = at;
    // Rounded up, as a countdown reads: 59.4 s before the moment is "1:00".
    reminder.remaining = std::chrono::ceil<std::chrono::seconds>(at - clock_.Now());
    if (settings_.SoundEnabled) {
        reminder.sound = setting.Sound;
    }
    std::string text = "リマインダー(" + std::string(RaceName(kind)) + "): ";
    if (moment == ReminderMoment::ExchangeDeadline) {
        reminder.ticket = record.WonTicket(kind).value_or("");
        text += "当たり券 " + reminder.ticket + " の";
    }
    text += std::string(ReminderMomentCaption(moment)) + "まで " +
            FormatNSs(std::chrono::duration_cast<Micros>(reminder.remaining));
    reminder.text = Utf8ToCp932(text);

    log_.ShowStatusMessage(reminder.text);
    if (fired_) {
        fired_(reminder);
    }
    if (!reminder.sound.empty()) {
        player_.Play(reminder.sound);
    }
}

}  // namespace kestro
