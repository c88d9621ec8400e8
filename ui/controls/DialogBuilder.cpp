#include "ui/controls/DialogBuilder.h"

#include "ui/core/AttributeValues.h"

#include "ui/controls/ButtonUI.h"
#include "ui/controls/ChildLayoutUI.h"
#include "ui/controls/ContainerUI.h"
#include "ui/controls/HorizontalLayoutUI.h"
#include "ui/controls/LabelUI.h"
#include "ui/controls/ListUI.h"
#include "ui/controls/OptionUI.h"
#include "ui/controls/ProgressUI.h"
#include "ui/controls/ScrollBarUI.h"
#include "ui/controls/TabLayoutUI.h"
#include "ui/controls/TextUI.h"
#include "ui/controls/TileLayoutUI.h"
#include "ui/controls/VerticalLayoutUI.h"
#include "ui/core/ControlUI.h"
#include "ui/core/ImageLoader.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderEngine.h"

#include <cwchar>

namespace SkinUI {

namespace {

template <typename T>
CControlUI* Make()
{
    return new T;
}

struct ElementEntry {
    const wchar_t* name;
    CControlUI* (*create)();
};

// The element names this framework builds itself. The other controls of
// the family (edits, combos, trees...) come from plug-ins or the
// application's callback.
const ElementEntry kElements[] = {
    { L"Control", Make<CControlUI> },
    { L"Container", Make<CContainerUI> },
    { L"VerticalLayout", Make<CVerticalLayoutUI> },
    { L"HorizontalLayout", Make<CHorizontalLayoutUI> },
    { L"TabLayout", Make<CTabLayoutUI> },
    { L"TileLayout", Make<CTileLayoutUI> },
    { L"ChildLayout", Make<CChildLayoutUI> },
    { L"Label", Make<CLabelUI> },
    { L"Text", Make<CTextUI> },
    { L"Button", Make<CButtonUI> },
    { L"Option", Make<COptionUI> },
    { L"CheckBox", Make<CCheckBoxUI> },
    { L"Progress", Make<CProgressUI> },
    { L"ScrollBar", Make<CScrollBarUI> },
    { L"List", Make<CListUI> },
    { L"ListExpandElement", Make<CListExpandElementUI> },
};

// An attribute's value, or null when the element does not have it (the
// markup answers an empty text for a missing attribute).
const wchar_t* Attribute(CMarkupNode& node, const wchar_t* name)
{
    const wchar_t* value = node.GetAttributeValue(name);
    return value != nullptr && *value != L'\0' ? value : nullptr;
}

} // namespace

CDialogBuilder::CDialogBuilder() : m_callback(nullptr), m_type(nullptr), m_includeDepth(0)
{
}

bool CDialogBuilder::LoadResource(UINT id, const wchar_t* type)
{
    const BYTE* bytes = nullptr;
    DWORD size = 0;
    if (FindSkinResource(STRINGorID(id), type, bytes, size) != SkinFileResult::Ok) return false;
    return m_xml.LoadFromMem(bytes, size);
}

CControlUI* CDialogBuilder::Create(STRINGorID xml, const wchar_t* type, IDialogBuilderCallback* callback,
                                   CPaintManagerUI* manager, CControlUI* parent)
{
    const wchar_t* text = xml.m_lpstr;
    if (IS_INTRESOURCE(text)) {
        if (type == nullptr) return nullptr;
        if (IS_INTRESOURCE(type)) {
            m_type = type;
        } else {
            m_typeName = type;
            m_type = m_typeName.GetData();
        }
        if (!LoadResource(static_cast<UINT>(reinterpret_cast<UINT_PTR>(text)), m_type)) return nullptr;
    } else if (text == nullptr) {
        return nullptr;
    } else if (*text == L'<') {
        if (!m_xml.Load(text)) return nullptr;
    } else if (!m_xml.LoadFromFile(text)) {
        return nullptr;
    }
    return Create(callback, manager, parent);
}

CControlUI* CDialogBuilder::Create(IDialogBuilderCallback* callback, CPaintManagerUI* manager, CControlUI* parent)
{
    m_callback = callback;
    // A document can load and still have no element at all (only a
    // declaration or a comment).
    CMarkupNode root = m_xml.GetRoot();
    if (!root.IsValid()) return nullptr;
    if (manager != nullptr) {
        ProcessDeclarations(root, manager);
        if (manager->GetPaintWindow() != nullptr && wcscmp(root.GetName(), L"Window") == 0) {
            ApplyWindowAttributes(root, manager);
        }
    }
    return Parse(&root, parent, manager);
}

void CDialogBuilder::ProcessDeclarations(CMarkupNode& root, CPaintManagerUI* manager)
{
    for (CMarkupNode node = root.GetChild(); node.IsValid(); node = node.GetSibling()) {
        const wchar_t* element = node.GetName();
        if (wcscmp(element, L"Image") == 0) {
            const wchar_t* name = Attribute(node, L"name");
            const wchar_t* type = Attribute(node, L"restype");
            const wchar_t* mask = Attribute(node, L"mask");
            if (name != nullptr) manager->AddImage(name, type, mask != nullptr ? ReadColorValue(mask) : 0);
        } else if (wcscmp(element, L"Font") == 0) {
            const wchar_t* name = Attribute(node, L"name");
            const wchar_t* size = Attribute(node, L"size");
            const int points = size != nullptr ? ReadIntValue(size) : 12;
            const bool bold = ReadBoolValue(node.GetAttributeValue(L"bold"));
            const bool underline = ReadBoolValue(node.GetAttributeValue(L"underline"));
            const bool italic = ReadBoolValue(node.GetAttributeValue(L"italic"));
            if (name != nullptr) {
                manager->AddFont(name, points, bold, underline, italic);
                if (ReadBoolValue(node.GetAttributeValue(L"default"))) {
                    manager->SetDefaultFont(name, points, bold, underline, italic);
                }
            }
        } else if (wcscmp(element, L"Default") == 0) {
            const wchar_t* name = Attribute(node, L"name");
            const wchar_t* value = node.GetAttributeValue(L"value");
            if (name != nullptr && value != nullptr) manager->AddDefaultAttributeList(name, value);
        }
    }
}

namespace {

// The window's default colours by attribute.
struct WindowColor {
    const wchar_t* name;
    void (CPaintManagerUI::*set)(DWORD);
};
const WindowColor kWindowColors[] = {
    { L"disabledfontcolor", &CPaintManagerUI::SetDefaultDisabledColor },
    { L"defaultfontcolor", &CPaintManagerUI::SetDefaultFontColor },
    { L"linkfontcolor", &CPaintManagerUI::SetDefaultLinkFontColor },
    { L"linkhoverfontcolor", &CPaintManagerUI::SetDefaultLinkHoverFontColor },
    { L"selectedcolor", &CPaintManagerUI::SetDefaultSelectedBkColor },
};

} // namespace

void CDialogBuilder::ApplyWindowAttributes(CMarkupNode& root, CPaintManagerUI* manager)
{
    const int count = root.GetAttributeCount();
    for (int i = 0; i < count; i++) {
        const wchar_t* name = root.GetAttributeName(i);
        const wchar_t* value = root.GetAttributeValue(i);
        const RECT list = ReadNumberList(value);
        if (wcscmp(name, L"size") == 0) {
            manager->SetInitSize(list.left, list.top);
        } else if (wcscmp(name, L"sizebox") == 0) {
            manager->SetSizeBox(list);
        } else if (wcscmp(name, L"caption") == 0) {
            manager->SetCaptionRect(list);
        } else if (wcscmp(name, L"roundcorner") == 0) {
            manager->SetRoundCorner(list.left, list.top);
        } else if (wcscmp(name, L"mininfo") == 0) {
            manager->SetMinInfo(list.left, list.top);
        } else if (wcscmp(name, L"maxinfo") == 0) {
            manager->SetMaxInfo(list.left, list.top);
        } else if (wcscmp(name, L"showdirty") == 0) {
            manager->SetShowUpdateRect(ReadBoolValue(value));
        } else if (wcscmp(name, L"alpha") == 0) {
            manager->SetTransparent(ReadIntValue(value));
        } else if (wcscmp(name, L"bktrans") == 0) {
            manager->SetBackgroundTransparent(ReadBoolValue(value));
        } else {
            for (const WindowColor& color : kWindowColors) {
                if (wcscmp(name, color.name) == 0) (manager->*color.set)(ReadColorValue(value));
            }
        }
    }
}

CControlUI* CDialogBuilder::CreateByName(const wchar_t* name) const
{
    for (const ElementEntry& entry : kElements) {
        if (wcscmp(entry.name, name) == 0) return entry.create();
    }
    CStdPtrArray* plugins = CPaintManagerUI::GetPlugins();
    for (int i = 0; i < plugins->GetSize(); i++) {
        auto create = reinterpret_cast<LPCREATECONTROL>(reinterpret_cast<UINT_PTR>(plugins->GetAt(i)));
        CControlUI* control = create(name);
        if (control != nullptr) return control;
    }
    return m_callback != nullptr ? m_callback->CreateControl(name) : nullptr;
}

void CDialogBuilder::ApplyAttributes(CControlUI* control, CMarkupNode& node, const wchar_t* name,
                                     CPaintManagerUI* manager)
{
    // With the manager given, every setter would invalidate through it, a
    // call to the system each, though the control is on no window yet:
    // hidden meanwhile, it invalidates nothing.
    const bool hidden = manager != nullptr && control->IsVisible();
    if (hidden) control->SetInternVisible(false);
    if (manager != nullptr) {
        control->SetManager(manager, nullptr, false);
        const wchar_t* defaults = manager->GetDefaultAttributeList(name);
        if (defaults != nullptr) control->ApplyAttributeList(defaults);
    }
    const int count = node.GetAttributeCount();
    for (int i = 0; i < count; i++) control->SetAttribute(node.GetAttributeName(i), node.GetAttributeValue(i));
    if (manager != nullptr) control->SetManager(nullptr, nullptr, false);
    if (hidden) control->SetInternVisible(true);
    // A setter that placed the control cleared its update mark, and hidden it
    // could not set it again: it is laid out once attached.
    control->NeedUpdate();
}

void CDialogBuilder::ParseInclude(CMarkupNode& node, CControlUI* parent, CPaintManagerUI* manager)
{
    // Without a parent the included controls would belong to nobody.
    if (parent == nullptr || !node.HasAttributes() || m_includeDepth >= MAX_INCLUDE_DEPTH) return;
    int count = 1;
    // The copy is cut at 499 characters and not terminated by the cut.
    wchar_t source[500] = {};
    const wchar_t* countText = Attribute(node, L"count");
    if (countText != nullptr) count = ReadIntValue(countText);
    if (!node.GetAttributeValue(L"source", source, 499) || source[0] == L'\0') return;
    for (int i = 0; i < count; i++) {
        CDialogBuilder builder;
        builder.m_includeDepth = m_includeDepth + 1;
        if (m_type != nullptr) {
            builder.Create(STRINGorID(ReadResourceId(source)), m_type, m_callback, manager, parent);
        } else {
            builder.Create(STRINGorID(source), nullptr, m_callback, manager, parent);
        }
    }
}

void CDialogBuilder::ParseTreeNode(CMarkupNode& node, CControlUI* parent, CPaintManagerUI* manager)
{
    CControlUI* control = CreateByName(L"TreeNode");
    if (control == nullptr) return;
    bool added = false;
    if (parent != nullptr) {
        if (auto* parentNode = static_cast<ITreeNodeUI*>(parent->GetInterface(L"TreeNode"))) {
            added = parentNode->AddChildNode(control);
        } else if (auto* view = static_cast<ITreeViewUI*>(parent->GetInterface(L"TreeView"))) {
            added = view->AddNode(control);
        }
    }
    if (!added) {
        delete control;
        return;
    }
    ApplyAttributes(control, node, L"TreeNode", manager);
    if (node.HasChildren()) Parse(&node, control, manager);
}

CControlUI* CDialogBuilder::Parse(CMarkupNode* parentNode, CControlUI* parent, CPaintManagerUI* manager)
{
    IContainerUI* container = nullptr;
    bool containerLooked = false;
    // The parent's container interface, asked for once.
    auto parentContainer = [&]() {
        if (!containerLooked) {
            container = static_cast<IContainerUI*>(parent->GetInterface(L"IContainer"));
            containerLooked = true;
        }
        return container;
    };
    CControlUI* result = nullptr;
    for (CMarkupNode node = parentNode->GetChild(); node.IsValid(); node = node.GetSibling()) {
        const wchar_t* name = node.GetName();
        if (wcscmp(name, L"Image") == 0 || wcscmp(name, L"Font") == 0 || wcscmp(name, L"Default") == 0) continue;
        if (wcscmp(name, L"Include") == 0) {
            ParseInclude(node, parent, manager);
            continue;
        }
        if (wcscmp(name, L"TreeNode") == 0) {
            ParseTreeNode(node, parent, manager);
            continue;
        }

        CControlUI* control = CreateByName(name);
        // Nothing knows this name: the element and its subtree are skipped.
        if (control == nullptr) continue;
        // Without a parent only the first control is handed out; later ones
        // would belong to nobody.
        if (parent == nullptr && result != nullptr) {
            delete control;
            continue;
        }
        if (node.HasChildren()) Parse(&node, control, manager);

        // A parent already on a window initialises what it receives: it gets
        // the control with its attributes in place.
        const bool addLater = parent != nullptr && parent->GetManager() != nullptr;
        if (parent != nullptr && !addLater) {
            bool added = false;
            ITreeNodeUI* treeNode = static_cast<ITreeNodeUI*>(parent->GetInterface(L"TreeNode"));
            if (treeNode != nullptr) {
                CContainerUI* row = treeNode->GetTreeNodeHoriznotal();
                added = row != nullptr && row->Add(control);
            } else {
                if (parentContainer() == nullptr) {
                    delete control;
                    return nullptr;
                }
                added = container->Add(control);
            }
            if (!added) {
                delete control;
                continue;
            }
        }

        ApplyAttributes(control, node, name, manager);

        if (addLater) {
            if (parentContainer() == nullptr) {
                delete control;
                return nullptr;
            }
            if (!container->Add(control)) {
                delete control;
                continue;
            }
        }
        if (result == nullptr) result = control;
    }
    return result;
}

CMarkup* CDialogBuilder::GetMarkup()
{
    return &m_xml;
}

void CDialogBuilder::GetLastErrorMessage(wchar_t* message, SIZE_T max) const
{
    m_xml.GetLastErrorMessage(message, max);
}

void CDialogBuilder::GetLastErrorLocation(wchar_t* source, SIZE_T max) const
{
    m_xml.GetLastErrorLocation(source, max);
}

} // namespace SkinUI
