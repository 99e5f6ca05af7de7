// The switches of a command line, read one way by every program of the system, so that the
// bundle's launcher and the Setup.exe it starts hear the same switches in every line:
//
// - The arguments are the text after the program's own name (AfxArgumentsOf).
// - They are separated by blanks and tabs. Double quotes group blanks into one argument and are
//   dropped (no Windows path holds one); backslashes are taken as they stand.
// - An argument that starts with /D= takes the whole rest of the line, blanks included; its value
//   is that rest without double quotes and without blanks at its end. Nothing after it is a
//   switch, so /D= comes last: "/D=C:\a /S" names the folder "C:\a /S" and asks for no /S.
// - Every other argument counts wherever it stands before /D=. Switch names are compared without
//   regard to ASCII case; what a program does with an argument it does not know is its own rule.
#pragma once

#include "AfxString.h"

#include <vector>

// The arguments after the program's own name in a whole command line (as GetCommandLineA gives
// it): the name ends at its closing quote when it starts with one, else at the first blank or tab;
// the blanks after it are skipped. Never null for a non-null line.
const char* AfxArgumentsOf(const char* pszCommandLine);

class CCommandSwitches {
public:
    // Reads pszArguments, the text after the program's name (null is taken as empty).
    explicit CCommandSwitches(const char* pszArguments);

    int GetCount() const { return int(m_args.size()); }
    // Argument nIndex (0 <= nIndex < GetCount()) without its quotes; the /D= one as its "/D=" as
    // written, followed by its value.
    const CString& GetAt(int nIndex) const { return m_args.at(size_t(nIndex)); }
    // Whether argument nIndex is pszSwitch ("/S"), whatever the letter case.
    bool Is(int nIndex, const char* pszSwitch) const;
    // Whether argument nIndex starts with pszPrefix ("/LOG="), whatever the letter case; strValue
    // then gets the rest of it.
    bool IsValued(int nIndex, const char* pszPrefix, CString& strValue) const;
    // Whether any argument is pszSwitch, whatever the letter case.
    bool Has(const char* pszSwitch) const;

    // The switch that takes the rest of the line.
    static const char kRestOfLine[];

private:
    std::vector<CString> m_args;
};
