// The value lines of the registry script: "name"=value, with a quoted string (the install path
// put in), hex: bytes or a dword:, each set through the run and logged once set. The interpreter
// applies them below each key line, the registration its DisplayName.
#include "ScriptRun.h"

#include "ScriptText.h"

#include <cstring>
#include <string>
#include <vector>

namespace regscript {

// "name"=value, without blanks around "=". The name is logged once its value has been set.
bool ScriptRun::ApplyValueLine(HKEY hKey, const char* pLine)
{
    const char* pName = pLine + 1;
    const char* pNameEnd = FindOnLine(pName, '"');
    if (!pNameEnd) return Fail("the value's name has no closing quote on its line");
    if (pNameEnd[1] != '=') return Fail("the value's name is not followed directly by =");
    std::string strName(pName, pNameEnd);
    const char* pValue = pNameEnd + 2;

    bool bSet;
    if (*pValue == '"')
        bSet = SetString(hKey, strName, pValue + 1);
    else if (std::strncmp(pValue, "hex:", 4) == 0)
        bSet = SetBinary(hKey, strName, pValue + 4);
    else if (std::strncmp(pValue, "dword:", 6) == 0)
        bSet = SetDword(hKey, strName, pValue + 6);
    else
        return Fail("the value is neither a quoted string nor hex: nor dword:");
    if (!bSet) return false;
    m_log.Value(strName);
    return true;
}

// p follows the opening quote; the value runs to the next double quote, on this line or a later one.
bool ScriptRun::SetString(HKEY hKey, const std::string& strName, const char* p)
{
    const char* pEnd = std::strchr(p, '"');
    if (!pEnd) return Fail("the string value has no closing quote");
    std::string strValue = ExpandInstallPath(std::string(p, pEnd), m_strInstallPath);
    if (strValue.size() >= 0xFFFFFFFFu) return Fail("the string value is too long");  // its size with the NUL must fit a DWORD
    if (SetValue(hKey, strName, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()),
                            DWORD(strValue.size() + 1)) != ERROR_SUCCESS)
        return Fail("the registry refused the value");
    return true;
}

// Comma-separated bytes of two hexadecimal digits each. A byte is read at p after optional white
// space (one or two digits); the next one is sought three characters after p, behind a comma right
// after two digits, so a one-digit byte or a blank after a comma ends the list. The text lies
// between p and its NUL, so the list takes less than a third of its length.
bool ScriptRun::SetBinary(HKEY hKey, const std::string& strName, const char* p)
{
    std::vector<BYTE> bytes;
    bytes.reserve(256);
    for (;;) {
        const char* pDigit = p;
        while (IsWhite(*pDigit)) ++pDigit;
        int nHigh = HexDigit(pDigit[0]);
        if (nHigh < 0) return Fail("a hexadecimal byte is expected here in the hex: list");
        int nLow = HexDigit(pDigit[1]);
        bytes.push_back(BYTE(nLow < 0 ? nHigh : nHigh * 16 + nLow));
        // p[0] is not NUL here (a digit was found at or after it); p[1] may be.
        if (p[1] == '\0' || p[2] != ',') break;
        p += 3;
    }
    if (SetValue(hKey, strName, REG_BINARY, bytes.data(), DWORD(bytes.size())) != ERROR_SUCCESS)
        return Fail("the registry refused the value");
    return true;
}

// Up to eight hexadecimal digits after optional white space; what follows them is ignored.
bool ScriptRun::SetDword(HKEY hKey, const std::string& strName, const char* p)
{
    while (IsWhite(*p)) ++p;
    if (HexDigit(*p) < 0) return Fail("the dword: value has no hexadecimal digit");
    DWORD dwValue = 0;
    for (int i = 0; i < 8 && HexDigit(p[i]) >= 0; ++i) dwValue = dwValue * 16 + DWORD(HexDigit(p[i]));
    BYTE data[sizeof dwValue];
    std::memcpy(data, &dwValue, sizeof data);  // the platform's byte order
    if (SetValue(hKey, strName, REG_DWORD, data, sizeof data) != ERROR_SUCCESS)
        return Fail("the registry refused the value");
    return true;
}

}  // namespace regscript
