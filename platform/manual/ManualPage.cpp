// ManualPage.cpp — roff text from a CLI11 parser's declarations.
#include "platform/manual/ManualPage.h"

#include <algorithm>
#include <sstream>

#include <CLI/CLI.hpp>

#include "platform/manual/ManualPageRequest.h"

namespace {

constexpr size_t LINE_BYTES = 78;   // mandoc's lint asks for input lines of at most 80

// Text as roff lines of at most LINE_BYTES bytes, broken between words.
std::string Wrapped(const std::string& text)
{
    std::string lines;
    std::string line;
    std::istringstream words(text);
    for (std::string word; words >> word;) {
        const std::string escaped = CManualPage::Escape(word);
        if (!line.empty() && line.size() + 1 + escaped.size() > LINE_BYTES) {
            lines += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + escaped;
    }
    return lines + line;
}

// A value's name as --help shows it, without the check CLI11 appends after a colon: "N" of
// "N:UINT in [1 - 10]".
std::string ValueName(const CLI::Option& option)
{
    const std::string name = option.get_type_name();
    return name.substr(0, name.find(':'));
}

// The check after the colon, "UINT in [1 - 10]", or nothing.
std::string ValueCheck(const CLI::Option& option)
{
    const std::string name = option.get_type_name();
    const size_t colon = name.find(':');
    return colon == std::string::npos ? "" : name.substr(colon + 1);
}

// An option's names in bold, "-h, --help".
std::string Names(const CLI::Option& option)
{
    std::string names;
    for (const std::string& name : option.get_snames())
        names += (names.empty() ? "" : ", ") + ("\\fB" + CManualPage::Escape("-" + name) + "\\fR");
    for (const std::string& name : option.get_lnames())
        names += (names.empty() ? "" : ", ") + ("\\fB" + CManualPage::Escape("--" + name) + "\\fR");
    return names;
}

bool TakesMany(const CLI::Option& option)
{
    return option.get_expected_max() >= CLI::detail::expected_max_vector_size;
}

// What an option is given, as --help shows it: " VALUE" for one that takes a value and
// " ..." after it for one that may be repeated.
std::string Value(const CLI::Option& option)
{
    if (option.get_type_size() == 0 || ValueName(option).empty())
        return "";
    return " \\fI" + CManualPage::Escape(ValueName(option)) + "\\fR" + (TakesMany(option) ? " ..." : "");
}

// A positional argument as it stands in a synopsis: "IN", "[IN]", "IN ...".
std::string Argument(const CLI::Option& option)
{
    const std::string text =
        "\\fI" + CManualPage::Escape(option.get_name(true)) + "\\fR" + (TakesMany(option) ? " ..." : "");
    return option.get_required() ? text : "[" + text + "]";
}

// One list entry: the term on the line after .TP, the text under it.
std::string Entry(const std::string& term, const std::string& text)
{
    return ".TP\n" + term + "\n" + text + "\n";
}

// Text ended as a sentence: --help's texts have no full stop, a page's paragraphs do.
std::string Sentence(std::string text)
{
    if (!text.empty() && text.back() != '.')
        text += '.';
    return text;
}

// An option's text, then the values it takes and its default.
std::string Description(const CLI::Option& option)
{
    std::string text = Sentence(option.get_description());
    if (!ValueCheck(option).empty())
        text += " " + Sentence(ValueName(option) + ": " + ValueCheck(option));
    if (!option.get_default_str().empty())
        text += " " + Sentence("Default: " + option.get_default_str());
    return Wrapped(text);
}

bool Hidden(const CLI::Option& option)
{
    return option.get_group().empty();
}

// The option groups of a command, in the order they are first declared.
std::vector<std::string> Groups(const CLI::App& command)
{
    std::vector<std::string> groups;
    for (const CLI::Option* option : command.get_options())
        if (option->nonpositional() && !Hidden(*option) &&
            std::find(groups.begin(), groups.end(), option->get_group()) == groups.end())
            groups.push_back(option->get_group());
    return groups;
}

std::vector<const CLI::App*> Commands(const CLI::App& app)
{
    return app.get_subcommands([](const CLI::App*) { return true; });
}

} // namespace

CManualPage::CManualPage(const CLI::App& app) : m_app(app) {}

void CManualPage::AddRequestOption(CLI::App& app)
{
    app.add_flag_callback("--manual-page", [] { throw CManualPageRequest(); })->group("");
}

void CManualPage::AddTable(const std::string& title, const Rows& rows)
{
    m_tables.emplace_back(title, rows);
}

std::string CManualPage::Text() const
{
    std::string text = ".SH SYNOPSIS\n";
    const std::vector<const CLI::App*> commands = Commands(m_app);
    text += Synopsis(m_app, m_app.get_name());
    for (const CLI::App* command : commands)
        text += ".br\n" + Synopsis(*command, m_app.get_name() + " " + command->get_name());
    text += ".SH OPTIONS\n" + Options(m_app);
    for (const CLI::App* command : commands) {
        text += ".SS \"" + Escape(m_app.get_name() + " " + command->get_name()) + "\"\n";
        text += Wrapped(Sentence(command->get_description())) + "\n" + Options(*command);
    }
    return text + Tables();
}

std::string CManualPage::Escape(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        if (c == '\\')
            escaped += "\\e";
        else if (c == '-')
            escaped += "\\-";
        else if (c == '\n')
            escaped += "\n\\&";   // a line of its own, still not a request
        else
            escaped += c;
    }
    if (!escaped.empty() && (escaped.front() == '.' || escaped.front() == '\''))
        escaped.insert(0, "\\&");
    return escaped;
}

// One synopsis line: the command's name, its options in brackets, then its arguments. A
// program with commands shows only its own options here (--help, --version); each command
// gets its own line.
std::string CManualPage::Synopsis(const CLI::App& command, const std::string& name) const
{
    std::string text = ".B \"" + Escape(name) + "\"\n";
    for (const CLI::Option* option : command.get_options())
        if (option->nonpositional() && !Hidden(*option))
            text += "[\\fB" + Escape(option->get_name()) + "\\fR" + Value(*option) + "]\n";
    if (!Commands(command).empty() && command.get_require_subcommand_min() > 0)
        text += "\\fICOMMAND\\fR\n";
    for (const CLI::Option* option : command.get_options())
        if (!option->nonpositional())
            text += Argument(*option) + "\n";
    return text;
}

// The arguments, then the options group by group; the first group is the command's own
// list, the others ("Diagnostics", say) follow under their names.
std::string CManualPage::Options(const CLI::App& command) const
{
    std::string text;
    for (const CLI::Option* option : command.get_options())
        if (!option->nonpositional())
            text += Entry(Argument(*option), Description(*option));
    const std::vector<std::string> groups = Groups(command);
    for (size_t group = 0; group < groups.size(); ++group) {
        if (group > 0)
            text += ".PP\n" + Escape(groups[group]) + ":\n";
        for (const CLI::Option* option : command.get_options())
            if (option->nonpositional() && option->get_group() == groups[group])
                text += Entry(Names(*option) + Value(*option), Description(*option));
    }
    return text;
}

std::string CManualPage::Tables() const
{
    std::string text;
    for (const auto& [title, rows] : m_tables) {
        text += ".SH " + Escape(title) + "\n";
        for (const auto& [left, right] : rows)
            text += Entry("\\fB" + Escape(left) + "\\fR", Wrapped(Sentence(right)));
    }
    return text;
}
