// Images, descriptors, fills and blends of the render engine, read back from
// 32-bit DIB sections.
#include "tests/ui_render/RenderTestSupport.h"

#include "ui/core/RenderEngine.h"

#include <gtest/gtest.h>

#include <memory>

using namespace SkinUI;

namespace {

const DWORD WHITE = 0xFFFFFFFF;
const DWORD BLACK = 0xFF000000;
const DWORD RED = 0xFFFF0000;
const DWORD GREEN = 0xFF00FF00;
const DWORD BLUE = 0xFF0000FF;
const DWORD YELLOW = 0xFFFFFF00;
const DWORD GRAY = 0xFF808080;
const DWORD DARK = 0xFF0A0A0A;
const DWORD ORANGE = 0xFFFF8000;
const DWORD AZURE = 0xFF0080FF;
const DWORD PURPLE = 0xFF800080;
const DWORD TOP_A = 0xFF00C8C8;
const DWORD TOP_B = 0xFFC800C8;
const DWORD TILE_A = 0xFFC80000;
const DWORD TILE_B = 0xFF0000C8;

struct Probe {
    int x;
    int y;
    DWORD color;
};

struct DescriptorCase {
    const char* what;
    const wchar_t* image;
    const wchar_t* modify;
    RECT item;
    RECT paint;
    bool tileWhole;
    std::vector<Probe> probes;
};

const RECT kItem = { 4, 4, 44, 44 };
const RECT kNoPaint = { 0, 0, 0, 0 };

const std::vector<DescriptorCase>& DescriptorCases()
{
    static const std::vector<DescriptorCase> cases = {
        { "dest -1 keeps the item edges", L"file='blue.png' dest='-1,-1,20,20'", nullptr, kItem, kNoPaint, false,
          { { 4, 4, BLUE }, { 23, 23, BLUE }, { 24, 24, WHITE }, { 43, 43, WHITE } } },
        { "dest insets top-left only", L"file='blue.png' dest='5,5,-1,-1'", nullptr, kItem, kNoPaint, false,
          { { 8, 8, WHITE }, { 9, 9, BLUE }, { 43, 43, BLUE } } },
        { "dest clipped to the item", L"file='blue.png' dest='30,30,90,90'", nullptr, kItem, kNoPaint, false,
          { { 33, 33, WHITE }, { 34, 34, BLUE }, { 43, 43, BLUE } } },
        { "bare name stretched over the item", L"blue.png", nullptr, kItem, kNoPaint, false,
          { { 4, 4, BLUE }, { 43, 43, BLUE } } },
        { "hole draws the frame only", L"file='nine.png' corner='4,4,4,4' hole='true'", nullptr, kItem, kNoPaint,
          false,
          { { 4, 4, BLACK }, { 6, 6, RED }, { 42, 6, GREEN }, { 6, 42, BLUE }, { 42, 42, YELLOW }, { 43, 43, DARK },
            { 5, 24, ORANGE }, { 42, 24, AZURE }, { 24, 42, PURPLE }, { 24, 24, WHITE } } },
        { "nine-grid corners 1:1, edges stretched", L"file='nine.png' corner='4,4,4,4'", nullptr, kItem, kNoPaint,
          false,
          { { 4, 4, BLACK }, { 7, 7, RED }, { 8, 8, GRAY }, { 39, 39, GRAY }, { 40, 40, YELLOW }, { 43, 43, DARK },
            { 10, 5, TOP_A }, { 14, 5, TOP_A }, { 16, 5, TOP_A }, { 30, 5, TOP_B }, { 37, 5, TOP_B } } },
        { "two files: the first with the settings before the second",
          L"file='blue.png' dest='0,0,10,10' file='green.png' dest='10,10,20,20'", nullptr, kItem, kNoPaint, false,
          { { 8, 8, BLUE }, { 18, 18, GREEN }, { 18, 8, WHITE }, { 30, 30, WHITE } } },
        { "settings carry over to the next image", L"file='blue.png' file='green.png' dest='0,0,10,10'", nullptr, kItem,
          kNoPaint, false, { { 8, 8, GREEN }, { 30, 30, BLUE } } },
        { "modifier string applies last", L"file='blue.png'", L"dest='0,0,10,10'", kItem, kNoPaint, false,
          { { 8, 8, BLUE }, { 30, 30, WHITE } } },
        { "x-tiled centre", L"file='tile.png' xtiled='true'", nullptr, RECT{ 4, 4, 24, 12 }, kNoPaint, false,
          { { 4, 6, TILE_A }, { 6, 6, TILE_B }, { 8, 6, TILE_A }, { 10, 6, TILE_B }, { 22, 6, TILE_B } } },
        { "x- and y-tiled centre", L"file='tile.png' xtiled='true' ytiled='true'", nullptr, RECT{ 4, 4, 14, 14 },
          kNoPaint, false, { { 4, 4, TILE_A }, { 6, 4, TILE_B }, { 10, 10, TILE_B }, { 12, 12, TILE_A }, { 13, 13, TILE_A } } },
        { "tile-whole grid cut at the item", L"file='tile.png' source='0,0,4,4'", nullptr, RECT{ 4, 4, 14, 14 },
          kNoPaint, true, { { 6, 6, TILE_B }, { 10, 6, TILE_B }, { 12, 12, TILE_A }, { 13, 13, TILE_A } } },
        { "tile-whole without a source drawn once", L"file='tile.png'", nullptr, RECT{ 4, 4, 14, 14 }, kNoPaint, true,
          { { 5, 5, TILE_A }, { 12, 12, TILE_B } } },
        { "fade", L"file='blue.png' fade='128'", nullptr, kItem, kNoPaint, false, { { 20, 20, 0xFF7F7FFF } } },
        { "premultiplied alpha image", L"alpha.png", nullptr, kItem, kNoPaint, false, { { 20, 20, 0xFFFF7F7F } } },
        { "mask clears opaque magenta only", L"file='mask.png' mask='#FFFF00FF'", nullptr, RECT{ 4, 4, 8, 6 },
          kNoPaint, false, { { 4, 4, WHITE }, { 5, 5, WHITE }, { 6, 4, 0xFFFF7FFF }, { 7, 5, 0xFFFF7FFF } } },
        { "missing image draws nothing", L"file='nope.png'", nullptr, kItem, kNoPaint, false, { { 20, 20, WHITE } } },
        { "destination outside the paint rect", L"file='blue.png' dest='0,0,10,10'", nullptr, kItem,
          RECT{ 30, 30, 44, 44 }, false, { { 8, 8, WHITE } } },
        { "malformed item ends the list, collected image drawn", L"file='blue.png' dest='0,0,10,10' source=0",
          nullptr, kItem, kNoPaint, false, { { 8, 8, BLUE }, { 30, 30, WHITE } } },
        { "module resource by id and type", L"res='101' restype='PNG'", nullptr, kItem, kNoPaint, false,
          { { 4, 4, BLUE }, { 43, 43, BLUE } } },
    };
    return cases;
}

class DescriptorTest : public testing::TestWithParam<SkinSource> {
};

TEST_P(DescriptorTest, DrawsEveryCaseInsideItsItemRect)
{
    UseSkin(GetParam());
    for (const DescriptorCase& c : DescriptorCases()) {
        SCOPED_TRACE(c.what);
        CPaintManagerUI pm;
        Canvas canvas(48, 48);
        const RECT paint = IsRectEmpty(&c.paint) ? c.item : c.paint;
        ASSERT_TRUE(CRenderEngine::DrawImageString(canvas.dc(), &pm, c.item, paint, c.image, c.modify, c.tileWhole));
        for (const Probe& p : c.probes) {
            EXPECT_LE(ColorDistance(canvas.At(p.x, p.y), p.color), 8)
                << "at " << p.x << "," << p.y << ": " << ColorText(canvas.At(p.x, p.y)) << " wanted "
                << ColorText(p.color);
        }
        for (int y = 0; y < canvas.height(); y++) {
            for (int x = 0; x < canvas.width(); x++) {
                POINT pt = { x, y };
                if (!PtInRect(&c.item, pt)) {
                    ASSERT_EQ(canvas.At(x, y), WHITE) << "outside at " << x << "," << y;
                }
            }
        }
    }
}

std::string SourceName(const testing::TestParamInfo<SkinSource>& info)
{
    static const char* const names[] = { "Folder", "Zip", "CachedZip", "MemoryZip" };
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Sources, DescriptorTest,
                         testing::Values(SkinSource::Folder, SkinSource::Zip, SkinSource::CachedZip,
                                         SkinSource::MemoryZip),
                         SourceName);

DWORD PixelOf(const TImageInfo* image, int x, int y)
{
    DIBSECTION section = {};
    if (GetObjectW(image->bitmap.Get(), sizeof(section), &section) != sizeof(section)) return 0xDEADBEEF;
    return static_cast<const DWORD*>(section.dsBm.bmBits)[y * image->width + x];
}

struct LoadCase {
    const char* what;
    SkinSource source;
    std::wstring name;
    const wchar_t* type;
    DWORD mask;
    bool loads;
    int width;
    bool hasAlpha;
    std::vector<Probe> pixels;
};

TEST(ImageLoader, DecodesPremultipliedTopDownSectionsFromEverySource)
{
    const std::vector<LoadCase> cases = {
        { "opaque", SkinSource::Folder, L"blue.png", nullptr, 0, true, 8, false, { { 0, 0, BLUE } } },
        { "premultiplied", SkinSource::Folder, L"alpha.png", nullptr, 0, true, 2, true, { { 1, 1, 0x80800000 } } },
        { "top-down", SkinSource::Folder, L"nine.png", nullptr, 0, true, 12, false,
          { { 0, 0, BLACK }, { 11, 11, DARK } } },
        { "mask clears the exact pixel", SkinSource::Folder, L"mask.png", nullptr, 0xFFFF00FF, true, 4, true,
          { { 0, 0, 0 }, { 2, 0, 0x80800080 } } },
        { "no mask keeps magenta", SkinSource::Folder, L"mask.png", nullptr, 0, true, 4, true,
          { { 0, 0, 0xFFFF00FF } } },
        { "missing", SkinSource::Folder, L"nope.png", nullptr, 0, false, 0, false, {} },
        { "empty file", SkinSource::Folder, L"empty.png", nullptr, 0, false, 0, false, {} },
        { "broken file", SkinSource::Folder, L"broken.png", nullptr, 0, false, 0, false, {} },
        { "own path outside the skin", SkinSource::Folder, FixturePath("outside.png"), nullptr, 0, true, 8, false,
          { { 0, 0, GREEN } } },
        { "module resource", SkinSource::Folder, L"#101", L"PNG", 0, true, 8, false, { { 7, 7, BLUE } } },
        { "zip member in other case and slashes", SkinSource::Zip, L"sub\\BLUE.png", nullptr, 0, true, 8, false,
          { { 0, 0, BLUE } } },
        { "stored zip member", SkinSource::CachedZip, L"tile.png", nullptr, 0, true, 4, false,
          { { 0, 0, TILE_A }, { 3, 0, TILE_B } } },
        { "empty zip member", SkinSource::Zip, L"empty.png", nullptr, 0, false, 0, false, {} },
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.what);
        UseSkin(c.source);
        const STRINGorID name = c.name == L"#101" ? STRINGorID(101u) : STRINGorID(c.name.c_str());
        std::unique_ptr<TImageInfo, void (*)(TImageInfo*)> image(CRenderEngine::LoadImageW(name, c.type, c.mask),
                                                                 CRenderEngine::FreeImage);
        ASSERT_EQ(image != nullptr, c.loads);
        if (!c.loads) continue;
        EXPECT_EQ(image->width, c.width);
        EXPECT_EQ(image->hasAlpha, c.hasAlpha);
        for (const Probe& p : c.pixels) EXPECT_EQ(PixelOf(image.get(), p.x, p.y), p.color) << p.x << "," << p.y;
    }
}

TEST(ImageLoader, CachedArchiveThatFailedToOpenLoadsNothing)
{
    CPaintManagerUI::SetResourcePath(FixturePath("skin").c_str());
    CPaintManagerUI::SetResourceZip(L"broken.zip", true);
    ASSERT_EQ(CPaintManagerUI::GetResourceZipHandle(), nullptr);
    EXPECT_EQ(CRenderEngine::LoadImageW(STRINGorID(L"blue.png")), nullptr);
    CPaintManagerUI pm;
    Canvas canvas(8, 8);
    EXPECT_TRUE(CRenderEngine::DrawImageString(canvas.dc(), &pm, RECT{ 0, 0, 8, 8 }, RECT{ 0, 0, 8, 8 }, L"blue.png"));
    EXPECT_EQ(canvas.At(4, 4), WHITE);
}

TEST(Fills, ColourThroughTheBlendOfMsimg32AndOfTheEngine)
{
    const DWORD cases[][3] = {
        // background, colour, result
        { WHITE, 0x80FF0000, 0xFFFF7F7F }, { BLACK, 0x80FF0000, 0xFF800000 }, { BLACK, 0x00FFFFFF, BLACK },
        { BLACK, 0xFF00FF00, GREEN },      { 0xFF204060, 0x400000FF, 0xFF183088 },
    };
    for (bool platform : { true, false }) {
        CRenderEngine::UsePlatformFunctions(platform);
        for (const auto& c : cases) {
            Canvas canvas(10, 10, c[0]);
            CRenderEngine::DrawColor(canvas.dc(), RECT{ 2, 2, 8, 8 }, c[1]);
            EXPECT_LE(ColorDistance(canvas.At(5, 5), c[2]), 2) << ColorText(c[1]) << " gave " << ColorText(canvas.At(5, 5));
            EXPECT_EQ(canvas.At(1, 1), c[0]);
            EXPECT_EQ(canvas.At(8, 8), c[0]);
        }
    }
    CRenderEngine::UsePlatformFunctions(true);
}

TEST(Gradient, BandsOfTheFallbackFollowThePlatformFill)
{
    const struct {
        DWORD first;
        DWORD second;
        bool vertical;
        int steps;
    } cases[] = {
        { 0xFF000000, 0xFFFFFFFF, true, 16 },
        { 0xFFFF0000, 0xFF0000FF, false, 16 },
        { 0xFF00FF00, 0xFF000080, true, 64 },
        { 0x80FFFFFF, 0x80000000, true, 16 },
        { 0xC0FF8000, 0x400080FF, false, 8 },
    };
    const RECT rc = { 8, 6, 72, 70 };
    for (const auto& c : cases) {
        SCOPED_TRACE(ColorText(c.first) + " to " + ColorText(c.second));
        Canvas platform(80, 80, 0xFF336699);
        Canvas own(80, 80, 0xFF336699);
        CRenderEngine::DrawGradient(platform.dc(), rc, c.first, c.second, c.vertical, c.steps);
        CRenderEngine::UsePlatformFunctions(false);
        CRenderEngine::DrawGradient(own.dc(), rc, c.first, c.second, c.vertical, c.steps);
        CRenderEngine::UsePlatformFunctions(true);
        int bands = 2;
        while (bands < 64 && bands * 2 <= c.steps) bands *= 2;
        const int tolerance = 256 / bands + 2;
        for (int y = 0; y < 80; y++) {
            for (int x = 0; x < 80; x++) {
                POINT pt = { x, y };
                if (!PtInRect(&rc, pt)) {
                    ASSERT_EQ(own.At(x, y), 0xFF336699u) << "own path outside at " << x << "," << y;
                    ASSERT_EQ(platform.At(x, y), 0xFF336699u) << "platform outside at " << x << "," << y;
                    continue;
                }
                ASSERT_LE(ColorDistance(own.At(x, y), platform.At(x, y)), tolerance)
                    << x << "," << y << ": " << ColorText(own.At(x, y)) << " vs " << ColorText(platform.At(x, y));
            }
        }
        EXPECT_NE(platform.At(40, 40), 0xFF336699u);
        EXPECT_NE(own.At(40, 40), 0xFF336699u);
    }
}

TEST(Blend, SoftwareBlendStaysWithinRoundingOfAlphaBlend)
{
    const std::pair<const wchar_t*, RECT> cases[] = {
        { L"ramp.png", RECT{ 3, 3, 19, 19 } },
        { L"file='ramp.png' fade='150'", RECT{ 5, 2, 21, 18 } },
        { L"file='alpha.png' fade='200'", RECT{ 0, 0, 30, 17 } },
        { L"file='blue.png' fade='77'", RECT{ 1, 1, 31, 27 } },
    };
    UseSkin(SkinSource::Folder);
    for (const auto& [image, item] : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(image)));
        Canvas platform(32, 32, 0xFF2080E0);
        Canvas own(32, 32, 0xFF2080E0);
        {
            CPaintManagerUI pm;
            CRenderEngine::DrawImageString(platform.dc(), &pm, item, item, image);
            CRenderEngine::UsePlatformFunctions(false);
            CRenderEngine::DrawImageString(own.dc(), &pm, item, item, image);
            CRenderEngine::UsePlatformFunctions(true);
        }
        int differing = 0;
        for (int y = 0; y < 32; y++) {
            for (int x = 0; x < 32; x++) {
                ASSERT_LE(ColorDistance(own.At(x, y), platform.At(x, y)), 3)
                    << x << "," << y << ": " << ColorText(own.At(x, y)) << " vs " << ColorText(platform.At(x, y));
                if (own.At(x, y) != 0xFF2080E0) differing++;
            }
        }
        EXPECT_GT(differing, 100);
    }
}

TEST(Primitives, TextClipsAndSnapshots)
{
    CPaintManagerUI pm;
    // GDI's own output leaves the alpha byte at 0: colours are compared.
    auto rgb = [](DWORD color) { return color & 0x00FFFFFF; };
    {
        Canvas canvas(60, 30);
        RECT rc = { 0, 0, 60, 30 };
        CRenderEngine::DrawTextW(canvas.dc(), &pm, rc, L"WWW", 0xFF000000, -1, DT_SINGLELINE);
        int dark = 0;
        for (int y = 0; y < 30; y++)
            for (int x = 0; x < 60; x++) dark += canvas.At(x, y) != WHITE;
        EXPECT_GT(dark, 10);
        const SIZE size = CRenderEngine::GetTextSize(canvas.dc(), &pm, L"WWW", -1, 0);
        EXPECT_GT(size.cx, 5);
        EXPECT_GT(size.cy, 5);
        const SIZE none = CRenderEngine::GetTextSize(canvas.dc(), &pm, nullptr, -1, 0);
        EXPECT_EQ(none.cx, 0);
    }
    {
        // A rect clip inside a rounded clip: ending the inner one brings the
        // rounded one back, not its bounding box.
        Canvas canvas(40, 40);
        {
            CRenderClip round;
            CRenderClip::GenerateRoundClip(canvas.dc(), RECT{ 0, 0, 40, 40 }, RECT{ 0, 0, 40, 40 }, 20, 20, round);
            {
                CRenderClip inner;
                CRenderClip::GenerateClip(canvas.dc(), RECT{ 10, 10, 30, 30 }, inner);
                CRenderEngine::DrawColor(canvas.dc(), RECT{ 0, 0, 40, 40 }, GREEN);
                EXPECT_EQ(rgb(canvas.At(5, 20)), rgb(WHITE));
                EXPECT_EQ(rgb(canvas.At(20, 20)), rgb(GREEN));
            }
            CRenderEngine::DrawColor(canvas.dc(), RECT{ 0, 0, 40, 40 }, BLUE);
            EXPECT_EQ(rgb(canvas.At(0, 0)), rgb(WHITE)) << "rounded corner";
            EXPECT_EQ(rgb(canvas.At(5, 20)), rgb(BLUE));
        }
        CRenderEngine::DrawColor(canvas.dc(), RECT{ 0, 0, 40, 40 }, RED);
        EXPECT_EQ(rgb(canvas.At(0, 0)), rgb(RED)) << "no clip left behind";
    }
    {
        TestPanel control;
        control.SetBkColor(BLUE);
        control.SetPos(RECT{ 5, 5, 15, 15 });
        ScopedBitmap snapshot(CRenderEngine::GenerateBitmap(&pm, &control, RECT{ 0, 0, 20, 20 }, 0xFFFF00FF));
        ASSERT_TRUE(snapshot.Valid());
        DIBSECTION section = {};
        ASSERT_EQ(GetObjectW(snapshot.Get(), sizeof(section), &section), static_cast<int>(sizeof(section)));
        ASSERT_GT(section.dsBmih.biHeight, 0) << "bottom-up";
        const DWORD* bits = static_cast<const DWORD*>(section.dsBm.bmBits);
        EXPECT_EQ(bits[(19 - 0) * 20 + 0], 0u) << "filter colour became transparent";
        EXPECT_EQ(bits[(19 - 10) * 20 + 10], BLUE) << "painted pixels opaque";
        Canvas canvas(20, 20, BLACK);
        CRenderEngine::DoPaintAlphaBitmap(canvas.dc(), &pm, snapshot.Get(), RECT{ 0, 0, 20, 20 }, 255);
        EXPECT_EQ(canvas.At(0, 0), BLACK);
        EXPECT_EQ(rgb(canvas.At(10, 10)), rgb(BLUE));
    }
}

TEST(AdjustColor, HueSaturationLightness)
{
    const struct {
        DWORD color;
        short h;
        short s;
        short l;
        DWORD expected;
    } cases[] = {
        { 0x80123456, 180, 100, 100, 0x80123456 },
        { 0xFFFF0000, 300, 100, 100, 0xFF00FF00 },
        { 0xFFFF0000, 60, 100, 100, 0xFF0000FF },
        { 0xFFFF0000, 180, 0, 100, 0xFF808080 },
        { 0x40FF0000, 180, 100, 0, 0x40000000 },
        { 0xFF800000, 180, 100, 200, 0xFFFF0000 },
        { 0xFF808080, 180, 100, 200, 0xFFFFFFFF },
    };
    for (const auto& c : cases) {
        const DWORD got = CRenderEngine::AdjustColor(c.color, c.h, c.s, c.l);
        EXPECT_LE(ColorDistance(got, c.expected), 1) << ColorText(c.color) << " gave " << ColorText(got);
        EXPECT_EQ(got >> 24, c.expected >> 24);
    }
}

} // namespace
