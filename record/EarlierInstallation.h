// What an earlier installation into the target folder listed and found: its Install.log and
// Install.prior as a later installation reads them, to tell what is the product's from what was
// there before it.
#pragma once

#include "InstallLog.h"
#include "PriorRecord.h"

#include <set>
#include <string>
#include <vector>

// What an earlier installation into the same folder listed in its Install.log, and what it had
// found there in its own record. An installation over an earlier one counts as found only what
// was there before the earlier one: what that one made is the product's, and goes on uninstall.
class EarlierInstallation {
public:
    // Reads the log's and the record's bytes (either may be empty: no earlier installation, or
    // one without a record). The log is read by ParseInstallLog, without a last line that lacks its
    // CR LF (the run stopped while writing it: it names nothing for sure). A log or record that
    // does not read is taken as absent.
    void Load(const std::string& strLog, const std::string& strRecord);

    bool ListsDirectory(const std::string& strPath) const;
    bool ListsFile(const std::string& strPath) const;
    // The files and folders the log lists at strPath or below it, as a record the removal takes
    // (with what the earlier installation found): what stands where this run puts an item of the
    // other kind, a folder where it writes a file or a file where it makes a folder.
    InstallRecord PayloadAt(const std::string& strPath) const;
    bool ListsKey(int nRoot, const std::string& strPath) const;
    bool ListsValue(int nRoot, const std::string& strKey, const std::string& strName) const;
    const PriorState& Found() const { return m_found; }
    // The log's whole lines as read (empty when it did not read).
    const std::string& WholeLog() const { return m_strWholeLog; }

private:
    std::string m_strWholeLog;
    std::vector<LogItem> m_payload;  // the log's files and folders, in its order
    std::vector<std::string> m_directories;
    std::set<std::string> m_files;  // folded (FoldedEntryPath)
    std::vector<PriorKey> m_keys;
    std::vector<PriorValue> m_values;  // only root, key and name are used
    PriorState m_found;
};
