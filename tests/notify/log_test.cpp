#include "notify/log.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/clock.h"
#include "common/datetime.h"

namespace kestro {
namespace {

class RecordingView : public LogView {
public:
    void SetStatusText(std::string_view cp932) override { status.assign(cp932); }
    void AppendLogLine(std::string_view cp932Line) override {
        lines.emplace_back(cp932Line);
        if (reenter != nullptr) {
            Log* log = std::exchange(reenter, nullptr);
            log->AddLogLine("from the view");
            // The line this call was given must still read as it did.
            lines.emplace_back(cp932Line);
        }
    }

    std::string status;
    std::vector<std::string> lines;
    Log* reenter = nullptr;
};

TEST(LogTest, EachLineIsItsOwnStampAndTextWhateverTheLineBeforeWas) {
    SettableClock clock(EncodeDateTime(2024, 3, 9, 21, 5, 26, 250));
    RecordingView view;
    Log log(clock, view);

    log.AddLogLine("a long first line of the log, longer than the next");
    clock.AdvanceSeconds(1.5);
    log.AddLogLine("short");
    log.AddLogLine("");
    log.ShowStatusMessage("\x83\x65\x83\x58\x83\x67");  // CP932 bytes pass through as they are
    clock.AdvanceSeconds(-1.5);  // a clock set back is stamped as it reads now
    log.AddLogLine("back");
    using namespace std::string_view_literals;
    log.ShowStatusMessage("cut\0here"sv);  // as a text control shows it: up to the NUL

    EXPECT_EQ(view.lines, (std::vector<std::string>{
                              "21:05:26.250 - a long first line of the log, longer than the next",
                              "21:05:27.750 - short",
                              "21:05:27.750 - ",
                              "21:05:27.750 - \x83\x65\x83\x58\x83\x67",
                              "21:05:26.250 - back",
                              "21:05:26.250 - cut",
                          }));
    EXPECT_EQ(view.status, "cut");
}

TEST(LogTest, AViewThatLogsWhileShowingALineKeepsBothLinesWhole) {
    SettableClock clock(EncodeDateTime(2024, 3, 9, 0, 0, 1, 0));
    RecordingView view;
    Log log(clock, view);
    view.reenter = &log;

    log.AddLogLine("the outer line");
    log.AddLogLine("the next line");

    EXPECT_EQ(view.lines, (std::vector<std::string>{
                              "00:00:01.000 - the outer line",
                              "00:00:01.000 - from the view",
                              "00:00:01.000 - the outer line",
                              "00:00:01.000 - the next line",
                          }));
}

}  // namespace
}  // namespace kestro
