#include "engine/UpdateStatus.h"

#include <cstring>
#include <new>

HWND g_hUpdateWnd = nullptr;

void PostStatus(const char* text, int percent)
{
    // Without a window a null handle would post to this thread's own queue.
    if (!text || !g_hUpdateWnd)
        return;
    const size_t size = strlen(text) + 1;
    // Also called from the download's progress callback, which no exception
    // may leave: a text without memory is not shown.
    std::unique_ptr<char[]> copy(new (std::nothrow) char[size]);
    if (!copy)
        return;
    memcpy(copy.get(), text, size);
    // The window owns the copy once the message is queued; a failed post
    // leaves it here to be freed.
    if (PostMessageW(g_hUpdateWnd, WM_UPDATE_STATUS, reinterpret_cast<WPARAM>(copy.get()), percent))
        copy.release();
}

std::unique_ptr<char[]> TakeStatusText(WPARAM wParam)
{
    return std::unique_ptr<char[]>(reinterpret_cast<char*>(wParam));
}
