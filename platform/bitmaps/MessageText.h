// MessageText.h — messages made safe to print as one line.
//
// A file name or an option value may hold any byte but '/' and NUL. Printed raw, a newline
// in one splits an error into two lines and other control characters can move the cursor
// or recolour a terminal; both programs print every message through EscapeControls.
#pragma once

#include <string>
#include <string_view>

// The text with its control characters written as escapes: "\n", "\t", "\r", and "\xNN"
// for every other one (C0, DEL, and the C1 controls U+0080–U+009F as their two UTF-8
// bytes), and each backslash doubled so that an escape is never mistaken for text. Bytes
// that are not UTF-8 are written "\xNN" too; all other UTF-8 text is kept as it is.
std::string EscapeControls(std::string_view text);
