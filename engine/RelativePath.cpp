#include "engine/RelativePath.h"

namespace {

bool IsSafeComponent(const std::string& component)
{
    if (component.empty() || component == ".")
        return true;
    // Windows drops trailing dots and blanks from a name, so ".. " or "..."
    // could end up meaning the parent folder.
    const char last = component.back();
    return last != '.' && last != ' ';
}

}  // namespace

bool IsContainedRelativePath(const std::string& path)
{
    if (path.empty() || path[0] == '/' || path[0] == '\\')
        return false;
    if (path.find(':') != std::string::npos)
        return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = path.size();
        if (!IsSafeComponent(path.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}
