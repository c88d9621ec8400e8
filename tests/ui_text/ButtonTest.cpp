// Buttons and options under real mouse messages.
#include "tests/ui_text/TextTestSupport.h"

#include "ui/controls/ButtonUI.h"
#include "ui/controls/DialogBuilder.h"
#include "ui/controls/OptionUI.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace SkinUI;

namespace {

const DWORD kRed = 0xFF0000;
const DWORD kGreen = 0x00FF00;
const DWORD kBlue = 0x0000FF;
const DWORD kGray = 0x808080;
const DWORD kYellow = 0xFFFF00;

int Count(const std::vector<std::wstring>& notes, const wchar_t* note)
{
    return static_cast<int>(std::count(notes.begin(), notes.end(), note));
}

TEST(ButtonTest, StateImagesAndClicksFollowTheMouse)
{
    TestWindow window(200, 100);
    auto* root = new TestHost;
    auto* button = root->Add(new CButtonUI, RECT{ 10, 10, 60, 40 });
    button->SetName(L"b");
    button->SetAttribute(L"normalimage", L"red.png");
    button->SetAttribute(L"hotimage", L"green.png");
    button->SetAttribute(L"pushedimage", L"blue.png");
    button->SetAttribute(L"disabledimage", L"gray.png");
    auto* flat = root->Add(new CButtonUI, RECT{ 100, 10, 150, 40 });
    flat->SetAttribute(L"hotbkcolor", L"#FF00FF00");
    flat->SetAttribute(L"foreimage", L"file='yellow.png' dest='0,0,10,10'");
    window.Attach(root);

    // Each step: a mouse message, then the colours of the button and of the
    // second button's foreground corner (hidden by the hot colour while
    // hot), the pushed bit and the clicks so far.
    struct Step {
        UINT message;
        int x, y;
        DWORD button, flat;
        bool pushed;
        int clicks;
    } steps[] = {
        { WM_MOUSEMOVE, 30, 25, kGreen, kYellow, false, 0 },
        { WM_LBUTTONDOWN, 30, 25, kBlue, kYellow, true, 0 },
        { WM_MOUSEMOVE, 180, 80, kRed, kYellow, false, 0 },
        { WM_MOUSEMOVE, 31, 26, kBlue, kYellow, true, 0 },
        { WM_MOUSEMOVE, 180, 80, kRed, kYellow, false, 0 },
        { WM_LBUTTONUP, 180, 80, kRed, kYellow, false, 0 },
        { WM_MOUSEMOVE, 30, 25, kGreen, kYellow, false, 0 },
        { WM_LBUTTONDOWN, 30, 25, kBlue, kYellow, true, 0 },
        { WM_LBUTTONUP, 30, 25, kGreen, kYellow, false, 1 },
        { WM_MOUSEMOVE, 125, 25, kRed, kGreen, false, 1 },
        { WM_MOUSEMOVE, 180, 80, kRed, kYellow, false, 1 },
    };
    for (const Step& s : steps) {
        window.Mouse(s.message, s.x, s.y);
        const Pixels pixels = window.Capture();
        const size_t step = static_cast<size_t>(&s - steps);
        EXPECT_EQ(pixels.At(35, 25), s.button) << "step " << step;
        EXPECT_EQ(pixels.At(105, 15), s.flat) << "step " << step;
        EXPECT_EQ((button->GetButtonState() & UISTATE_PUSHED) != 0, s.pushed) << "step " << step;
        EXPECT_EQ(Count(window.notes, L"click:b"), s.clicks) << "step " << step;
    }
    button->SetEnabled(false);
    EXPECT_EQ(button->GetButtonState() & ~UISTATE_DISABLED, 0u);
    EXPECT_EQ(window.Capture().At(35, 25), kGray);
    window.Mouse(WM_LBUTTONDOWN, 30, 25);
    window.Mouse(WM_LBUTTONUP, 30, 25);
    EXPECT_EQ(Count(window.notes, L"click:b"), 1);
}

TEST(ButtonTest, OptionsKeepOneSelectionPerGroup)
{
    TestWindow window(200, 100);
    auto* root = new TestHost;
    auto* first = root->Add(new COptionUI, RECT{ 0, 0, 40, 40 });
    auto* second = root->Add(new COptionUI, RECT{ 50, 0, 90, 40 });
    auto* lone = root->Add(new CCheckBoxUI, RECT{ 100, 0, 140, 40 });
    auto* preset = root->Add(new COptionUI, RECT{ 150, 0, 190, 40 });
    const wchar_t* names[] = { L"first", L"second", L"lone", L"preset" };
    COptionUI* options[] = { first, second, lone, preset };
    for (int i = 0; i < 4; i++) {
        options[i]->SetName(names[i]);
        options[i]->SetAttribute(L"normalimage", L"red.png");
        options[i]->SetAttribute(L"selectedimage", L"blue.png");
    }
    first->SetAttribute(L"group", L"g");
    second->SetAttribute(L"group", L"g");
    // Applied before the control has a manager: selects, notifies nobody.
    preset->SetAttribute(L"selected", L"true");
    window.Attach(root);
    EXPECT_TRUE(preset->IsSelected());
    auto selections = [&]() {
        std::wstring joined;
        for (const std::wstring& note : window.notes) {
            if (note.rfind(L"click:", 0) != 0 && note.rfind(L"selectchanged:", 0) != 0) continue;
            joined += (joined.empty() ? L"" : L" ") + note;
        }
        return joined;
    };
    EXPECT_EQ(selections(), L"");

    auto click = [&](int x) {
        window.Mouse(WM_MOUSEMOVE, x, 20);
        window.Mouse(WM_LBUTTONDOWN, x, 20);
        window.Mouse(WM_LBUTTONUP, x, 20);
    };
    struct Step {
        int x;
        bool first, second, lone;
        const wchar_t* notes;
    } steps[] = {
        { 20, true, false, false, L"click:first selectchanged:first" },
        { 70, false, true, false, L"click:second selectchanged:second" },
        { 70, false, true, false, L"click:second" },
        { 120, false, true, true, L"click:lone selectchanged:lone" },
        { 120, false, true, false, L"click:lone selectchanged:lone" },
    };
    for (const Step& s : steps) {
        window.notes.clear();
        click(s.x);
        EXPECT_EQ(selections(), s.notes) << s.x;
        EXPECT_EQ(first->IsSelected(), s.first);
        EXPECT_EQ(second->IsSelected(), s.second);
        EXPECT_EQ(lone->GetCheck(), s.lone);
        const Pixels pixels = window.Capture();
        EXPECT_EQ(pixels.At(20, 20), s.first ? kBlue : kRed);
        EXPECT_EQ(pixels.At(70, 20), s.second ? kBlue : kRed);
    }
    EXPECT_STREQ(lone->GetClass(), L"CheckBoxUI");
    EXPECT_EQ(lone->GetInterface(L"Option"), lone);
    // Selected in markup: built with the window's manager, nobody notified;
    // the group works once attached.
    window.notes.clear();
    CDialogBuilder builder;
    CControlUI* built = builder.Create(L"<Window><HorizontalLayout><Option name=\"m1\" width=\"100\" group=\"m\" "
                                       L"selected=\"true\" "
                                       L"selectedimage=\"blue.png\" /><Option name=\"m2\" width=\"100\" group=\"m\" "
                                       L"normalimage=\"red.png\" /></HorizontalLayout></Window>",
                                       nullptr, nullptr, &window.pm);
    ASSERT_NE(built, nullptr);
    window.Attach(built);
    auto* m1 = static_cast<COptionUI*>(window.pm.FindControl(L"m1"));
    ASSERT_NE(m1, nullptr);
    EXPECT_TRUE(m1->IsSelected());
    EXPECT_EQ(window.Capture().At(10, 50), kBlue);
    EXPECT_EQ(selections(), L"");
    click(150);
    EXPECT_EQ(selections(), L"click:m2 selectchanged:m2");
    EXPECT_FALSE(m1->IsSelected());

    // A deleted option leaves its group.
    auto* extra = new COptionUI;
    extra->SetGroup(L"other");
    extra->SetManager(&window.pm, nullptr, true);
    ASSERT_NE(window.pm.GetOptionGroup(L"other"), nullptr);
    delete extra;
    EXPECT_EQ(window.pm.GetOptionGroup(L"other"), nullptr);
}

} // namespace
