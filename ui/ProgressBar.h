// CProgressBar: a static control whose painting is replaced by a bar filled in blue from the left
// and a centred percentage that reads black over the unfilled part and white over the fill, split
// exactly at the fill boundary.
#pragma once

#include "AfxControls.h"
#include "AfxMsgMap.h"

class CProgressBar : public CStatic {
public:
    CProgressBar() = default;
    ~CProgressBar() override = default;

    // Stores the bounds and re-reads the bar's width from its client area. Neither the fill nor the
    // picture changes: they follow at the next position.
    void SetRange(int nLower, int nUpper);
    // Moves to nPos (not clamped) and repaints, without erasing, only when the filled width in
    // pixels changes, even if the percentage would read differently.
    void SetPos(int nPos);
    // SetPos(current position + nDiff).
    void OffsetPos(int nDiff) { SetPos(int(unsigned(m_nPos) + unsigned(nDiff))); }

    int GetPos() const { return m_nPos; }
    int GetFilledWidth() const { return m_nFilled; }
    float GetFraction() const { return m_fFraction; }

protected:
    void OnPaint();
    BOOL OnEraseBkgnd(CDC*) { return TRUE; }  // OnPaint covers every pixel

    int m_nPos = 0;
    int m_nWidth = 100;
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nFilled = 0;
    float m_fFraction = 0.0f;

    DECLARE_MESSAGE_MAP()
};
