#pragma once

#include <string>

// Writes the bytes into a program file as its language-neutral RCDATA
// resource of that name, replacing one of the name, as the resource compiler
// would have put them there. False when the file could not be changed; it
// is then left as it was.
[[nodiscard]] bool WriteRcDataResource(const std::string& program, const wchar_t* name, const std::string& bytes);
