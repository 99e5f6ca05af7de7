#include "CommandLine.h"

#include "ToolCommon.h"

namespace zrvtool {
namespace {

// The number of required and of all operands in an operands text.
void CountOperands(const char* operands, size_t* pRequired, size_t* pAll)
{
    *pRequired = *pAll = 0;
    bool inWord = false;
    for (const char* p = operands; *p; ++p) {
        if (*p == ' ') {
            inWord = false;
        } else if (!inWord) {
            inWord = true;
            ++*pAll;
            if (*p != '[') ++*pRequired;
        }
    }
}

const Option* FindOption(const Command& command, const std::string& name)
{
    for (const Option& o : command.options)
        if (name == o.name) return &o;
    return nullptr;
}

}  // namespace

std::string CommandLine::Value(const char* name) const
{
    auto it = options.find(name);
    return it == options.end() ? std::string() : it->second;
}

std::string Synopsis(const Command& command)
{
    const size_t kWidth = 100;
    std::string text = std::string(command.name) + " " + command.operands;
    size_t lineStart = 0;
    for (const Option& o : command.options) {
        std::string part = std::string("[") + o.name + (o.value ? std::string(" ") + o.value : "") + "]";
        if (text.size() - lineStart + 1 + part.size() > kWidth) {
            text += "\n      ";
            lineStart = text.size() - 6;
        }
        text += " " + part;
    }
    return text;
}

std::string UsageText(const Command& command)
{
    // A short synopsis and the description's first line share a line; a long one stands alone.
    const size_t kSynopsisWidth = 26;
    std::string text = Synopsis(command);
    std::string indent(28, ' ');
    if (text.size() < kSynopsisWidth)
        text += std::string(kSynopsisWidth - text.size(), ' ');
    else
        text += "\n" + indent;
    for (const char* p = command.description; *p; ++p) {
        text += *p;
        if (*p == '\n') text += indent;
    }
    return text;
}

std::vector<std::string> CommandLine::Values(const char* name) const
{
    std::vector<std::string> values;
    for (const auto& [option, value] : given)
        if (option == name) values.push_back(value);
    return values;
}

CommandLine ParseCommandLine(const Command& command, const Args& args)
{
    CommandLine line;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a[0] != '-') {
            line.positional.push_back(a);
            continue;
        }
        const Option* option = FindOption(command, a);
        if (!option) throw ToolError("unknown option '" + a + "'");
        std::string value;
        if (option->value) {
            if (i + 1 >= args.size()) throw ToolError(a + " needs a value");
            value = args[++i];
        }
        if (option->check) option->check(value);
        line.options[a] = value;
        line.given.emplace_back(a, value);
    }
    size_t required = 0, all = 0;
    CountOperands(command.operands, &required, &all);
    if (line.positional.size() < required || line.positional.size() > all)
        throw UsageError("usage: zrvtool " + Synopsis(command));
    return line;
}

}  // namespace zrvtool
