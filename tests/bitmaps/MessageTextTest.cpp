// MessageTextTest.cpp — control characters and stray bytes escaped, everything else kept.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/bitmaps/MessageText.h"

namespace {

TEST(MessageText, ControlCharactersAndBackslashesAreEscapedAndUtf8TextIsKept)
{
    using namespace std::string_literals;
    const std::pair<std::string, std::string> cases[] = {
        {"cannot read 'a.png'", "cannot read 'a.png'"},
        {"two\nlines", "two\\nlines"},
        {"tab\there", "tab\\there"},
        {"cr\r", "cr\\r"},
        {"\x1b[31mred", "\\x1B[31mred"},               // a terminal's escape sequence
        {"nul\0end"s, "nul\\x00end"},
        {"\x01\x1f\x20\x7e\x7f", "\\x01\\x1F ~\\x7F"},  // each side of the printable range
        {"a\\nb", "a\\\\nb"},                          // a backslash of the name, not an escape
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xa8", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xa8"},
        {"\xc2\x9f|\xc2\xa0", "\\xC2\\x9F|\xc2\xa0"},   // the last C1 control, the first letter after
        {"\xc2\x80", "\\xC2\\x80"},                     // the first C1 control
        {"stray \xff\xfe", "stray \\xFF\\xFE"},
        {"cut \xe2\x82", "cut \\xE2\\x82"},             // a sequence that ends too soon
        {"\xc0\xaf", "\\xC0\\xAF"},                     // an overlong '/'
        {"\xed\xa0\x80", "\\xED\\xA0\\x80"},            // a surrogate
        {"\xf4\x8f\xbf\xbf", "\xf4\x8f\xbf\xbf"},       // U+10FFFF, the last code point
        {"\xf4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},   // one past it
        {"", ""},
    };
    for (const auto& [text, escaped] : cases)
        EXPECT_EQ(EscapeControls(text), escaped) << text;
}

} // namespace
