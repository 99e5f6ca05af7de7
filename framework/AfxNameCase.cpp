// Letter case in names as Windows has it (AfxNameCase.h).
#include "AfxNameCase.h"

#include "AfxCodePage.h"

namespace {

// Drops the backslashes at the end of path, down to the one of a drive's root ("c:\") or of a
// network path's start.
void DropClosingSeparators(std::string& path)
{
    while (path.size() > 1 && path.back() == '\\') {
        size_t n = path.size();
        if (n == 3 && path[1] == ':') break;
        if (n == 2 && path[0] == '\\') break;  // a network path's start itself
        path.pop_back();
    }
}

}  // namespace

uint16_t AfxUpperNameUnit(uint16_t unit)
{
    if (unit < 'a') return unit;
    unsigned lo = 0, hi = g_afxCaseRunCount;
    while (lo < hi) {
        unsigned mid = (lo + hi) / 2;
        if (g_afxCaseRuns[mid].last < unit) lo = mid + 1;
        else hi = mid;
    }
    if (lo == g_afxCaseRunCount) return unit;
    const AfxCaseRun& run = g_afxCaseRuns[lo];
    if (unit < run.first || (unit - run.first) % run.nStride != 0) return unit;
    return uint16_t(unit + run.nDelta);
}

std::string AfxFoldedName(const std::string& strName)
{
    std::string out;
    out.reserve(strName.size());
    for (size_t i = 0; i < strName.size();) {
        uint32_t cp = 0;
        if (!AfxNextCodePoint(strName, i, cp)) {
            // A byte of another code page: kept apart as a low surrogate, which UTF-8 text never holds.
            AfxAppendUtf8(out, 0xDC00 + static_cast<unsigned char>(strName[i++]));
        } else if (cp > 0xFFFF) {
            // Two surrogates, which the system's table leaves as they are.
            out.append(strName, i - 4, 4);
        } else {
            AfxAppendUtf8(out, AfxUpperNameUnit(uint16_t(cp)));
        }
    }
    return out;
}

bool AfxSameName(const std::string& a, const std::string& b) { return AfxFoldedName(a) == AfxFoldedName(b); }

std::string AfxFoldedPath(const std::string& strPath)
{
    std::string path;
    path.reserve(strPath.size());
    for (size_t i = 0; i < strPath.size(); ++i) {
        char ch = strPath[i] == '/' ? '\\' : strPath[i];
        // A network path starts with two backslashes; anywhere else two are one.
        if (ch == '\\' && path.size() >= 1 && path.back() == '\\' && path.size() != 1) continue;
        path += ch;
    }
    DropClosingSeparators(path);
    return AfxFoldedName(path);
}

bool AfxSamePath(const std::string& a, const std::string& b) { return AfxFoldedPath(a) == AfxFoldedPath(b); }

bool AfxPathInFolder(const std::string& strPath, const std::string& strFolder)
{
    const std::string path = AfxFoldedPath(strPath);
    const std::string folder = AfxFoldedPath(strFolder);
    if (folder.empty() || path.compare(0, folder.size(), folder) != 0) return false;
    return path.size() == folder.size() || folder.back() == '\\' || path[folder.size()] == '\\';
}
