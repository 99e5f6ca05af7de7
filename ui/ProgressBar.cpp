#include "ProgressBar.h"

#include "ProgressFill.h"

#include <algorithm>

BEGIN_MESSAGE_MAP(CProgressBar, CStatic)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

void CProgressBar::SetRange(int nLower, int nUpper)
{
    m_nLower = nLower;
    m_nUpper = nUpper;
    RECT rc;
    GetClientRect(&rc);
    m_nWidth = rc.right - rc.left;
}

void CProgressBar::SetPos(int nPos)
{
    m_nPos = nPos;
    const ProgressFill fill = ComputeProgressFill(nPos, m_nLower, m_nUpper, m_nWidth);
    m_fFraction = float(fill.dFraction);
    if (fill.nFilled != m_nFilled) {
        m_nFilled = fill.nFilled;
        Invalidate(FALSE);
    }
}

void CProgressBar::OnPaint()
{
    CPaintDC dc(this);
    RECT rc;
    GetClientRect(&rc);

    // The fill may reach past either end (a position outside the range); the two parts are kept
    // inside the bar so that neither rectangle is ever turned inside out.
    const long nSplit = std::min<long>(std::max<long>(long(rc.left) + m_nFilled, rc.left), rc.right);
    RECT rcFilled = {rc.left, rc.top, nSplit, rc.bottom};
    RECT rcEmpty = {nSplit, rc.top, rc.right, rc.bottom};

    char szText[64];
    FormatProgressPercent(m_fFraction, szText, sizeof szText);

    // The text's own rectangle, centred across the bar, its top at the bar's top.
    RECT rcText = {0, 0, 0, 0};
    dc.DrawText(szText, -1, &rcText, DT_CALCRECT);
    const int nTextWidth = rcText.right - rcText.left;
    OffsetRect(&rcText, -rcText.left, -rcText.top);
    OffsetRect(&rcText, (rc.right - nTextWidth - rc.left) / 2, 0);

    dc.FillSolidRect(&rcEmpty, dc.GetBkColor());
    dc.FillSolidRect(&rcFilled, RGB(0, 0, 255));
    const int nOldMode = dc.SetBkMode(TRANSPARENT);

    // Each part draws the whole text aligned so that its glyphs stand where they stand in the
    // centred text rectangle, clipped to that part: the two halves join into one string.
    RECT rcPart;
    if (IntersectRect(&rcPart, &rcText, &rcEmpty))
        dc.DrawText(szText, -1, &rcPart, DT_RIGHT | DT_VCENTER);
    if (IntersectRect(&rcPart, &rcText, &rcFilled)) {
        const COLORREF crOld = dc.SetTextColor(RGB(255, 255, 255));
        dc.DrawText(szText, -1, &rcPart, DT_VCENTER);
        dc.SetTextColor(crOld);
    }
    dc.SetBkMode(nOldMode);
}
