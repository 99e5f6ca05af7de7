// The installation flow, run from InitInstance on the user-interface thread.
#include "SetupApp.h"

BOOL CSetupApp::InitInstance()
{
    Enable3dControlsStatic();
    // A missing or incomplete Setup.ini ends the program at once, with no window and no message.
    if (!ReadSetupIni()) return FALSE;
    return FALSE;
}
