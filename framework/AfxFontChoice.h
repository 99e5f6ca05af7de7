// Fonts that draw what they are given. A font made for a dialog template (a Western bitmap face)
// draws only its own character set: a Cyrillic text or a Chinese name in it shows as empty boxes.
// These calls tell whether a font draws a text, counting the faces the system links to it
// (FontLink\SystemLink: the faces Windows takes a missing character from), and choose the one
// that does: the given font, else the shell's dialog face "MS Shell Dlg 2" (linked to the
// system's CJK faces) at the same size, else a face of the spoken language's character set.
#pragma once

#include "AfxPlatform.h"

// TRUE when every character of pszText (UTF-8; control characters aside) has a glyph in hFont or
// in a face the system links to hFont's face. A null font is the system font.
BOOL AfxFontDraws(HFONT hFont, const char* pszText);

// The font to draw pszText with, in the place of hFont: hFont itself when bKeep and it draws the
// text; else the first that draws it of the shell's dialog face and (for a language with a
// character set of its own, AfxLanguageCharset) a face of that set, each with hFont's height,
// weight and slant; else the shell's dialog face. Fonts made here live as long as the program.
HFONT AfxFontForText(HFONT hFont, const char* pszText, bool bKeep = true);

// A window's font, changed for one that draws the text it shows (its list entries too) when its
// own does not (AfxFontForText); the window redraws.
void AfxFitFontToText(HWND hWnd);
