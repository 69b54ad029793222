// Windows: the thousands separator of --panel's packet count comes from the
// user locale, as UTF-8 (the replay's output), also where it is not ASCII.
#include <gtest/gtest.h>

#include <string>

#include "platform/locale.h"

namespace kestro {
namespace {

TEST(ThousandsSeparatorTest, NamedLocalesInUtf8) {
    const struct {
        const wchar_t* locale;
        std::string separator;
    } cases[] = {
        {L"en-US", ","},
        {L"de-DE", "."},
        {L"ru-RU", "\xC2\xA0"},  // U+00A0, a no-break space
        {L"xx-no-such-locale", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::ThousandsSeparator(c.locale), c.separator) << c.locale;
    }
}

}  // namespace
}  // namespace kestro
