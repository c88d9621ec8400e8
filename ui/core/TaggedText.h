#pragma once

#include "ui/core/UIString.h"

#include <windows.h>

namespace SkinUI {

class CPaintManagerUI;

// Lays out and draws tagged text (<b>, <c #RRGGBB>, <a>, <f n>, <i>, <p>,
// <r>, <s>, <u>, <x n>, <y n>, <n>) inside rc with the DT_* flags of style.
// With DT_CALCRECT nothing is drawn and rc shrinks to the text's extent.
// linkCount: room in links and linkTexts on entry, link rects recorded on
// return; links and linkTexts may be null (then nothing is recorded).
void DrawTaggedText(HDC hDC, CPaintManagerUI* manager, RECT& rc, const wchar_t* text, DWORD color, RECT* links,
                    CUIString* linkTexts, int& linkCount, UINT style);

} // namespace SkinUI
