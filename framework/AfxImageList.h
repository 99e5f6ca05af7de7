// CImageList: owns one image list of the common controls; no copies, moves allowed, destroyed by
// the destructor. DeleteImageList is safe to call twice. Without the common controls (AfxCommCtrl.h)
// every Create fails and the list stays empty.
#pragma once

#include "AfxPlatform.h"

#include "AfxCommCtrl.h"

class CDC;

class CImageList {
public:
    CImageList() = default;
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;
    CImageList(CImageList&& other) noexcept : m_hImageList(other.m_hImageList) { other.m_hImageList = nullptr; }
    CImageList& operator=(CImageList&& other) noexcept;
    ~CImageList() { DeleteImageList(); }

    // Pictures cx pixels wide cut from bitmap resource nBitmapID of the program; pixels of the
    // colour crMask become transparent. FALSE when one is already held or the bitmap is missing.
    BOOL Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask);
    // An empty list (ImageList_Create's arguments).
    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
    BOOL DeleteImageList();
    int GetImageCount() const;
    // Draws picture nImage with its top-left corner at pt; nStyle is ILD_NORMAL, ILD_TRANSPARENT, ...
    BOOL Draw(CDC* pDC, int nImage, POINT pt, UINT nStyle);
    operator HIMAGELIST() const { return m_hImageList; }

    HIMAGELIST m_hImageList = nullptr;
};
