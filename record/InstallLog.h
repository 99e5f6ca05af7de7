// Install.log: the record of what an installation made, written line by line as it goes
// (InstallLogWriter) and read back by the uninstaller and by a later installation into the same
// folder (ParseInstallLog, the one reader). Its line forms are those of InstallRecordFormat.h; the
// reader also holds every path to the entry-name rules (EntryName.h), every shortcut-part file to
// the shortcut rules (ShortcutRules.h), and takes the last key line below kUninstallKeyPath of
// HKEY_LOCAL_MACHINE, or of HKEY_CURRENT_USER for an installation made for one user, as the
// product's name.
#pragma once

#include "AfxFile.h"
#include "AfxString.h"
#include "InstallRecordFormat.h"
#include "PriorRecord.h"

#include <cstddef>
#include <string>
#include <vector>

enum class LogItemKind { Directory, File, Key, Value, ShortcutFolder, Shortcut };

struct LogItem {
    LogItemKind kind;
    int nLine;         // 1-based line of the log
    CString strPath;   // Directory, File: the path below the target (no leading backslash);
                       // ShortcutFolder, Shortcut: the path below the Start menu's Programs folder;
                       // Key: the subkey path as written; Value: the value's name
    int nRoot = -1;    // Key, Value: index into the root table (RegistryRootName)
    CString strKey;    // Value: the subkey path of its key, as its key line wrote it
};

struct InstallRecord {
    // In the order of the log, each item once (its first line). A value's key is nRoot and strKey,
    // not the key item before it: a value listed under a key line that repeats an earlier one (an
    // upgrade lists what it carries after what it wrote itself) stays with that key, though the
    // repeated line is no item and the value follows another key's items.
    std::vector<LogItem> items;
    CString strProductName;      // from the uninstall key line; empty when the log has none
    // Made for the user who ran it (its entry below HKEY_CURRENT_USER): its shortcuts are in that
    // user's own Start menu, not the all-users one.
    bool bForOneUser = false;
    // What the installation found already there (Install.prior); empty when it left no record,
    // as an installer of another make does: then every listed item counts as made by it.
    PriorState prior;
};

// Why a log cannot be trusted, and where.
struct LogDamage {
    int nLine = 0;
    CString strReason;
};

// Reads the bytes of a whole Install.log, in either of its forms: Windows-1252 (no mark), or UTF-8
// after kUtf8Mark; the record's texts come out in UTF-8 either way. Returns true and fills record when every line reads as
// the grammar above and every path is one that the installer accepts; otherwise returns false with
// the first bad line and the reason in damage (record is then incomplete and must not be used).
bool ParseInstallLog(const char* pData, size_t nSize, InstallRecord& record, LogDamage& damage);

// The one rule of a log's code page, for every writer of one: a log is Windows-1252 while the code
// page holds every character of its text, else UTF-8 after kUtf8Mark. For strUtf8 (the program's
// UTF-8 lines, the whole log or the lines added to it): true with their Windows-1252 bytes in
// cp1252 when the code page holds them all; false when a log that holds them must be UTF-8 (as
// must one holding text that is not UTF-8), and cp1252 is then unspecified.
bool LogTextInCp1252(const std::string& strUtf8, std::string& cp1252);

// A log text (the program's UTF-8 lines) in the form the record's readers take, by LogTextInCp1252:
// its Windows-1252 bytes, else kUtf8Mark and the UTF-8.
std::string StoredLogText(const std::string& strUtf8);

// Appends the log's lines (the program's UTF-8 text) to an open file, each line with its CR LF in
// one Write (a file that writes the log in another code page converts them), which throws the
// framework's CFileException on failure. The caller keeps the parts in order: payload, then the
// registry marker and its lines, then the shortcut marker and its lines.
class InstallLogWriter {
public:
    explicit InstallLogWriter(CFile& file) : m_file(file) {}

    void Directory(const std::string& strPath);  // a payload directory, its path without the backslash
    void File(const std::string& strPath);
    void RegistryMarker();
    void Key(int nRoot, const std::string& strPath);  // nRoot indexes kRegistryRoots
    void Value(const std::string& strName);
    void ShortcutMarker();
    void ShortcutFolder(const std::string& strFolder);
    void Shortcut(const std::string& strPath);  // FOLDER\NAME.lnk

private:
    void Line(const std::string& strLine);
    CFile& m_file;
};

// What makes an item the same as another of the log: its kind, root, key and name, the names
// folded as the file system and the registry compare them (a file and a folder of one path are one
// item: the place they take). An item listed again is one item.
std::string LogItemIdentity(const LogItem& item);
// The identity of the key that a Key item is, or that a Value item stands under: the one
// LogItemIdentity gives that key's own item. "" for the other kinds.
std::string LogKeyIdentity(const LogItem& item);

// The number of components of a key's or path's backslash-separated text (empty ones not counted).
int PathDepth(const CString& strPath);
