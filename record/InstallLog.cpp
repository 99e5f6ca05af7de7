#include "InstallLog.h"

#include "AfxCodePage.h"
#include "EntryName.h"
#include "SameName.h"
#include "ShortcutRules.h"

#include <cstring>
#include <set>
#include <string>

namespace {

struct LineParser {
    InstallRecord& record;
    LogDamage& damage;
    bool bRegistry = false;
    bool bShortcuts = false;
    int nKey = -1;  // index of the last key line in record.items

    bool Fail(int nLine, const char* pszReason)
    {
        damage.nLine = nLine;
        damage.strReason = pszReason;
        return false;
    }

    std::string stored;  // the line as the file holds it

    bool PayloadLine(int nLine, const CString& line)
    {
        // The same rule as when the entry was installed, to the name as stored: nothing that could
        // leave the target.
        if (const char* why = CheckEntryPath(stored))
            return Fail(nLine, why == kEntryPathTooLong ? "the path is longer than 255 bytes" : why);
        bool dir = line[0] == kLogDirectoryLead;
        LogItemKind kind = bShortcuts ? (dir ? LogItemKind::ShortcutFolder : LogItemKind::Shortcut)
                                      : (dir ? LogItemKind::Directory : LogItemKind::File);
        record.items.push_back({kind, nLine, dir ? line.Mid(1) : line, -1, CString()});
        return true;
    }

    // The same rules below the Programs folder, and nothing but shortcut files there.
    bool ShortcutLine(int nLine, const CString& line)
    {
        // An empty line is refused by the entry-name rules, as in the payload part.
        if (!line.IsEmpty() && line[0] != kLogDirectoryLead && !IsShortcutFileName(line))
            return Fail(nLine, "a file of the Start menu that is not a shortcut");
        return PayloadLine(nLine, line);
    }

    bool KeyLine(int nLine, const CString& line)
    {
        if (line[line.GetLength() - 1] != kLogKeyEnd) return Fail(nLine, "a key line without its closing bracket");
        const int nLead = int(sizeof kLogKeyLead - 1);
        CString body = line.Mid(nLead, line.GetLength() - nLead - 1);
        for (int r = 0; r < kRegistryRootCount; ++r) {
            CString root = CString(kRegistryRoots[r]) + kRootSeparator;
            if (body.Left(root.GetLength()) != root) continue;
            CString path = body.Mid(root.GetLength());
            record.items.push_back({LogItemKind::Key, nLine, path, r, CString()});
            nKey = int(record.items.size()) - 1;
            CString prefix(kUninstallKeyPath);
            if ((r == kRootLocalMachine || r == kRootCurrentUser) && path.GetLength() > prefix.GetLength() &&
                SameKeyPath(path.Left(prefix.GetLength()).Str(), kUninstallKeyPath)) {
                record.strProductName = path.Mid(prefix.GetLength());
                record.bForOneUser = r == kRootCurrentUser;
            }
            return true;
        }
        return Fail(nLine, "a key under a root that the installer does not write");
    }

    bool RegistryLine(int nLine, const CString& line)
    {
        if (line.Left(int(sizeof kLogKeyLead - 1)) == kLogKeyLead) return KeyLine(nLine, line);
        if (nKey < 0) return Fail(nLine, "a value line before any key line");
        const LogItem& key = record.items[size_t(nKey)];
        record.items.push_back({LogItemKind::Value, nLine, line, key.nRoot, key.strPath});
        return true;
    }

    bool Line(int nLine, const CString& line)
    {
        if (bShortcuts) return ShortcutLine(nLine, line);
        if (line == kLogShortcutMarker) {
            bShortcuts = true;
            return true;
        }
        if (bRegistry) return RegistryLine(nLine, line);
        if (line == kLogRegistryMarker) {
            bRegistry = true;
            return true;
        }
        return PayloadLine(nLine, line);
    }
};

// An item listed again (an upgrade lists what the earlier version made and what it wrote itself,
// often the same) is one item: only its first line counts, so that nothing is removed or put back
// twice. Names compare as the file system and the registry compare them. A value keeps the key
// that it was read under (strKey) when that key's repeated line goes.
void DropRepeatedItems(std::vector<LogItem>& items)
{
    std::set<std::string> seen;
    std::vector<LogItem> kept;
    kept.reserve(items.size());
    for (LogItem& item : items)
        if (seen.insert(LogItemIdentity(item)).second) kept.push_back(std::move(item));
    items = std::move(kept);
}

}  // namespace

bool ParseInstallLog(const char* pData, size_t nSize, InstallRecord& record, LogDamage& damage)
{
    record = InstallRecord();
    LineParser parser{record, damage, false, false, -1, std::string()};
    const bool bUtf8 = StartsWithUtf8Mark(pData, nSize);
    size_t start = bUtf8 ? kUtf8MarkSize : 0;
    int nLine = 0;
    while (start < nSize) {
        ++nLine;
        size_t end = start;
        while (end + 1 < nSize && !(pData[end] == '\r' && pData[end + 1] == '\n')) ++end;
        // A last line without its CR LF was cut short: what it names may be another file's name.
        if (end + 1 >= nSize) return parser.Fail(nLine, "the last line is incomplete");
        if (std::memchr(pData + start, '\0', end - start)) return parser.Fail(nLine, "a zero byte inside the line");
        parser.stored.assign(pData + start, end - start);
        if (bUtf8 && !IsUtf8(parser.stored)) return parser.Fail(nLine, "a line of a UTF-8 log that is not UTF-8");
        std::string line = bUtf8 ? parser.stored : Cp1252ToUtf8(parser.stored);
        if (!parser.Line(nLine, CString(line.c_str(), int(line.size())))) return false;
        start = end + 2;
    }
    DropRepeatedItems(record.items);
    return true;
}

bool LogTextInCp1252(const std::string& strUtf8, std::string& cp1252) { return Utf8ToCp1252(strUtf8, cp1252); }

std::string StoredLogText(const std::string& strUtf8)
{
    std::string cp1252;
    return LogTextInCp1252(strUtf8, cp1252) ? cp1252 : kUtf8Mark + strUtf8;
}

void InstallLogWriter::Line(const std::string& strLine)
{
    std::string line = strLine + kRecordLineEnd;
    m_file.Write(line.data(), UINT(line.size()));
}

void InstallLogWriter::Directory(const std::string& strPath) { Line(kLogDirectoryLead + strPath); }

void InstallLogWriter::File(const std::string& strPath) { Line(strPath); }

void InstallLogWriter::RegistryMarker() { Line(kLogRegistryMarker); }

void InstallLogWriter::Key(int nRoot, const std::string& strPath)
{
    Line(kLogKeyLead + std::string(RegistryRootName(nRoot)) + kRootSeparator + strPath + kLogKeyEnd);
}

void InstallLogWriter::Value(const std::string& strName) { Line(strName); }

void InstallLogWriter::ShortcutMarker() { Line(kLogShortcutMarker); }

void InstallLogWriter::ShortcutFolder(const std::string& strFolder) { Line(kLogDirectoryLead + strFolder); }

void InstallLogWriter::Shortcut(const std::string& strPath) { Line(strPath); }

std::string LogItemIdentity(const LogItem& item)
{
    // One place of the target holds one item: a file and a folder of the same path are the same
    // item, so that a name that is a file in one version and a folder in the next is the later
    // version's own, never retired after it was made.
    const LogItemKind kind = item.kind == LogItemKind::File ? LogItemKind::Directory : item.kind;
    std::string key = std::to_string(int(kind)) + '|' + std::to_string(item.nRoot) + '|';
    // The fields are folded by the rule of their kind of name; a '|' inside them is harmless,
    // as the kind fixes which fields there are.
    switch (item.kind) {
    case LogItemKind::Key: return key + '|' + FoldedKeyPath(item.strPath.Str());
    case LogItemKind::Value: return key + FoldedKeyPath(item.strKey.Str()) + '|' + FoldedValueName(item.strPath.Str());
    default: return key + '|' + FoldedEntryPath(item.strPath.Str());
    }
}

std::string LogKeyIdentity(const LogItem& item)
{
    if (item.kind == LogItemKind::Key) return LogItemIdentity(item);
    if (item.kind != LogItemKind::Value) return std::string();
    return LogItemIdentity({LogItemKind::Key, item.nLine, item.strKey, item.nRoot, CString()});
}

int PathDepth(const CString& strPath)
{
    int depth = 0;
    bool inComponent = false;
    for (int i = 0; i < strPath.GetLength(); ++i) {
        bool sep = strPath[i] == '\\';
        if (!sep && !inComponent) ++depth;
        inComponent = !sep;
    }
    return depth;
}
