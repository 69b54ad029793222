#include "common/result.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

// The one line a log and a status line show of a result, whoever made it.
TEST(Result, ALineJoinsTheMessageAndTheReasonOnlyWhenTheSystemSaidSomething) {
    const struct {
        Result result;
        bool failed;
        const char* line;
    } cases[] = {
        {Result(), false, ""},
        {Result::Failure("a.ini に書き込めません", "a.ini: Permission denied"), true,
         "a.ini に書き込めません: a.ini: Permission denied"},
        {Result::Failure("h.csv は Kestro の履歴ファイルではありません", ""), true,
         "h.csv は Kestro の履歴ファイルではありません"},
        {Result::Failure("").Telling(""), true, ""},  // still a failure, with nothing to say
        {Result::Failure("h.csv: not a regular file").Telling("h.csv に書き込めません"), true,
         "h.csv に書き込めません: h.csv: not a regular file"},
        {Result().Telling("never told"), false, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(!c.result, c.failed) << c.line;
        EXPECT_EQ(c.result.Line(), c.line);
    }
}

}  // namespace
}  // namespace kestro
