#pragma once

#include <windows.h>

namespace SkinUI {

// Shows the hour-glass cursor for its lifetime.
class CWaitCursor {
public:
    CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    ~CWaitCursor();

private:
    HCURSOR m_hOrigCursor;
};

} // namespace SkinUI
