// Pairs of names with whether the system takes them for the same one: checked against the
// module that decides it on the host and under Windows, where each pair that differs in letters
// only is also put to CompareStringOrdinal and each key or value pair to the registry itself.
#pragma once

enum class NameKind { key, value, entry, folder };

struct NamePair {
    const char* pszRow;
    NameKind kind;
    const char* a;
    const char* b;
    bool bSame;
    bool bLettersOnly;  // the two differ in letters only (no separators, well-formed UTF-8)
};

// UTF-8 in escapes, so the bytes are what the row says whatever the editor does.
const NamePair kNamePairs[] = {
    {"ASCII case", NameKind::value, "InstallDir", "INSTALLDIR", true, true},
    {"ASCII: another name", NameKind::value, "InstallDir", "InstallDir2", false, true},
    {"Latin-1: A with diaeresis", NameKind::key, "Software\\Zrv \xC3\x84rger", "software\\zrv \xC3\xA4rger", true, true},
    {"Latin Extended-A: Polish letters", NameKind::key, "Software\\Ustawienia \xC5\xBB\xC3\xB3\xC5\x82\xC4\x87",
     "software\\ustawienia \xC5\xBC\xC3\xB3\xC5\x82\xC4\x87", true, true},
    {"Latin Extended-A: a value", NameKind::value, "\xC5\xBB\xC3\xB3\xC5\x82w", "\xC5\xBC\xC3\xB3\xC5\x82w", true, true},
    {"Latin Extended-A: a file", NameKind::entry, "\xC5\x81\xC3\xB3\x64\xC5\xBA.dat", "\xC5\x82\xC3\xB3\x64\xC5\xBA.DAT",
     true, true},
    {"Cyrillic", NameKind::key, "Software\\\xD0\xA7\xD0\xB8\xD1\x82\xD0\xB0\xD1\x82\xD1\x8C",
     "Software\\\xD0\xA7\xD0\x98\xD0\xA2\xD0\x90\xD0\xA2\xD0\xAC", true, true},
    {"Cyrillic: another letter", NameKind::value, "\xD0\xB5", "\xD1\x91", false, true},
    {"Greek: a final sigma is no small sigma", NameKind::value, "\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3",
     "\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82", false, true},
    {"Greek: sigma", NameKind::value, "\xCE\xA3", "\xCF\x83", true, true},
    {"Turkish: a dotless i is no i", NameKind::value, "KAPI", "kap\xC4\xB1", false, true},
    {"Turkish: capital I with a dot", NameKind::value, "\xC4\xB0", "i", false, true},
    {"German: sharp s is not SS", NameKind::value, "Stra\xC3\x9F" "e", "STRASSE", false, true},
    {"German: sharp s in both", NameKind::value, "stra\xC3\x9F" "e", "STRA\xC3\x9F" "E", true, true},
    {"German: capital sharp s", NameKind::value, "\xC3\x9F", "\xE1\xBA\x9E", false, true},
    {"a long s is no s", NameKind::value, "\xC5\xBF", "S", false, true},
    {"micro sign and mu", NameKind::value, "\xC2\xB5", "\xCE\xBC", false, true},
    {"NFC and NFD are two names", NameKind::entry, "caf\xC3\xA9.txt", "cafe\xCC\x81.txt", false, true},
    {"beyond the BMP: no case", NameKind::value, "\xF0\x90\x90\x80", "\xF0\x90\x90\xA8", false, true},
    {"key: a closing backslash", NameKind::key, "Software\\ZrvHello\\", "Software\\ZrvHello", true, false},
    {"key: a doubled backslash", NameKind::key, "Software\\\\ZrvHello", "Software\\ZrvHello", true, false},
    {"key: a slash is part of a name", NameKind::key, "Software\\Zrv/Hello", "Software\\Zrv\\Hello", false, false},
    {"value: a backslash is part of the name", NameKind::value, "Dir\\", "Dir", false, false},
    {"entry: a slash", NameKind::entry, "docs/ReadMe.txt", "docs\\README.txt", true, false},
    {"entry: a doubled backslash", NameKind::entry, "docs\\\\a.txt", "DOCS\\a.txt", true, false},
    {"folder: case and a closing backslash", NameKind::folder, "C:\\\xC5\x81\xC3\xB3\x64\xC5\xBA Prod\\",
     "c:\\\xC5\x82\xC3\xB3\x64\xC5\xBA prod", true, false},
    {"folder: a slash and a doubled backslash", NameKind::folder, "C:/Program Files\\\\Demo", "C:\\Program Files\\Demo",
     true, false},
    {"folder: a drive's root keeps its backslash", NameKind::folder, "C:\\", "C:", false, false},
    {"folder: a longer name", NameKind::folder, "C:\\Demo", "C:\\Demo 2", false, false},
    {"bytes of another code page", NameKind::entry, "\xC4.txt", "\xE4.txt", false, false},
};
