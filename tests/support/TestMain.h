#pragma once

#include <string>

// The folder that the test main made for the test now running.
const std::string& CurrentTestDir();
