#include "notify/log.h"

#include <utility>

#include "common/datetime.h"

namespace kestro {

void Log::AddLogLine(std::string_view cp932) {
    // Taken out while the view reads it: a view that logs in turn gets a
    // fresh buffer instead of overwriting the line it is being shown.
    std::string line = std::move(buffer_);
    const TDateTime now = clock_.LocalNow();
    if (stamp_.empty() || now != stampTime_) {
        stamp_ = FormatHhMmSsZzz(now);
        stampTime_ = now;
    }
    line.assign(stamp_);
    line += " - ";
    line += cp932;
    view_.AppendLogLine(line);
    buffer_ = std::move(line);
}

void Log::ShowStatusMessage(std::string_view cp932) {
    view_.SetStatusText(cp932);
    AddLogLine(cp932);
}

}  // namespace kestro
