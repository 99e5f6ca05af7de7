// CDirListBox: the owner-drawn directory tree of the chooser, in one flat sorted list box.
// Entries 0 .. m_nLevels-1 are the levels of the current directory in path order (the drive,
// then each directory on the way down), each drawn with an open folder and indented 8 pixels
// per level; every later entry is a sub-directory of the last level, drawn with a closed folder
// one step deeper, in the list box's sorted order. Opening an entry (double-click or Return)
// makes it the current directory.
#pragma once

#include "AfxControls.h"
#include "AfxImageList.h"
#include "AfxMsgMap.h"
#include "AfxString.h"

class CDirListBox : public CListBox {
public:
    CDirListBox();
    ~CDirListBox() override;

    // Shows the levels of pszPath (less one trailing backslash) and its sub-directories; the
    // path need not exist. Selects nothing. Returns TRUE.
    BOOL SetPath(const char* pszPath);
    // The current directory: never ends in a backslash; a drive root is the drive alone (C:).
    CString GetPath() const { return m_strPath; }
    // Adds the sub-directories of pszDir (not files, not . and ..) in sorted order below the
    // levels and returns how many. A directory that cannot be searched adds nothing.
    int ListSubdirectories(const char* pszDir);
    // Lift the levels out of the list so that the next additions are sorted among the
    // sub-directories alone, and put them back on top. BeginAdd returns FALSE when its scratch
    // space cannot be had; the levels then stay in place and additions are placed below them.
    BOOL BeginAdd();
    void EndAdd();
    // strPath = entry 0, then "\\" and each entry up to k.
    void BuildPath(int k, CString& strPath) const;
    // Makes the selected entry the current directory: the levels below a chosen level go, a
    // chosen sub-directory becomes the last level, and its sub-directories are listed. With
    // nothing selected nothing changes.
    void OpenSelected();

    // Every entry of the chooser's owner-drawn lists is 16 pixels high.
    static void MeasureEntry(LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct) override { MeasureEntry(lpMeasureItemStruct); }
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    UINT OnGetDlgCode();
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    DECLARE_MESSAGE_MAP()

    int m_nLevels = 0;
    CString m_strPath;
    CImageList m_imageList;
    CString** m_savedLevels = nullptr;

protected:
    // The scratch array of BeginAdd; null when it cannot be had.
    virtual CString** AllocSavedLevels(int nCount);

private:
    // Adds one entry: sorted while the levels are lifted out, else at its sorted place below them.
    void AddEntry(const char* pszText);
};
