#include "notify/log.h"

#include <utility>

#include "common/datetime.h"

namespace kestro {

namespace {

// What a window's text control shows of a text: up to its first NUL, if any.
// A NUL from the network must not reach the log or the output whole.
std::string_view Shown(std::string_view cp932) {
    return cp932.substr(0, cp932.find('\0'));
}

}  // namespace

void Log::AddLogLine(std::string_view cp932) {
    cp932 = Shown(cp932);
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
    view_.SetStatusText(Shown(cp932));
    AddLogLine(cp932);
}

}  // namespace kestro
