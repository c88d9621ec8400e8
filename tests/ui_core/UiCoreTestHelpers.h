// Small helpers of the ui_core tests: wide paths.
#pragma once

#include <string>

std::wstring Widen(const std::string& ansi);
// FixturePath(name) as a wide path (a missing fixture fails the test).
std::wstring DataPath(const std::string& name);
// TestTempDir() + "\\" + name, as a wide path.
std::wstring TempPath(const std::string& name);
