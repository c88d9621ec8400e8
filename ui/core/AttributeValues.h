#pragma once

#include <windows.h>

namespace SkinUI {

// Markup attribute values of the controls.

// True only for the exact text "true".
bool ReadBoolValue(const wchar_t* value);
// Decimal with leading blanks and a sign, held to the int range; anything
// else reads as 0.
int ReadIntValue(const wchar_t* value);
// Hexadecimal ARGB after leading blanks and one optional '#'.
DWORD ReadColorValue(const wchar_t* value);

} // namespace SkinUI
