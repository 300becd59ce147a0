// ManualPage.h — a program's command line, as its CLI11 parser declares it, written as the
// generated part of its manual page (roff, man(7)): the synopsis and every option with its
// value and default, and tables such as the keys. The page is made from the declarations the
// parser uses, so it cannot drift from --help; the build puts it into the page's hand-written
// text (docs/man/).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace CLI {
class App;
}

class CManualPage {
public:
    using Rows = std::vector<std::pair<std::string, std::string>>;

    explicit CManualPage(const CLI::App& app);

    // Declares the hidden --manual-page flag: given, it throws CManualPageRequest while the
    // command line is parsed, before any other check.
    static void AddRequestOption(CLI::App& app);

    // Adds a section of two-column rows after the options (the keys, for example).
    void AddTable(const std::string& title, const Rows& rows);

    // The SYNOPSIS section, then OPTIONS (one subsection per command of a program that has
    // commands), then the tables.
    std::string Text() const;

    // Text made safe for roff: backslashes and hyphens escaped, a leading dot or quote
    // guarded, so that no text can become a request.
    static std::string Escape(const std::string& text);

private:
    std::string Synopsis(const CLI::App& command, const std::string& name) const;
    std::string Options(const CLI::App& command) const;
    std::string Tables() const;

    const CLI::App& m_app;
    std::vector<std::pair<std::string, Rows>> m_tables;
};
