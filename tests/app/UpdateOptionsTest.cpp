#include "app/UpdateOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr char kProgram[] = "C:\\Program Files\\Corvane\\Updater.exe";

// Every field, each one closed by ';', so that a row can look for
// ";field=value;" and a failure shows the whole record.
std::string Describe(const UpdateOptions& o)
{
    return ";mode=" + std::to_string(o.mode) + ";version=" + o.version + ";product=" + o.parentProcessName +
           ";force=" + std::to_string(o.force) + ";uri=" + o.uri + ";exe=" + o.exeName + ";dir=" + o.exeDir + ";";
}

struct ParseCase {
    const char* what;
    std::vector<std::string> argv;  // from the program path on
    bool ok;
    std::vector<std::string> fields;  // "name=value" of Describe
};

std::vector<std::string> Exec(const std::string& product, std::vector<std::string> more = {})
{
    std::vector<std::string> argv = {kProgram, "--execUpdate", "--ParentProcessName", product};
    argv.insert(argv.end(), more.begin(), more.end());
    return argv;
}

std::vector<std::string> CheckWithForce(const std::string& force)
{
    return {kProgram, "--checkUpdate", "--version", "1", "--ParentProcessName", "C.exe", "--force", force};
}

}  // namespace

TEST(ParseUpdateArgs, EveryCommandLineGetsItsVerdictAndFields)
{
    const std::string longName(1020, 'c');
    const ParseCase cases[] = {
        {"silent check run, force 0",
         {kProgram, "--checkUpdate", "--version", "2.1.0", "--ParentProcessName", "Corvane.exe", "--uri",
          "http://127.0.0.1/pkgs"},
         true,
         {"mode=0", "version=2.1.0", "product=Corvane.exe", "uri=http://127.0.0.1/pkgs", "force=0", "exe=Updater.exe",
          "dir=C:\\Program Files\\Corvane"}},
        {"exec run needs no version", Exec("Corvane.exe"), true, {"mode=1", "version="}},
        {"check run without version", {kProgram, "--checkUpdate", "--ParentProcessName", "Corvane.exe"}, false, {}},
        {"exec run without product", {kProgram, "--execUpdate"}, false, {}},
        {"check run without product", {kProgram, "--checkUpdate", "--version", "1"}, false, {}},
        {"both flags",
         {kProgram, "--checkUpdate", "--execUpdate", "--version", "1", "--ParentProcessName", "C.exe", "--uri", "u"},
         false,
         {}},
        {"both flags, exec first",
         {kProgram, "--execUpdate", "--checkUpdate", "--version", "1", "--ParentProcessName", "C.exe"},
         false,
         {}},
        {"neither flag",
         {kProgram, "--version", "1", "--ParentProcessName", "C.exe", "--uri", "u", "--force", "1"},
         false,
         {}},
        // Everything the checks after the walk need is present, so only the
        // missing value can be the reason.
        {"last --ParentProcessName", Exec("C.exe", {"--ParentProcessName"}), false, {}},
        {"last --version", Exec("C.exe", {"--version"}), false, {}},
        {"last --force", Exec("C.exe", {"--force"}), false, {}},
        {"last --uri", Exec("C.exe", {"--uri"}), false, {}},
        {"force not a number", CheckWithForce("yes"), true, {"force=0"}},
        {"force 2", CheckWithForce("2"), true, {"force=2"}},
        {"force -1", CheckWithForce("-1"), true, {"force=-1"}},
        {"force with blanks and a tail", CheckWithForce("  7days"), true, {"force=7"}},
        {"force with a plus", CheckWithForce("+3"), true, {"force=3"}},
        {"force empty", CheckWithForce(""), true, {"force=0"}},
        {"force too large", CheckWithForce("99999999999999999999"), true, {"force=2147483647"}},
        {"force too small", CheckWithForce("-99999999999999999999"), true, {"force=-2147483648"}},
        {"--Version",
         {kProgram, "--checkUpdate", "--Version", "2.0", "--ParentProcessName", "C.exe"},
         false,
         {"version="}},
        {"--execupdate", {kProgram, "--execupdate", "--ParentProcessName", "C.exe"}, false, {}},
        {"--parentProcessName", {kProgram, "--execUpdate", "--parentProcessName", "C.exe"}, false, {}},
        {"uri value is the exec flag too",
         {kProgram, "--uri", "--execUpdate", "--ParentProcessName", "C.exe"},
         true,
         {"uri=--execUpdate", "mode=1"}},
        {"uri value as exec flag beside the check flag",
         {kProgram, "--checkUpdate", "--version", "1", "--uri", "--execUpdate", "--ParentProcessName", "C.exe"},
         false,
         {}},
        // The version is the option text, and the product name is still read
        // from the step that follows.
        {"version value is an option name",
         {kProgram, "--checkUpdate", "--version", "--ParentProcessName", "C.exe"},
         true,
         {"version=--ParentProcessName", "product=C.exe"}},
        {"repeated options overwrite",
         Exec("Old.exe", {"--ParentProcessName", "New.exe", "--force", "1", "--force", "0"}),
         true,
         {"product=New.exe", "force=0"}},
        {"unknown arguments are skipped",
         {kProgram, "/silent", "--checkUpdate", "junk", "--version", "3", "-x", "--ParentProcessName", "C.exe", "--uri",
          "http://h"},
         true,
         {"version=3", "uri=http://h"}},
        {"value with blanks", Exec("Corvane Player.exe"), true, {"product=Corvane Player.exe"}},
        {"program without backslash",
         {"Updater.exe", "--execUpdate", "--ParentProcessName", "C.exe"},
         true,
         {"exe=Updater.exe", "dir=Updater.exe"}},
        {"program split at the last backslash only",
         {"D:\\a\\b/c\\Up.exe", "--execUpdate", "--ParentProcessName", "C.exe"},
         true,
         {"exe=Up.exe", "dir=D:\\a\\b/c"}},
        {"program ending in a backslash",
         {"D:\\tools\\", "--execUpdate", "--ParentProcessName", "C.exe"},
         true,
         {"exe=", "dir=D:\\tools"}},
        {"product name too long", Exec(longName), false, {}},
        {"product name climbing out", Exec("..\\..\\x.exe"), false, {}},
        {"product name with a folder", Exec("bin/C.exe"), false, {}},
        {"product name with a drive", Exec("C:\\x.exe"), false, {}},
        {"product name of a device", Exec("COM1"), false, {}},
        {"product name of 255 characters", Exec(std::string(251, 'c') + ".exe"), true, {}},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<const char*> argv;
        for (const std::string& arg : c.argv)
            argv.push_back(arg.c_str());
        UpdateOptions options;
        EXPECT_EQ(ParseUpdateArgs(static_cast<int>(argv.size()), argv.data(), options), c.ok);
        const std::string described = Describe(options);
        for (const std::string& field : c.fields)
            EXPECT_NE(described.find(";" + field + ";"), std::string::npos) << field << " in " << described;
    }
}

TEST(ParseUpdateArgs, EmptyVectorIsRejected)
{
    UpdateOptions options;
    EXPECT_FALSE(ParseUpdateArgs(0, nullptr, options));
    const char* none[] = {nullptr};
    EXPECT_FALSE(ParseUpdateArgs(0, none, options));
}
