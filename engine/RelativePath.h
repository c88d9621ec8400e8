#pragma once

#include <string>

// True when the path, joined to a folder, can only name something inside
// that folder: it is not empty, not absolute, carries no drive letter or
// other colon, and no component is ".." or another run of dots and blanks
// that Windows would fold into one. Both '/' and '\' separate components.
bool IsContainedRelativePath(const std::string& path);
