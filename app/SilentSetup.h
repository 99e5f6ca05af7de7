// The installation without any window (Setup.exe /S): the same steps as the windowed flow, with
// the target taken from the command line or Setup.ini, every message box answered by the log
// (SilentLog.h), and the outcome told by the exit code.
#pragma once

#include "SetupOptions.h"
#include "SilentLog.h"

class CSetupApp;

class CSilentSetup {
public:
    // app reads Setup.ini and checks the target for this run; options as the command line gave
    // them, relative paths already taken against the caller's folder.
    CSilentSetup(CSetupApp& app, const SetupOptions& options) : m_app(app), m_options(options) {}
    CSilentSetup(const CSilentSetup&) = delete;
    CSilentSetup& operator=(const CSilentSetup&) = delete;

    // The whole run; returns the program's exit code.
    int Run();

private:
    // The log file, when /LOG= names one; false when it cannot be made, or is a file of the medium.
    bool OpenLog(bool bConfigRead);
    // The run up to the worker: the command line, Setup.ini, the scope, the target and the
    // version; -1 to go on, else the exit code, having told why.
    int Prepare(bool bConfigRead);

    CSetupApp& m_app;
    SetupOptions m_options;
    CSilentLog m_log;
};
