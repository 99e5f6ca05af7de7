#include "PriorRecord.h"

#include "AfxCodePage.h"

#include <cstring>

namespace {

struct TypeName {
    DWORD dwType;
    const char* pszName;
};
const TypeName kTypes[] = {{0, "REG_NONE"},   {1, "REG_SZ"},   {2, "REG_EXPAND_SZ"},        {3, "REG_BINARY"},
                           {4, "REG_DWORD"},  {5, "REG_DWORD_BIG_ENDIAN"}, {6, "REG_LINK"}, {7, "REG_MULTI_SZ"},
                           {11, "REG_QWORD"}};

const char kHex[] = "0123456789abcdef";

std::string Escape(const std::string& s)
{
    std::string out;
    for (unsigned char ch : s) {
        if (ch < 0x20 || ch == 0x7F || ch == '%') {
            out += '%';
            out += "0123456789ABCDEF"[ch >> 4];
            out += "0123456789ABCDEF"[ch & 15];
        } else {
            out += char(ch);
        }
    }
    return out;
}

int HexValue(char ch, bool bUpper)
{
    if (ch >= '0' && ch <= '9') return ch - '0';
    char first = bUpper ? 'A' : 'a';
    if (ch >= first && ch <= first + 5) return ch - first + 10;
    return -1;
}

// Strict: only the escapes Escape writes, and no byte that it would have escaped.
bool Unescape(const std::string& s, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char ch = static_cast<unsigned char>(s[i]);
        if (ch < 0x20 || ch == 0x7F) return false;
        if (ch != '%') {
            out += char(ch);
            continue;
        }
        if (i + 2 >= s.size()) return false;
        int high = HexValue(s[i + 1], true), low = HexValue(s[i + 2], true);
        if (high < 0 || low < 0) return false;
        unsigned char decoded = static_cast<unsigned char>(high * 16 + low);
        if (!(decoded < 0x20 || decoded == 0x7F || decoded == '%')) return false;
        out += char(decoded);
        i += 2;
    }
    return true;
}

std::string HexData(const std::vector<BYTE>& data)
{
    std::string out;
    out.reserve(data.size() * 2);
    for (BYTE b : data) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
    return out;
}

bool ParseHexData(const std::string& s, std::vector<BYTE>& data)
{
    if (s.size() % 2 != 0) return false;
    data.clear();
    data.reserve(s.size() / 2);
    for (size_t i = 0; i < s.size(); i += 2) {
        int high = HexValue(s[i], false), low = HexValue(s[i + 1], false);
        if (high < 0 || low < 0) return false;
        data.push_back(BYTE(high * 16 + low));
    }
    return true;
}

std::string TypeText(DWORD dwType)
{
    for (const TypeName& t : kTypes)
        if (t.dwType == dwType) return t.pszName;
    return std::to_string(dwType);
}

bool ParseType(const std::string& s, DWORD& dwType)
{
    for (const TypeName& t : kTypes) {
        if (s == t.pszName) {
            dwType = t.dwType;
            return true;
        }
    }
    // A number: decimal digits without a leading zero, no larger than a DWORD, and not one of the
    // types that have a name (each type has one spelling).
    if (s.empty() || s.size() > 10 || (s[0] == '0') || s.find_first_not_of("0123456789") != std::string::npos)
        return false;
    unsigned long long n = std::stoull(s);
    if (n > 0xFFFFFFFFull) return false;
    dwType = DWORD(n);
    for (const TypeName& t : kTypes)
        if (t.dwType == dwType) return false;
    return true;
}

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find(kPriorFieldSeparator, start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

bool IsStringType(DWORD dwType) { return dwType == 1 || dwType == 2 || dwType == 7; }  // SZ, EXPAND_SZ, MULTI_SZ

template <class Bytes>
Bytes Utf8Bytes(const Bytes& cp1252)
{
    std::string utf8 = Cp1252ToUtf8(std::string(cp1252.begin(), cp1252.end()));
    return Bytes(utf8.begin(), utf8.end());
}

struct RecordParser {
    PriorState& state;
    PriorDamage& damage;
    bool bCp1252 = false;  // a record of the first form: its texts are Windows-1252

    bool Fail(int nLine, const char* pszReason)
    {
        damage.nLine = nLine;
        damage.strReason = pszReason;
        return false;
    }

    bool Text(int nLine, const std::string& field, std::string& out, bool bMayBeEmpty)
    {
        if (!Unescape(field, out)) return Fail(nLine, "a name holds a byte that must be escaped, or a bad escape");
        if (out.empty() && !bMayBeEmpty) return Fail(nLine, "an empty path");
        if (bCp1252) out = Cp1252ToUtf8(out);
        else if (!IsUtf8(out)) return Fail(nLine, "a name that is not UTF-8");
        return true;
    }

    bool Root(int nLine, const std::string& field, int& nRoot)
    {
        nRoot = RegistryRootIndex(field.data(), field.size());
        if (nRoot < 0) return Fail(nLine, "a key under a root that the installer does not write");
        return true;
    }

    bool Value(int nLine, const std::vector<std::string>& f)
    {
        PriorValue v;
        if (!Root(nLine, f[1], v.nRoot) || !Text(nLine, f[2], v.strKey, false) || !Text(nLine, f[3], v.strName, true))
            return false;
        if (!ParseType(f[4], v.dwOldType) || !ParseType(f[6], v.dwNewType)) return Fail(nLine, "an unknown value type");
        if (!ParseHexData(f[5], v.oldData) || !ParseHexData(f[7], v.newData))
            return Fail(nLine, "data that is not pairs of lower-case hexadecimal digits");
        // The text of a string value as the A functions gave and take it, in the code page the
        // record was written under.
        if (bCp1252) {
            for (auto data : {std::make_pair(v.dwOldType, &v.oldData), std::make_pair(v.dwNewType, &v.newData)})
                if (IsStringType(data.first)) *data.second = Utf8Bytes(*data.second);
        }
        state.values.push_back(std::move(v));
        return true;
    }

    bool Line(int nLine, const std::string& line)
    {
        if (nLine == 1) {
            bCp1252 = line == kPriorHeaderCp1252;
            return line == kPriorHeader || bCp1252 ? true : Fail(nLine, "not a record of this installer (bad first line)");
        }
        std::vector<std::string> f = SplitTabs(line);
        const std::string& kind = f[0];
        if (kind == kPriorTarget && f.size() == 1) {
            state.bTargetHeldFiles = true;
            return true;
        }
        if (kind == kPriorDirectory && f.size() == 2) {
            std::string path;
            if (!Text(nLine, f[1], path, false)) return false;
            state.directories.push_back(path);
            return true;
        }
        if (kind == kPriorKey && f.size() == 3) {
            PriorKey key;
            if (!Root(nLine, f[1], key.nRoot) || !Text(nLine, f[2], key.strPath, false)) return false;
            state.keys.push_back(key);
            return true;
        }
        if (kind == kPriorMadeKey && f.size() == 3) {
            PriorKey key;
            if (!Root(nLine, f[1], key.nRoot) || !Text(nLine, f[2], key.strPath, false)) return false;
            state.madeKeys.push_back(key);
            return true;
        }
        if (kind == kPriorMadeFolder && f.size() == 2) {
            std::string path;
            if (!Text(nLine, f[1], path, false)) return false;
            state.madeFolders.push_back(path);
            return true;
        }
        if (kind == kPriorFile && f.size() == 2) {
            std::string path;
            if (!Text(nLine, f[1], path, false)) return false;
            state.keptFiles.push_back(path);
            return true;
        }
        if (kind == kPriorValue && f.size() == 8) return Value(nLine, f);
        return Fail(nLine, "not a line of the record (unknown kind or wrong number of fields)");
    }
};

}  // namespace

namespace {

// The components of a full path and how many of them name its drive or share ("C:": one;
// "\\server\share": two); false for a path that is not full, or that has an empty, "." or ".."
// component.
bool FullPathParts(const std::string& strPath, std::vector<std::string>& parts, size_t& nRoot)
{
    std::string s = strPath;
    if (s.size() > 1 && s.back() == '\\') s.pop_back();
    size_t start = 0;
    if (s.size() >= 2 && s[0] == '\\' && s[1] == '\\') {
        nRoot = 2;
        start = 2;
    } else if (s.size() >= 2 && s[1] == ':' && (s.size() == 2 || s[2] == '\\') && (s[0] | 0x20) >= 'a' &&
               (s[0] | 0x20) <= 'z') {
        nRoot = 1;
    } else {
        return false;
    }
    parts.clear();
    for (;;) {
        size_t cut = s.find('\\', start);
        std::string part = s.substr(start, cut == std::string::npos ? std::string::npos : cut - start);
        if (part.empty() || part == "." || part == "..") return false;
        parts.push_back(part);
        if (cut == std::string::npos) break;
        start = cut + 1;
    }
    return parts.size() >= nRoot;
}

}  // namespace

bool IsFolderAbove(const std::string& strFolder, const std::string& strTarget)
{
    std::vector<std::string> above, below;
    size_t nRootAbove = 0, nRootBelow = 0;
    if (!FullPathParts(strFolder, above, nRootAbove) || !FullPathParts(strTarget, below, nRootBelow)) return false;
    if (nRootAbove != nRootBelow || above.size() <= nRootAbove || above.size() >= below.size()) return false;
    for (size_t i = 0; i < above.size(); ++i)
        if (!SameEntryPath(above[i], below[i])) return false;
    return true;
}

bool HoldsDirectory(const std::vector<std::string>& directories, const std::string& strPath)
{
    for (const std::string& d : directories)
        if (SameEntryPath(d, strPath)) return true;
    return false;
}

bool HoldsKey(const std::vector<PriorKey>& keys, int nRoot, const std::string& strPath)
{
    for (const PriorKey& k : keys)
        if (k.nRoot == nRoot && SameKeyPath(k.strPath, strPath)) return true;
    return false;
}

bool PriorState::HasDirectory(const std::string& strPath) const { return HoldsDirectory(directories, strPath); }

bool PriorState::HasKey(int nRoot, const std::string& strPath) const { return HoldsKey(keys, nRoot, strPath); }

bool PriorState::HasKeptFile(const std::string& strPath) const { return HoldsDirectory(keptFiles, strPath); }

// The last line for a value holds what the installation left in it.
const PriorValue* PriorState::FindValue(int nRoot, const std::string& strKey, const std::string& strName) const
{
    const PriorValue* found = nullptr;
    for (const PriorValue& v : values)
        if (v.nRoot == nRoot && SameKeyPath(v.strKey, strKey) && SameValueName(v.strName, strName)) found = &v;
    return found;
}

// The fields joined by the separator, the line with its end in one Write.
void PriorRecordWriter::Line(std::initializer_list<std::string> fields, const std::string& sIdentity)
{
    if (!m_pFile) return;
    std::string line;
    bool bFirst = true;
    for (const std::string& field : fields) {
        if (!bFirst) line += kPriorFieldSeparator;
        line += field;
        bFirst = false;
    }
    line += kRecordLineEnd;
    if (m_bSayOnce) {
        if (sIdentity.empty() ? !m_lines.insert(line).second : m_lastValue[sIdentity] == line) return;
        if (!sIdentity.empty()) m_lastValue[sIdentity] = line;
    }
    m_pFile->Write(line.data(), UINT(line.size()));
}

void PriorRecordWriter::Header() { Line({kPriorHeader}); }

void PriorRecordWriter::TargetHeldFiles() { Line({kPriorTarget}); }

void PriorRecordWriter::Directory(const std::string& strPath) { Line({kPriorDirectory, Escape(strPath)}); }

void PriorRecordWriter::Key(int nRoot, const std::string& strPath)
{
    Line({kPriorKey, RegistryRootName(nRoot), Escape(strPath)});
}

void PriorRecordWriter::MadeKey(int nRoot, const std::string& strPath)
{
    Line({kPriorMadeKey, RegistryRootName(nRoot), Escape(strPath)});
}

void PriorRecordWriter::MadeFolder(const std::string& strPath) { Line({kPriorMadeFolder, Escape(strPath)}); }

void PriorRecordWriter::KeptFile(const std::string& strPath) { Line({kPriorFile, Escape(strPath)}); }

void PriorRecordWriter::Value(const PriorValue& v)
{
    std::string identity = std::to_string(v.nRoot) + kPriorFieldSeparator + FoldedKeyPath(v.strKey) +
                           kPriorFieldSeparator + FoldedValueName(v.strName);
    Line({kPriorValue, RegistryRootName(v.nRoot), Escape(v.strKey), Escape(v.strName), TypeText(v.dwOldType),
          HexData(v.oldData), TypeText(v.dwNewType), HexData(v.newData)},
         identity);
}

bool ParsePriorRecord(const char* pData, size_t nSize, PriorState& state, PriorDamage& damage)
{
    state = PriorState();
    RecordParser parser{state, damage, false};
    if (nSize == 0) return parser.Fail(1, "the record is empty");
    size_t start = 0;
    int nLine = 0;
    while (start < nSize) {
        ++nLine;
        const char* pEnd = static_cast<const char*>(std::memchr(pData + start, '\n', nSize - start));
        // A line without its CR LF was cut short; a lone LF or CR belongs to no line of ours.
        if (!pEnd || pEnd == pData + start || pEnd[-1] != '\r') return parser.Fail(nLine, "the line is incomplete");
        std::string line(pData + start, size_t(pEnd - 1 - (pData + start)));
        if (line.find('\r') != std::string::npos || line.find('\0') != std::string::npos)
            return parser.Fail(nLine, "a control character inside the line");
        if (!parser.Line(nLine, line)) return false;
        start = size_t(pEnd - pData) + 1;
    }
    return true;
}
