#pragma once

#include "ui/core/Markup.h"
#include "ui/core/StringOrId.h"
#include "ui/core/UIString.h"

#include <windows.h>

namespace SkinUI {

class CControlUI;
class CContainerUI;
class CPaintManagerUI;

// The application's part in building: creates controls for element names
// that neither the element table nor a plug-in knows.
class IDialogBuilderCallback {
public:
    virtual CControlUI* CreateControl(const wchar_t* pstrClass) = 0;

protected:
    ~IDialogBuilderCallback() = default;
};

// What the builder needs of tree controls, which plug-ins or the callback
// create: GetInterface(L"TreeNode") answers an ITreeNodeUI,
// GetInterface(L"TreeView") an ITreeViewUI.
class ITreeNodeUI {
public:
    // Adds a child node below this one.
    virtual bool AddChildNode(CControlUI* node) = 0;
    // The row that holds the node's other children (its texts, boxes...).
    virtual CContainerUI* GetTreeNodeHoriznotal() const = 0;

protected:
    ~ITreeNodeUI() = default;
};

class ITreeViewUI {
public:
    // Adds a top-level node.
    virtual bool AddNode(CControlUI* node) = 0;

protected:
    ~ITreeViewUI() = default;
};

// Turns a skin file into a control tree: registers the file's fonts, images
// and default attribute lists with the paint manager, applies the window
// attributes of a Window root, then creates a control per element.
class CDialogBuilder {
public:
    CDialogBuilder();
    CDialogBuilder(const CDialogBuilder&) = delete;
    CDialogBuilder& operator=(const CDialogBuilder&) = delete;

    // xml: a resource identifier (of resource type `type`), markup text
    // starting with "<", or a skin file name. Null on any failure.
    CControlUI* Create(STRINGorID xml, const wchar_t* type = nullptr, IDialogBuilderCallback* callback = nullptr,
                       CPaintManagerUI* manager = nullptr, CControlUI* parent = nullptr);
    // Builds from the document already loaded.
    CControlUI* Create(IDialogBuilderCallback* callback = nullptr, CPaintManagerUI* manager = nullptr,
                       CControlUI* parent = nullptr);

    CMarkup* GetMarkup();
    void GetLastErrorMessage(wchar_t* message, SIZE_T max) const;
    void GetLastErrorLocation(wchar_t* source, SIZE_T max) const;

    // Includes nested deeper than this are ignored, so that a file that
    // includes itself ends.
    enum { MAX_INCLUDE_DEPTH = 8 };

private:
    bool LoadResource(UINT id, const wchar_t* type);
    void ProcessDeclarations(CMarkupNode& root, CPaintManagerUI* manager);
    void ApplyWindowAttributes(CMarkupNode& root, CPaintManagerUI* manager);
    CControlUI* Parse(CMarkupNode* parentNode, CControlUI* parent, CPaintManagerUI* manager);
    void ParseInclude(CMarkupNode& node, CControlUI* parent, CPaintManagerUI* manager);
    void ParseTreeNode(CMarkupNode& node, CControlUI* parent, CPaintManagerUI* manager);
    CControlUI* CreateByName(const wchar_t* name) const;
    static void ApplyAttributes(CControlUI* control, CMarkupNode& node, const wchar_t* name,
                                CPaintManagerUI* manager);

    CMarkup m_xml;
    IDialogBuilderCallback* m_callback;
    // The resource type of a document loaded from the module's resources
    // (a copied name, or an integer type kept as it is); null otherwise.
    const wchar_t* m_type;
    CUIString m_typeName;
    int m_includeDepth;
};

} // namespace SkinUI
