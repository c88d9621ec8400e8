// The dialog builder: declarations, window attributes, the element table,
// the callback, includes and documents without a root.
#include "tests/ui_controls/ControlsTestSupport.h"

#include "base/TextConversion.h"
#include "tests/support/TestSupport.h"

#include "ui/controls/ButtonUI.h"
#include "ui/controls/ContainerUI.h"
#include "ui/controls/DialogBuilder.h"
#include "ui/controls/HorizontalLayoutUI.h"
#include "ui/controls/LabelUI.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace SkinUI;

namespace {

// Creates MenuElement, and TreeView/TreeNode as the tree controls would.
class TreeNodeBox : public CContainerUI, public ITreeNodeUI {
public:
    TreeNodeBox() : row(new CHorizontalLayoutUI) { Add(row); }
    LPVOID GetInterface(const wchar_t* name) override
    {
        if (wcscmp(name, L"TreeNode") == 0) return static_cast<ITreeNodeUI*>(this);
        return CContainerUI::GetInterface(name);
    }
    bool AddChildNode(CControlUI* node) override { return Add(node); }
    CContainerUI* GetTreeNodeHoriznotal() const override { return row; }
    CHorizontalLayoutUI* row;
};

class TreeViewBox : public CContainerUI, public ITreeViewUI {
public:
    LPVOID GetInterface(const wchar_t* name) override
    {
        if (wcscmp(name, L"TreeView") == 0) return static_cast<ITreeViewUI*>(this);
        return CContainerUI::GetInterface(name);
    }
    bool AddNode(CControlUI* node) override { return Add(node); }
};

class Callback : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(const wchar_t* name) override
    {
        asked.push_back(name);
        if (wcscmp(name, L"MenuElement") == 0) return new CControlUI;
        if (wcscmp(name, L"TreeView") == 0) return new TreeViewBox;
        if (wcscmp(name, L"TreeNode") == 0) return new TreeNodeBox;
        return nullptr;
    }
    std::vector<std::wstring> asked;
};

int CountOf(CControlUI* control)
{
    auto* container = static_cast<IContainerUI*>(control->GetInterface(L"IContainer"));
    return container != nullptr ? container->GetCount() : -1;
}

SIZE WindowSize(HWND hwnd)
{
    RECT rc = {};
    ::GetWindowRect(hwnd, &rc);
    return SIZE{ rc.right - rc.left, rc.bottom - rc.top };
}

struct BuilderCase {
    const char* name;
    const wchar_t* xml;
    std::function<void(HostWindow&, CControlUI*, Callback&)> check;
};

const BuilderCase kBuilderCases[] = {
    { "size on a Window root resizes the window",
      L"<Window size=\"400,300\"><Control name=\"a\"/></Window>",
      [](HostWindow& w, CControlUI* root, Callback&) {
          ASSERT_NE(root, nullptr);
          EXPECT_EQ(WindowSize(w.hwnd).cx, 400);
          EXPECT_EQ(WindowSize(w.hwnd).cy, 300);
      } },
    { "window attributes on another root are ignored",
      L"<Skin size=\"400,300\" caption=\"0,0,0,30\" roundcorner=\"5,5\"><Control name=\"a\"/></Skin>",
      [](HostWindow& w, CControlUI* root, Callback&) {
          ASSERT_NE(root, nullptr);
          EXPECT_EQ(WindowSize(w.hwnd).cx, 300);
          EXPECT_EQ(WindowSize(w.hwnd).cy, 200);
          EXPECT_EQ(w.pm.GetCaptionRect().bottom, 0);
          EXPECT_EQ(w.pm.GetRoundCorner().cx, 0);
      } },
    { "the Window attributes",
      L"<Window caption=\"0,0,0,30\" sizebox=\"1,2,3,4\" roundcorner=\"6,7\" mininfo=\"100,80\" maxinfo=\"900,700\" "
      L"bktrans=\"true\" defaultfontcolor=\"#FF123456\" disabledfontcolor=\"FF654321\" linkfontcolor=\"#FF0000AA\" "
      L"linkhoverfontcolor=\"#FF0000BB\" selectedcolor=\"#FFCCCCCC\" unknown=\"1\"><Control/></Window>",
      [](HostWindow& w, CControlUI*, Callback&) {
          const RECT caption = w.pm.GetCaptionRect();
          EXPECT_EQ(caption.left + caption.top + caption.right, 0);
          EXPECT_EQ(caption.bottom, 30);
          const RECT box = w.pm.GetSizeBox();
          EXPECT_EQ(box.left * 1000 + box.top * 100 + box.right * 10 + box.bottom, 1234);
          EXPECT_EQ(w.pm.GetRoundCorner().cy, 7);
          EXPECT_EQ(w.pm.GetMinInfo().cx, 100);
          EXPECT_EQ(w.pm.GetMaxInfo().cy, 700);
          EXPECT_TRUE(w.pm.IsBackgroundTransparent());
          EXPECT_EQ(w.pm.GetDefaultFontColor(), 0xFF123456u);
          EXPECT_EQ(w.pm.GetDefaultDisabledColor(), 0xFF654321u);
          EXPECT_EQ(w.pm.GetDefaultLinkFontColor(), 0xFF0000AAu);
          EXPECT_EQ(w.pm.GetDefaultLinkHoverFontColor(), 0xFF0000BBu);
          EXPECT_EQ(w.pm.GetDefaultSelectedBkColor(), 0xFFCCCCCCu);
      } },
    { "two fonts, the second the default",
      L"<Window><Font name=\"Arial\" size=\"11\"/><Font name=\"Arial\" size=\"20\" bold=\"true\" default=\"true\"/>"
      L"<Font size=\"30\"/><VerticalLayout><Label name=\"second\" font=\"1\"/><Label name=\"plain\"/>"
      L"</VerticalLayout></Window>",
      [](HostWindow& w, CControlUI*, Callback&) {
          ASSERT_EQ(w.pm.GetCustomFontCount(), 2);
          EXPECT_EQ(w.pm.GetFontInfo(0)->size, 11);
          EXPECT_EQ(w.pm.GetFontInfo(1)->size, 20);
          EXPECT_TRUE(w.pm.GetFontInfo(1)->bold);
          EXPECT_EQ(w.pm.GetDefaultFontInfo()->size, 20);
          EXPECT_TRUE(w.pm.GetDefaultFontInfo()->bold);
          EXPECT_EQ(static_cast<CLabelUI*>(w.Find(L"second"))->GetFont(), 1);
          EXPECT_EQ(static_cast<CLabelUI*>(w.Find(L"plain"))->GetFont(), -1);
      } },
    { "a Default for Button elements, overridden by the element",
      L"<Window><Font name=\"Arial\" size=\"11\"/><Font name=\"Arial\" size=\"14\"/>"
      L"<Default name=\"Button\" value=\"textcolor=&quot;#FFFF0000&quot; font=&quot;1&quot;\"/>"
      L"<Default name=\"Button\" value=\"textcolor=&quot;#FF0000FF&quot;\"/>"
      L"<VerticalLayout><Button name=\"b1\"/><Button name=\"b2\" textcolor=\"#FF00FF00\"/><Label name=\"l\"/>"
      L"</VerticalLayout></Window>",
      [](HostWindow& w, CControlUI*, Callback&) {
          auto* b1 = static_cast<CButtonUI*>(w.Find(L"b1"));
          auto* b2 = static_cast<CButtonUI*>(w.Find(L"b2"));
          ASSERT_TRUE(b1 != nullptr && b2 != nullptr);
          EXPECT_EQ(b1->GetTextColor(), 0xFFFF0000u);
          EXPECT_EQ(b1->GetFont(), 1);
          EXPECT_EQ(b2->GetTextColor(), 0xFF00FF00u);
          EXPECT_EQ(b2->GetFont(), 1);
          EXPECT_NE(static_cast<CLabelUI*>(w.Find(L"l"))->GetTextColor(), 0xFFFF0000u);
      } },
    { "the callback creates what the table lacks; nothing creates the rest",
      L"<Window><VerticalLayout name=\"v\"><MenuElement name=\"menu\"/><Unknown name=\"u\"><Control name=\"lost\"/>"
      L"</Unknown><label name=\"lower\"/><Slider name=\"slider\"/><Label name=\"upper\"/></VerticalLayout></Window>",
      [](HostWindow& w, CControlUI* root, Callback& cb) {
          EXPECT_EQ(CountOf(root), 2);
          EXPECT_NE(w.Find(L"menu"), nullptr);
          EXPECT_NE(w.Find(L"upper"), nullptr);
          for (const wchar_t* gone : { L"u", L"lost", L"lower", L"slider" }) EXPECT_EQ(w.Find(gone), nullptr);
          EXPECT_EQ(cb.asked, (std::vector<std::wstring>{ L"MenuElement", L"Unknown", L"label", L"Slider" }));
      } },
    { "Include three times, its declarations registered",
      L"<Window><VerticalLayout name=\"v\"><Include source=\"part.xml\" count=\"3\"/><Control name=\"after\"/>"
      L"<Include count=\"2\"/><Include/></VerticalLayout></Window>",
      [](HostWindow& w, CControlUI* root, Callback&) {
          ASSERT_EQ(CountOf(root), 7);
          auto* container = static_cast<CContainerUI*>(root);
          for (int i = 0; i < 3; i++) {
              EXPECT_EQ(container->GetItemAt(2 * i)->GetName(), CUIString(L"inc_a"));
              EXPECT_EQ(container->GetItemAt(2 * i + 1)->GetFixedHeight(), 7);
          }
          EXPECT_EQ(container->GetItemAt(6)->GetName(), CUIString(L"after"));
          EXPECT_NE(w.pm.GetDefaultAttributeList(L"Label"), nullptr);
      } },
    { "Include of markup text, of a cut source and of itself",
      L"<Window><VerticalLayout name=\"v\"><Include source=\"&lt;R&gt;&lt;Control name=&quot;inline&quot;/&gt;"
      L"&lt;/R&gt;\"/><Include source=\"self.xml\"/><Include source=\"" 
      L"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
      L"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
      L"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
      L"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
      L"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
      L"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
      L".xml\"/></VerticalLayout></Window>",
      [](HostWindow& w, CControlUI* root, Callback&) {
          EXPECT_NE(w.Find(L"inline"), nullptr);
          // self.xml holds one control and includes itself twice: the
          // nesting stops at the include depth limit, and the cut name
          // finds no file.
          const int expected = (1 << CDialogBuilder::MAX_INCLUDE_DEPTH) - 1;
          EXPECT_EQ(CountOf(root), 1 + expected);
      } },
    { "child layouts build their own file, and stop nesting themselves",
      L"<Window><VerticalLayout><ChildLayout name=\"cl\" xmlfile=\"part.xml\"/>"
      L"<ChildLayout name=\"loop\" xmlfile=\"childself.xml\"/></VerticalLayout></Window>",
      [](HostWindow& w, CControlUI*, Callback&) {
          auto* child = static_cast<CContainerUI*>(w.Find(L"cl"));
          ASSERT_NE(child, nullptr);
          EXPECT_EQ(child->GetInterface(L"IContainer"), nullptr);
          ASSERT_EQ(child->GetCount(), 1);
          EXPECT_EQ(child->GetItemAt(0)->GetName(), CUIString(L"inc_a"));
          int depth = 0;
          for (auto* c = static_cast<CContainerUI*>(w.Find(L"loop")); c != nullptr && c->GetCount() > 0;
               c = static_cast<CContainerUI*>(c->GetItemAt(0))) {
              depth++;
          }
          EXPECT_EQ(depth, 8);
      } },
    { "tree nodes go to the tree view, their children to the node's row",
      L"<Window><VerticalLayout><TreeView name=\"tv\"><TreeNode name=\"n1\"><Control name=\"x\"/>"
      L"<TreeNode name=\"n2\"/></TreeNode></TreeView><TreeNode name=\"stray\"/></VerticalLayout></Window>",
      [](HostWindow& w, CControlUI*, Callback&) {
          auto* view = static_cast<CContainerUI*>(w.Find(L"tv"));
          auto* n1 = static_cast<TreeNodeBox*>(w.Find(L"n1"));
          ASSERT_TRUE(view != nullptr && n1 != nullptr);
          EXPECT_EQ(view->GetItemAt(0), n1);
          EXPECT_EQ(n1->row->GetItemAt(0), w.Find(L"x"));
          EXPECT_EQ(n1->GetItemAt(1), w.Find(L"n2"));
          EXPECT_EQ(w.Find(L"stray"), nullptr);
      } },
};

// Test names in CTest come from the case names, not the bytes.
void PrintTo(const BuilderCase& c, std::ostream* os)
{
    *os << c.name;
}

class BuilderTest : public testing::TestWithParam<BuilderCase> {};

TEST_P(BuilderTest, Builds)
{
    HostWindow window(300, 200);
    Callback callback;
    CControlUI* root = window.Build(GetParam().xml, &callback);
    GetParam().check(window, root, callback);
}

INSTANTIATE_TEST_SUITE_P(Skins, BuilderTest, testing::ValuesIn(kBuilderCases),
                         [](const testing::TestParamInfo<BuilderCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p != '\0'; p++) {
                                 if (isalnum(static_cast<unsigned char>(*p))) name += *p;
                             }
                             return name;
                         });

// Every element name of the table makes its class; names differing in
// letter case or only listed make nothing.
TEST(BuilderElements, TableAndRootlessDocuments)
{
    const struct {
        const wchar_t* element;
        const wchar_t* cls;
    } elements[] = {
        { L"Control", L"ControlUI" }, { L"Container", L"ContainerUI" },
        { L"VerticalLayout", L"VerticalLayoutUI" }, { L"HorizontalLayout", L"HorizontalLayoutUI" },
        { L"TabLayout", L"TabLayoutUI" }, { L"TileLayout", L"TileLayoutUI" },
        { L"ChildLayout", L"ChildLayoutUI" }, { L"Label", L"LabelUI" }, { L"Text", L"TextUI" },
        { L"Button", L"ButtonUI" }, { L"Option", L"OptionUI" }, { L"CheckBox", L"CheckBoxUI" },
        { L"Progress", L"ProgressUI" }, { L"ScrollBar", L"ScrollBarUI" }, { L"control", nullptr },
        { L"List", L"ListUI" }, { L"ListExpandElement", L"ListExpandElementUI" }, { L"Edit", nullptr },
        { L"TreeView", nullptr },
    };
    for (const auto& e : elements) {
        CDialogBuilder builder;
        const std::wstring xml = std::wstring(L"<Window><") + e.element + L" name=\"x\"/></Window>";
        CControlUI* control = builder.Create(STRINGorID(xml.c_str()));
        if (e.cls == nullptr) {
            EXPECT_EQ(control, nullptr) << e.element;
        } else {
            ASSERT_NE(control, nullptr) << e.element;
            EXPECT_STREQ(control->GetClass(), e.cls);
        }
        delete control;
    }

    UseTestSkins();
    for (const wchar_t* source : { L"empty.xml", L"declaration.xml", L"doctype.xml", L"missing.xml",
                                   L"<?xml version=\"1.0\"?>", L"<!-- only a comment -->", L"<Window" }) {
        CDialogBuilder builder;
        EXPECT_EQ(builder.Create(STRINGorID(source)), nullptr) << source;
    }

    // A plug-in comes before the callback; only libraries with the export load.
    const std::wstring plugin = ToWide(TestProgramDir()) + L"\\controls_plugin.dll";
    EXPECT_FALSE(CPaintManagerUI::LoadPlugin(nullptr));
    EXPECT_FALSE(CPaintManagerUI::LoadPlugin(L"no_such_plugin.dll"));
    EXPECT_FALSE(CPaintManagerUI::LoadPlugin(L"version.dll"));
    ASSERT_TRUE(CPaintManagerUI::LoadPlugin(plugin.c_str()));
    ASSERT_TRUE(CPaintManagerUI::LoadPlugin(plugin.c_str()));
    EXPECT_EQ(CPaintManagerUI::GetPlugins()->GetSize(), 1);
    {
        Callback callback;
        HostWindow window;
        ASSERT_NE(window.Build(L"<Window><VerticalLayout><PluginBox name=\"p\"/><MenuElement name=\"m\"/>"
                               L"</VerticalLayout></Window>", &callback), nullptr);
        ASSERT_NE(window.Find(L"p"), nullptr);
        EXPECT_STREQ(window.Find(L"p")->GetClass(), L"PluginBoxUI");
        EXPECT_NE(window.Find(L"m"), nullptr);
        EXPECT_EQ(callback.asked, std::vector<std::wstring>{ L"MenuElement" });
    }

    // From module resources: a skin whose Include names another resource.
    HostWindow window;
    CDialogBuilder builder;
    CControlUI* root = builder.Create(STRINGorID(101u), L"xml", nullptr, &window.pm);
    ASSERT_NE(root, nullptr);
    window.Attach(root);
    EXPECT_EQ(CountOf(root), 3);
    EXPECT_NE(window.Find(L"inc_b"), nullptr);
    CDialogBuilder missing;
    EXPECT_EQ(missing.Create(STRINGorID(999u), L"xml", nullptr, &window.pm), nullptr);
}

} // namespace
