// Windows for the ui_controls tests: a plain window driven by a paint
// manager (to build skins into), and a WindowImplBase over the test skins.
#pragma once

#include "tests/support/UiHarness.h"
#include "ui/controls/WindowImplBase.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Points the framework at the program and at test-data\skin.zip.
void UseTestSkins();

// The host window of the controls tests (at 20,20, shown with activation)
// with the test skins in use, and a builder of markup into it.
class HostWindow : public PaintHost {
public:
    explicit HostWindow(int width = 300, int height = 200);

    // Builds markup text (starting with "<") or a skin file and attaches it.
    SkinUI::CControlUI* Build(const wchar_t* xml, SkinUI::IDialogBuilderCallback* callback = nullptr);
    SkinUI::CControlUI* Find(const wchar_t* name) const { return pm.FindControl(name); }
    // Posts a mouse message at client coordinates and runs the queue.
    void Mouse(UINT message, int x, int y, WPARAM keys = 0) { Post(message, keys, MAKELPARAM(x, y)); }
};

// A WindowImplBase over a skin of test-data: records its close code, its
// notifications ("type:sender") and whether its final message came.
class SkinWindow : public SkinUI::WindowImplBase {
public:
    explicit SkinWindow(std::wstring xml, SkinUI::UILIB_RESOURCETYPE type = SkinUI::UILIB_ZIP);
    ~SkinWindow() override;

    // Creates the window (a visible popup at 50,50, or owned by owner) and
    // paints it once.
    HWND Open(HWND owner = nullptr);
    SkinUI::CControlUI* Find(const wchar_t* name);
    // A click with real posted messages at the centre of a named control.
    void Click(const wchar_t* name);
    // WM_NCHITTEST at client coordinates.
    LRESULT HitTest(int x, int y);

    UINT closeCode = 0xFFFF;
    bool finalMessage = false;
    std::vector<std::wstring> notes;
    std::function<SkinUI::CControlUI*(const wchar_t*)> factory;
    std::vector<std::wstring> asked;
    std::wstring resourceId = L"SKINZIP";

protected:
    const wchar_t* GetWndClassName() const override;
    SkinUI::CUIString GetSkinPath() override;
    SkinUI::CUIString GetSkinXml() override;
    SkinUI::UILIB_RESOURCETYPE GetResourceType() const override;
    SkinUI::CUIString GetZIPFileName() const override;
    SkinUI::CUIString GetResourceID() const override;
    LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    void OnFinalMessage(HWND hWnd) override;
    void Notify(SkinUI::TNotifyUI& msg) override;
    SkinUI::CControlUI* CreateControl(const wchar_t* pstrClass) override;

private:
    std::wstring m_xml;
    SkinUI::UILIB_RESOURCETYPE m_type;
};
