// The installer's in-use question as a message box (see InUseBox.h).
#include "InUseBox.h"

#include "AfxInUse.h"
#include "AfxMessageBox.h"
#include "RemovalReport.h"

InUseAnswer CInUseBox::Ask(const CString& strPath, InUseLater when)
{
    // The program by name, where the system can tell.
    CString holders = AfxProgramsHolding(strPath);
    if (!holders.IsEmpty()) holders = " (" + holders + ")";
    CString text;
    text.Format("The file '%s' is %s%s, which must end before it can be replaced.\n\n"
                "Try Again: once you have closed the program.\nContinue: replace it when %s.\n"
                "Cancel: stop the installation.",
                strPath.GetString(), InUseByText(CString()).GetString(), holders.GetString(), InUseLaterText(when));
    switch (AfxMessageBox(text, MB_CANCELTRYCONTINUE | MB_ICONEXCLAMATION)) {
    case IDCONTINUE: return InUseAnswer::later;
    case IDTRYAGAIN: return InUseAnswer::tryAgain;
    default: return InUseAnswer::cancel;
    }
}
