// The question put to the user about a file that a running program holds: try again once the
// program has ended, have it dealt with later (when Windows restarts, or, without the
// administrators' rights, when the user next signs in), or stop. The programs ask it through this
// interface; how it is asked (a message box, a test's table) is the caller's.
#pragma once

#include "AfxString.h"

enum class InUseAnswer { tryAgain, later, cancel };

// When a file left in use is dealt with.
enum class InUseLater { atRestart, atSignIn };

class IInUseQuestion {
public:
    virtual ~IInUseQuestion() = default;
    // Asks about the file strPath, which would be dealt with as when says if left.
    virtual InUseAnswer Ask(const CString& strPath, InUseLater when) = 0;
};
