// Registry keys reached without following registry links.
//
// A registry link is a key made with REG_OPTION_CREATE_LINK whose REG_LINK value
// "SymbolicLinkValue" names another key ("\REGISTRY\MACHINE\Software\X"); a plain open of a path
// through it lands on that other key. Anyone who can write a key can make a link in it: a user
// without administrator rights in HKEY_CURRENT_USER, and so in HKEY_USERS\<their SID>. An elevated
// program that opened HKEY_CURRENT_USER\Software\X\Y through such a link would write and delete in
// HKEY_LOCAL_MACHINE for that user. The calls below never do:
//
// - HKEY_CURRENT_USER and HKEY_USERS: the path is opened one key at a time, each relative to the
//   handle of the one above it, with REG_OPTION_OPEN_LINK, and each key is looked at. A key that
//   holds a REG_LINK "SymbolicLinkValue" is a link, and the call fails with kErrorRegistryLink.
//   One link is the system's own and is followed: Software\Classes of a user's key
//   (HKEY_CURRENT_USER\Software\Classes, HKEY_USERS\<SID>\Software\Classes), when it leads to
//   that user's classes, \REGISTRY\USER\<SID>_Classes; the walk then goes on below that key, one
//   key at a time as before.
// - HKEY_LOCAL_MACHINE: only administrators make keys there, so a link there is one an
//   administrator made (the system makes many: the 32-bit view's shared keys below
//   Software\Wow6432Node, for one). The key is opened with one call, as the system resolves the
//   path, links and the 32-bit program's view (Wow6432Node) included: as the plain calls do.
// - HKEY_CLASSES_ROOT: as HKEY_LOCAL_MACHINE, but the system shows the user's own classes
//   (HKEY_CURRENT_USER\Software\Classes) over the machine's there: first the user's branch of the
//   path is walked as above, and a link on it fails the call. (A user who makes such a link after
//   that look and before the open is not seen; the walk of HKEY_CURRENT_USER has no such gap.)
// - Deleting never follows a link, under any root: the key is opened itself (REG_OPTION_OPEN_LINK),
//   looked at, and deleted through its own handle. A key that is a link is refused, not deleted.
//
// Paths are subkey paths as the plain calls take them: "a\b\c"; a path that begins with a
// backslash gives ERROR_BAD_PATHNAME; empty components ("a\\b", a closing backslash) are skipped.
// The access asked for applies to the key named; the keys above it are opened with only the rights
// needed to look at them (and, for a create, to make a key in them), with access's
// KEY_WOW64_32KEY / KEY_WOW64_64KEY. All calls return ERROR_SUCCESS or the system's error, and keep
// GetLastError untouched.
#pragma once

#include "AfxPlatform.h"

// The error that the calls report for a registry link on the way (ERROR_STOPPED_ON_SYMLINK: "the
// operation stopped after reaching a symbolic link"); no registry call of the system gives it.
const LONG kErrorRegistryLink = 681;

// Why a key was not written, restored or deleted, for reports and logs; the key's name goes before
// it ("HKEY_CURRENT_USER\Software\X: the key ...").
const char kRegistryLinkReason[] = "the key, or a key above it, is a registry link; nothing is written through it";

#ifdef _WIN32

#include "AfxHandle.h"
#include "AfxString.h"

#include <string>
#include <vector>

// Opens the existing key pszPath under hRoot with access, into key. ERROR_FILE_NOT_FOUND when it
// or a key above it is missing, kErrorRegistryLink when one of them is a link.
LONG AfxRegOpenKeyNoLinks(HKEY hRoot, const char* pszPath, REGSAM access, CRegKey& key);

// Opens the key pszPath under hRoot with access, making it (non-volatile, without class or
// security attributes) and the keys above it that are missing. *pbCreated (when given) says
// whether the key named was made by this call. kErrorRegistryLink when a key on the way is a
// link: nothing is made through it.
LONG AfxRegCreateKeyNoLinks(HKEY hRoot, const char* pszPath, REGSAM access, CRegKey& key, bool* pbCreated);

// Deletes the key pszPath under hRoot (which must hold no keys: ERROR_ACCESS_DENIED otherwise),
// never a link's target: kErrorRegistryLink when it or a key above it is a link, which stays.
// ERROR_FILE_NOT_FOUND when it is not there; ERROR_INVALID_PARAMETER for an empty path (a root).
LONG AfxRegDeleteKeyNoLinks(HKEY hRoot, const char* pszPath);

// The registry reader: every value, name and "is it there" read of the programs goes through these.
// The calls that take a root and a path open the key for reading only, through
// AfxRegOpenKeyNoLinks: a key reached only through a link is not there for them. Those that take an
// open key read it as it is.

// Whether the key pszPath under hRoot is there (and reached without a link); false for a null root.
bool AfxRegKeyExists(HKEY hRoot, const char* pszPath);

// Whether the open key hKey holds a value named pszName, of any type.
bool AfxRegValueExists(HKEY hKey, const char* pszName);
// Whether the key pszPath under hRoot is there and holds a value named pszName.
bool AfxRegValueExists(HKEY hRoot, const char* pszPath, const char* pszName);

// The type and bytes of the value pszName of hKey: ERROR_SUCCESS or the system's error
// (ERROR_FILE_NOT_FOUND when there is no such value). A value that grows between the size query and
// the read is read again, so what comes back is one whole value.
LONG AfxRegQueryValue(HKEY hKey, const char* pszName, DWORD* pdwType, std::vector<BYTE>& data);

// The REG_SZ value pszName of hKey. False when it is missing, of another type or longer than
// nMaxBytes bytes. A value stored without its closing zero, or with one inside, ends at the first zero.
bool AfxRegQueryStringValue(HKEY hKey, const char* pszName, CString& strValue, DWORD nMaxBytes = 4096);
// The same for the key pszSubKey under hRoot; false too when a key on the way is a link.
bool AfxRegQueryString(HKEY hRoot, const char* pszSubKey, const char* pszName, CString& strValue,
                       DWORD nMaxBytes = 4096);

// The wide text of the value pszName (which may be any text, a font's face name among them) of the
// key pszSubKey under hRoot, when the value is of type dwType, REG_SZ or REG_MULTI_SZ: a REG_SZ as
// one string, to its first zero; a REG_MULTI_SZ as its strings in order, up to the first empty one
// (the list's end; a list stored without its closing zeros ends with the data). False, with strings
// untouched, when the key (reached without a link) or the value is missing, the value is of
// another type or longer than nMaxBytes bytes.
bool AfxRegQueryWideStrings(HKEY hRoot, const char* pszSubKey, const wchar_t* pszName, DWORD dwType,
                            std::vector<std::wstring>& strings, DWORD nMaxBytes = 16384);

// The REG_DWORD value pszName of hKey; false when it is missing or of another type.
bool AfxRegQueryDword(HKEY hKey, const char* pszName, DWORD& dwValue);

// The names of hKey's subkeys (opened with KEY_ENUMERATE_SUB_KEYS) or of its values (opened with
// KEY_QUERY_VALUE), in the system's order. A name of nMaxChars characters or more is left out: no
// name of that length is one the caller made.
std::vector<CString> AfxRegSubKeyNames(HKEY hKey, DWORD nMaxChars = 256);
std::vector<CString> AfxRegValueNames(HKEY hKey, DWORD nMaxChars = 256);

#endif
