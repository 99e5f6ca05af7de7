// Letter case in names as Windows has it. The file system, the registry and CompareStringOrdinal
// with bIgnoreCase compare names after mapping each UTF-16 code unit to its upper case by one
// table: every letter of the Basic Multilingual Plane that has a simple upper case, not ASCII
// only; nothing outside that plane (a surrogate is a code unit like any other) and no
// normalisation ("é" as one character and as "e" with a combining accent are two names).
// Portable: the host compares by the same table (AfxNameCaseTable.cpp, made by make_name_case.py),
// so a name is the same name on the author's machine, in the records and on Windows.
//
// Names are text of the programs' code page, UTF-8. A byte that is no part of well-formed UTF-8
// (a name in another code page) stands for itself: it never equals a letter, and never another byte.
// Which names of a record are the same one (keys, values, entries) is record/SameName.h's.
#pragma once

#include <cstdint>
#include <string>

// One run of the table: the code units first, first + nStride, ... up to last map to themselves
// plus nDelta (modulo 65536).
struct AfxCaseRun {
    uint16_t first;
    uint16_t last;
    uint16_t nDelta;
    uint8_t nStride;
};
extern const AfxCaseRun g_afxCaseRuns[];
extern const unsigned g_afxCaseRunCount;

// The upper case that names are compared in, of one UTF-16 code unit (itself when it has none).
uint16_t AfxUpperNameUnit(uint16_t unit);

// name with every code unit in that upper case: two names are the same for the system exactly when
// their folded forms are equal bytes. A byte outside well-formed UTF-8 becomes a sequence that
// no well-formed text folds to.
std::string AfxFoldedName(const std::string& strName);
// Whether a and b are the same name but for letter case.
bool AfxSameName(const std::string& a, const std::string& b);

// Full paths of files and folders ("C:\Program Files\Product", "\\server\share\folder"): folded,
// '/' read as '\', a doubled backslash as one (but for the two that start a network path) and
// without a closing backslash, but for a drive's root ("C:\").
std::string AfxFoldedPath(const std::string& strPath);
bool AfxSamePath(const std::string& a, const std::string& b);
// Whether strPath is strFolder or lies below it, by the rule of AfxSamePath.
bool AfxPathInFolder(const std::string& strPath, const std::string& strFolder);
