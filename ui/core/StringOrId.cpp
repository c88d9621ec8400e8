#include "ui/core/StringOrId.h"

namespace SkinUI {

STRINGorID::STRINGorID(const wchar_t* lpString) : m_lpstr(lpString)
{
}

// MAKEINTRESOURCEW keeps only 16 bits, so the value always reads as an id.
STRINGorID::STRINGorID(unsigned int nID) : m_lpstr(MAKEINTRESOURCEW(nID))
{
}

} // namespace SkinUI
