// What a removal comes to: exit code, final message and log lines (UninstallOutcome.h).
#include "UninstallOutcome.h"

#include "AfxExitCodes.h"
#include "InstallRecordFormat.h"

namespace {
// How many left items the final message names; the rest are counted.
const size_t kItemsShown = 8;

CString Headline(const RemovalReport& report, const CString& strProduct)
{
    if (!report.left.empty() && report.nRemoved == 0 && report.scheduled.empty())
        return strProduct + " could not be removed:\n\n";
    if (report.left.empty())
        return strProduct + " was removed, but some items are in use: Windows removes them when it restarts.\n\n";
    if (report.OnlyWaitsForSignIn())
        return strProduct + " was removed, but some items are in use: they are removed when you next sign in "
                            "to Windows.\n\n";
    return strProduct + " was removed, but these items were left in place:\n\n";
}
}  // namespace

int RemovalVerdict(const RemovalReport& report)
{
    if (report.left.empty()) return report.scheduled.empty() ? kExitDone : kExitRestartNeeded;
    if (report.OnlyWaitsForSignIn()) return kExitRestartNeeded;
    return report.nRemoved == 0 && report.scheduled.empty() ? kExitRefused : kExitFailed;
}

OutcomeMessage RemovalOutcomeMessage(const RemovalReport& report, const CString& strProduct, bool bKeepRecord)
{
    if (report.left.empty() && report.scheduled.empty())
        return {strProduct + " was removed from your computer.", MB_ICONINFORMATION};
    CString text = Headline(report, strProduct);
    std::vector<LeftItem> items = report.left;
    items.insert(items.end(), report.scheduled.begin(), report.scheduled.end());
    for (size_t i = 0; i < items.size() && i < kItemsShown; ++i)
        text += items[i].strWhat + "\n    " + items[i].strReason + "\n";
    if (items.size() > kItemsShown) {
        CString more;
        more.Format("... and %d more.\n", int(items.size() - kItemsShown));
        text += more;
    }
    if (bKeepRecord)
        text += "\nThe uninstaller and its entry in Add/Remove programs are kept: run it again once these items can go.\n";
    if (!report.scheduled.empty()) text += "\nRestart Windows to finish the removal.\n";
    return {text, UINT(report.left.empty() ? MB_ICONINFORMATION : MB_ICONEXCLAMATION)};
}

void WriteRemovalOutcome(CLogFile& log, const RemovalReport& report, int nStillToGo, bool bKeepRecord,
                         const CString& strProgramName)
{
    if (!log.IsOpen()) return;
    CString count;
    count.Format("Removed: %d items", report.nRemoved + nStillToGo);
    log.WriteLine(count);
    for (const LeftItem& item : report.left) log.WriteLine("Left: " + item.strWhat + " (" + item.strReason + ")");
    for (const LeftItem& item : report.scheduled) log.WriteLine("At restart: " + item.strWhat + " (" + item.strReason + ")");
    if (bKeepRecord)
        log.WriteLine(CString("Kept for a later run: ") + kInstallLogName + ", " + kPriorRecordName + ", " +
                      strProgramName + " and the entry in Add/Remove programs");
    if (!report.scheduled.empty()) log.WriteLine("Windows must restart to finish the removal");
    log.Close();
}
