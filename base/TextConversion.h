#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The one place where text changes encoding. The engine's narrow strings are
// in the ANSI code page (GBK under code page 936); SkinUI works in UTF-16.
// codePage is any code page of MultiByteToWideChar: CP_ACP, CP_THREAD_ACP,
// CP_UTF8, 936, ... Invalid input is converted as the platform does (with
// replacement characters); nothing is cut at an embedded NUL.

std::wstring ToWide(std::string_view text, UINT codePage = CP_ACP);
std::string ToNarrow(std::wstring_view text, UINT codePage = CP_ACP);

// UTF-8 of narrow text in the given code page, as for printing to a terminal.
std::string ToUtf8(std::string_view text, UINT codePage = CP_ACP);
