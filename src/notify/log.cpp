#include "notify/log.h"

#include "common/datetime.h"

namespace kestro {

void Log::AddLogLine(std::string_view cp932) {
    std::string line = FormatHhMmSsZzz(clock_.Now());
    line += " - ";
    line += cp932;
    view_.AppendLogLine(line);
}

void Log::ShowStatusMessage(std::string_view cp932) {
    view_.SetStatusText(cp932);
    AddLogLine(cp932);
}

}  // namespace kestro
