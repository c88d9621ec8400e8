#pragma once

#include "base/ScopedGdi.h"
#include "ui/core/ControlUI.h"
#include "ui/core/StdPtrArray.h"

#include <windows.h>

#include <optional>

namespace SkinUI {

class CScrollBarUI;

// The child-list operations every container offers, reached through
// GetInterface(L"IContainer") without knowing the concrete class.
class IContainerUI {
public:
    virtual CControlUI* GetItemAt(int index) const = 0;
    virtual int GetItemIndex(CControlUI* control) const = 0;
    virtual bool SetItemIndex(CControlUI* control, int index) = 0;
    virtual int GetCount() const = 0;
    virtual bool Add(CControlUI* control) = 0;
    virtual bool AddAt(CControlUI* control, int index) = 0;
    virtual bool Remove(CControlUI* control) = 0;
    virtual bool RemoveAt(int index) = 0;
    virtual void RemoveAll() = 0;

protected:
    ~IContainerUI() = default;
};

// A control that owns an ordered list of children, paints them clipped to
// its inner area and can scroll them with its own scroll bars. It gives each
// child its whole inner area; the layouts give them rectangles of their own.
class CContainerUI : public CControlUI, public IContainerUI {
public:
    CContainerUI();
    ~CContainerUI() override;

    const wchar_t* GetClass() const override;
    LPVOID GetInterface(const wchar_t* name) override;

    CControlUI* GetItemAt(int index) const override;
    int GetItemIndex(CControlUI* control) const override;
    bool SetItemIndex(CControlUI* control, int index) override;
    int GetCount() const override;
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;

    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    void SetPos(RECT rc) override;
    void SetVisible(bool visible = true) override;
    void SetInternVisible(bool visible = true) override;
    void SetMouseEnabled(bool enable = true) override;
    CControlUI* FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;

    virtual RECT GetInset() const;
    virtual void SetInset(RECT inset);
    virtual int GetChildPadding() const;
    virtual void SetChildPadding(int padding);
    virtual bool IsAutoDestroy() const;
    virtual void SetAutoDestroy(bool autoDestroy);
    virtual bool IsDelayedDestroy() const;
    virtual void SetDelayedDestroy(bool delayed);
    virtual bool IsMouseChildEnabled() const;
    virtual void SetMouseChildEnabled(bool enable = true);
    virtual void SetMouseFollowEnabled(bool enable = true);
    virtual bool IsMouseFollowEnabled() const;
    virtual int FindSelectable(int index, bool forward = true) const;
    virtual SIZE GetScrollPos() const;
    virtual SIZE GetScrollRange() const;
    virtual void SetScrollPos(SIZE pos);
    virtual void LineUp();
    virtual void LineDown();
    virtual void PageUp();
    virtual void PageDown();
    virtual void HomeUp();
    virtual void EndDown();
    virtual void LineLeft();
    virtual void LineRight();
    virtual void PageLeft();
    virtual void PageRight();
    virtual void HomeLeft();
    virtual void EndRight();
    virtual void EnableScrollBar(bool enableVertical = true, bool enableHorizontal = false);
    virtual CScrollBarUI* GetVerticalScrollBar() const;
    virtual CScrollBarUI* GetHorizontalScrollBar() const;
    virtual void SetFloatPos(int index);
    virtual void ProcessScrollBar(RECT rc, int neededWidth, int neededHeight);

    CControlUI* FindSubControl(const wchar_t* name);
    bool SetSubControlText(const wchar_t* name, const wchar_t* text);
    bool SetSubControlFixedHeight(const wchar_t* name, int height);
    bool SetSubControlFixedWdith(const wchar_t* name, int width);
    bool SetSubControlUserData(const wchar_t* name, const wchar_t* text);
    CUIString GetSubControlText(const wchar_t* name);
    int GetSubControlFixedHeight(const wchar_t* name);
    int GetSubControlFixedWdith(const wchar_t* name);
    CUIString GetSubControlUserData(const wchar_t* name);

    // Off-screen painting at a constant opacity: SavePaint makes a memory
    // context of the given size to paint into, RestorePaint blends it onto
    // hDC at rc and releases it.
    HDC SavePaint(HDC hDC, SIZE size);
    void RestorePaint(HDC hDC, const RECT& rc, BYTE alpha);

protected:
    // The item rect less the inset and the visible scroll bars.
    RECT InnerRect() const;
    // Moves every visible, non-floating child by (-dx, -dy).
    void ScrollChildren(int dx, int dy);
    void DestroyChild(CControlUI* control);

    CStdPtrArray m_items;
    RECT m_inset;
    int m_childPadding;
    bool m_autoDestroy;
    bool m_delayedDestroy;
    bool m_mouseChildEnabled;
    bool m_scrollProcess;
    bool m_mouseFollowEnabled;
    bool m_following;
    POINT m_followStartPoint;
    RECT m_followStartRect;
    CScrollBarUI* m_verticalScrollBar;
    CScrollBarUI* m_horizontalScrollBar;

private:
    ScopedCreatedDC m_saveDC;
    ScopedBitmap m_saveBitmap;
    // Declared last: the bitmap leaves the context before either goes.
    std::optional<ScopedSelectObject> m_saveSelection;
};

} // namespace SkinUI
