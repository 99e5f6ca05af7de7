#include "UninstallApp.h"

// The one application object; the framework's WinMain finds it and calls InitInstance.
CUninstallApp theApp;
