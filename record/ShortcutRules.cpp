#include "ShortcutRules.h"

#include "EntryName.h"
#include "SameName.h"

const char* CheckShortcut(const CString& strProduct, const CString& strName, const CString& strTarget)
{
    if (CheckEntryPath(strProduct.Str()) || strProduct[0] == '\\') return "the product's name cannot be a Start-menu folder's name";
    if (strName.Find('\\') >= 0 || CheckEntryPath((strName + ".lnk").Str())) return "the shortcut's name cannot be a file name";
    if (CheckEntryPath(strTarget.Str()) || strTarget[0] == '\\')
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
    return strPath.GetLength() > 4 && SameEntryPath(strPath.Mid(strPath.GetLength() - 4).Str(), ".lnk");
}
