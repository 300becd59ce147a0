// UsageError.h — a command line the program cannot run with (exit status 2).
#pragma once

#include <stdexcept>
#include <string>

class CUsageError : public std::runtime_error {
public:
    explicit CUsageError(const std::string& message) : std::runtime_error(message) {}
};
