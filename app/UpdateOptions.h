#pragma once

#include <string>

// The parsed command line. Filled once on the UI thread before the worker
// starts and only read afterwards.
struct UpdateOptions {
    int mode = 0;                  // 0: --checkUpdate, 1: --execUpdate
    std::string version;           // --version
    std::string parentProcessName; // --ParentProcessName: the product's executable name
    int force = 0;                 // --force: non-zero selects force mode in check mode
    std::string uri;               // --uri: base address of the package download
    std::string exeName;           // first argument after its last backslash
    std::string exeDir;            // first argument before its last backslash
};

// The process-wide record.
extern UpdateOptions g_updateOptions;

constexpr int kCheckMode = 0;
constexpr int kExecMode = 1;

// Parses an argument vector (argv[0] is the program path) into options; true
// when the command line is usable. CUpdateDlg::parseArgs calls it with the
// runtime's vector and g_updateOptions.
bool ParseUpdateArgs(int argc, const char* const* argv, UpdateOptions& options);
