// MessageText.cpp — escaping control characters and stray bytes in messages.
#include "platform/bitmaps/MessageText.h"

#include <array>
#include <cstdint>

namespace {

// Appends "\xNN" for the byte.
void AppendHexEscape(std::string& out, uint8_t byte)
{
    constexpr std::array<char, 16> DIGITS = {'0', '1', '2', '3', '4', '5', '6', '7',
                                             '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
    out += "\\x";
    out += DIGITS[byte >> 4];
    out += DIGITS[byte & 0x0F];
}

// The length of the well-formed UTF-8 sequence of two or more bytes at the front of
// `text`, or 0 when it is not one (a stray continuation byte, a cut sequence, an overlong
// form, a surrogate or a value above U+10FFFF).
size_t Utf8SequenceLength(std::string_view text)
{
    const auto byte = [&text](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byte(0);
    size_t length = 0;
    uint8_t low = 0x80, high = 0xBF;   // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

// True for the two bytes of a C1 control, U+0080 to U+009F.
bool IsC1Control(std::string_view sequence)
{
    return sequence.size() == 2 && static_cast<uint8_t>(sequence[0]) == 0xC2 &&
           static_cast<uint8_t>(sequence[1]) <= 0x9F;
}

} // namespace

std::string EscapeControls(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto byte = static_cast<uint8_t>(text.front());
        size_t taken = 1;
        if (byte == '\\') {
            out += "\\\\";
        } else if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            AppendHexEscape(out, byte);
        } else if (byte < 0x80) {
            out += text.front();
        } else if (const size_t length = Utf8SequenceLength(text); length == 0) {
            AppendHexEscape(out, byte);
        } else if (IsC1Control(text.substr(0, length))) {
            AppendHexEscape(out, byte);
            AppendHexEscape(out, static_cast<uint8_t>(text[1]));
            taken = length;
        } else {
            out.append(text.substr(0, length));
            taken = length;
        }
        text.remove_prefix(taken);
    }
    return out;
}
