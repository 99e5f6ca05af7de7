#include "AfxImageList.h"

#include "AfxGdi.h"
#include "AfxWinApp.h"

CImageList& CImageList::operator=(CImageList&& other) noexcept
{
    if (this != &other) {
        DeleteImageList();
        m_hImageList = other.m_hImageList;
        other.m_hImageList = nullptr;
    }
    return *this;
}

BOOL CImageList::Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask)
{
    const AfxCommonControls* cc = AfxGetCommonControls();
    if (m_hImageList || !cc) return FALSE;
    m_hImageList = cc->ImageList_LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(nBitmapID), cx, nGrow, crMask,
                                        IMAGE_BITMAP, 0);
    return m_hImageList != nullptr;
}

BOOL CImageList::Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow)
{
    const AfxCommonControls* cc = AfxGetCommonControls();
    if (m_hImageList || !cc) return FALSE;
    m_hImageList = cc->ImageList_Create(cx, cy, nFlags, nInitial, nGrow);
    return m_hImageList != nullptr;
}

BOOL CImageList::DeleteImageList()
{
    if (!m_hImageList) return FALSE;
    HIMAGELIST h = m_hImageList;
    m_hImageList = nullptr;
    // A list exists only where the common controls were loaded.
    return AfxGetCommonControls()->ImageList_Destroy(h);
}

BOOL CImageList::Draw(CDC* pDC, int nImage, POINT pt, UINT nStyle)
{
    if (!m_hImageList) return FALSE;
    return AfxGetCommonControls()->ImageList_Draw(m_hImageList, nImage, pDC->m_hDC, pt.x, pt.y, nStyle);
}

int CImageList::GetImageCount() const
{
    return m_hImageList ? AfxGetCommonControls()->ImageList_GetImageCount(m_hImageList) : 0;
}
