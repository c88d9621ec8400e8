#include "app/UpdateOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr char kProgram[] = "C:\\Program Files\\Corvane\\Updater.exe";

struct Parsed {
    bool ok;
    UpdateOptions options;
};

Parsed Parse(std::vector<std::string> args)
{
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    Parsed parsed{false, {}};
    parsed.ok = ParseUpdateArgs(static_cast<int>(argv.size()), argv.data(), parsed.options);
    return parsed;
}

}  // namespace

TEST(ParseUpdateArgs, SilentCheckRunParsesWithForceZero)
{
    const Parsed p = Parse({kProgram, "--checkUpdate", "--version", "2.1.0", "--ParentProcessName", "Corvane.exe",
                            "--uri", "http://127.0.0.1/pkgs"});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.options.mode, kCheckMode);
    EXPECT_EQ(p.options.version, "2.1.0");
    EXPECT_EQ(p.options.parentProcessName, "Corvane.exe");
    EXPECT_EQ(p.options.uri, "http://127.0.0.1/pkgs");
    EXPECT_EQ(p.options.force, 0);
    EXPECT_EQ(p.options.exeName, "Updater.exe");
    EXPECT_EQ(p.options.exeDir, "C:\\Program Files\\Corvane");
}

TEST(ParseUpdateArgs, ExecRunNeedsNoVersion)
{
    const Parsed p = Parse({kProgram, "--execUpdate", "--ParentProcessName", "Corvane.exe"});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.options.mode, kExecMode);
    EXPECT_TRUE(p.options.version.empty());
}

TEST(ParseUpdateArgs, CheckRunWithoutVersionIsRejected)
{
    EXPECT_FALSE(Parse({kProgram, "--checkUpdate", "--ParentProcessName", "Corvane.exe"}).ok);
}

TEST(ParseUpdateArgs, MissingProductNameIsRejected)
{
    EXPECT_FALSE(Parse({kProgram, "--execUpdate"}).ok);
    EXPECT_FALSE(Parse({kProgram, "--checkUpdate", "--version", "1"}).ok);
}

TEST(ParseUpdateArgs, BothFlagsOrNeitherAreRejected)
{
    EXPECT_FALSE(Parse({kProgram, "--checkUpdate", "--execUpdate", "--version", "1", "--ParentProcessName", "C.exe",
                        "--uri", "u"})
                     .ok);
    EXPECT_FALSE(Parse({kProgram, "--execUpdate", "--checkUpdate", "--version", "1", "--ParentProcessName", "C.exe"})
                     .ok);
    EXPECT_FALSE(Parse({kProgram, "--version", "1", "--ParentProcessName", "C.exe", "--uri", "u", "--force", "1"}).ok);
}

TEST(ParseUpdateArgs, OptionAsLastArgumentIsRejectedAtOnce)
{
    // Everything that the checks after the walk need is present, so only the
    // missing value can be the reason.
    EXPECT_FALSE(Parse({kProgram, "--execUpdate", "--ParentProcessName", "C.exe", "--ParentProcessName"}).ok);
    EXPECT_FALSE(Parse({kProgram, "--execUpdate", "--ParentProcessName", "C.exe", "--version"}).ok);
    EXPECT_FALSE(Parse({kProgram, "--execUpdate", "--ParentProcessName", "C.exe", "--force"}).ok);
    EXPECT_FALSE(Parse({kProgram, "--execUpdate", "--ParentProcessName", "C.exe", "--uri"}).ok);
}

TEST(ParseUpdateArgs, ForceValueGoesThroughAtoiRules)
{
    const auto force = [](const std::string& value) {
        const Parsed p =
            Parse({kProgram, "--checkUpdate", "--version", "1", "--ParentProcessName", "C.exe", "--force", value});
        EXPECT_TRUE(p.ok) << value;
        return p.options.force;
    };
    EXPECT_EQ(force("yes"), 0);
    EXPECT_EQ(force("2"), 2);
    EXPECT_EQ(force("-1"), -1);
    EXPECT_EQ(force("  7days"), 7);
    EXPECT_EQ(force("+3"), 3);
    EXPECT_EQ(force(""), 0);
    EXPECT_EQ(force("99999999999999999999"), 2147483647);
    EXPECT_EQ(force("-99999999999999999999"), -2147483647 - 1);
}

TEST(ParseUpdateArgs, OtherCapitalsAreIgnored)
{
    const Parsed p = Parse({kProgram, "--checkUpdate", "--Version", "2.0", "--ParentProcessName", "C.exe"});
    EXPECT_FALSE(p.ok);
    EXPECT_TRUE(p.options.version.empty());

    EXPECT_FALSE(Parse({kProgram, "--execupdate", "--ParentProcessName", "C.exe"}).ok);
    EXPECT_FALSE(Parse({kProgram, "--execUpdate", "--parentProcessName", "C.exe"}).ok);
}

TEST(ParseUpdateArgs, ValueIsExaminedAsOptionName)
{
    // The value of --uri counts as the exec flag as well.
    Parsed p = Parse({kProgram, "--uri", "--execUpdate", "--ParentProcessName", "C.exe"});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.options.uri, "--execUpdate");
    EXPECT_EQ(p.options.mode, kExecMode);

    // Together with a check flag both flags are seen, which is rejected.
    EXPECT_FALSE(
        Parse({kProgram, "--checkUpdate", "--version", "1", "--uri", "--execUpdate", "--ParentProcessName", "C.exe"})
            .ok);

    // "--version --ParentProcessName C.exe": the version is the option text,
    // and the product name is still read from the step that follows.
    p = Parse({kProgram, "--checkUpdate", "--version", "--ParentProcessName", "C.exe"});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.options.version, "--ParentProcessName");
    EXPECT_EQ(p.options.parentProcessName, "C.exe");
}

TEST(ParseUpdateArgs, RepeatedOptionOverwrites)
{
    const Parsed p = Parse({kProgram, "--execUpdate", "--ParentProcessName", "Old.exe", "--ParentProcessName",
                            "New.exe", "--force", "1", "--force", "0"});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.options.parentProcessName, "New.exe");
    EXPECT_EQ(p.options.force, 0);
}

TEST(ParseUpdateArgs, UnknownArgumentsAreSkipped)
{
    const Parsed p = Parse({kProgram, "/silent", "--checkUpdate", "junk", "--version", "3", "-x", "--ParentProcessName",
                            "C.exe", "--uri", "http://h"});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.options.version, "3");
    EXPECT_EQ(p.options.uri, "http://h");
}

TEST(ParseUpdateArgs, ValueWithBlanksStaysWhole)
{
    const Parsed p = Parse({kProgram, "--execUpdate", "--ParentProcessName", "Corvane Player.exe"});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.options.parentProcessName, "Corvane Player.exe");
}

TEST(ParseUpdateArgs, ProgramPathIsSplitAtLastBackslash)
{
    Parsed p = Parse({"Updater.exe", "--execUpdate", "--ParentProcessName", "C.exe"});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.options.exeName, "Updater.exe");
    EXPECT_EQ(p.options.exeDir, "Updater.exe");

    p = Parse({"D:\\a\\b/c\\Up.exe", "--execUpdate", "--ParentProcessName", "C.exe"});
    EXPECT_EQ(p.options.exeName, "Up.exe");
    EXPECT_EQ(p.options.exeDir, "D:\\a\\b/c");

    p = Parse({"D:\\tools\\", "--execUpdate", "--ParentProcessName", "C.exe"});
    EXPECT_EQ(p.options.exeName, "");
    EXPECT_EQ(p.options.exeDir, "D:\\tools");
}

TEST(ParseUpdateArgs, EmptyVectorIsRejected)
{
    UpdateOptions options;
    EXPECT_FALSE(ParseUpdateArgs(0, nullptr, options));
    const char* none[] = {nullptr};
    EXPECT_FALSE(ParseUpdateArgs(0, none, options));
}

TEST(ParseUpdateArgs, ProductNameMustBeOnePlainFileName)
{
    for (const std::string& name : {std::string(1020, 'c'), std::string("..\\..\\x.exe"), std::string("bin/C.exe"),
                                    std::string("C:\\x.exe"), std::string("COM1")})
        EXPECT_FALSE(Parse({kProgram, "--execUpdate", "--ParentProcessName", name}).ok) << name;
    EXPECT_TRUE(Parse({kProgram, "--execUpdate", "--ParentProcessName", std::string(251, 'c') + ".exe"}).ok);
}
