// The code page of a medium: the one in which its image stores entry names and its Setup.ini holds
// its texts. Windows-1252 unless Setup.ini's extension lines say CodePage=65001 (UTF-8); every
// medium made before the installer knew UTF-8 is Windows-1252, and a medium that 1252 can write
// stays so, byte for byte. The tool chooses UTF-8 by itself only when a name or a text needs a
// character that Windows-1252 lacks.
#pragma once

#include "CommandLine.h"

#include <string>
#include <vector>

namespace zrvtool {

enum class CodePage { cp1252, utf8 };

// What the author asked for with --code-page: a fixed code page, or the tool's choice.
enum class CodePageChoice { automatic, cp1252, utf8 };

// "Windows-1252" or "UTF-8", as messages name them.
const char* CodePageName(CodePage cp);
// 1252 or 65001, as a CodePage line spells them.
int CodePageNumber(CodePage cp);

// The option --code-page 1252|utf-8|auto and its value in a parsed line (automatic without it).
Option CodePageOption();
CodePageChoice CodePageChoiceOf(const CommandLine& line);

// One component of a host name (UTF-8 on the authoring host) as an image stores it in cp. Returns
// false when cp cannot hold it (for UTF-8: when the host name is not valid UTF-8).
bool StoredNameOf(const std::string& hostName, CodePage cp, std::string& stored);
// A stored name as the host spells it (UTF-8).
std::string HostNameOf(const std::string& stored, CodePage cp);

// A name without letter case, as Windows compares names: in Windows-1252, the code page's letters
// folded; in UTF-8, the letters of Latin, Greek and Cyrillic. Names that differ only in letters
// folded here are the same to Windows.
std::string FoldCase(const std::string& name, CodePage cp);

// A CodePage= line's value: 1252 or 65001. Returns false for anything else.
bool ParseCodePageValue(const std::string& value, CodePage& cp);

// The code page a name list suggests when read from an image alone: true when some name is valid
// UTF-8 with a multibyte sequence, which Windows-1252 text almost never forms.
bool NamesLookUtf8(const std::vector<std::string>& stored);

}  // namespace zrvtool
