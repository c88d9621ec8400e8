#pragma once

#include "ui/core/Delegate.h"
#include "ui/core/UIDefs.h"
#include "ui/core/UIGeometry.h"
#include "ui/core/UIString.h"

#include <windows.h>

namespace SkinUI {

class CPaintManagerUI;

// Relative placement of a floating control inside its parent.
struct TRelativePosUI {
    bool relative;
    SIZE parentSize;
    int moveXPercent;
    int moveYPercent;
    int zoomXPercent;
    int zoomYPercent;
};

// The base of every element of a window's control tree.
class CControlUI {
public:
    CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;
    virtual ~CControlUI();

    virtual CUIString GetName() const;
    virtual void SetName(const wchar_t* name);
    virtual const wchar_t* GetClass() const;
    virtual LPVOID GetInterface(const wchar_t* name);
    virtual UINT GetControlFlags() const;
    virtual bool Activate();
    virtual CPaintManagerUI* GetManager() const;
    virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true);
    virtual CControlUI* GetParent() const;
    virtual CUIString GetText() const;
    virtual void SetText(const wchar_t* text);

    virtual const RECT& GetPos() const;
    virtual void SetPos(RECT rc);
    // The parent's placement of a floating child: SetPos without recording
    // the rect as the child's offsets and size, so that a child without a
    // fixed size keeps stretching when the parent is resized.
    void SetFloatPlacement(RECT rc);
    virtual int GetWidth() const;
    virtual int GetHeight() const;
    virtual int GetX() const;
    virtual int GetY() const;
    virtual RECT GetPadding() const;
    virtual void SetPadding(RECT padding);
    virtual SIZE GetFixedXY() const;
    virtual void SetFixedXY(SIZE xy);
    virtual int GetFixedWidth() const;
    virtual void SetFixedWidth(int cx);
    virtual int GetFixedHeight() const;
    virtual void SetFixedHeight(int cy);
    virtual int GetMinWidth() const;
    virtual void SetMinWidth(int cx);
    virtual int GetMaxWidth() const;
    virtual void SetMaxWidth(int cx);
    virtual int GetMinHeight() const;
    virtual void SetMinHeight(int cy);
    virtual int GetMaxHeight() const;
    virtual void SetMaxHeight(int cy);
    virtual void SetRelativePos(SIZE move, SIZE zoom);
    virtual void SetRelativeParentSize(SIZE size);
    virtual TRelativePosUI GetRelativePos() const;
    virtual bool IsRelativePos() const;

    virtual CUIString GetToolTip() const;
    virtual void SetToolTip(const wchar_t* text);
    virtual void SetToolTipWidth(int width);
    virtual int GetToolTipWidth() const;
    virtual wchar_t GetShortcut() const;
    virtual void SetShortcut(wchar_t ch);
    virtual bool IsContextMenuUsed() const;
    virtual void SetContextMenuUsed(bool menuUsed);
    virtual const CUIString& GetUserData() const;
    virtual void SetUserData(const wchar_t* text);
    virtual UINT_PTR GetTag() const;
    virtual void SetTag(UINT_PTR tag);

    virtual bool IsVisible() const;
    virtual void SetVisible(bool visible = true);
    virtual void SetInternVisible(bool visible = true);
    virtual bool IsEnabled() const;
    virtual void SetEnabled(bool enable = true);
    virtual bool IsMouseEnabled() const;
    virtual void SetMouseEnabled(bool enable = true);
    virtual bool IsKeyboardEnabled() const;
    virtual void SetKeyboardEnabled(bool enable = true);
    virtual bool IsFocused() const;
    virtual void SetFocus();
    virtual bool IsFloat() const;
    virtual void SetFloat(bool floating = true);
    virtual void SetFlat(bool flat = true);
    virtual void ToLoseFocus();
    virtual void EnableTabstop(bool enable = true);
    virtual bool GetTabstop() const;

    virtual CControlUI* FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags);

    virtual void Init();
    virtual void DoInit();
    virtual void Event(TEventUI& event);
    virtual void DoEvent(TEventUI& event);
    virtual void SetAttribute(const wchar_t* name, const wchar_t* value);
    virtual SIZE EstimateSize(SIZE available);

    virtual void DoPaint(HDC hDC, const RECT& rcPaint);
    virtual void PaintBkColor(HDC hDC);
    virtual void PaintBkImage(HDC hDC);
    virtual void PaintStatusImage(HDC hDC);
    virtual void PaintText(HDC hDC);
    virtual void PaintBorder(HDC hDC);
    virtual void DoPostPaint(HDC hDC, const RECT& rcPaint);

    // Draws an image descriptor over the item rect, limited to the paint rect.
    bool DrawImage(HDC hDC, const wchar_t* image, const wchar_t* modify = nullptr);
    void Invalidate();
    bool IsUpdateNeeded() const;
    void NeedUpdate();
    void NeedParentUpdate();
    DWORD GetAdjustColor(DWORD color) const;
    void SetVirtualWnd(const wchar_t* name);
    CUIString GetVirtualWnd() const;
    // name="value" items separated by one space; returns this control.
    CControlUI* ApplyAttributeList(const wchar_t* list);

    DWORD GetBkColor() const;
    void SetBkColor(DWORD color);
    DWORD GetBkColor2() const;
    void SetBkColor2(DWORD color);
    DWORD GetBkColor3() const;
    void SetBkColor3(DWORD color);
    const CUIString& GetBkImage() const;
    void SetBkImage(const wchar_t* image);
    DWORD GetBorderColor() const;
    void SetBorderColor(DWORD color);
    DWORD GetFocusBorderColor() const;
    void SetFocusBorderColor(DWORD color);
    bool IsColorHSL() const;
    void SetColorHSL(bool colorHSL);
    int GetBorderSize() const;
    void SetBorderSize(int size);
    void SetBorderSize(RECT sizes);
    int GetLeftBorderSize() const;
    void SetLeftBorderSize(int size);
    int GetTopBorderSize() const;
    void SetTopBorderSize(int size);
    int GetRightBorderSize() const;
    void SetRightBorderSize(int size);
    int GetBottomBorderSize() const;
    void SetBottomBorderSize(int size);
    int GetBorderStyle() const;
    void SetBorderStyle(int style);
    SIZE GetBorderRound() const;
    void SetBorderRound(SIZE round);

    // Handlers receive the control (onInit, onDestroy, onSize), the
    // TEventUI (onEvent) or the TNotifyUI (onNotify).
    CEventSource onInit;
    CEventSource onDestroy;
    CEventSource onSize;
    CEventSource onEvent;
    CEventSource onNotify;

protected:
    // Colours, borders and the background image of SetAttribute; false for
    // other names.
    bool SetAppearanceAttribute(const CUIString& key, const wchar_t* value);

    CPaintManagerUI* m_manager;
    CControlUI* m_parent;
    CUIString m_virtualWnd;
    CUIString m_name;
    bool m_updateNeeded;
    bool m_contextMenuUsed;
    RECT m_itemRect;
    RECT m_padding;
    SIZE m_fixedXY;
    SIZE m_fixedSize;
    SIZE m_minSize;
    SIZE m_maxSize;
    bool m_visible;
    bool m_internVisible;
    bool m_enabled;
    bool m_mouseEnabled;
    bool m_keyboardEnabled;
    bool m_focused;
    bool m_floating;
    bool m_inSetPos;
    bool m_placingFloat;
    TRelativePosUI m_relativePos;

    CUIString m_text;
    CUIString m_toolTip;
    wchar_t m_shortcut;
    CUIString m_userData;
    UINT_PTR m_tag;

    DWORD m_bkColor;
    DWORD m_bkColor2;
    DWORD m_bkColor3;
    CUIString m_bkImage;
    CUIString m_foreImage;
    DWORD m_borderColor;
    DWORD m_focusBorderColor;
    bool m_colorHSL;
    int m_borderSize;
    int m_borderStyle;
    int m_toolTipWidth;
    SIZE m_borderRound;
    RECT m_paintRect;
    RECT m_borderSizes;
    bool m_flat;
    bool m_tabStop;
};

} // namespace SkinUI
