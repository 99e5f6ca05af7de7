// The parts of an earlier installation's record that a run over it carries into its own log, each
// at its place in the log's order (Win32): the payload's items and the earlier record's lines at
// the start, the registry part with the script's, the shortcut part last. A run that ends early
// writes what it still owes, so that its log always lists the earlier installation too.
#pragma once

#include "CarriedRecord.h"

#include <functional>

class CCarriedParts {
public:
    // Finds what of earlier is still there: files and folders below strTargetDir (no trailing
    // backslash), keys and values, the Start menu's folders and shortcuts.
    void Take(const EarlierInstallation& earlier, const CString& strTargetDir);
    const CarriedRecord& Record() const { return m_carried; }

    // The payload's carried items into the new log, the earlier record's lines into the new record.
    void WriteStart(InstallLogWriter log, PriorRecordWriter& record) const;
    // After the registry script: the carried registry part, unless the script wrote its marker
    // (it then wrote the carried lines after it).
    void EndRegistryPart(InstallLogWriter log, bool bScriptWroteMarker);
    // The shortcut part, when anything goes into it: the marker, then what makeNew writes (the
    // run's own shortcuts, when bNew), then the carried ones.
    void WriteShortcutPart(InstallLogWriter log, bool bNew, const std::function<void()>& makeNew);
    // What a run that stops before those parts still owes its log; a failing write is dropped
    // (the run's own error is the one told).
    void Finish(InstallLogWriter log);

private:
    CarriedRecord m_carried;
    bool m_bRegistryDone = false;
    bool m_bShortcutsDone = false;
};
