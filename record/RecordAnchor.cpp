#include "RecordAnchor.h"

#include "AfxDigest.h"
#include "CarriedRecord.h"
#include "InstallRecordFormat.h"
#include "SameName.h"

#include <cstdlib>

namespace {

// Whether text, or (for "DIGEST/LENGTH") its first LENGTH bytes, has the digest in strField; *pLength
// is the number of bytes that count.
bool MatchesField(const std::string& strField, const std::string& strText, size_t* pLength)
{
    size_t slash = strField.find('/');
    if (slash == std::string::npos) {
        *pLength = strText.size();
        return strField == CSha256::Of(strText);
    }
    std::string length = strField.substr(slash + 1);
    if (length.empty() || length.size() > 12 || length.find_first_not_of("0123456789") != std::string::npos)
        return false;
    size_t n = size_t(std::strtoull(length.c_str(), nullptr, 10));
    if (n > strText.size()) return false;
    *pLength = n;
    return strField.compare(0, slash, CSha256::Of(strText.substr(0, n))) == 0;
}

}  // namespace

std::string OpenDigestText(const std::string& strLogDigest, unsigned long long nLogLength,
                           const std::string& strPriorDigest, unsigned long long nPriorLength)
{
    return strLogDigest + "/" + std::to_string(nLogLength) + " " + strPriorDigest + "/" + std::to_string(nPriorLength);
}

bool IsOpenDigest(const std::string& strDigest) { return strDigest.find('/') != std::string::npos; }

std::string RecordDigestText(const std::string& strLog, const std::string& strPrior)
{
    return CSha256::Of(strLog) + " " + CSha256::Of(strPrior);
}

std::string AnchorValueText(const std::string& strDigests, const CString& strFolder)
{
    return strDigests + " " + strFolder.Str();
}

bool ParseAnchorValue(const std::string& strValue, const CString& strInstallLocation, RecordAnchor& anchor)
{
    anchor = RecordAnchor();
    size_t first = strValue.find(' ');
    if (first == std::string::npos || first == 0) return false;
    size_t second = strValue.find(' ', first + 1);
    anchor.strDigest = strValue.substr(0, second);
    anchor.strLocation = second == std::string::npos ? strInstallLocation : CString(strValue.substr(second + 1).c_str());
    anchor.bFound = true;
    return true;
}

AnchorVerdict CheckRecordAnchor(const RecordAnchor& anchor, const CString& strFolder, std::string& strLog,
                                std::string& strPrior)
{
    if (!anchor.bFound || anchor.strDigest.empty()) return AnchorVerdict::noEntry;
    if (anchor.strLocation.IsEmpty() || !SameFolder(anchor.strLocation, strFolder))
        return AnchorVerdict::otherFolder;
    size_t blank = anchor.strDigest.find(' ');
    size_t nLog = 0, nPrior = 0;
    if (blank == std::string::npos || !MatchesField(anchor.strDigest.substr(0, blank), strLog, &nLog) ||
        !MatchesField(anchor.strDigest.substr(blank + 1), strPrior, &nPrior))
        return AnchorVerdict::otherRecord;
    if (IsOpenDigest(anchor.strDigest)) {
        strLog = UnionOfLogs(anchor.strCarriedLog, strLog.substr(0, nLog));
        strPrior = JoinRecords(anchor.strCarriedPrior, strPrior.substr(0, nPrior));
    }
    return AnchorVerdict::trusted;
}

const char* AnchorVerdictReason(AnchorVerdict verdict)
{
    switch (verdict) {
    case AnchorVerdict::trusted: return "";
    case AnchorVerdict::noEntry:
        return "no record of them is kept with a product's entry in the list of installed programs";
    case AnchorVerdict::otherFolder:
        return "the product's entry in the list of installed programs names another folder";
    case AnchorVerdict::otherRecord:
        return "they are not what the installation wrote (they do not match the record kept with the product's "
               "entry in the list of installed programs)";
    }
    return "";
}
