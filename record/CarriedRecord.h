// What an installation over an earlier one of the same product carries into its own record.
//
// An upgrade writes its own Install.log and Install.prior in place of the earlier ones. So that
// one uninstallation removes what every version made and puts back what was there before the
// first, the new log lists, besides what the new run writes, every item of the earlier log that
// still exists, each at the end of its own part of the log; and the new record starts with every
// line of the earlier one. A run that stops early still leaves all of it listed (the worker writes
// the parts it owes when it ends, wherever it ends).
#pragma once

#include "InstallLog.h"
#include "EarlierInstallation.h"
#include "PriorRecord.h"

#include <set>
#include <string>
#include <vector>

// Tells whether an item of a log is still there.
class CarriedItemProbe {
public:
    virtual ~CarriedItemProbe() = default;
    virtual bool Exists(const LogItem& item) const = 0;
};

struct CarriedRecord {
    std::vector<LogItem> payload;    // directories and files, in the earlier log's order
    std::vector<LogItem> registry;   // keys and their values that are carried, in the earlier log's
                                     // order: a value's key is its own (strKey), not always the key
                                     // item before it
    std::vector<LogItem> shortcuts;  // folders and shortcut files of the Start menu
    PriorState found;                // what the earlier installation found there

    bool HasRegistry() const { return !registry.empty(); }
    bool HasShortcuts() const { return !shortcuts.empty(); }
};

// The items of earlier (a log that was verified) that probe finds, by part, in the log's order. A
// value goes only with its own key (strKey): a key that is gone took its values with it. found:
// the earlier record's state, kept whole.
CarriedRecord CarryForward(const InstallRecord& earlier, const PriorState& found, const CarriedItemProbe& probe);
// The same for the earlier installation as a later one reads it (nothing when its log did not read).
CarriedRecord CarryForward(const EarlierInstallation& earlier, const CarriedItemProbe& probe);

// The carried items that strOwnLog (a run's own lines, without what it carried) does not list, in
// the log's order, parts in turn: what an upgrade that succeeded retires. A value the run wrote
// again under the same key, a file of the same path in other letters, is the run's own.
std::vector<LogItem> RetiredItems(const CarriedRecord& carried, const std::string& strOwnLog);

// The identities (LogItemIdentity) of what the whole lines of strLogText list.
std::set<std::string> ListedItems(const std::string& strLogText);

// The carried lines of one part that listed does not hold yet, written at the end of that part of
// the new log, so that an item that the new run wrote itself is not listed twice; every value
// goes under its own key's line, written again where needed. The registry and shortcut parts get
// their marker first unless bMarkerWritten.
void WriteCarriedPayload(const CarriedRecord& carried, InstallLogWriter& log, const std::set<std::string>& listed);
void WriteCarriedRegistry(const CarriedRecord& carried, InstallLogWriter& log, const std::set<std::string>& listed,
                          bool bMarkerWritten);
void WriteCarriedShortcuts(const CarriedRecord& carried, InstallLogWriter& log, const std::set<std::string>& listed,
                           bool bMarkerWritten);
// The earlier record's lines after its header (its "target" line is the caller's to write), at the
// start of the new record, so that the new run's own lines for the same values come after them.
void WriteCarriedPrior(const CarriedRecord& carried, PriorRecordWriter& record);

// What a run keeps, before it replaces the earlier log and record, of the installation that it
// carries: a whole log of the carried items, and the start of its own record (the header, the
// "target" line when bTargetHeldFiles, the earlier record's lines). Should the run be stopped
// where it has no chance to write what it owes (its process killed), these and what it wrote
// up to then are the record.
std::string CarriedLogText(const CarriedRecord& carried);
std::string CarriedPriorText(const CarriedRecord& carried, bool bTargetHeldFiles);

// One log that lists what both logs list, each part's items first of strFirst then of strSecond,
// every value under its own key. A log that does not read adds nothing (both empty: "").
std::string UnionOfLogs(const std::string& strFirst, const std::string& strSecond);
// The whole lines of strFirst, then those of strSecond after its header line: the record of both.
// A record that is empty, or holds not even its header line, adds nothing.
std::string JoinRecords(const std::string& strFirst, const std::string& strSecond);
