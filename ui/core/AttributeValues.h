#pragma once

#include "ui/core/UIString.h"

#include <windows.h>

namespace SkinUI {

// Markup attribute values of the controls.

// True only for the exact text "true".
bool ReadBoolValue(const wchar_t* value);
// Decimal with leading blanks and a sign, held to the int range; anything
// else reads as 0.
int ReadIntValue(const wchar_t* value);
// A module resource identifier written as decimal text; other text reads
// as 0.
UINT ReadResourceId(const wchar_t* value);
// Hexadecimal ARGB after leading blanks and one optional '#'.
DWORD ReadColorValue(const wchar_t* value);

// Up to capacity decimal numbers of a markup list such as "10,20,30,40":
// each number after the first is read from one character past the end of the
// previous one, so any single separator works; a missing or unreadable number
// is 0 and each is held to +-2^20, far beyond any screen, so sums cannot
// overflow. Returns how many numbers were read up to the last readable one.
int ReadNumbers(const wchar_t* text, long* values, int capacity);
// The first four numbers of a list ("l,t,r,b"), missing ones 0.
RECT ReadNumberList(const wchar_t* text);

// Reads the key='value' items of an image descriptor ("file='a.png'
// corner='2,2,2,2'") one by one: blanks before an item and around '=', the
// value up to the next quote, a blank or the end after it. A malformed item
// ends the reading, as does an item followed by anything but a blank.
class CDescriptorReader {
public:
    // The text up to end, or up to its NUL when end is null.
    explicit CDescriptorReader(const wchar_t* text, const wchar_t* end = nullptr);

    bool Next(CUIString& key, CUIString& value);
    // Where the reading stopped: at the item it could not read (after its
    // leading blanks), after the last item, or at the end.
    const wchar_t* Rest() const { return m_next; }

private:
    bool Stop();

    const wchar_t* m_next;
    const wchar_t* m_end;
    bool m_stopped;
};

} // namespace SkinUI
