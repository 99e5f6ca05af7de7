// The installer's in-use question as a message box (see InUseBox.h).
#include "InUseBox.h"

#include "AfxInUse.h"
#include "AfxMessageBox.h"
#include "AfxText.h"
#include "RemovalReport.h"

InUseAnswer CInUseBox::Ask(const CString& strPath, InUseLater when)
{
    // The program by name, where the system can tell.
    CString holders = AfxProgramsHolding(strPath);
    if (!holders.IsEmpty()) holders = " (" + holders + ")";
    CString text = AfxTextFormat("install.in_use", strPath.GetString(), AfxText("inuse.by_a_program"), holders.GetString(),
                                 AfxText(when == InUseLater::atSignIn ? "inuse.at_sign_in" : "inuse.at_restart"));
    switch (AfxMessageBox(text, MB_CANCELTRYCONTINUE | MB_ICONEXCLAMATION)) {
    case IDCONTINUE: return InUseAnswer::later;
    case IDTRYAGAIN: return InUseAnswer::tryAgain;
    default: return InUseAnswer::cancel;
    }
}
