// Install.prior: what an installation found already there, written beside Install.log and read by
// the uninstaller so that it leaves what existed before and puts back what the installation replaced.
//
// Its lines are those of InstallRecordFormat.h.
// Each line is written before the thing it records is done, so a run that stops anywhere leaves
// a record that covers its log.
#pragma once

#include "AfxFile.h"
#include "InstallRecordFormat.h"
#include "SameName.h"

#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

struct PriorValue {
    int nRoot = -1;  // indexes kRegistryRoots
    std::string strKey;
    std::string strName;
    DWORD dwOldType = 0;
    std::vector<BYTE> oldData;
    DWORD dwNewType = 0;
    std::vector<BYTE> newData;
};

struct PriorKey {
    int nRoot = -1;
    std::string strPath;
};

struct PriorState {
    bool bTargetHeldFiles = false;
    std::vector<std::string> directories;
    std::vector<PriorKey> keys;
    std::vector<PriorKey> madeKeys;
    std::vector<std::string> madeFolders;
    std::vector<std::string> keptFiles;  // entry paths whose earlier content is kept (kKeptSuffix)
    std::vector<PriorValue> values;

    // Lookups without regard to ASCII case, as the file system and the registry compare names.
    bool HasDirectory(const std::string& strPath) const;
    bool HasKey(int nRoot, const std::string& strPath) const;
    bool HasKeptFile(const std::string& strPath) const;
    const PriorValue* FindValue(int nRoot, const std::string& strKey, const std::string& strName) const;
};


// Whether a list of directories or keys holds the one asked for, compared as the record compares.
bool HoldsDirectory(const std::vector<std::string>& directories, const std::string& strPath);
bool HoldsKey(const std::vector<PriorKey>& keys, int nRoot, const std::string& strPath);

// Whether strFolder is a folder on the way to strTarget, above it: both full paths below a drive
// ("C:\...") or a share ("\\server\share\..."), strFolder's components the first of strTarget's
// (compared without regard to ASCII case, a closing backslash ignored), fewer of them, and more
// than the drive or the share alone. A made folder that is not is never removed.
bool IsFolderAbove(const std::string& strFolder, const std::string& strTarget);

// Appends the record's lines to an open file; does nothing while it has no file. Each line goes
// out in one Write, which throws the framework's CFileException on failure. With bSayOnce, a line
// that would only repeat what the record says (an upgrade carries the earlier record's lines, and
// finds much of it again) is left out; without, every line is written as asked.
class PriorRecordWriter {
public:
    explicit PriorRecordWriter(CFile* pFile = nullptr, bool bSayOnce = false) : m_pFile(pFile), m_bSayOnce(bSayOnce) {}

    void Header();
    void TargetHeldFiles();
    void Directory(const std::string& strPath);
    void Key(int nRoot, const std::string& strPath);
    void MadeKey(int nRoot, const std::string& strPath);
    void MadeFolder(const std::string& strPath);
    void KeptFile(const std::string& strPath);
    void Value(const PriorValue& value);
    bool IsOpen() const { return m_pFile != nullptr; }

private:
    // Writes the line unless it would say again what the record says already (the same directory
    // or key, or a value's line equal to the last one for that value); sIdentity names a value.
    void Line(std::initializer_list<std::string> fields, const std::string& sIdentity = std::string());
    CFile* m_pFile;
    bool m_bSayOnce;
    std::set<std::string> m_lines;                  // the lines that name no value
    std::map<std::string, std::string> m_lastValue;  // by value: its last line
};

struct PriorDamage {
    int nLine = 0;
    std::string strReason;
};

// Reads a whole record. Returns true and fills state when every line is one of the forms above;
// otherwise false with the first bad line and the reason (state must not be used then).
bool ParsePriorRecord(const char* pData, size_t nSize, PriorState& state, PriorDamage& damage);

