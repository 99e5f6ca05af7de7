#include "CommandTail.h"

#include <string>

const char* ArgumentsOf(const char* pszCommandLine)
{
    const char* p = pszCommandLine;
    if (*p == '"') {
        for (++p; *p && *p != '"'; ++p) {
        }
        if (*p) ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

bool HasSilentSwitch(const char* pszCommandLine)
{
    // Arguments split at blanks and tabs outside quotes; quotes themselves are not part of them.
    // (Backslashes before a quote do not matter here: no argument holding one can be /S.)
    const char* p = ArgumentsOf(pszCommandLine);
    while (*p) {
        std::string arg;
        bool quoted = false;
        for (; *p && (quoted || (*p != ' ' && *p != '\t')); ++p) {
            if (*p == '"') quoted = !quoted;
            else arg += *p;
        }
        if (arg.size() == 2 && arg[0] == '/' && (arg[1] == 'S' || arg[1] == 's')) return true;
        while (*p == ' ' || *p == '\t') ++p;
    }
    return false;
}
