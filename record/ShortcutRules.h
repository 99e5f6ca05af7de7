// Where the installation's Start-menu shortcuts go and how Install.log lists them. Portable: the
// installer, the uninstaller and the author's tool share these rules.
//
// The shortcuts of a product live in the all-users Start menu's Programs folder, in a folder named
// after the product (a backslash in the name makes nested folders). In Install.log they follow the
// payload and the registry part, from the line kLogShortcutMarker ("[\SHORTCUTS]") on:
//   "\" FOLDER      a folder level below the Programs folder (the product's, outermost first)
//   FOLDER\NAME.lnk a shortcut file there
// Both are paths relative to the Programs folder under the payload's entry-name rules, and a
// shortcut file's name always ends in ".lnk": the uninstaller deletes nothing else there.
#pragma once

#include "AfxString.h"
#include "InstallRecordFormat.h"

#include <vector>

// Why a shortcut cannot be made (an English reason), or null when it can: the product's folder, the
// link's file name (NAME.lnk, one component) and the target (a path below the target directory)
// must each pass the payload's entry-name rules.
const char* CheckShortcut(const CString& strProduct, const CString& strName, const CString& strTarget);

// The folder levels of the product's shortcut folder, outermost first: "A", "A\B" for "A\B".
std::vector<CString> ShortcutFolderLevels(const CString& strProduct);

// True when a path of the log's shortcut part names a shortcut file (ends in ".lnk", any case).
bool IsShortcutFileName(const CString& strPath);
