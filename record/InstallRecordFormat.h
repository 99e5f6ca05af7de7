// The record of an installation in one place: the names of its files and every line form of
// Install.log and Install.prior (the registry roots they name are RegistryRoots.h's, the product's
// entry that anchors them is ProductEntry.h's). The worker and the registry
// script write by these rules (InstallLogWriter, PriorRecordWriter), the uninstaller and a later
// installation read by them (ParseInstallLog, ParsePriorRecord). This is the one statement of the
// grammar in the code; docs/format.md describes it for authors, and the documentation check
// finds every line form named here on that page.
#pragma once

#include "ProductEntry.h"
#include "RegistryRoots.h"

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

// ---- Install.log ----------------------------------------------------------------------------
// No header; every line ends with kRecordLineEnd (a lone CR or LF belongs to the line). The names
// are Windows-1252 as a medium without a CodePage line writes them, and the log has nothing before
// its first line; a log that holds a name the code page cannot hold, and every log of a UTF-8
// medium, is UTF-8 and starts with kUtf8Mark (EF BB BF, AfxCodePage.h). In order:
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
// Lines ended by kRecordLineEnd, fields separated by kPriorFieldSeparator (one tab), in order:
//   ZORVAN-PRIOR<TAB>2                          first line, always: the texts are UTF-8
//                                               (ZORVAN-PRIOR<TAB>1, written before, is read too:
//                                               its texts, and the data of its string values, are
//                                               Windows-1252)
//   target                                      the target folder held something at the start
//   directory<TAB>PATH                          a listed directory that existed (path as in the log,
//                                               without its leading backslash)
//   key<TAB>ROOT<TAB>PATH                       a listed key that existed
//   madekey<TAB>ROOT<TAB>PATH                   a key that the installation made on the way to a
//                                               listed key below it (the registry makes the keys
//                                               of a path that are missing): removed with it when
//                                               nothing else is left in it
//   file<TAB>PATH                               a payload file that was there before and that no
//                                               earlier installation of the product listed: its
//                                               content is kept beside it, as PATH kKeptSuffix,
//                                               before the installation writes it, and the
//                                               uninstall puts it back
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
constexpr char kPriorHeader[] = "ZORVAN-PRIOR\t2";
constexpr char kPriorHeaderCp1252[] = "ZORVAN-PRIOR\t1";
constexpr char kPriorFieldSeparator = '\t';
constexpr char kPriorTarget[] = "target";
constexpr char kPriorDirectory[] = "directory";
constexpr char kPriorKey[] = "key";
constexpr char kPriorMadeKey[] = "madekey";
constexpr char kPriorMadeFolder[] = "madefolder";
constexpr char kPriorFile[] = "file";
// The copy of a file that was there before, in its own folder beside it (the folder only those who
// may change the target change): made under this suffix before the file is written, and put back
// in its place by the uninstall.
constexpr char kKeptSuffix[] = ".zrvold";
constexpr char kPriorValue[] = "value";
