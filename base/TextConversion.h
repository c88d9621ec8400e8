#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The one place where text changes encoding. The engine's narrow strings are
// in the ANSI code page (GBK under code page 936); SkinUI works in UTF-16.
// codePage is any code page of MultiByteToWideChar: kAnsiCodePage, CP_UTF8,
// 936, ... Invalid input is converted as the platform does (with replacement
// characters); nothing is cut at an embedded NUL.

// The code page of every narrow string of the program: the system's, which
// the "A" functions of Windows (file names, the command line, module paths)
// use. The thread's code page (CP_THREAD_ACP) follows the user's locale and
// may differ from it, so a name converted with it would not name the file.
constexpr UINT kAnsiCodePage = CP_ACP;

std::wstring ToWide(std::string_view text, UINT codePage = kAnsiCodePage);
std::string ToNarrow(std::wstring_view text, UINT codePage = kAnsiCodePage);

// UTF-8 of narrow text in the given code page, as for printing to a terminal.
std::string ToUtf8(std::string_view text, UINT codePage = kAnsiCodePage);

// Bytes as two lowercase hexadecimal digits each ("%02x" per byte).
std::string ToLowerHex(const void* bytes, size_t size);

// The bytes of a text of hexadecimal digits (either case), which must be
// exactly twice size digits long; false, and nothing usable, otherwise.
[[nodiscard]] bool FromHex(std::string_view text, void* bytes, size_t size);
