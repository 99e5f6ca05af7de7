// Whose rights a program runs with, and starting a program with other rights than one's own (Win32).
//
// Under the system's user account control an administrator signs in with two tokens: an everyday
// one without the administrators' rights (limited), and its elevated twin, which the system hands
// out after asking. A program that acts for everyone needs the elevated one; a program that acts
// for one user only must not hold it, since everything such a program reads (the user's part of
// the registry, folders in the profile) the user's everyday programs can change.
//
// A program starts itself again at most once: the copy gets kAfxStartedAgainSwitch on its
// command line and never starts itself again, whatever rights it then finds.
#pragma once

#include "AfxString.h"

// The switch that marks a program started again by itself (for rights it did not have, or to
// shed those it had). Programs read it wherever it stands and take it out of their options.
constexpr char kAfxStartedAgainSwitch[] = "/STARTEDAGAIN";

#ifdef _WIN32

enum class AfxRights {
    // Elevated, with a limited twin that the signed-in user's everyday programs carry.
    elevated,
    // The administrators' rights without any twin: the system asks nobody (user account control
    // off, the built-in administrator, the system's own account). Nobody runs with less.
    fullOnly,
    // Without the administrators' rights, and the system may give them when asked.
    limited,
    // Without them, and nothing asks for them: user account control is off.
    noWay,
};

// The rights of this program's token.
AfxRights AfxGetRights();

// Starts strProgram with strArguments in strDirectory as the signed-in user without the
// administrators' rights: with this program's own token when it has not them, else the limited twin of this program's token where the system hands it out
// as a primary token, else the token of the user's shell (the desktop's program). Waits for it to
// end and returns its exit code; -1, with nothing started, when neither can be had, or when the
// program would run elevated after all.
int AfxRunAsUser(const CString& strProgram, const CString& strArguments, const CString& strDirectory);

#endif
