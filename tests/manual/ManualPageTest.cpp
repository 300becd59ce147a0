// ManualPageTest.cpp — the manual page written from a CLI11 parser: roff escaping, every
// visible option with its value, check and default, hidden ones left out, groups and
// commands, and the hidden --manual-page option stopping the parse before its checks.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "platform/manual/ManualPage.h"
#include "platform/manual/ManualPageRequest.h"

namespace {

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

// A parser like the programs': options with values, checks and defaults, a flag, a hidden
// option, a second group, and a positional argument.
struct ExampleCommandLine {
    CLI::App app{"example — a program", "example"};
    int count = 3;
    bool fast = false;
    std::string secret;
    std::string input;
    uint32_t every = 0;

    ExampleCommandLine()
    {
        app.add_option("--count", count, "How many times. Leading words stay words")
            ->type_name("N")->check(CLI::Range(1, 9))->default_str("3");
        app.add_flag("--fast", fast, "Go fast");
        app.add_option("--secret", secret, "Not for users")->group("");
        app.add_option("--every", every, "A diagnostic")->type_name("N")->group("Diagnostics");
        app.add_option("IN", input, "The input")->required();
        CManualPage::AddRequestOption(app);
    }
};

// --- Escaping ----------------------------------------------------------------------------

TEST(ManualPage, EscapingKeepsTextFromBecomingRoffRequests)
{
    EXPECT_EQ(CManualPage::Escape("--mode"), "\\-\\-mode");
    EXPECT_EQ(CManualPage::Escape("a\\b"), "a\\eb");
    EXPECT_EQ(CManualPage::Escape(".SH danger"), "\\&.SH danger");
    EXPECT_EQ(CManualPage::Escape("'quoted"), "\\&'quoted");
    EXPECT_EQ(CManualPage::Escape("one\n.two"), "one\n\\&.two");
    EXPECT_EQ(CManualPage::Escape("plain text."), "plain text.");
}

// --- The page ----------------------------------------------------------------------------

TEST(ManualPage, ListsEveryVisibleOptionWithItsValueCheckAndDefault)
{
    ExampleCommandLine line;
    const std::string page = CManualPage(line.app).Text();
    EXPECT_TRUE(Contains(page, ".SH SYNOPSIS\n.B \"example\"\n")) << page;
    EXPECT_TRUE(Contains(page, "[\\fB\\-\\-count\\fR \\fIN\\fR]\n")) << page;
    EXPECT_TRUE(Contains(page, "[\\fB\\-\\-fast\\fR]\n")) << "a flag takes no value: " << page;
    EXPECT_TRUE(Contains(page, "\\fIIN\\fR\n.SH OPTIONS\n")) << "the argument ends the synopsis: " << page;
    EXPECT_TRUE(Contains(page, ".TP\n\\fB\\-h\\fR, \\fB\\-\\-help\\fR\n")) << page;
    EXPECT_TRUE(Contains(page, ".TP\n\\fB\\-\\-count\\fR \\fIN\\fR\nHow many times.")) << page;
    EXPECT_TRUE(Contains(page, "N: INT in [1 \\- 9]. Default: 3.")) << page;
    EXPECT_TRUE(Contains(page, ".TP\n\\fIIN\\fR\nThe input.\n")) << "a full stop ends each text: " << page;
    EXPECT_TRUE(Contains(page, ".PP\nDiagnostics:\n.TP\n\\fB\\-\\-every\\fR \\fIN\\fR\n")) << page;
    EXPECT_FALSE(Contains(page, "secret")) << "hidden options stay hidden";
    EXPECT_FALSE(Contains(page, "manual\\-page")) << "the request option is hidden";
}

TEST(ManualPage, GivesEachCommandItsSynopsisLineAndSubsection)
{
    CLI::App app("tool", "tool");
    app.require_subcommand(1);
    std::string filter;
    std::vector<std::string> inputs;
    CLI::App* resize = app.add_subcommand("resize", "Rescale a picture");
    resize->add_option("--filter", filter, "The filter")->default_str("mitchell");
    resize->add_option("IN", inputs, "Pictures")->required();
    const std::string page = CManualPage(app).Text();
    EXPECT_TRUE(Contains(page, ".B \"tool\"\n[\\fB\\-\\-help\\fR]\n\\fICOMMAND\\fR\n")) << page;
    EXPECT_TRUE(Contains(page, ".br\n.B \"tool resize\"\n[\\fB\\-\\-help\\fR]\n[\\fB\\-\\-filter\\fR \\fITEXT\\fR]\n"
                               "\\fIIN\\fR ...\n")) << page;
    EXPECT_TRUE(Contains(page, ".SS \"tool resize\"\nRescale a picture.\n")) << page;
    EXPECT_TRUE(Contains(page, "The filter. Default: mitchell.")) << page;
}

TEST(ManualPage, TablesFollowTheOptionsAsSectionsOfTheirOwn)
{
    ExampleCommandLine line;
    CManualPage page(line.app);
    page.AddTable("KEYS", {{"Escape, Q", "quit"}, {"F1", "the About box"}});
    const std::string text = page.Text();
    EXPECT_TRUE(Contains(text, ".SH KEYS\n.TP\n\\fBEscape, Q\\fR\nquit.\n.TP\n\\fBF1\\fR\nthe About box.\n")) << text;
    EXPECT_LT(text.find(".SH OPTIONS"), text.find(".SH KEYS"));
}

TEST(ManualPage, WrapsLongTextAtSeventyEightBytesBetweenWords)
{
    CLI::App app("long", "long");
    std::string value;
    const std::string description(30, 'a');
    app.add_option("--long", value, description + " " + description + " " + description + " " + std::string(90, 'b'));
    const std::vector<std::string> lines = Lines(CManualPage(app).Text());
    const auto entry = std::find(lines.begin(), lines.end(), "\\fB\\-\\-long\\fR \\fITEXT\\fR");
    ASSERT_NE(entry, lines.end());
    ASSERT_GE(lines.end() - entry, 4);
    EXPECT_EQ(entry[1], description + " " + description) << "a third word would pass 78 bytes";
    EXPECT_EQ(entry[2], description);
    EXPECT_EQ(entry[3], std::string(90, 'b') + ".") << "a word longer than a line stands alone, unbroken";
}

TEST(ManualPage, ALineOfSeventyEightBytesStaysWholeAndOneOfSeventyNineBreaks)
{
    CLI::App app("edge", "edge");
    std::string value;
    // With the full stop the page adds: 39 + 1 + 38 = 78 bytes, and 39 + 1 + 39 = 79.
    const std::string fits = std::string(39, 'a') + " " + std::string(37, 'b');
    const std::string breaks = std::string(39, 'a') + " " + std::string(38, 'b');
    app.add_option("--fits", value, fits);
    app.add_option("--breaks", value, breaks);
    const std::vector<std::string> lines = Lines(CManualPage(app).Text());
    EXPECT_NE(std::find(lines.begin(), lines.end(), fits + "."), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), std::string(39, 'a')), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), std::string(38, 'b') + "."), lines.end());
}

// --- The request option ------------------------------------------------------------------

TEST(ManualPage, TheRequestOptionStopsTheParseBeforeRequiredArgumentsAreChecked)
{
    ExampleCommandLine line;
    const char* request[] = {"example", "--manual-page"};
    EXPECT_THROW(line.app.parse(2, request), CManualPageRequest);

    ExampleCommandLine other;
    const char* nothing[] = {"example"};
    EXPECT_THROW(other.app.parse(1, nothing), CLI::RequiredError) << "without it the checks run as before";

    ExampleCommandLine third;
    const char* given[] = {"example", "in.png"};
    EXPECT_NO_THROW(third.app.parse(2, given));
}

} // namespace
