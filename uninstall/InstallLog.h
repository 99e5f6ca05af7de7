// The record an installation leaves in Install.log, read back by the uninstaller.
//
// The file has no header; every line ends with CR LF (a lone CR or LF belongs to the line).
//   Payload part, one line for each directory or file that the installation made, in the order
//   made: a directory's line is a backslash and its path, a file's line its path; a path is an
//   entry name that the installer accepts (relative, below the target directory).
//   Registry part, from the line "[\REGEDIT4]" on (absent when the registry step did not run):
//     "\[" ROOT "\" PATH "]"   a key that was created or opened; ROOT one of the four roots the
//                              installer writes (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,
//                              HKEY_LOCAL_MACHINE, HKEY_USERS)
//     NAME                     a value set under the key of the nearest key line above it; an
//                              empty line is the key's default value
//   Shortcut part, from the line "[\SHORTCUTS]" on (ShortcutRules.h): "\" FOLDER, a folder of the
//   all-users Start menu's Programs folder, and FOLDER\NAME.lnk, a shortcut file there.
// The last key line under HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall
// names the product.
#pragma once

#include "AfxString.h"
#include "PriorRecord.h"

#include <cstddef>
#include <vector>

enum class LogItemKind { Directory, File, Key, Value, ShortcutFolder, Shortcut };

struct LogItem {
    LogItemKind kind;
    int nLine;         // 1-based line of the log
    CString strPath;   // Directory, File: the path below the target (no leading backslash);
                       // ShortcutFolder, Shortcut: the path below the Start menu's Programs folder;
                       // Key: the subkey path as written; Value: the value's name
    int nRoot = -1;    // Key, Value: index into the root table (LogRootName)
    CString strKey;    // Value: the subkey path of its key
};

struct InstallRecord {
    std::vector<LogItem> items;  // in the order of the log
    CString strProductName;      // from the uninstall key line; empty when the log has none
    // What the installation found already there (Install.prior); empty when it left no record,
    // as an installer of another make does: then every listed item counts as made by it.
    PriorState prior;
};

// Why a log cannot be trusted, and where.
struct LogDamage {
    int nLine = 0;
    CString strReason;
};

// Reads the bytes of a whole Install.log. Returns true and fills record when every line reads as
// the grammar above and every path is one that the installer accepts; otherwise returns false with
// the first bad line and the reason in damage (record is then incomplete and must not be used).
bool ParseInstallLog(const char* pData, size_t nSize, InstallRecord& record, LogDamage& damage);

// "HKEY_CLASSES_ROOT" ... "HKEY_USERS" for the root indexes 0 to 3.
const char* LogRootName(int nRoot);

// The number of components of a key's or path's backslash-separated text (empty ones not counted).
int PathDepth(const CString& strPath);
