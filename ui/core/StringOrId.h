#pragma once

#include <windows.h>

namespace SkinUI {

// A file or resource name, or an integer resource identifier in the Win32
// integer-resource form.
class STRINGorID {
public:
    STRINGorID(const wchar_t* lpString);
    STRINGorID(unsigned int nID);

    const wchar_t* m_lpstr;
};

} // namespace SkinUI
