// The installer's question about a file in use, asked in a message box (Win32): the one place
// where the run's in-use question meets the user.
#pragma once

#include "InUseQuestion.h"

// The words for when a file left in use is replaced, as the question and the silent log say it.
inline const char* InUseLaterText(InUseLater when)
{
    return when == InUseLater::atSignIn ? "you next sign in to Windows" : "Windows restarts";
}

class CInUseBox : public IInUseQuestion {
public:
    // Try Again, Continue (replace it later) or Cancel, with the program that holds the file
    // named where the system can tell.
    InUseAnswer Ask(const CString& strPath, InUseLater when) override;
};
