// CProgressBar on a real window: which positions repaint, and what the repaint shows, read back
// from the screen.
#include "ProgressBar.h"
#include "ProgressFill.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {
const COLORREF kBlue = RGB(0, 0, 255);

// A 50 by 20 pixel bar (no border: the client area is the whole control) on a plain window.
class ProgressBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LPCSTR cls = AfxRegisterWndClass(0, nullptr, HBRUSH(COLOR_WINDOW + 1));
        ASSERT_TRUE(m_parent.CreateEx(0, cls, "bar test", WS_POPUP | WS_VISIBLE, 10, 10, 120, 60, nullptr, nullptr));
        HWND hStatic = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, m_parent.m_hWnd,
                                         HMENU(1000), nullptr, nullptr);
        ASSERT_TRUE(m_bar.SubclassWindow(hStatic));
        m_bar.SetRange(0, 100);
        m_bar.SetPos(0);
        uitest::ShowAndPaint(m_parent.m_hWnd);
    }
    void TearDown() override { m_parent.DestroyWindow(); }

    // True when the bar has asked for a repaint since its last one.
    bool RepaintPending() const { return ::GetUpdateRect(m_bar.m_hWnd, nullptr, FALSE) != FALSE; }
    std::string Text() const
    {
        char sz[64];
        FormatProgressPercent(m_bar.GetFraction(), sz, sizeof sz);
        return sz;
    }
    // Every pixel left of the fill boundary is blue or a blend of the white text into blue; every
    // pixel right of it is the white background or a blend of the black text into it. Counts the
    // text's pixels on each side.
    void ExpectSplitAt(int nBoundary, int* pWhiteOnBlue, int* pBlackOnWhite)
    {
        uitest::CPixels px(m_bar.m_hWnd);
        *pWhiteOnBlue = *pBlackOnWhite = 0;
        for (int y = 0; y < px.Height(); ++y)
            for (int x = 0; x < px.Width(); ++x) {
                const COLORREF c = px.At(x, y);
                SCOPED_TRACE(::testing::Message() << "pixel " << x << "," << y);
                if (x < nBoundary) {
                    ASSERT_EQ(GetBValue(c), 255);
                    ASSERT_EQ(GetRValue(c), GetGValue(c));
                    if (GetRValue(c) > 128) ++*pWhiteOnBlue;
                } else {
                    ASSERT_EQ(GetRValue(c), GetGValue(c));
                    ASSERT_EQ(GetGValue(c), GetBValue(c));
                    if (GetRValue(c) < 128) ++*pBlackOnWhite;
                }
            }
    }

    CWnd m_parent;
    CProgressBar m_bar;
};
}  // namespace

TEST_F(ProgressBarTest, RepaintsOnlyWhenTheFillGainsAPixel)
{
    const uitest::CPixels before(m_bar.m_hWnd);
    m_bar.SetPos(1);  // half a pixel of 50
    EXPECT_EQ(m_bar.GetFilledWidth(), 0);
    EXPECT_FALSE(RepaintPending());
    EXPECT_EQ(Text(), "1%");  // what a repaint would show; none comes, the bar still reads 0%
    ::UpdateWindow(m_bar.m_hWnd);
    EXPECT_TRUE(uitest::CPixels(m_bar.m_hWnd) == before);

    m_bar.SetPos(2);
    EXPECT_EQ(m_bar.GetFilledWidth(), 1);
    EXPECT_TRUE(RepaintPending());
    ::UpdateWindow(m_bar.m_hWnd);
    const uitest::CPixels after(m_bar.m_hWnd);
    EXPECT_FALSE(after == before);
    EXPECT_EQ(after.At(0, 0), kBlue);
    EXPECT_NE(after.At(1, 0), kBlue);
    EXPECT_EQ(Text(), "2%");
}

TEST_F(ProgressBarTest, TextSplitsInColourAtTheFillBoundary)
{
    m_bar.SetPos(50);  // 25 of 50 pixels: the boundary runs through the middle of "50%"
    ASSERT_EQ(m_bar.GetFilledWidth(), 25);
    ::UpdateWindow(m_bar.m_hWnd);
    int nWhiteOnBlue = 0, nBlackOnWhite = 0;
    ExpectSplitAt(25, &nWhiteOnBlue, &nBlackOnWhite);
    EXPECT_GT(nWhiteOnBlue, 0);
    EXPECT_GT(nBlackOnWhite, 0);

    // The two halves join into the one string: where "50%" drawn whole, black on white and centred
    // in the bar's default font, has ink, the bar has white ink left of the boundary and black
    // ink right of it, and nowhere else.
    const uitest::CPixels bar(m_bar.m_hWnd);
    HDC hBarDC = ::GetDC(m_bar.m_hWnd);
    RECT rcText = {0, 0, 0, 0};
    ::DrawTextA(hBarDC, "50%", -1, &rcText, DT_CALCRECT);
    ::OffsetRect(&rcText, (bar.Width() - rcText.right) / 2, 0);
    ::FillRect(hBarDC, &rcText, HBRUSH(::GetStockObject(WHITE_BRUSH)));
    ::DrawTextA(hBarDC, "50%", -1, &rcText, 0);
    ::ReleaseDC(m_bar.m_hWnd, hBarDC);
    ::GdiFlush();
    const uitest::CPixels reference(m_bar.m_hWnd);
    int nInk = 0;
    for (int y = rcText.top; y < rcText.bottom && y < bar.Height(); ++y)
        for (int x = rcText.left; x < rcText.right; ++x) {
            const bool bRefInk = GetRValue(reference.At(x, y)) < 128;
            const bool bBarInk = x < 25 ? GetRValue(bar.At(x, y)) > 128 : GetRValue(bar.At(x, y)) < 128;
            EXPECT_EQ(bBarInk, bRefInk) << "pixel " << x << "," << y;
            nInk += bRefInk;
        }
    EXPECT_GT(nInk, 0);
}

TEST_F(ProgressBarTest, EdgesOfTheRange)
{
    struct Case {
        const char* pszName;
        int nLower, nUpper, nPos;
        int nFilled;
        const char* pszText;
    };
    const Case cases[] = {
        {"one eighth", 0, 8, 1, 6, "13%"},
        {"one half", 0, 8, 4, 25, "50%"},
        {"past the upper bound", 0, 100, 150, 75, "150%"},
        {"below the lower bound", 100, 200, 90, -5, "-10%"},
        {"empty range", 7, 7, 7, 0, "0%"},
        {"empty range, position elsewhere", 7, 7, 1000, 0, "0%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        m_bar.SetRange(c.nLower, c.nUpper);
        m_bar.SetPos(c.nPos);
        EXPECT_EQ(m_bar.GetFilledWidth(), c.nFilled);
        EXPECT_EQ(Text(), c.pszText);
        m_bar.Invalidate(FALSE);
        ::UpdateWindow(m_bar.m_hWnd);
        int nWhiteOnBlue = 0, nBlackOnWhite = 0;
        // The painted fill never leaves the bar, whichever way the position left the range.
        const int nBoundary = c.nFilled < 0 ? 0 : c.nFilled > 50 ? 50 : c.nFilled;
        ExpectSplitAt(nBoundary, &nWhiteOnBlue, &nBlackOnWhite);
        EXPECT_GT(nWhiteOnBlue + nBlackOnWhite, 0) << "no text painted";
    }
}

TEST_F(ProgressBarTest, NewRangeLeavesTheFillUntilTheNextPosition)
{
    m_bar.SetPos(50);
    ::UpdateWindow(m_bar.m_hWnd);
    m_bar.SetRange(0, 1000);
    EXPECT_EQ(m_bar.GetFilledWidth(), 25);
    EXPECT_FALSE(RepaintPending());
    m_bar.OffsetPos(50);  // 100 of 1000
    EXPECT_EQ(m_bar.GetPos(), 100);
    EXPECT_EQ(m_bar.GetFilledWidth(), 5);
    EXPECT_TRUE(RepaintPending());
}

TEST_F(ProgressBarTest, RangeReadsTheWidthOfTheControl)
{
    ::MoveWindow(m_bar.m_hWnd, 0, 0, 80, 20, FALSE);
    m_bar.SetPos(50);
    EXPECT_EQ(m_bar.GetFilledWidth(), 25);  // still 50 wide until the next range
    m_bar.SetRange(0, 100);
    m_bar.SetPos(50);
    EXPECT_EQ(m_bar.GetFilledWidth(), 40);
}
