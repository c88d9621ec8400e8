#include "ui/controls/LabelUI.h"

#include "ui/core/AttributeValues.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderEngine.h"

#include <gdiplus.h>

namespace SkinUI {

namespace {

// The effect mode's GDI+ colour: the alpha of its transparency field with the
// colour's red, green and blue bytes.
Gdiplus::Color EffectColor(int alpha, DWORD color)
{
    return Gdiplus::Color(static_cast<BYTE>(alpha), static_cast<BYTE>(color >> 16), static_cast<BYTE>(color >> 8),
                          static_cast<BYTE>(color));
}

} // namespace

CLabelUI::CLabelUI()
    : m_textColor(0), m_disabledTextColor(0), m_font(-1), m_textStyle(DT_VCENTER), m_textPadding{ 0, 0, 0, 0 },
      m_showHtml(false), m_effectAlign(Gdiplus::StringAlignmentNear), m_effectLineAlign(Gdiplus::StringAlignmentCenter),
      m_transShadow(60), m_transShadow1(60), m_transText(168), m_transText1(168), m_transStroke(255),
      m_gradientLength(0), m_gradientAngle(0), m_enabledEffect(false), m_enabledStroke(false), m_enabledShadow(false),
      m_enableAutoTip(false), m_textColor1(0xFFFFFFFF), m_shadowColorA(0xFF000000), m_shadowColorB(0xFFFFFFFF),
      m_strokeColor(0), m_shadowOffset{ 0, 0, 0, 0 }, m_renderingHint(0)
{
}

CLabelUI::~CLabelUI() = default;

const wchar_t* CLabelUI::GetClass() const
{
    return L"LabelUI";
}

LPVOID CLabelUI::GetInterface(const wchar_t* name)
{
    if (name != nullptr && wcscmp(name, L"Label") == 0) return this;
    return CControlUI::GetInterface(name);
}

CUIString CLabelUI::GetText() const
{
    return m_enabledEffect ? m_effectText : CControlUI::GetText();
}

void CLabelUI::SetText(const wchar_t* text)
{
    if (!m_enabledEffect) {
        CControlUI::SetText(text);
        return;
    }
    if (m_effectText == (text != nullptr ? text : L"")) return;
    m_effectText = text != nullptr ? text : L"";
    Invalidate();
}

CUIString CLabelUI::GetToolTip() const
{
    if (!m_enableAutoTip || m_manager == nullptr) return CControlUI::GetToolTip();
    const CUIString text = GetText();
    const SIZE size = CRenderEngine::GetTextSize(m_manager->GetPaintDC(), m_manager, text.GetData(), m_font,
                                                 m_textStyle);
    const int room = (m_itemRect.right - m_itemRect.left) - m_textPadding.left - m_textPadding.right;
    return size.cx > room ? text : CControlUI::GetToolTip();
}

void CLabelUI::DoEvent(TEventUI& event)
{
    // A label takes no visible focus: no repaint.
    if (event.type == UIEVENT_SETFOCUS) {
        m_focused = true;
        return;
    }
    if (event.type == UIEVENT_KILLFOCUS) {
        m_focused = false;
        return;
    }
    CControlUI::DoEvent(event);
}

void CLabelUI::SetAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == nullptr || value == nullptr) return;
    const CUIString key(name);
    if (key == L"align") {
        const CUIString words(value);
        if (words.Find(L"left") >= 0) m_textStyle &= ~(DT_CENTER | DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
        if (words.Find(L"center") >= 0) {
            m_textStyle &= ~DT_RIGHT;
            m_textStyle |= DT_CENTER;
        }
        if (words.Find(L"right") >= 0) {
            m_textStyle &= ~(DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            m_textStyle |= DT_RIGHT;
        }
        if (words.Find(L"top") >= 0) {
            m_textStyle &= ~(DT_VCENTER | DT_BOTTOM);
            m_textStyle |= DT_SINGLELINE;
        }
        if (words.Find(L"vcenter") >= 0) {
            m_textStyle &= ~DT_BOTTOM;
            m_textStyle |= DT_CENTER | DT_VCENTER | DT_SINGLELINE;
        }
        if (words.Find(L"bottom") >= 0) {
            m_textStyle &= ~DT_VCENTER;
            m_textStyle |= DT_BOTTOM | DT_SINGLELINE;
        }
        Invalidate();
    } else if (key == L"endellipsis") {
        SetTextStyle(ReadBoolValue(value) ? (m_textStyle | DT_END_ELLIPSIS) : (m_textStyle & ~DT_END_ELLIPSIS));
    } else if (key == L"font") {
        SetFont(ReadIntValue(value));
    } else if (key == L"textcolor") {
        SetTextColor(ReadColorValue(value));
    } else if (key == L"disabledtextcolor") {
        SetDisabledTextColor(ReadColorValue(value));
    } else if (key == L"textpadding") {
        SetTextPadding(ReadNumberList(value));
    } else if (key == L"showhtml") {
        SetShowHtml(ReadBoolValue(value));
    } else if (key == L"enabledeffect") {
        SetEnabledEffect(ReadBoolValue(value));
    } else if (key == L"rhaa") {
        SetTextRenderingHintAntiAlias(ReadIntValue(value));
    } else if (key == L"transshadow") {
        SetTransShadow(ReadIntValue(value));
    } else if (key == L"transshadow1") {
        SetTransShadow1(ReadIntValue(value));
    } else if (key == L"transtext") {
        SetTransText(ReadIntValue(value));
    } else if (key == L"transtext1") {
        SetTransText1(ReadIntValue(value));
    } else if (key == L"transstroke") {
        SetTransStroke(ReadIntValue(value));
    } else if (key == L"gradientangle") {
        SetGradientAngle(ReadIntValue(value));
    } else if (key == L"gradientlength") {
        SetGradientLength(ReadIntValue(value));
    } else if (key == L"enabledstroke") {
        SetEnabledStroke(ReadBoolValue(value));
    } else if (key == L"enabledshadow") {
        SetEnabledShadow(ReadBoolValue(value));
    } else if (key == L"shadowoffset") {
        const RECT numbers = ReadNumberList(value);
        SetShadowOffset(numbers.left, numbers.top);
    } else if (key == L"textcolor1") {
        SetTextColor1(ReadColorValue(value));
    } else if (key == L"textshadowcolora") {
        SetTextShadowColorA(ReadColorValue(value));
    } else if (key == L"textshadowcolorb") {
        SetTextShadowColorB(ReadColorValue(value));
    } else if (key == L"strokecolor") {
        SetStrokeColor(ReadColorValue(value));
    } else if (key == L"autotip") {
        SetEnableAutoTip(ReadBoolValue(value));
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

SIZE CLabelUI::EstimateSize(SIZE available)
{
    if (m_fixedSize.cy > 0 || m_manager == nullptr) return CControlUI::EstimateSize(available);
    return SIZE{ m_fixedSize.cx, m_manager->GetFontInfo(m_font)->metrics.tmHeight + 4 };
}

RECT CLabelUI::TextRect() const
{
    return RECT{ m_itemRect.left + m_textPadding.left, m_itemRect.top + m_textPadding.top,
                 m_itemRect.right - m_textPadding.right, m_itemRect.bottom - m_textPadding.bottom };
}

void CLabelUI::ApplyDefaultColors()
{
    if (m_manager == nullptr) return;
    if (m_textColor == 0) m_textColor = m_manager->GetDefaultFontColor();
    if (m_disabledTextColor == 0) m_disabledTextColor = m_manager->GetDefaultDisabledColor();
}

void CLabelUI::PaintText(HDC hDC)
{
    if (m_manager == nullptr) return;
    if (m_enabledEffect) {
        PaintEffectText(hDC);
        return;
    }
    ApplyDefaultColors();
    if (m_text.IsEmpty()) return;
    RECT rc = TextRect();
    const DWORD color = IsEnabled() ? m_textColor : m_disabledTextColor;
    // A label always draws one line.
    if (m_showHtml) {
        int links = 0;
        CRenderEngine::DrawHtmlText(hDC, m_manager, rc, m_text.GetData(), color, nullptr, nullptr, links,
                                    m_textStyle | DT_SINGLELINE);
    } else {
        CRenderEngine::DrawTextW(hDC, m_manager, rc, m_text.GetData(), color, m_font, m_textStyle | DT_SINGLELINE);
    }
}

void CLabelUI::PaintEffectText(HDC hDC)
{
    ApplyDefaultColors();
    const RECT rc = TextRect();
    const Gdiplus::REAL width = static_cast<Gdiplus::REAL>(rc.right - rc.left);
    const Gdiplus::REAL height = static_cast<Gdiplus::REAL>(rc.bottom - rc.top);
    const Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(rc.left), static_cast<Gdiplus::REAL>(rc.top), width,
                                height);
    Gdiplus::RectF shadowRect = layout;
    shadowRect.Offset(m_shadowOffset.x, m_shadowOffset.y);

    Gdiplus::Graphics graphics(hDC);
    graphics.SetTextRenderingHint(static_cast<Gdiplus::TextRenderingHint>(m_renderingHint));
    const Gdiplus::Font font(hDC, m_manager->GetFont(m_font));
    Gdiplus::StringFormat format;
    format.SetAlignment(static_cast<Gdiplus::StringAlignment>(m_effectAlign));
    format.SetLineAlignment(static_cast<Gdiplus::StringAlignment>(m_effectLineAlign));

    const Gdiplus::REAL length = m_gradientLength != 0 ? static_cast<Gdiplus::REAL>(m_gradientLength) : height;
    const Gdiplus::PointF start(static_cast<Gdiplus::REAL>(m_gradientAngle), 0);
    const Gdiplus::PointF end(0, length);
    const wchar_t* text = m_effectText.GetData();
    const INT count = m_effectText.GetLength();

    if (m_enabledStroke && m_strokeColor != 0) {
        const Gdiplus::LinearGradientBrush stroke(start, Gdiplus::PointF(0, height + 2),
                                                  EffectColor(m_transStroke, m_strokeColor),
                                                  EffectColor(m_transStroke, m_strokeColor));
        const Gdiplus::PointF moves[] = { { -1, 0 }, { 1, 0 }, { 0, -1 }, { 0, 1 } };
        for (const Gdiplus::PointF& move : moves) {
            Gdiplus::RectF outline = layout;
            outline.Offset(move);
            graphics.DrawString(text, count, &font, outline, &format, &stroke);
        }
    }
    if (m_enabledShadow && (m_shadowColorA != 0 || m_shadowColorB != 0)) {
        const DWORD second = m_shadowColorB == 0xFFFFFFFF ? m_shadowColorA : m_shadowColorB;
        const Gdiplus::LinearGradientBrush shadow(start, end, EffectColor(m_transShadow, m_shadowColorA),
                                                  EffectColor(m_transShadow1, second));
        graphics.DrawString(text, count, &font, shadowRect, &format, &shadow);
    }
    const DWORD second = m_textColor1 == 0xFFFFFFFF ? m_textColor : m_textColor1;
    const Gdiplus::LinearGradientBrush brush(start, end, EffectColor(m_transText, m_textColor),
                                             EffectColor(m_transText1, second));
    graphics.DrawString(text, count, &font, layout, &format, &brush);
}

void CLabelUI::SetTextStyle(UINT style)
{
    m_textStyle = style;
    Invalidate();
}

UINT CLabelUI::GetTextStyle() const
{
    return m_textStyle;
}

void CLabelUI::SetTextColor(DWORD color)
{
    m_textColor = color;
    Invalidate();
}

DWORD CLabelUI::GetTextColor() const
{
    return m_textColor;
}

void CLabelUI::SetDisabledTextColor(DWORD color)
{
    m_disabledTextColor = color;
    Invalidate();
}

DWORD CLabelUI::GetDisabledTextColor() const
{
    return m_disabledTextColor;
}

void CLabelUI::SetFont(int index)
{
    m_font = index;
    Invalidate();
}

int CLabelUI::GetFont() const
{
    return m_font;
}

void CLabelUI::SetTextPadding(RECT rc)
{
    m_textPadding = rc;
    Invalidate();
}

RECT CLabelUI::GetTextPadding() const
{
    return m_textPadding;
}

void CLabelUI::SetShowHtml(bool showHtml)
{
    if (m_showHtml == showHtml) return;
    m_showHtml = showHtml;
    Invalidate();
}

bool CLabelUI::IsShowHtml() const
{
    return m_showHtml;
}

void CLabelUI::SetEnableAutoTip(bool enable)
{
    if (m_enableAutoTip == enable) return;
    m_enableAutoTip = enable;
    Invalidate();
}

bool CLabelUI::GetEnableAutoTip() const
{
    return m_enableAutoTip;
}

void CLabelUI::SetEnabledEffect(bool enable)
{
    m_enabledEffect = enable;
}

bool CLabelUI::GetEnabledEffect() const
{
    return m_enabledEffect;
}

void CLabelUI::SetTextColor1(DWORD color)
{
    m_textColor1 = color;
}

DWORD CLabelUI::GetTextColor1() const
{
    return m_textColor1;
}

void CLabelUI::SetTextShadowColorA(DWORD color)
{
    m_shadowColorA = color;
}

DWORD CLabelUI::GetTextShadowColorA() const
{
    return m_shadowColorA;
}

void CLabelUI::SetTextShadowColorB(DWORD color)
{
    m_shadowColorB = color;
}

DWORD CLabelUI::GetTextShadowColorB() const
{
    return m_shadowColorB;
}

void CLabelUI::SetTransShadow(int alpha)
{
    m_transShadow = alpha;
}

int CLabelUI::GetTransShadow() const
{
    return m_transShadow;
}

void CLabelUI::SetTransShadow1(int alpha)
{
    m_transShadow1 = alpha;
}

int CLabelUI::GetTransShadow1() const
{
    return m_transShadow1;
}

void CLabelUI::SetTransText(int alpha)
{
    m_transText = alpha;
}

int CLabelUI::GetTransText() const
{
    return m_transText;
}

void CLabelUI::SetTransText1(int alpha)
{
    m_transText1 = alpha;
}

int CLabelUI::GetTransText1() const
{
    return m_transText1;
}

void CLabelUI::SetTransStroke(int alpha)
{
    m_transStroke = alpha;
}

int CLabelUI::GetTransStroke() const
{
    return m_transStroke;
}

void CLabelUI::SetGradientAngle(int angle)
{
    m_gradientAngle = angle;
}

int CLabelUI::GetGradientAngle() const
{
    return m_gradientAngle;
}

void CLabelUI::SetGradientLength(int length)
{
    m_gradientLength = length;
}

int CLabelUI::GetGradientLength() const
{
    return m_gradientLength;
}

void CLabelUI::SetEnabledStroke(bool enable)
{
    m_enabledStroke = enable;
}

bool CLabelUI::GetEnabledStroke() const
{
    return m_enabledStroke;
}

void CLabelUI::SetStrokeColor(DWORD color)
{
    m_strokeColor = color;
}

DWORD CLabelUI::GetStrokeColor() const
{
    return m_strokeColor;
}

void CLabelUI::SetEnabledShadow(bool enable)
{
    m_enabledShadow = enable;
}

bool CLabelUI::GetEnabledShadow() const
{
    return m_enabledShadow;
}

// The offset is relative to the text rect whenever it is set: taking the
// item rect's position in (as markup does before the first layout, when it
// is 0,0,0,0) would move the shadow by the control's place in the window.
void CLabelUI::SetShadowOffset(int distance, int angle)
{
    if (angle > 180 || angle < -180) return;
    int top = 0;
    if (angle >= 0) {
        top -= distance;
    } else if (angle > -180) {
        top += distance;
    }
    int left = 0;
    if (angle > -90 && angle <= 90) {
        left -= distance;
    } else if (angle != -90) {
        left += distance;
    }
    m_shadowOffset = TShadowOffset{ static_cast<float>(top), static_cast<float>(left), 0, 0 };
}

TShadowOffset CLabelUI::GetShadowOffset() const
{
    return m_shadowOffset;
}

void CLabelUI::SetTextRenderingHintAntiAlias(int hint)
{
    m_renderingHint = (hint < 0 || hint > 5) ? 0 : hint;
}

int CLabelUI::GetTextRenderingHintAntiAlias() const
{
    return m_renderingHint;
}

} // namespace SkinUI
