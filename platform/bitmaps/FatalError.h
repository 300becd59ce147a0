// FatalError.h — the one exception type the program raises.
//
// A failure the program cannot pass over ends it: the code that finds it throws a
// CFatalError carrying a one-line message, nothing in between catches it, and main
// prints the message and exits non-zero.
#pragma once

#include <stdexcept>
#include <string>

class CFatalError : public std::runtime_error {
public:
    explicit CFatalError(const std::string& message) : std::runtime_error(message) {}
};
