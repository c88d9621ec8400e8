#include "app/UpdateOptions.h"

#include "base/PathUtil.h"

#include <climits>
#include <cstdlib>
#include <cstring>

UpdateOptions g_updateOptions;

namespace {

// atoi's grammar (leading blanks, a sign, digits; anything else gives 0), but
// with an out-of-range value held at the int limits instead of undefined.
int ToInt(const char* text)
{
    const long long value = strtoll(text, nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

bool ParseUpdateArgs(int argc, const char* const* argv, UpdateOptions& options)
{
    if (argc < 1 || !argv || !argv[0])
        return false;

    // Without a backslash both are the whole word.
    const std::string program = argv[0];
    options.exeName = FileNameOf(program);
    options.exeDir = ParentFolder(program);

    bool checkSeen = false;
    bool execSeen = false;
    // A value is looked at again as an option name in the next step, so
    // "--uri --execUpdate" sets uri and counts as the exec flag as well.
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (strcmp(argument, "--checkUpdate") == 0) {
            checkSeen = true;
            options.mode = kCheckMode;
            continue;
        }
        if (strcmp(argument, "--execUpdate") == 0) {
            execSeen = true;
            options.mode = kExecMode;
            continue;
        }
        std::string* text = nullptr;
        const bool isForce = strcmp(argument, "--force") == 0;
        if (strcmp(argument, "--version") == 0)
            text = &options.version;
        else if (strcmp(argument, "--ParentProcessName") == 0)
            text = &options.parentProcessName;
        else if (strcmp(argument, "--uri") == 0)
            text = &options.uri;
        else if (!isForce)
            continue;

        if (i + 1 >= argc)
            return false;
        const char* value = argv[i + 1];
        if (isForce)
            options.force = ToInt(value);
        else
            *text = value;
    }

    // The name is joined to the install folder to start the product again:
    // a path or a name no folder entry can have is no product's name.
    if (!IsPlainFileName(options.parentProcessName))
        return false;
    if (options.version.empty() && options.mode == kCheckMode)
        return false;
    return checkSeen != execSeen;
}
