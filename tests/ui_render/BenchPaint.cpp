// Paint figures: a tree of 1000 controls painted into an offscreen buffer
// against the same GDI calls made directly, one control repainted, and an
// image decoded once and drawn from the cache.
#include "tests/ui_render/RenderTestSupport.h"

#include "ui/core/RenderEngine.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace SkinUI;

namespace {

const int kColumns = 40;
const int kRows = 25;
const int kCellWidth = 20;
const int kCellHeight = 24;
const int kFullPaints = 100;
const int kSinglePaints = 2000;
const int kCachedDraws = 10000;
const int kRounds = 10;

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Seconds per call of body, over count calls.
template <typename Body>
double Time(Body body, int count)
{
    const double start = Now();
    for (int i = 0; i < count; i++) body();
    GdiFlush();
    return (Now() - start) / count;
}

struct Cell {
    RECT rc;
    DWORD color;
    const TImageInfo* image;
};

const wchar_t* ImageOf(int index)
{
    return index % 2 == 0 ? L"nine.png" : L"ramp.png";
}

void Fill(HDC hDC, const RECT& rc, DWORD argb)
{
    const COLORREF old = SetBkColor(hDC, RGB(GetBValue(argb), GetGValue(argb), GetRValue(argb)));
    ExtTextOutW(hDC, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    SetBkColor(hDC, old);
}

// The nine cells of a 4-pixel-corner grid, as the engine issues them.
void NineGrid(HDC hDC, const RECT& d, const TImageInfo* image)
{
    HDC mem = CreateCompatibleDC(hDC);
    HGDIOBJ old = SelectObject(mem, image->bitmap.Get());
    const int mode = SetStretchBltMode(hDC, HALFTONE);
    const int c = 4;
    const int w = image->width;
    const int h = image->height;
    const RECT dst[9] = {
        { d.left + c, d.top + c, d.right - c, d.bottom - c }, { d.left, d.top, d.left + c, d.top + c },
        { d.left + c, d.top, d.right - c, d.top + c }, { d.right - c, d.top, d.right, d.top + c },
        { d.left, d.top + c, d.left + c, d.bottom - c }, { d.right - c, d.top + c, d.right, d.bottom - c },
        { d.left, d.bottom - c, d.left + c, d.bottom }, { d.left + c, d.bottom - c, d.right - c, d.bottom },
        { d.right - c, d.bottom - c, d.right, d.bottom },
    };
    const RECT src[9] = {
        { c, c, w - c, h - c }, { 0, 0, c, c }, { c, 0, w - c, c }, { w - c, 0, w, c }, { 0, c, c, h - c },
        { w - c, c, w, h - c }, { 0, h - c, c, h }, { c, h - c, w - c, h }, { w - c, h - c, w, h },
    };
    const BLENDFUNCTION bf = { AC_SRC_OVER, 0, 255, AC_SRC_ALPHA };
    for (int i = 0; i < 9; i++) {
        const RECT& a = dst[i];
        const RECT& b = src[i];
        if (image->hasAlpha) {
            AlphaBlend(hDC, a.left, a.top, a.right - a.left, a.bottom - a.top, mem, b.left, b.top, b.right - b.left,
                       b.bottom - b.top, bf);
        } else {
            StretchBlt(hDC, a.left, a.top, a.right - a.left, a.bottom - a.top, mem, b.left, b.top, b.right - b.left,
                       b.bottom - b.top, SRCCOPY);
        }
    }
    SetStretchBltMode(hDC, mode);
    SelectObject(mem, old);
    DeleteDC(mem);
}

void Frame(HDC hDC, const RECT& rc)
{
    HPEN pen = CreatePen(PS_SOLID | PS_INSIDEFRAME, 1, RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(hDC, pen);
    HGDIOBJ oldBrush = SelectObject(hDC, GetStockObject(HOLLOW_BRUSH));
    Rectangle(hDC, rc.left, rc.top, rc.right, rc.bottom);
    SelectObject(hDC, oldBrush);
    SelectObject(hDC, oldPen);
    DeleteObject(pen);
}

void PaintDirect(HDC hDC, const std::vector<Cell>& cells, const RECT& paint)
{
    Fill(hDC, paint, 0xFFEEEEEE);
    RECT t;
    for (const Cell& cell : cells) {
        if (!IntersectRect(&t, &cell.rc, &paint)) continue;
        Fill(hDC, t, cell.color);
        NineGrid(hDC, cell.rc, cell.image);
        Frame(hDC, cell.rc);
    }
}

DWORD GdiObjects()
{
    return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
}

} // namespace

int main()
{
    UseSkin(SkinSource::Folder);
    Canvas canvas(kColumns * kCellWidth, kRows * kCellHeight);
    const RECT all = { 0, 0, canvas.width(), canvas.height() };
    CPaintManagerUI pm;
    TestPanel root;
    root.SetManager(&pm, nullptr, false);
    root.SetPos(all);
    root.SetBkColor(0xFFEEEEEE);
    std::vector<CControlUI*> controls;
    const double building = Now();
    for (int i = 0; i < kColumns * kRows; i++) {
        const RECT rc = { (i % kColumns) * kCellWidth, (i / kColumns) * kCellHeight,
                          (i % kColumns + 1) * kCellWidth, (i / kColumns + 1) * kCellHeight };
        CControlUI* control = root.Add(new CControlUI, rc);
        control->SetBkColor(0xFF000000 | (i * 2654435761u >> 8));
        CUIString image = L"file='";
        image += ImageOf(i);
        image += L"' corner='4,4,4,4'";
        control->SetBkImage(image);
        control->SetBorderColor(0xFF000000);
        control->SetBorderSize(1);
        controls.push_back(control);
    }
    const double built = Now() - building;

    // Warm up: the images are decoded into the cache on the first paint.
    root.DoPaint(canvas.dc(), all);
    std::vector<Cell> cells;
    for (int i = 0; i < static_cast<int>(controls.size()); i++) {
        cells.push_back(Cell{ controls[i]->GetPos(), controls[i]->GetBkColor(), pm.GetImage(ImageOf(i)) });
    }
    PaintDirect(canvas.dc(), cells, all);

    // The baseline must produce the same picture.
    Canvas check(canvas.width(), canvas.height());
    root.DoPaint(canvas.dc(), all);
    PaintDirect(check.dc(), cells, all);
    int same = 0;
    for (int i = 0; i < canvas.width() * canvas.height(); i++)
        same += canvas.Bits()[i] == check.Bits()[i];

    // Rounds of both, alternating, and the best round of each: the machine
    // is shared, so single runs are noisy.
    const DWORD gdiBefore = GdiObjects();
    double framework = 1e9;
    double direct = 1e9;
    double single = 1e9;
    double singleDirect = 1e9;
    const RECT one = controls[kColumns * kRows / 2 + 7]->GetPos();
    for (int round = 0; round < kRounds; round++) {
        framework = std::min(framework, Time([&] { root.DoPaint(canvas.dc(), all); }, kFullPaints / kRounds));
        direct = std::min(direct, Time([&] { PaintDirect(canvas.dc(), cells, all); }, kFullPaints / kRounds));
        single = std::min(single, Time([&] { root.DoPaint(canvas.dc(), one); }, kSinglePaints / kRounds));
        singleDirect = std::min(singleDirect, Time([&] { PaintDirect(canvas.dc(), cells, one); }, kSinglePaints / kRounds));
    }
    const DWORD gdiAfter = GdiObjects();

    const double start = Now();
    TImageInfo* big = CRenderEngine::LoadImageW(STRINGorID(L"big.png"));
    const double decode = Now() - start;
    if (big == nullptr) {
        fprintf(stderr, "big.png did not load\n");
        return 1;
    }
    CRenderEngine::FreeImage(big);
    pm.GetImageEx(L"big.png");
    const RECT item = { 0, 0, 128, 128 };
    const double cached = Time(
        [&] { CRenderEngine::DrawImageString(canvas.dc(), &pm, item, item, L"file='big.png' dest='0,0,128,128'"); },
        kCachedDraws);
    const RECT full = { 0, 0, 512, 512 };
    const double fullDraw = Time([&] { CRenderEngine::DrawImageString(canvas.dc(), &pm, full, full, L"big.png"); }, 100);

    printf("tree of %d controls (colour, nine-grid image, border), %dx%d buffer, %d paints:\n",
           kColumns * kRows, canvas.width(), canvas.height(), kFullPaints);
    printf("  building the tree  %8.2f ms (each control starts GDI+)\n", built * 1e3);
    printf("  framework          %8.2f ms per paint\n", framework * 1e3);
    printf("  direct GDI calls   %8.2f ms per paint\n", direct * 1e3);
    printf("  ratio              %8.2f x (target 1.5 x)\n", framework / direct);
    printf("  same picture       %8.2f %% of the pixels\n", 100.0 * same / (canvas.width() * canvas.height()));
    printf("  GDI objects        %lu before, %lu after the paints\n", static_cast<unsigned long>(gdiBefore),
           static_cast<unsigned long>(gdiAfter));
    printf("one control repainted (%d times, the tree walked for it):\n", kSinglePaints);
    printf("  framework          %8.1f us per paint\n", single * 1e6);
    printf("  direct GDI calls   %8.1f us per paint\n", singleDirect * 1e6);
    printf("512x512 PNG:\n");
    printf("  decode once        %8.2f ms\n", decode * 1e3);
    printf("  cached draw        %8.1f us per draw into 128x128 (%d draws)\n", cached * 1e6, kCachedDraws);
    printf("  cached draw        %8.2f ms per draw at 512x512 (100 draws)\n", fullDraw * 1e3);
    return 0;
}
