// When two names the installation keeps are the same one, in one place. Letters compare as Windows
// compares them (AfxNameCase.h: each UTF-16 code unit in the system's upper case, every script,
// no normalisation); each kind of name adds its own rule for separators. Every lookup in a record,
// every comparison with the product's entry or an earlier installation, every match against a
// listed path and every decision about what to keep, carry, retire or remove goes through these.
#pragma once

#include "AfxString.h"

#include <string>

// Key paths: without regard to case and to backslashes at either end or doubled inside. A '/' is a
// character of a key's name like any other.
bool SameKeyPath(const std::string& a, const std::string& b);
// The form in which SameKeyPath compares them: folded, no empty component.
std::string FoldedKeyPath(const std::string& strKey);
// A key path as the registry calls want it: without backslashes at either end.
CString TrimmedKeyPath(const CString& strKey);

// Value names: without regard to case only (a backslash is part of the name).
bool SameValueName(const std::string& a, const std::string& b);
std::string FoldedValueName(const std::string& strName);

// Paths below the target folder or the Start menu's folder as the records list them (directory and
// file entries, shortcuts): without regard to case, to backslashes at either end or doubled, and
// with '/' read as '\'.
bool SameEntryPath(const std::string& a, const std::string& b);
std::string FoldedEntryPath(const std::string& strPath);

// Full folder and file paths: without regard to case, to a closing backslash ("C:\" keeps its
// own), a doubled one, or '/' for '\'.
bool SameFolder(const CString& a, const CString& b);
bool SameFullPath(const CString& a, const CString& b);
// Whether strPath is strFolder itself or lies below it, by the same rule.
bool IsInFolder(const CString& strPath, const CString& strFolder);
