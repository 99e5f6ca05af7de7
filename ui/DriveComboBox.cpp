#include "DriveComboBox.h"

#include "AfxFontChoice.h"
#include "ChooserIds.h"
#include "DirListBox.h"

#include <cstring>
#include <memory>

const DrivePlatform g_win32Drives = {::GetLogicalDriveStringsA, ::GetDriveTypeA, ::GetVolumeInformationA};

namespace {
const int kTextOffset = 18;
const DWORD kCaseSensitive = 1;  // FS_CASE_SENSITIVE

// The picture of the drive strip for a drive type.
int PictureOf(int32_t nDriveType)
{
    switch (nDriveType) {
    case DRIVE_REMOVABLE: return 1;
    case DRIVE_FIXED: return 2;
    case DRIVE_REMOTE: return 3;
    case DRIVE_CDROM: return 4;
    case DRIVE_RAMDISK: return 5;
    default: return 0;
    }
}
}  // namespace

CDriveComboBox::CDriveComboBox(const DrivePlatform* pPlatform) : m_pPlatform(pPlatform)
{
    m_imageList.Create(IDB_DRIVE_IMAGES, 16, 0, RGB(0, 0, 255));
}

CDriveComboBox::~CDriveComboBox() { delete[] m_driveTypes; }

BOOL CDriveComboBox::FillDrives(const char* pszPath, BOOL bNoCdRom)
{
    // The selection field was measured when the dialog created the box, before this object was
    // attached to it; give it the height of every other entry.
    SendMessage(CB_SETITEMHEIGHT, WPARAM(-1), 16);
    DWORD need = m_pPlatform->pfnGetLogicalDriveStrings(0, nullptr);
    std::unique_ptr<char[]> strings(new char[need + 1]());
    DWORD got = m_pPlatform->pfnGetLogicalDriveStrings(need, strings.get());
    // A drive added since the size was asked for makes the answer too long: list none then.
    if (got > need) got = 0;
    strings[got] = '\0';

    int nRoots = 0;
    for (const char* root = strings.get(); *root; root += std::strlen(root) + 1) ++nRoots;
    delete[] m_driveTypes;
    m_driveTypes = new int32_t[nRoots > 0 ? nRoots : 1];
    m_nDriveTypes = 0;

    for (const char* root = strings.get(); *root; root += std::strlen(root) + 1) {
        UINT type = m_pPlatform->pfnGetDriveType(root);
        if (type == DRIVE_CDROM && bNoCdRom) continue;
        char label[32] = "";
        // A removable medium is not touched: no label, and no wait for a drive without one.
        if (type != DRIVE_REMOVABLE) {
            DWORD maxComponent = 0, flags = 0;
            if (!m_pPlatform->pfnGetVolumeInformation(root, label, sizeof(label), nullptr, &maxComponent, &flags,
                                                      nullptr, 0)) {
                label[0] = '\0';  // unreadable: an empty label
            } else {
                label[sizeof(label) - 1] = '\0';
                if (!(flags & kCaseSensitive)) {
                    CString lower(label);
                    lower.MakeLower();
                    std::strncpy(label, lower, sizeof(label) - 1);
                }
            }
        }
        CString text(root);
        int slash = text.Find('\\');
        if (slash >= 0) text = text.Left(slash);
        text.MakeUpper();
        text += ' ';
        text += label;

        int pos = AddString(text);
        if (pos < 0) continue;
        // Keep element k describing entry k even if the sorted box put the entry before others.
        if (pos > m_nDriveTypes) pos = m_nDriveTypes;
        for (int k = m_nDriveTypes; k > pos; --k) m_driveTypes[k] = m_driveTypes[k - 1];
        m_driveTypes[pos] = int32_t(type);
        ++m_nDriveTypes;
    }
    return SelectDrive(pszPath);
}

BOOL CDriveComboBox::SelectDrive(const char* pszPath)
{
    CString path(pszPath);
    int colon = path.Find(':');
    // Only the drive part of the path can match; an empty search would pick an arbitrary entry.
    if (colon <= 0 || SelectString(0, path.Left(colon)) == CB_ERR) SetCurSel(-1);
    return TRUE;
}

BOOL CDriveComboBox::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_COMMAND && HIWORD(wParam) == CBN_SELENDOK) {
        int sel = GetCurSel();
        if (sel >= 0) {
            CString text;
            GetLBText(sel, text);
            int colon = text.Find(':');
            m_strDrive = colon >= 0 ? text.Left(colon + 1) : text;
        }
    }
    return CComboBox::OnChildNotify(message, wParam, lParam, pResult);
}

void CDriveComboBox::MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct)
{
    CDirListBox::MeasureEntry(lpMeasureItemStruct);
}

void CDriveComboBox::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    CDC dc;
    dc.Attach(lpDrawItemStruct->hDC);
    COLORREF oldText = dc.GetTextColor();
    RECT r = lpDrawItemStruct->rcItem;

    bool focused = (lpDrawItemStruct->itemState & ODS_FOCUS) != 0;
    CBrush brush(::GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    dc.FillRect(&r, &brush);
    if (focused) dc.SetTextColor(::GetSysColor(COLOR_HIGHLIGHTTEXT));

    int item = int(lpDrawItemStruct->itemID);
    if (item != -1) {
        int32_t type = item < m_nDriveTypes ? m_driveTypes[item] : DRIVE_UNKNOWN;
        m_imageList.Draw(&dc, PictureOf(type), POINT{r.left, r.top}, ILD_TRANSPARENT);
        int oldMode = dc.SetBkMode(TRANSPARENT);
        CString text;
        GetLBText(item, text);
        r.left += kTextOffset;
        // A name the list's font lacks glyphs for is drawn in a face that has them.
        HGDIOBJ hOldFont = dc.SelectObject(AfxFontForText(HFONT(::GetCurrentObject(dc.m_hDC, OBJ_FONT)), text));
        dc.DrawText(text, &r, DT_VCENTER);
        dc.SelectObject(hOldFont);
        dc.SetBkMode(oldMode);
    }
    dc.SetTextColor(oldText);
    dc.Detach();
}
