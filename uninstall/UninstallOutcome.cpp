// What a removal comes to: exit code, final message and log lines (UninstallOutcome.h).
#include "UninstallOutcome.h"

#include "AfxText.h"
#include "InstallRecordFormat.h"

namespace {
// How many left items the final message names; the rest are counted.
const size_t kItemsShown = 8;
}  // namespace

RunEnd RemovalEnd(const RemovalReport& report)
{
    if (report.left.empty()) return report.scheduled.empty() ? RunEnd::removed : RunEnd::removedAtRestart;
    if (report.OnlyWaitsForSignIn()) return RunEnd::removedAtSignIn;
    return report.nRemoved == 0 && report.scheduled.empty() ? RunEnd::notRemoved : RunEnd::itemsLeft;
}

int RemovalVerdict(const RemovalReport& report) { return RunEndExitCode(RemovalEnd(report)); }

OutcomeMessage RemovalOutcomeMessage(const RemovalReport& report, const CString& strProduct, bool bKeepRecord)
{
    const RunEnd end = RemovalEnd(report);
    CString text = AfxTextFormat(RunEndTextKey(end), strProduct.GetString());
    if (end == RunEnd::removed) return {text, MB_ICONINFORMATION};
    std::vector<LeftItem> items = report.left;
    items.insert(items.end(), report.scheduled.begin(), report.scheduled.end());
    for (size_t i = 0; i < items.size() && i < kItemsShown; ++i)
        text += items[i].strWhat + "\n    " + ReasonShown(items[i]) + "\n";
    if (items.size() > kItemsShown) text += AfxTextFormat("outcome.more", int(items.size() - kItemsShown));
    if (bKeepRecord) text += AfxText("outcome.kept");
    if (!report.scheduled.empty()) text += AfxText("outcome.restart");
    return {text, UINT(report.left.empty() ? MB_ICONINFORMATION : MB_ICONEXCLAMATION)};
}

void WriteRemovalOutcome(CLogFile& log, const RemovalReport& report, int nStillToGo, bool bKeepRecord,
                         const CString& strProgramName)
{
    if (!log.IsOpen()) return;
    CString count;
    count.Format("Removed: %d items", report.nRemoved + nStillToGo);
    log.WriteLine(count);
    for (const LeftItem& item : report.left) log.WriteLine("Left: " + item.strWhat + " (" + ReasonText(item) + ")");
    for (const LeftItem& item : report.scheduled) log.WriteLine("At restart: " + item.strWhat + " (" + ReasonText(item) + ")");
    if (bKeepRecord)
        log.WriteLine(CString("Kept for a later run: ") + kInstallLogName + ", " + kPriorRecordName + ", " +
                      strProgramName + " and the entry in Add/Remove programs");
    if (!report.scheduled.empty()) log.WriteLine("Windows must restart to finish the removal");
    log.Close();
}
