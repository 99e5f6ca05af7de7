// Uninstal.exe's one application object (UninstallApp.h).
#include "UninstallApp.h"

// The one application object; the framework's WinMain finds it and calls InitInstance.
CUninstallApp theApp;
