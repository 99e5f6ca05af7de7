// The removal of an installation's registry items (RegistryRemoval.h).
#include "RegistryRemoval.h"

#include "AfxRegistry.h"
#include "SameName.h"

#include <algorithm>

namespace {

CString ValueText(const LogItem& item)
{
    return RegistryItemText(item) + ": " + (item.strPath.IsEmpty() ? CString("(default)") : item.strPath);
}

void RemoveValue(const LogItem& item, RemovalReport& report)
{
    CString what = ValueText(item);
    CString key = TrimmedKeyPath(item.strKey);
    CRegKey hKey;
    LONG rc = AfxRegOpenKeyNoLinks(RegistryRootKey(item.nRoot), key, KEY_SET_VALUE, hKey);
    if (rc == ERROR_FILE_NOT_FOUND) return;  // the key went with its values already
    if (rc != ERROR_SUCCESS) return LeaveForError(report, what, DWORD(rc));
    rc = RegDeleteValueA(hKey.Get(), item.strPath);
    hKey.Close();
    if (rc == ERROR_SUCCESS) ++report.nRemoved;
    else if (rc != ERROR_FILE_NOT_FOUND) LeaveUnfinished(report, what, RemovalErrorReason(DWORD(rc)));
}

// A value that the installation replaced: its earlier type and data go back, unless someone has
// changed or removed it since (then it stays as it is, and is reported).
void RestoreValue(const LogItem& item, const PriorValue& prior, RemovalReport& report)
{
    CString what = ValueText(item);
    CRegKey hKey;
    LONG rc = AfxRegOpenKeyNoLinks(RegistryRootKey(item.nRoot), TrimmedKeyPath(item.strKey), KEY_QUERY_VALUE | KEY_SET_VALUE,
                                   hKey);
    if (rc == ERROR_FILE_NOT_FOUND)
        return LeaveByRule(report, what, LeftReason::keyGone);
    if (rc != ERROR_SUCCESS) return LeaveForError(report, what, DWORD(rc));
    DWORD dwType = 0;
    std::vector<BYTE> data;
    rc = AfxRegQueryValue(hKey.Get(), item.strPath, &dwType, data);
    if (rc == ERROR_FILE_NOT_FOUND)
        return LeaveByRule(report, what, LeftReason::valueGone);
    // The earlier data back already: an earlier run put it back and left something else unfinished.
    if (rc == ERROR_SUCCESS && dwType == prior.dwOldType && data == prior.oldData) return;
    if (rc == ERROR_SUCCESS && (dwType != prior.dwNewType || data != prior.newData))
        return LeaveByRule(report, what, LeftReason::changed);
    if (rc == ERROR_SUCCESS)
        rc = RegSetValueExA(hKey.Get(), item.strPath, 0, prior.dwOldType, prior.oldData.data(),
                            DWORD(prior.oldData.size()));
    if (rc != ERROR_SUCCESS) return LeaveUnfinished(report, what, RemovalErrorReason(DWORD(rc)));
    ++report.nRemoved;
}

void RemoveKey(const LogItem& item, RemovalReport& report)
{
    CString key = TrimmedKeyPath(item.strPath);
    if (key.IsEmpty()) return;  // values set on a root itself: the root stays
    CRegKey hKey;
    LONG rc = AfxRegOpenKeyNoLinks(RegistryRootKey(item.nRoot), key, KEY_READ, hKey);
    if (rc == ERROR_FILE_NOT_FOUND) return;
    if (rc != ERROR_SUCCESS) return LeaveForError(report, RegistryItemText(item), DWORD(rc));
    DWORD nSubKeys = 0, nValues = 0;
    rc = RegQueryInfoKeyA(hKey.Get(), nullptr, nullptr, nullptr, &nSubKeys, nullptr, nullptr, &nValues, nullptr,
                          nullptr, nullptr, nullptr);
    hKey.Close();
    if (rc != ERROR_SUCCESS) return LeaveUnfinished(report, RegistryItemText(item), RemovalErrorReason(DWORD(rc)));
    if (nSubKeys != 0 || nValues != 0)
        return LeaveByRule(report, RegistryItemText(item), LeftReason::foreignRegistry);
    rc = AfxRegDeleteKeyNoLinks(RegistryRootKey(item.nRoot), key);
    if (rc == ERROR_SUCCESS) ++report.nRemoved;
    else if (rc != ERROR_FILE_NOT_FOUND) LeaveForError(report, RegistryItemText(item), DWORD(rc));
}

}  // namespace

CString RegistryItemText(const LogItem& item)
{
    return CString(RegistryRootName(item.nRoot)) + "\\" + (item.kind == LogItemKind::Value ? item.strKey : item.strPath);
}

void RemoveValueItem(const InstallRecord& record, const LogItem& item, RemovalReport& report)
{
    const PriorValue* prior = record.prior.FindValue(item.nRoot, item.strKey.Str(), item.strPath.Str());
    if (prior) RestoreValue(item, *prior, report);
    else RemoveValue(item, report);
}

void RemoveKeyItem(const InstallRecord& record, const LogItem& item, RemovalReport& report)
{
    if (!record.prior.HasKey(item.nRoot, item.strPath.Str())) RemoveKey(item, report);
}

void RemoveMadeKeys(const InstallRecord& record, RemovalReport& report)
{
    std::vector<PriorKey> keys = record.prior.madeKeys;
    std::stable_sort(keys.begin(), keys.end(), [](const PriorKey& a, const PriorKey& b) {
        return PathDepth(a.strPath.c_str()) > PathDepth(b.strPath.c_str());
    });
    for (const PriorKey& made : keys) {
        if (record.prior.HasKey(made.nRoot, made.strPath)) continue;  // found there by a later run
        CString key = TrimmedKeyPath(made.strPath.c_str());
        CRegKey hKey;
        if (key.IsEmpty() || AfxRegOpenKeyNoLinks(RegistryRootKey(made.nRoot), key, KEY_READ, hKey) != ERROR_SUCCESS)
            continue;
        DWORD nSubKeys = 1, nValues = 1;
        RegQueryInfoKeyA(hKey.Get(), nullptr, nullptr, nullptr, &nSubKeys, nullptr, nullptr, &nValues, nullptr, nullptr,
                         nullptr, nullptr);
        hKey.Close();
        if (nSubKeys == 0 && nValues == 0 && AfxRegDeleteKeyNoLinks(RegistryRootKey(made.nRoot), key) == ERROR_SUCCESS)
            ++report.nRemoved;
    }
}
