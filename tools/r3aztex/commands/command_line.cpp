#include "tools/r3aztex/commands/command_line.h"

#include "tools/common/nearest_names.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <memory>

namespace r3aztex {
namespace {

std::vector<std::string> CommandNames(const CLI::App& tool)
{
    std::vector<std::string> names;
    for (const CLI::App* command : tool.get_subcommands([](const CLI::App*) { return true; }))
        names.push_back(command->get_name());
    return names;
}

std::vector<std::string> OptionNames(const CLI::App& command)
{
    std::vector<std::string> names;
    for (const CLI::Option* option : command.get_options()) {
        for (const std::string& name : option->get_lnames())
            names.push_back("--" + name);
        for (const std::string& name : option->get_snames())
            names.push_back("-" + name);
    }
    return names;
}

// "; did you mean X?" when something is near, else nothing.
std::string Suggestion(const std::string& typed, const std::vector<std::string>& known)
{
    const std::vector<std::string> nearest = tools::NearestNames(typed, known);
    return nearest.empty() ? "" : "; did you mean " + tools::OneOf(nearest) + "?";
}

// A number given as a value (a negative size, say) is not an option.
bool LooksLikeOption(const std::string& argument)
{
    return argument.size() > 1 && argument[0] == '-' && !std::isdigit(static_cast<unsigned char>(argument[1]));
}

} // namespace

std::optional<std::string> FindMistypedName(const CLI::App& tool, const std::vector<std::string>& arguments)
{
    const CLI::App* scope = &tool;
    for (const std::string& argument : arguments) {
        if (argument == "--")
            break;
        if (LooksLikeOption(argument)) {
            // "--name=value", and "-ovalue" (a short option with its value).
            const bool longName = argument.starts_with("--");
            const std::string name = longName ? argument.substr(0, argument.find('=')) : argument.substr(0, 2);
            if (scope->get_option_no_throw(name) == nullptr && tool.get_option_no_throw(name) == nullptr) {
                const std::string where = scope == &tool ? "" : " for " + scope->get_name();
                std::vector<std::string> known = OptionNames(*scope);
                if (scope != &tool)
                    for (const std::string& common : OptionNames(tool))
                        if (std::find(known.begin(), known.end(), common) == known.end())
                            known.push_back(common);
                return "unknown option '" + name + "'" + where + Suggestion(name, known) + " (r3aztex help" +
                       (scope == &tool ? "" : " " + scope->get_name()) + " lists them)";
            }
            continue;
        }
        if (scope != &tool)
            continue; // an input file or an option's value
        const CLI::App* command = nullptr;
        try {
            command = tool.get_subcommand(argument);
        } catch (const CLI::OptionNotFound&) {
        }
        if (command == nullptr) {
            const std::vector<std::string> commands = CommandNames(tool);
            return "unknown command '" + argument + "'" + Suggestion(argument, commands) +
                   " (commands: " + tools::OneOf(commands) + ")";
        }
        scope = command;
    }
    return std::nullopt;
}

std::string ExplainParseError(const CLI::ParseError& error)
{
    std::string message = error.what();
    if (message == "A subcommand is required")
        return "say which command to run: info, convert, diff, view or help (r3aztex --help)";
    // CLI11 words a missing positional by its variable's name ("second is
    // required"); say what the command needs instead.
    static const std::pair<const char*, const char*> kMissing[] = {
        {"files is required", "info needs one or more files to describe (r3aztex help info)"},
        {"inputs is required", "convert needs one or more input files (r3aztex help convert)"},
        {"first is required", "diff needs two files, the reference and the texture to compare with it (r3aztex "
                              "help diff)"},
        {"second is required", "diff needs two files, the reference and the texture to compare with it (r3aztex "
                               "help diff)"},
        {"textures is required", "view needs one or more files to show (r3aztex help view)"},
        {"--output is required", "view needs the page to write: -o page.html (r3aztex help view)"},
    };
    for (const auto& [said, meant] : kMissing)
        if (message == said)
            return meant;
    std::replace(message.begin(), message.end(), '\n', ' ');
    return message;
}

CLI::Validator WholeNumber(uint32_t least, uint32_t most)
{
    return CLI::Validator(
        [least, most](std::string& value) -> std::string {
            const bool digits = !value.empty() && value.size() <= 10 &&
                                std::all_of(value.begin(), value.end(), [](char c) {
                                    return std::isdigit(static_cast<unsigned char>(c));
                                });
            const unsigned long long number = digits ? std::stoull(value) : 0;
            if (digits && number >= least && number <= most)
                return "";
            return "'" + value + "' is not a whole number " +
                   (most == UINT32_MAX ? "of " + std::to_string(least) + " or more"
                                       : "from " + std::to_string(least) + " to " + std::to_string(most));
        },
        "NUMBER");
}

CLI::Validator DecimalNumber()
{
    return CLI::Validator(
        [](std::string& value) -> std::string {
            char* end = nullptr;
            const double number = std::strtod(value.c_str(), &end);
            const bool whole = !value.empty() && end == value.c_str() + value.size() && std::isfinite(number);
            return whole ? "" : "'" + value + "' is not a number";
        },
        "NUMBER");
}

CLI::Validator OneOfNames(std::vector<std::string> names)
{
    return CLI::Validator(
        [names](std::string& value) -> std::string {
            std::string lower = value;
            for (char& c : lower)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (std::find(names.begin(), names.end(), lower) != names.end()) {
                value = lower;
                return "";
            }
            return "'" + value + "' is not one of " + tools::OneOf(names) + Suggestion(value, names);
        },
        "");
}

CommandRunner AddHelpCommand(CLI::App& tool)
{
    auto topic = std::make_shared<std::string>();
    CLI::App* help = tool.add_subcommand("help", "Show the help of the tool or of one command");
    help->add_option("command", *topic, "The command to explain");
    return [&tool, topic]() {
        if (topic->empty()) {
            // Not tool.help(): that shows the chosen command's, this one's.
            std::fputs(tool.get_formatter()->make_help(&tool, tool.get_name(), CLI::AppFormatMode::Normal).c_str(),
                       stdout);
            return ExitCode::Success;
        }
        const std::vector<std::string> commands = CommandNames(tool);
        if (std::find(commands.begin(), commands.end(), *topic) == commands.end())
            throw ToolError(ExitCode::CommandLine, "no command '" + *topic + "'" + Suggestion(*topic, commands) +
                                                       " (commands: " + tools::OneOf(commands) + ")");
        std::fputs(tool.get_subcommand(*topic)->help(tool.get_name()).c_str(), stdout);
        return ExitCode::Success;
    };
}

} // namespace r3aztex
