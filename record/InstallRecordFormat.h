// The record of an installation in one place: the names of its files and every line form of
// Install.log and Install.prior (the registry roots they name are RegistryRoots.h's, the product's
// entry that anchors them is ProductEntry.h's). The worker and the registry
// script write by these rules (InstallLogWriter, PriorRecordWriter), the uninstaller and a later
// installation read by them (ParseInstallLog, ParsePriorRecord); nothing else spells them out.
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
