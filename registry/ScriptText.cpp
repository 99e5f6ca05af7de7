// The text rules of the registry script: lines, digits, the install path (ScriptText.h).
#include "ScriptText.h"

#include <cstring>

namespace regscript {

const char kScriptMarker[] = "REGEDIT4";

namespace {
const char kInstallPathDirective[] = "%INSTALLPATH%";

// Replaces "%%" by "%"; every other percent sign stays as written.
std::string CollapsePercents(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        out += s[i];
        if (s[i] == '%' && i + 1 < s.size() && s[i + 1] == '%') ++i;
    }
    return out;
}
}  // namespace

const char* NextLine(const char* p)
{
    const char* pEnd = std::strstr(p, "\r\n");
    return pEnd ? pEnd + 2 : nullptr;
}

bool IsSkippable(const char* p) { return *p == '\r' || *p == ' ' || *p == '#'; }

const char* SkipLines(const char* p)
{
    while (p && IsSkippable(p)) p = NextLine(p);
    return p;
}

const char* FindOnLine(const char* p, char ch)
{
    for (; *p != ch; ++p) {
        if (*p == '\0' || (p[0] == '\r' && p[1] == '\n')) return nullptr;
    }
    return p;
}

bool IsWhite(char ch) { return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r'; }

int HexDigit(char ch)
{
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

std::string ExpandInstallPath(const std::string& strValue, const CString& strInstallPath)
{
    size_t at = strValue.find(kInstallPathDirective);
    if (at == std::string::npos) return strValue;
    return CollapsePercents(strValue.substr(0, at)) + strInstallPath.Str() +
           CollapsePercents(strValue.substr(at + sizeof kInstallPathDirective - 1));
}

}  // namespace regscript
