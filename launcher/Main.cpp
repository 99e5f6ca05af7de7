#include "LauncherApp.h"

// The one application object; the framework's WinMain finds it and calls InitInstance.
CLauncherApp theApp;
