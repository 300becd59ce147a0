// ManualPageRequest.h — what the hidden --manual-page option throws while the command line
// is parsed: like --help, it ends parsing before any other check, and main prints the page.
#pragma once

#include <exception>

class CManualPageRequest : public std::exception {
public:
    const char* what() const noexcept override { return "manual page asked for"; }
};
