#include "base/ResourceUpdate.h"

#include "base/UniqueResource.h"

#include <windows.h>

namespace {

// An update begun on a file: ended, and thrown away unless it was kept.
struct ResourceUpdateTraits {
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { EndUpdateResourceW(h, TRUE); }
};
using ScopedResourceUpdate = UniqueResource<ResourceUpdateTraits>;

}  // namespace

bool WriteRcDataResource(const std::string& program, const wchar_t* name, const std::string& bytes)
{
    if (bytes.empty())
        return false;
    ScopedResourceUpdate update(BeginUpdateResourceA(program.c_str(), FALSE));
    if (!update)
        return false;
    // RT_RCDATA, in its wide form.
    if (!UpdateResourceW(update.Get(), MAKEINTRESOURCEW(10), name, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                         const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size())))
        return false;
    return EndUpdateResourceW(update.Release(), FALSE) != FALSE;
}
