// CBackdropWnd: its caption and its painting, read back from the screen.
#include "BackdropWnd.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

namespace {
// Gives the tests the font the band word was made with.
class CBackdropProbe : public CBackdropWnd {
public:
    using CBackdropWnd::CBackdropWnd;
    LONG BandFontHeight()
    {
        LOGFONTA lf = {};
        if (!m_bandFont.GetSafeHandle() || !::GetObjectA(m_bandFont.GetSafeHandle(), sizeof lf, &lf)) return 0;
        return lf.lfHeight;
    }
};

// Resizes the window so that its client area is cx by cy, shows it and has it paint.
void SizeClient(CWnd& wnd, int cx, int cy)
{
    RECT rc = {0, 0, cx, cy};
    ::AdjustWindowRectEx(&rc, wnd.GetStyle(), FALSE, 0);
    ::SetWindowPos(wnd.m_hWnd, HWND_TOPMOST, 0, 0, rc.right - rc.left, rc.bottom - rc.top, SWP_SHOWWINDOW);
    uitest::ShowAndPaint(wnd.m_hWnd);
}

COLORREF Shade(int y, int nHeight) { return RGB(0, 0, 255 - 4 * ((63 * y) / nHeight)); }
}  // namespace

TEST(BackdropWndTest, CaptionIsTheProductNameAndTheSystemsName)
{
    const struct {
        const char* pszProduct;
        const char* pszCaption;
    } cases[] = {
        {"Demo Product", "Demo Product - Zorvan Installation System"},
        {"", " - Zorvan Installation System"},
    };
    for (const auto& c : cases) {
        CBackdropWnd wnd(c.pszProduct, "description");
        ASSERT_NE(wnd.m_hWnd, nullptr);
        EXPECT_EQ(std::string(uitest::TextOf(wnd.m_hWnd)), c.pszCaption);
        EXPECT_EQ(wnd.GetStyle() & WS_OVERLAPPEDWINDOW, DWORD(WS_OVERLAPPEDWINDOW));
        EXPECT_EQ(wnd.SendMessage(WM_ERASEBKGND, 0, 0), TRUE);
    }
}

TEST(BackdropWndTest, PaintsBandStripsAndGradient)
{
    // Wide enough for strips of 2 pixels each; too narrow for strips at all.
    const struct {
        int cx, cy;
        int nStrip;
    } cases[] = {{1000, 630, 2}, {490, 300, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cx);
        CBackdropWnd wnd("Demo", "A");
        SizeClient(wnd, c.cx, c.cy);
        const uitest::CPixels px(wnd.m_hWnd);
        ASSERT_EQ(px.Width(), c.cx);
        ASSERT_EQ(px.Height(), c.cy);
        const int nBand = c.cx / 5;
        ASSERT_EQ(nBand / 100, c.nStrip);

        EXPECT_EQ(px.At(2, 2), RGB(192, 192, 192));
        for (int x = 0; x < c.nStrip; ++x) {
            EXPECT_EQ(px.At(nBand + x, c.cy / 2), RGB(128, 128, 128));
            EXPECT_EQ(px.At(nBand + c.nStrip + x, c.cy / 2), RGB(64, 64, 64));
        }
        // Right of the strips the gradient begins; along the right edge it darkens row by row
        // (the bottom rows there hold "nexal").
        EXPECT_EQ(px.At(nBand + 2 * c.nStrip, c.cy / 2), Shade(c.cy / 2, c.cy));
        EXPECT_EQ(px.At(c.cx - 3, 0), RGB(0, 0, 255));
        for (int y = 0; y < c.cy - 40; y += 7) EXPECT_EQ(px.At(c.cx - 3, y), Shade(y, c.cy)) << "row " << y;

        // The band word and its shadow: dark grey and black pixels inside the band.
        int nBlack = 0, nDarkGrey = 0;
        for (int y = 0; y < c.cy - 20; ++y)
            for (int x = 0; x < nBand; ++x) {
                nBlack += px.At(x, y) == RGB(0, 0, 0);
                nDarkGrey += px.At(x, y) == RGB(64, 64, 64);
            }
        EXPECT_GT(nBlack, 0);
        EXPECT_GT(nDarkGrey, 0);
    }
}

TEST(BackdropWndTest, GradientOfExactly63RowsUsesEveryShadeOnce)
{
    CBackdropWnd wnd("Demo", "");
    SizeClient(wnd, 600, 63);
    const uitest::CPixels px(wnd.m_hWnd);
    ASSERT_EQ(px.Height(), 63);
    for (int y = 0; y < 63; ++y) EXPECT_EQ(px.At(400, y), RGB(0, 0, 255 - 4 * y)) << "row " << y;
}

TEST(BackdropWndTest, FontsKeepTheSizeOfTheFirstPaint)
{
    CBackdropProbe wnd("Demo", "Demo description");
    EXPECT_EQ(wnd.BandFontHeight(), 0);  // nothing made before the first paint
    SizeClient(wnd, 400, 300);
    EXPECT_EQ(wnd.BandFontHeight(), 80);
    SizeClient(wnd, 900, 600);
    wnd.Invalidate(FALSE);
    ::UpdateWindow(wnd.m_hWnd);
    EXPECT_EQ(wnd.BandFontHeight(), 80);
}
