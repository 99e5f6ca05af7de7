// The installer's question about a file in use, asked in a message box (Win32): the one place
// where the run's in-use question meets the user.
#pragma once

#include "InUseQuestion.h"

class CInUseBox : public IInUseQuestion {
public:
    // Try Again, Continue (replace it later) or Cancel, with the program that holds the file
    // named where the system can tell.
    InUseAnswer Ask(const CString& strPath, InUseLater when) override;
};
