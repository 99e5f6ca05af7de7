// The record of an installation in one place: the names of its files, every line form of
// Install.log and Install.prior, and the registry roots they name. The worker and the registry
// script write by these rules (InstallLogWriter, PriorRecordWriter), the uninstaller and a later
// installation read by them (ParseInstallLog, ParsePriorRecord); nothing else spells them out.
#pragma once

#include <cstddef>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

// The two files, in the target folder beside the product.
constexpr char kInstallLogName[] = "Install.log";
constexpr char kPriorRecordName[] = "Install.prior";
// The uninstaller, a file of the payload in the target folder: the uninstall entry starts it, and
// it works only where the log lists it under this name.
constexpr char kUninstallerName[] = "Uninstal.exe";

// A file that a program held while a run would replace it: the replacement is written beside it
// under its name with this suffix (and listed so), and put in its place at the next restart, or,
// by a run without the administrators' rights (which may arrange nothing for the restart), by the
// uninstaller started with kFinishSwitch when the user next signs in.
constexpr char kReplacementSuffix[] = ".zrvnew";
constexpr char kFinishSwitch[] = "/FINISH";
// The name of that command in the user's list of commands for the next sign-in: the product's name
// and this.
constexpr char kFinishCommandSuffix[] = " (finish)";

// The value of the product's uninstall entry that holds the SHA-256 of Install.log and of
// Install.prior as the installation wrote them: the two digests in lower-case hexadecimal, one
// blank between them. Not listed in the log; the uninstaller compares and removes it.
constexpr char kInstallDigestValue[] = "InstallRecordDigest";
// Beside it, only while a run over an earlier installation has not ended: what the run carries of
// that installation (its log, a zero byte, its record), kept before the run replaces them.
constexpr char kInstallCarriedValue[] = "InstallRecordCarried";

// The product's uninstall entry lives below this key of HKEY_LOCAL_MACHINE, named after the
// product; in the log, the last key line below it names the product.
constexpr char kUninstallKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// ---- Install.log ----------------------------------------------------------------------------
// No header; every line ends with kRecordLineEnd (a lone CR or LF belongs to the line). In order:
//   payload part       kLogDirectoryLead PATH   a directory the installation made or opened
//                      PATH                     a file it wrote
//                      (PATH an entry name of EntryName.h, below the target folder)
//   registry part      kLogRegistryMarker       from here on (absent when the script did not run)
//                      kLogKeyLead ROOT "\" PATH kLogKeyEnd
//                                               a key created or opened (ROOT from kRegistryRoots)
//                      NAME                     a value set under the nearest key line above it;
//                                               an empty line is the key's default value
//   shortcut part      kLogShortcutMarker       from here on (ShortcutRules.h)
//                      kLogDirectoryLead FOLDER a folder level below the Start menu's Programs folder
//                      FOLDER "\" NAME ".lnk"   a shortcut file there
constexpr char kRecordLineEnd[] = "\r\n";
constexpr char kLogDirectoryLead = '\\';
constexpr char kLogRegistryMarker[] = "[\\REGEDIT4]";
constexpr char kLogShortcutMarker[] = "[\\SHORTCUTS]";
constexpr char kLogKeyLead[] = "\\[";
constexpr char kLogKeyEnd = ']';
constexpr char kRootSeparator = '\\';

// ---- Install.prior --------------------------------------------------------------------------
// Lines ended by kRecordLineEnd, fields separated by kPriorFieldSeparator; the forms are listed in
// PriorRecord.h: kPriorHeader first, then kPriorTarget, kPriorDirectory, kPriorKey, kPriorMadeKey,
// kPriorMadeFolder and kPriorValue lines.
constexpr char kPriorHeader[] = "ZORVAN-PRIOR\t1";
constexpr char kPriorFieldSeparator = '\t';
constexpr char kPriorTarget[] = "target";
constexpr char kPriorDirectory[] = "directory";
constexpr char kPriorKey[] = "key";
constexpr char kPriorMadeKey[] = "madekey";
constexpr char kPriorMadeFolder[] = "madefolder";
constexpr char kPriorValue[] = "value";

// ---- Registry roots -------------------------------------------------------------------------
// The four roots the installer writes, by index: the order is the records' and the registry
// script's (index 2, HKEY_LOCAL_MACHINE, holds the uninstall entry). Names compare case-sensitively.
enum RegistryRoot { kRootClassesRoot, kRootCurrentUser, kRootLocalMachine, kRootUsers, kRegistryRootCount };
constexpr const char* kRegistryRoots[kRegistryRootCount] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                                           "HKEY_LOCAL_MACHINE", "HKEY_USERS"};

#ifdef _WIN32
// The root's handle for an index, null for any other number.
inline HKEY RegistryRootKey(int nRoot)
{
    static const HKEY kKeys[kRegistryRootCount] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS};
    return nRoot >= 0 && nRoot < kRegistryRootCount ? kKeys[nRoot] : nullptr;
}
#endif

// The root's name for an index, "" for any other number.
inline const char* RegistryRootName(int nRoot)
{
    return nRoot >= 0 && nRoot < kRegistryRootCount ? kRegistryRoots[nRoot] : "";
}

// The index of the root named by the nLength bytes at pName (exactly, in this case), -1 for none.
inline int RegistryRootIndex(const char* pName, size_t nLength)
{
    for (int r = 0; r < kRegistryRootCount; ++r)
        if (std::strlen(kRegistryRoots[r]) == nLength && std::memcmp(kRegistryRoots[r], pName, nLength) == 0) return r;
    return -1;
}
