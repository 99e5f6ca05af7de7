#include "AfxCommandLine.h"

#include <cstring>
#include <string>

namespace {

bool IsBlank(char ch) { return ch == ' ' || ch == '\t'; }

// One argument starting at p: quotes group blanks and are dropped. Returns the position after it.
const char* NextArgument(const char* p, std::string& arg)
{
    bool quoted = false;
    for (; *p && (quoted || !IsBlank(*p)); ++p) {
        if (*p == '"') quoted = !quoted;
        else arg += *p;
    }
    return p;
}

// The rest of the line after the first '=' at or after p, without quotes and trailing blanks.
std::string RestOfLine(const char* p)
{
    p = std::strchr(p, '=') + 1;
    std::string value;
    for (; *p; ++p)
        if (*p != '"') value += *p;
    while (!value.empty() && IsBlank(value.back())) value.pop_back();
    return value;
}

}  // namespace

const char CCommandSwitches::kRestOfLine[] = "/D=";

const char* AfxArgumentsOf(const char* pszCommandLine)
{
    const char* p = pszCommandLine;
    if (*p == '"') {
        for (++p; *p && *p != '"'; ++p) {
        }
        if (*p) ++p;
    } else {
        while (*p && !IsBlank(*p)) ++p;
    }
    while (IsBlank(*p)) ++p;
    return p;
}

CCommandSwitches::CCommandSwitches(const char* pszArguments)
{
    const char* p = pszArguments ? pszArguments : "";
    for (;;) {
        while (IsBlank(*p)) ++p;
        if (!*p) break;
        std::string arg;
        const char* start = p;
        p = NextArgument(p, arg);
        if (AfxStartsWithNoCase(arg.c_str(), kRestOfLine)) {
            // The argument's own "/D=" (quotes dropped) names it; the raw line after its '=' is
            // its value, so what follows is part of the value and not a switch.
            m_args.push_back(CString(arg.substr(0, sizeof kRestOfLine - 1) + RestOfLine(start)));
            break;
        }
        m_args.push_back(CString(arg));
    }
}

bool CCommandSwitches::Is(int nIndex, const char* pszSwitch) const
{
    return GetAt(nIndex).CompareNoCase(pszSwitch) == 0;
}

bool CCommandSwitches::IsValued(int nIndex, const char* pszPrefix, CString& strValue) const
{
    const CString& arg = GetAt(nIndex);
    if (!AfxStartsWithNoCase(arg, pszPrefix)) return false;
    strValue = arg.Mid(int(std::strlen(pszPrefix)));
    return true;
}

bool CCommandSwitches::Has(const char* pszSwitch) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (Is(i, pszSwitch)) return true;
    return false;
}
