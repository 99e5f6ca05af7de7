#include "ShortcutRules.h"

#include "EntryName.h"

#include <cstring>

namespace {

const char* CheckPath(const CString& strPath)
{
    char buffer[kEntryNameBufferSize] = {};
    if (strPath.GetLength() >= int(sizeof buffer)) return "longer than 255 bytes";
    std::memcpy(buffer, strPath.GetString(), size_t(strPath.GetLength()));
    return CheckEntryName(buffer, sizeof buffer);
}

}  // namespace

const char* CheckShortcut(const CString& strProduct, const CString& strName, const CString& strTarget)
{
    if (CheckPath(strProduct) || strProduct[0] == '\\') return "the product's name cannot be a Start-menu folder's name";
    if (strName.Find('\\') >= 0 || CheckPath(strName + ".lnk")) return "the shortcut's name cannot be a file name";
    if (CheckPath(strTarget) || strTarget[0] == '\\')
        return "the shortcut's target is not a path below the installation folder";
    return nullptr;
}

std::vector<CString> ShortcutFolderLevels(const CString& strProduct)
{
    std::vector<CString> levels;
    for (int sep = strProduct.Find('\\'); sep >= 0; sep = strProduct.Find('\\', sep + 1))
        levels.push_back(strProduct.Left(sep));
    levels.push_back(strProduct);
    return levels;
}

bool IsShortcutFileName(const CString& strPath)
{
    return strPath.GetLength() > 4 && strPath.Mid(strPath.GetLength() - 4).CompareNoCase(".lnk") == 0;
}
