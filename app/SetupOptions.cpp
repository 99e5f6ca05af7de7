#include "SetupOptions.h"

#include "AfxCallerDir.h"

#include <cstring>

namespace {

bool IsBlank(char ch) { return ch == ' ' || ch == '\t'; }

char Upper(char ch) { return (ch >= 'a' && ch <= 'z') ? char(ch - 'a' + 'A') : ch; }

// Whether text starts with word (upper case), whatever the case of text.
bool StartsWithNoCase(const char* text, const char* word)
{
    for (; *word; ++text, ++word)
        if (Upper(*text) != *word) return false;
    return true;
}

// One blank-separated argument starting at p: quotes group blanks and are dropped. Returns the
// position after it.
const char* NextArgument(const char* p, CString& strArg)
{
    std::string arg;
    bool quoted = false;
    for (; *p && (quoted || !IsBlank(*p)); ++p) {
        if (*p == '"') quoted = !quoted;
        else arg += *p;
    }
    strArg = arg.c_str();
    return p;
}

// The value of /D=: the rest of the line without quotes, trailing blanks and a closing backslash.
CString TargetValue(const char* p)
{
    std::string value;
    for (; *p; ++p)
        if (*p != '"') value += *p;
    while (!value.empty() && IsBlank(value.back())) value.pop_back();
    // "C:\Games\" is the folder C:\Games; "C:\" stays the root it names.
    bool root = value.size() == 3 && value[1] == ':';
    if (value.size() > 1 && value.back() == '\\' && !root) value.pop_back();
    return value.c_str();
}

void Refuse(SetupOptions& options, const CString& strText)
{
    if (options.strError.IsEmpty()) options.strError = strText;
}

}  // namespace

SetupOptions ParseSetupOptions(const char* pszCommandLine)
{
    SetupOptions options;
    const char* line = pszCommandLine ? pszCommandLine : "";
    CString strArg;
    // /S anywhere before a /D= makes the run silent; the other options wait for that answer.
    for (const char* p = line; *p;) {
        while (IsBlank(*p)) ++p;
        if (!*p) break;
        p = NextArgument(p, strArg);
        if (StartsWithNoCase(strArg, "/D=")) break;
        if (strArg.GetLength() == 2 && StartsWithNoCase(strArg, "/S")) options.bSilent = TRUE;
    }
    if (!options.bSilent) return options;

    for (const char* p = line; *p;) {
        while (IsBlank(*p)) ++p;
        if (!*p) break;
        const char* start = p;
        p = NextArgument(p, strArg);
        if (strArg.GetLength() == 2 && StartsWithNoCase(strArg, "/S")) continue;
        if (StartsWithNoCase(strArg, "/D=")) {
            options.bHasTarget = TRUE;
            const char* value = start;
            while (*value != '=') ++value;
            options.strTarget = TargetValue(value + 1);
            if (options.strTarget.IsEmpty()) Refuse(options, "FATAL: the option /D= names no directory");
            break;
        }
        if (StartsWithNoCase(strArg, kAfxCallerDirOption)) {
            options.strCallerDir = strArg.Mid(int(std::strlen(kAfxCallerDirOption)));
            continue;
        }
        if (StartsWithNoCase(strArg, "/LOG=")) {
            options.strLogFile = strArg.Mid(5);
            if (options.strLogFile.IsEmpty()) Refuse(options, "FATAL: the option /LOG= names no file");
            continue;
        }
        CString text;
        text.Format("FATAL: unknown option '%s' (use /S, /LOG=FILE and /D=PATH)", strArg.GetString());
        Refuse(options, text);
    }
    return options;
}
