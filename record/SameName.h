// When two names the installation keeps are the same one, in one place: the file system and the
// registry compare without regard to ASCII case, and each kind of name has its own further rule.
// Every lookup in a record, every comparison with the product's entry and every match against a
// listed path goes through these.
#pragma once

#include "AfxString.h"

#include <string>

// Key paths: without regard to case and to backslashes at either end or doubled inside.
bool SameKeyPath(const std::string& a, const std::string& b);
// The form in which SameKeyPath compares them: lower case, no empty component.
std::string FoldedKeyPath(const std::string& strKey);
// A key path as the registry calls want it: without backslashes at either end.
CString TrimmedKeyPath(const CString& strKey);
// Value names, and paths below the target folder as the records list them (directory and file
// entries): without regard to case only.
bool SameValueName(const std::string& a, const std::string& b);
bool SameEntryPath(const std::string& a, const std::string& b);
// Full folder paths, normalised alike by the caller: without regard to case and to a closing
// backslash ("C:\" keeps its own).
bool SameFolder(const CString& a, const CString& b);
