// The status line and the log. Texts are CP932 bytes, as the game's are; the
// view converts them where a person reads them.
#pragma once

#include <string>
#include <string_view>

#include "common/clock.h"
#include "common/datetime.h"

namespace kestro {

class LogView {
public:
    virtual ~LogView() = default;
    // Status bar panel 0: the last message, without time stamp.
    virtual void SetStatusText(std::string_view cp932) = 0;
    // One complete log line, "hh:mm:ss.zzz - text".
    virtual void AppendLogLine(std::string_view cp932Line) = 0;
};

class Log {
public:
    Log(const Clock& clock, LogView& view) : clock_(clock), view_(view) {}

    void AddLogLine(std::string_view cp932);
    void ShowStatusMessage(std::string_view cp932);

private:
    const Clock& clock_;
    LogView& view_;
    // The last line's storage, reused: a busy capture logs a line per packet.
    std::string buffer_;
    // Lines of one packet share a time: its stamp is formatted once.
    TDateTime stampTime_ = 0;
    std::string stamp_;
};

}  // namespace kestro
