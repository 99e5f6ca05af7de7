#include "InstallFlags.h"

InstallFlag g_bCancel{0};
InstallFlag g_bDone{0};
InstallFlag g_bFailed{0};
