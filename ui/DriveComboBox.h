// CDriveComboBox: the owner-drawn drop-down list of drives of the chooser. Each entry is the
// upper-case drive letter, a colon, a blank and the volume label, drawn after a picture for the
// kind of drive. Filled once; remembers the drive the user chose last as letter and colon.
#pragma once

#include "AfxControls.h"
#include "AfxImageList.h"
#include "AfxString.h"

#include <cstdint>

// The platform's drive calls, replaceable so that tests can describe any set of drives.
struct DrivePlatform {
    DWORD(WINAPI* pfnGetLogicalDriveStrings)(DWORD nBufferLength, LPSTR lpBuffer);
    UINT(WINAPI* pfnGetDriveType)(LPCSTR lpRootPathName);
    BOOL(WINAPI* pfnGetVolumeInformation)(LPCSTR lpRootPathName, LPSTR lpVolumeNameBuffer, DWORD nVolumeNameSize,
                                    LPDWORD lpVolumeSerialNumber, LPDWORD lpMaximumComponentLength,
                                    LPDWORD lpFileSystemFlags, LPSTR lpFileSystemNameBuffer,
                                    DWORD nFileSystemNameSize);
};
// The real drives.
extern const DrivePlatform g_win32Drives;

class CDriveComboBox : public CComboBox {
public:
    explicit CDriveComboBox(const DrivePlatform* pPlatform = &g_win32Drives);
    ~CDriveComboBox() override;

    // Lists the drives in the platform's order (CD-ROM drives left out when bNoCdRom), reading
    // no removable medium, then selects the drive of pszPath. Returns TRUE.
    BOOL FillDrives(const char* pszPath, BOOL bNoCdRom);
    // Selects the entry of the drive before the path's first colon; a drive that is not listed,
    // or a path without a colon, leaves no entry selected. Returns TRUE.
    BOOL SelectDrive(const char* pszPath);
    // The drive chosen last by the user (such as D:), empty until the user chooses.
    CString GetDrive() const { return m_strDrive; }

    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
    void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct) override;

    CImageList m_imageList;
    CString m_strDrive;
    int32_t* m_driveTypes = nullptr;

private:
    int m_nDriveTypes = 0;  // elements of m_driveTypes
    const DrivePlatform* m_pPlatform;
};
