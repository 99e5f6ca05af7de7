// Language tables: the texts of the Windows programs in one language each, and the ZRVLANG
// resource (RCDATA) in which the programs carry all of them.
//
// A table is UTF-8 text (a byte-order mark at the start is ignored), lines ended by LF or CR LF:
// '#' starts a comment line, blank lines are skipped, every other line is KEY=TEXT. KEY is letters,
// digits, '.' and '_'; TEXT runs to the line end, with the escapes \n, \t and \\. The first setting
// is Language=TAG (e.g. de, pt-BR); LanguageIds=0x0407,... and LanguageName=... follow among the
// first settings. The resource holds the tables' texts one after the other, each from its
// Language= line: a Language= line starts the next table.
//
// An author's table (zrvtool's --language) must be one the programs can use safely: every key one
// that the English table has, every key of the English table there, and each text's printf
// conversions (%s, %d, %lu ...) the same as in the English text, in the same order, by the rule the
// programs themselves apply (AfxText.h): a program hands a text's arguments to printf as the English
// text wants them, and a different conversion would read them as something else.
#pragma once

#include "ProgramResources.h"

#include <string>
#include <vector>

namespace zrvtool {

// The resource that holds the tables: RCDATA named ZRVLANG.
extern const ResourceKey kLanguageResource;

struct LanguageEntry {
    std::string strKey;
    std::string strText;  // as written, escapes and all
    int nLine = 0;        // 1-based, in the table's file
};

struct LanguageTable {
    std::string strTag;     // its Language= value
    std::string strSource;  // its file, or the program it came from, for messages
    std::string strText;    // the table as the resource holds it: from its Language= line, UTF-8,
                            // lines ended by LF or CR LF as written, the last one ended too
    std::vector<LanguageEntry> entries;  // in the order written, the first settings among them
};

// Parses the table strSource holding text. Throws ToolError "strSource:LINE: ..." for text that is
// not UTF-8, a line that is no KEY=TEXT, a key of other characters, a key given twice, an unknown
// escape, and for a table that does not begin with Language=TAG or lacks LanguageIds or LanguageName.
LanguageTable ParseLanguageTable(const std::string& strSource, const std::string& text);

// The tables of a ZRVLANG resource's data (what names the program in messages). Throws ToolError
// as ParseLanguageTable does.
std::vector<LanguageTable> SplitLanguageTables(const std::string& data, const std::string& what);

// Checks an author's table against the English one. Throws ToolError naming the table's file and
// line: a key the English table lacks, a text with a conversion problem (AfxConversionProblem, the
// rule by which the programs drop a text), a key of the English table that the table lacks.
void CheckAgainstEnglish(const LanguageTable& table, const LanguageTable& english);

// The resource data of builtIn with each table of author put in: in place of the built-in table of
// its tag, or after the others when its tag is new.
std::string MergedTables(const std::vector<LanguageTable>& builtIn, const std::vector<LanguageTable>& author);

// The author's tables of files, read, parsed and checked against the English table of builtIn.
// Throws ToolError: a file that cannot be read or a table refused as above; two files of one tag;
// builtIn without an English table.
std::vector<LanguageTable> ReadAuthorTables(const std::vector<std::string>& files,
                                            const std::vector<LanguageTable>& builtIn);

// The built-in tables of a program (its ZRVLANG resource); what names the program. Throws
// ToolError when the program carries none.
std::vector<LanguageTable> BuiltInTables(const std::string& program, const std::string& what);

// The change of program's ZRVLANG resource to its built-in tables with author's (for
// WithResources, beside other changes).
ResourceChange LanguageChange(const std::string& program, const std::vector<LanguageTable>& author,
                              const std::string& what);

// The tags the installer knows without an author's tables: those of the Setup.exe this zrvtool
// carries, or, when it carries none with tables, those the product ships (en, de, fr, es, it,
// pt-BR, nl, pl, cs, ru, ja, zh-CN, ko).
std::vector<std::string> KnownLanguageTags();

}  // namespace zrvtool
