// Small helpers of the ui_core tests: wide paths and byte buffers.
#pragma once

#include <string>
#include <vector>

std::wstring Widen(const std::string& ansi);
// TestDataDir() + "\\" + name, as a wide path.
std::wstring DataPath(const std::string& name);
// TestTempDir() + "\\" + name, as a wide path.
std::wstring TempPath(const std::string& name);
std::vector<unsigned char> ReadBytes(const std::string& path);
