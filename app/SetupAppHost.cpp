// On the host there are no windows: the application object only reads its configuration, which
// is what the tool and the host tests use it for.
#include "SetupApp.h"

BOOL CSetupApp::InitInstance()
{
    ReadSetupIni();
    return FALSE;
}
