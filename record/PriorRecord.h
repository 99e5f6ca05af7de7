// Install.prior: what an installation found already there, written beside Install.log and read by
// the uninstaller so that it leaves what existed before and puts back what the installation replaced.
//
// A plain text file of lines, each ended by CR LF, fields separated by one tab (the words and
// marks are those of InstallRecordFormat.h):
//   ZORVAN-PRIOR<TAB>1                          first line, always
//   target                                      the target folder held something at the start
//   directory<TAB>PATH                          a listed directory that existed (path as in the log,
//                                               without its leading backslash)
//   key<TAB>ROOT<TAB>PATH                       a listed key that existed
//   madekey<TAB>ROOT<TAB>PATH                   a key that the installation made on the way to a
//                                               listed key below it (the registry makes the keys
//                                               of a path that are missing): removed with it when
//                                               nothing else is left in it
//   madefolder<TAB>PATH                         a folder above the target that the installation
//                                               made on the way to it (a full path): removed after
//                                               the target when it is then empty
//   value<TAB>ROOT<TAB>KEY<TAB>NAME<TAB>OLDTYPE<TAB>OLDDATA<TAB>NEWTYPE<TAB>NEWDATA
//                                               a value that the installation replaced: its type and
//                                               data before, and what the installation wrote (a
//                                               value set twice has a line each time: the last counts)
// ROOT is HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or HKEY_USERS. A TYPE is a
// registry type by name (REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD,
// REG_DWORD_BIG_ENDIAN, REG_LINK, REG_MULTI_SZ, REG_QWORD) or any other as a decimal number. DATA is
// the bytes in lower-case hexadecimal, two digits each (empty for no bytes). In PATH, KEY and NAME
// every byte below 0x20, 0x7F and "%" are written as "%" and two upper-case hexadecimal digits.
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
    std::vector<PriorValue> values;

    // Lookups without regard to ASCII case, as the file system and the registry compare names.
    bool HasDirectory(const std::string& strPath) const;
    bool HasKey(int nRoot, const std::string& strPath) const;
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

