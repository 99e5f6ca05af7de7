// libFuzzer target: the record carried over upgrades. The bytes are read as a small program that
// writes three generations of Install.log (from short tables of names, so that most logs read and
// keys come back again, in other cases and spellings, after other keys), or, with the first byte's
// top bit, take the first log raw; and two Install.prior texts, the first possibly cut inside a line.
//
// Checked here beyond what the sanitizers catch, with every item named by LogItemIdentity (a value
// by its key too):
// - UnionOfLogs of two logs reads back as the items of both, each part first of the first log,
//   each item once; of one log that does not read, as the other;
// - each upgrade (CarryForward, the run's own lines, the Write...Carried parts after them, as the
//   worker writes a log) reads back as the run's own items, then those of the earlier log that are
//   still there (a value only with its own key), each once; CarriedLogText as the carried ones;
// - JoinRecords of two records that read reads as both, the first one's whole lines first.
#include "CarriedRecord.h"
#include "InstallLog.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

class MemoryFile : public CFile {
public:
    void Write(const void* lpBuf, UINT nCount) override { m_strData.append(static_cast<const char*>(lpBuf), nCount); }
    std::string m_strData;
};

class Bytes {
public:
    Bytes(const uint8_t* p, size_t n) : m_p(p), m_n(n) {}
    uint8_t Next() { return m_i < m_n ? m_p[m_i++] : 0; }
    std::string Raw(size_t n)
    {
        n = std::min(n, m_n - m_i);
        std::string s(reinterpret_cast<const char*>(m_p + m_i), n);
        m_i += n;
        return s;
    }

private:
    const uint8_t* m_p;
    size_t m_n;
    size_t m_i = 0;
};

// A log by its parts, each without its marker.
struct Parts {
    std::string payload, registry, shortcuts;
    std::string Text() const
    {
        return payload + (registry.empty() ? "" : "[\\REGEDIT4]\r\n" + registry) +
               (shortcuts.empty() ? "" : "[\\SHORTCUTS]\r\n" + shortcuts);
    }
};

Parts MakeLog(Bytes& in)
{
    static const char* const kFiles[] = {"a.txt", "A.TXT", "sub\\x.dat", "b"};
    static const char* const kDirs[] = {"sub", "SUB", "d"};
    static const char* const kKeys[] = {"Software\\P", "SOFTWARE\\p", "Software\\P\\", "Software\\Q", "Software\\P\\Sub",
                                        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\P", "Software\\\\P"};
    static const char* const kValues[] = {"", "a", "A", "Only1", "b", "x\ry"};
    static const char* const kFolders[] = {"P", "p", "P\\Q"};
    static const char* const kShortcuts[] = {"P\\a.lnk", "P\\A.LNK", "P\\Q\\b.lnk"};
    Parts log;
    const int nLines = in.Next() % 48;
    for (int i = 0; i < nLines; ++i) {
        const uint8_t b = in.Next();
        const unsigned n = b >> 3;
        switch (b % 8) {
        case 0: log.payload += std::string(kFiles[n % 4]) + "\r\n"; break;
        case 1: log.payload += "\\" + std::string(kDirs[n % 3]) + "\r\n"; break;
        case 2:
        case 3:
            log.registry += "\\[" + std::string(kRegistryRoots[n % 4]) + "\\" + kKeys[(n / 4) % 7] + "]\r\n";
            if (b % 8 == 2) break;
            // fall through: a key line and a value under it
        case 4:
        case 5:
            if (log.registry.empty()) log.registry += "\\[HKEY_CURRENT_USER\\Software\\P]\r\n";
            log.registry += std::string(kValues[n % 6]) + "\r\n";
            break;
        case 6: log.shortcuts += "\\" + std::string(kFolders[n % 3]) + "\r\n"; break;
        case 7: log.shortcuts += std::string(kShortcuts[n % 3]) + "\r\n"; break;
        }
    }
    return log;
}

bool Read(const std::string& text, InstallRecord& record)
{
    LogDamage damage;
    return ParseInstallLog(text.data(), text.size(), record, damage);
}

int PartOf(const LogItem& item)
{
    switch (item.kind) {
    case LogItemKind::Directory:
    case LogItemKind::File: return 0;
    case LogItemKind::Key:
    case LogItemKind::Value: return 1;
    default: return 2;
    }
}

// The identities of first's items then second's, part by part, each once.
std::vector<std::string> Expected(const std::vector<LogItem>& first, const std::vector<LogItem>& second)
{
    std::vector<std::string> out;
    std::set<std::string> seen;
    for (int part = 0; part < 3; ++part)
        for (const std::vector<LogItem>* items : {&first, &second})
            for (const LogItem& item : *items)
                if (PartOf(item) == part && seen.insert(LogItemIdentity(item)).second) out.push_back(LogItemIdentity(item));
    return out;
}

std::vector<std::string> Identities(const std::string& text)
{
    InstallRecord record;
    if (!Read(text, record)) std::abort();
    std::vector<std::string> out;
    for (const LogItem& item : record.items) out.push_back(LogItemIdentity(item));
    return out;
}

// Whether an item is still there: decided by its identity and the seed, a value also by its key.
class SeededProbe : public CarriedItemProbe {
public:
    explicit SeededProbe(uint8_t seed) : m_seed(seed) {}
    bool Exists(const LogItem& item) const override
    {
        return m_seed == 0 || (std::hash<std::string>()(LogItemIdentity(item)) + m_seed) % 5 != 0;
    }

private:
    uint8_t m_seed;
};

void CheckUnion(const std::string& first, const std::string& second)
{
    InstallRecord a, b;
    const bool bA = Read(first, a), bB = Read(second, b);
    const std::string both = UnionOfLogs(first, second);
    if (!bA || first.empty()) {
        if (both != (bB && !second.empty() ? second : std::string())) std::abort();
        return;
    }
    if (!bB || second.empty()) {
        if (both != first) std::abort();
        return;
    }
    if (Identities(both) != Expected(a.items, b.items)) std::abort();
}

// A run with own's lines over earlier: returns its log, checked.
std::string Upgrade(const std::string& earlier, const Parts& own, const CarriedItemProbe& probe)
{
    InstallRecord record;
    if (!Read(earlier, record)) return own.Text();
    CarriedRecord carried = CarryForward(record, PriorState(), probe);
    // What must be carried: what is there, a value only when its own key is.
    std::set<std::string> keys;
    std::vector<LogItem> kept;
    for (const LogItem& item : record.items) {
        if (!probe.Exists(item)) continue;
        if (item.kind == LogItemKind::Value && !keys.count(LogKeyIdentity(item))) continue;
        if (item.kind == LogItemKind::Key) keys.insert(LogKeyIdentity(item));
        kept.push_back(item);
    }
    if (Identities(CarriedLogText(carried)) != Expected(kept, {})) std::abort();

    MemoryFile file;
    InstallLogWriter log(file);
    file.m_strData += own.payload;
    WriteCarriedPayload(carried, log, ListedItems(file.m_strData));
    if (!own.registry.empty()) file.m_strData += "[\\REGEDIT4]\r\n" + own.registry;
    WriteCarriedRegistry(carried, log, ListedItems(file.m_strData), !own.registry.empty());
    if (!own.shortcuts.empty()) file.m_strData += "[\\SHORTCUTS]\r\n" + own.shortcuts;
    WriteCarriedShortcuts(carried, log, ListedItems(file.m_strData), !own.shortcuts.empty());
    InstallRecord mine;
    if (!Read(own.Text(), mine)) std::abort();
    // The writer writes the program's text (UTF-8); the log is stored as the run's file stores it.
    const std::string stored = StoredLogText(file.m_strData);
    if (Identities(stored) != Expected(mine.items, kept)) std::abort();
    // Killed after its own registry part: what it carried, joined with what it wrote.
    CheckUnion(CarriedLogText(carried), own.payload + (own.registry.empty() ? "" : "[\\REGEDIT4]\r\n" + own.registry));
    return stored;
}

std::string MakeRecord(Bytes& in)
{
    static const char* const kLines[] = {"target", "directory\tsub", "key\tHKEY_LOCAL_MACHINE\tSoftware\\P",
                                         "madekey\tHKEY_CURRENT_USER\tSoftware", "madefolder\tC:\\Apps",
                                         "value\tHKEY_USERS\tS\tn\tREG_SZ\t00\tREG_DWORD\t01000000"};
    std::string text = std::string(kPriorHeader) + kRecordLineEnd;
    const int nLines = in.Next() % 8;
    for (int i = 0; i < nLines; ++i) text += std::string(kLines[in.Next() % 6]) + kRecordLineEnd;
    return text;
}

void CheckJoin(Bytes& in)
{
    std::string first = MakeRecord(in), second = MakeRecord(in);
    const size_t cut = in.Next();
    if (cut < first.size()) first.resize(cut);
    const std::string joined = JoinRecords(first, second);
    const std::string whole = first.substr(0, first.rfind(kRecordLineEnd) == std::string::npos ? 0 : first.rfind(kRecordLineEnd) + 2);
    PriorState a, b, j;
    PriorDamage damage;
    const bool bA = !whole.empty() && ParsePriorRecord(whole.data(), whole.size(), a, damage);
    if (!ParsePriorRecord(second.data(), second.size(), b, damage)) return;  // a line this build does not know
    if (!ParsePriorRecord(joined.data(), joined.size(), j, damage)) {
        if (!whole.empty() && !bA) return;  // the first one's whole lines do not read either
        std::abort();
    }
    if (!bA) {
        if (joined != second) std::abort();
        return;
    }
    if (j.directories.size() != a.directories.size() + b.directories.size() || j.keys.size() != a.keys.size() + b.keys.size() ||
        j.madeKeys.size() != a.madeKeys.size() + b.madeKeys.size() || j.values.size() != a.values.size() + b.values.size() ||
        j.bTargetHeldFiles != (a.bTargetHeldFiles || b.bTargetHeldFiles))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Bytes in(data, size);
    const uint8_t mode = in.Next();
    std::string first = mode & 0x80 ? in.Raw(in.Next()) : MakeLog(in).Text();
    Parts second = MakeLog(in), third = MakeLog(in);
    CheckUnion(first, second.Text());
    CheckUnion(second.Text(), first);
    const SeededProbe probe(mode & 0x7F);
    std::string log = Upgrade(first, second, probe);
    Upgrade(log, third, probe);
    CheckJoin(in);
    return 0;
}
