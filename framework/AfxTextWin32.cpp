// The language tables from the program's resource, and the user's language (AfxText.h).
#include "AfxText.h"

#include "AfxCodePageWin32.h"

#include <windows.h>

namespace {

// UTF-8 to the program's ANSI code page; unchanged where that is UTF-8 or the text is ASCII. False
// when the code page has no character for one of the text's (or the text is no UTF-8).
bool ToProgramCodePage(std::string& text)
{
    bool bAscii = true;
    for (unsigned char ch : text) bAscii = bAscii && ch < 0x80;
    if (bAscii || AfxCodePageIsUtf8()) return true;
    std::wstring wide;
    std::string out;
    if (!AfxUtf8ToWide(text, wide) || !AfxWideToAnsi(wide.c_str(), int(wide.size()), out)) return false;
    text = out;
    return true;
}

}  // namespace

void AfxLoadTextTables()
{
    std::vector<CTextTable> tables;
    HRSRC hRes = FindResourceA(nullptr, "ZRVLANG", MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    HGLOBAL hData = hRes ? LoadResource(nullptr, hRes) : nullptr;
    const char* p = hData ? static_cast<const char*>(LockResource(hData)) : nullptr;
    if (p) AfxParseTextTables(p, SizeofResource(nullptr, hRes), tables, nullptr);
    // A table that the program's code page cannot show (Cyrillic where it is Western European)
    // would speak in question marks: it is not offered, and English speaks instead.
    std::vector<CTextTable> shown;
    for (CTextTable& table : tables) {
        bool bShown = ToProgramCodePage(table.strName);
        for (auto& kv : table.texts) bShown = ToProgramCodePage(kv.second) && bShown;
        if (bShown) shown.push_back(std::move(table));
    }
    AfxSetTextTables(std::move(shown));
}

unsigned AfxGetUserLanguageId() { return GetUserDefaultUILanguage(); }

const char* AfxStartLanguage(const CString& strCommandTag, const std::vector<std::string>& allowed)
{
    AfxLoadTextTables();
    LanguageRequest request;
    request.strCommandTag = strCommandTag.GetString();
    request.allowed = allowed;
    request.nUserLangId = AfxGetUserLanguageId();
    AfxSetLanguage(AfxChooseLanguage(AfxGetTextTables(), request));
    return AfxGetLanguage();
}
