// The programs' texts in the user's language: language tables, their check, the choice of a
// language, and the one lookup every user-visible text goes through. Portable; the Win32 part
// (AfxTextWin32.cpp) reads the tables from the program's ZRVLANG resource and asks the system for
// the user's language.
//
// A table is UTF-8 text, one setting a line: '#' starts a comment line, blank lines are skipped,
// every other line is KEY=TEXT (line ends LF or CR LF, a byte-order mark at the start is ignored).
// The first settings are Language=TAG, LanguageIds=0x0407,... and LanguageName=NAME; each
// Language= line starts a new table, so tables concatenate. Escapes in TEXT: \n, \t, \\.
//
// English is built into the programs (made from lang/en.lang at build time): it is the default,
// and the text of any key that the chosen table lacks.
#pragma once

#include "AfxString.h"

#include <cstdarg>
#include <map>
#include <string>
#include <vector>

struct CTextTable {
    std::string strTag;                         // Language=
    std::vector<unsigned> ids;                  // LanguageIds=: the LANGIDs the table serves exactly
    std::string strName;                        // LanguageName=
    std::map<std::string, std::string> texts;   // key -> text, escapes resolved
    std::map<std::string, int> lines;           // key -> its line in the parsed text, for messages

    // The text of strKey, or null.
    const char* Find(const std::string& strKey) const;
};

// Parses one table or several concatenated ones from nSize bytes at p. Returns false on the first
// line it cannot take, with pError (when given) naming the line and what is wrong with it:
// a line without '=', a key with other characters than letters, digits, '.' and '_', an unknown
// escape, a key given twice in one table, a text before the first Language= line, a bad LanguageIds
// number. The tables read so far are kept in tables.
bool AfxParseTextTables(const char* p, size_t nSize, std::vector<CTextTable>& tables, std::string* pError);

// The printf conversions of a text in order, as written ("%s", "%lu"); "%%" is none. The texts
// hold only the plain conversions %s, %d, %u, %c, %ld and %lu: a flag, a width, a precision or an
// argument's position would let a translation pad, cut or reread what the English text shows.
// Returns false at the first '%' that starts anything else (a '%' that ends the text too), with
// *pBad (when given) its offset and out holding the conversions before it.
bool AfxTextConversions(const std::string& strText, std::vector<std::string>& out, size_t* pBad = nullptr);

// Why strText cannot stand for strEnglish where a program formats it, worded to follow "the text
// of KEY ": it holds a conversion of another form than the above, or its conversions differ from
// the English ones in count, kind or order. Empty when it can. This one rule is what the author's
// tool refuses a table for and what makes a program drop a text and speak English for it.
std::string AfxConversionProblem(const std::string& strEnglish, const std::string& strText);

// What is wrong with a translation measured against English: one line per English key it lacks,
// per key English does not have, per text with a conversion problem (AfxConversionProblem), and
// for a missing Language= or LanguageName=. Empty when the table is complete.
std::vector<std::string> AfxCheckTextTable(const CTextTable& english, const CTextTable& table);

// What the choice of a language goes by.
struct LanguageRequest {
    std::string strCommandTag;          // /LANG= on the command line, empty when absent
    std::vector<std::string> allowed;   // Setup.ini's Languages= list, in its order; empty: all
    unsigned nUserLangId = 0;           // the user's UI language (a Windows LANGID), 0 when unknown
};

// The index in tables of the language to speak, or -1 for the built-in English:
// 1. /LANG=TAG when a table has that tag (letter case aside); an unknown tag counts as absent;
// 2. of the tables that Languages= names (in its order; all tables when it names none that
//    exists), the first that serves the user's LANGID exactly, else the first of the same primary
//    language;
// 3. else the first table Languages= names, or English when it names none.
int AfxChooseLanguage(const std::vector<CTextTable>& tables, const LanguageRequest& request);

// The tables a program carries; the first with strTag "en" stands in for the built-in English
// when chosen. A later table of a tag replaces an earlier one (an author's own after the built-in
// ones); a text with a conversion problem (AfxConversionProblem) and a key English lacks are
// dropped. Replaces the tables and goes back to English.
void AfxSetTextTables(std::vector<CTextTable> tables);
const std::vector<CTextTable>& AfxGetTextTables();
// Speaks the table of index nTable (as AfxChooseLanguage returns), -1 English.
void AfxSetLanguage(int nTable);
// The tag of the language spoken ("en" for the built-in English).
const char* AfxGetLanguage();
// The built-in English table.
const CTextTable& AfxEnglishTexts();

// The text of strKey in the language spoken, else in English; the key itself when English lacks
// it too (a programming error that the table check and the tests catch).
const char* AfxText(const char* pszKey);
// AfxText(pszKey) as a printf format, with the arguments given.
CString AfxTextFormat(const char* pszKey, ...);
// The translation of an English text whose key begins with pszPrefix (a dialog's control found by
// its template text), or null when no such key has that text.
const char* AfxTranslateEnglish(const char* pszPrefix, const char* pszEnglish);

// Bytes of the built-in English table (generated from lang/en.lang).
extern const char kAfxEnglishTable[];
extern const unsigned kAfxEnglishTableSize;

#ifdef _WIN32
// Reads the tables of the program's RCDATA resource ZRVLANG (none when it has none; a table that
// does not parse is dropped from its bad line on) and makes them AfxGetTextTables. Texts are turned
// from UTF-8 into the program's code page when that is not UTF-8; a table with a text that code
// page cannot show is left out.
void AfxLoadTextTables();
// The user's UI language (GetUserDefaultUILanguage).
unsigned AfxGetUserLanguageId();
// Loads the tables and speaks the language AfxChooseLanguage picks for the command line's
// /LANG= tag (may be empty) and the Languages= list; returns the tag spoken.
const char* AfxStartLanguage(const CString& strCommandTag, const std::vector<std::string>& allowed);
#endif
