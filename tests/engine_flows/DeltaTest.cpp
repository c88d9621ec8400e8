#include "tests/engine_flows/EngineTestSupport.h"

#include "engine/Paths.h"
#include "tests/support/ProcessProbe.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <ostream>

namespace {

// The delta fixtures: version 1.0 installed, version 2.0 published with a
// delta from 1.0 (see make_fixtures.sh).
const char kFull[] = "flowdelta-2.0.tar.xz";

struct DeltaCase {
    const char* name;
    const char* published;  // the fixture folder the server gets
    const char* delta;      // the delta package served, or "" for none
    bool changeBase;        // the installed bin\core.dll edited before the run
    bool force;             // a force run instead of a silent and an exec run
    const char* fallback;   // how the fallback line starts ("" when the delta is taken)
};

const DeltaCase kCases[] = {
    {"Applies", "published", "flowdelta-2.0-from-1.0.tar.xz", false, false, ""},
    {"AppliesInForceRun", "published", "flowdelta-2.0-from-1.0.tar.xz", false, true, ""},
    {"ChangedBaseTakesFull", "published", "flowdelta-2.0-from-1.0.tar.xz", true, false,
     "delta: none of 1 fits the installed files; taking the full package."},
    {"DamagedPatchTakesFull", "damaged", "flowdelta-2.0-from-1.0.tar.xz", false, false,
     "delta: UPDATE\\flowdelta-2.0-from-1.0.tar.xz from 1.0 not applied, failed at bin\\core.dll, errcode[13]"},
    {"WideWindowTakesFull", "widewindow", "flowdelta-2.0-from-1.0.tar.xz", false, true,
     "delta: UPDATE\\flowdelta-2.0-from-1.0.tar.xz from 1.0 not applied, failed at bin\\core.dll, errcode[8]"},
    {"MissingDeltaTakesFull", "published", "", false, false,
     "delta: URI/flowdelta-2.0-from-1.0.tar.xz from 1.0 not downloaded; taking the full package."},
    {"OtherBaseIsNotTaken", "otherbase", "flowdelta-2.0-from-0.5.tar.xz", false, false,
     "delta: none of 1 fits the installed files; taking the full package."},
};

// The case by its name in CTest's list.
void PrintTo(const DeltaCase& row, std::ostream* out)
{
    *out << row.name;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string Replaced(std::string text, const std::string& token, const std::string& value)
{
    const size_t at = text.find(token);
    return at == std::string::npos ? text : text.replace(at, token.size(), value);
}

class DeltaTest : public EngineTest, public testing::WithParamInterface<DeltaCase> {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        InstallProduct("corvdelta", "2.0");
        for (const auto& [path, bytes] : FolderTree(Fixture("delta\\v1")))
            if (bytes != "<folder>") {
                ASSERT_TRUE(WriteFileBytes(Installed(path), bytes)) << path;
            }
    }

    // Puts the full package and the case's delta on the server, and the
    // manifest into the update folder.
    void Publish(const DeltaCase& row)
    {
        const std::string published = std::string("delta\\") + row.published + "\\";
        Serve(published + kFull, kFull);
        if (*row.delta)
            Serve(published + row.delta, row.delta);
        LoadCheckManifest(ReadFileBytes(Fixture(published + "configure.xml")));
    }
};

TEST_P(DeltaTest, InstallsTheNewVersion)
{
    const DeltaCase& row = GetParam();
    Publish(row);
    if (row.changeBase) {
        ASSERT_TRUE(WriteFileBytes(Installed("bin\\core.dll"), "edited by the user\n"));
    }
    const bool takesDelta = *row.fallback == '\0';

    if (row.force) {
        options_.force = 1;
        EXPECT_EQ(Worker().CheckUpdateProc(), 0);
    } else {
        EXPECT_EQ(Worker().CheckUpdateProc(), 0);
        // Only the staged delta is recorded; a fallback records the full package.
        const std::string pending = takesDelta ? row.delta : kFull;
        EXPECT_EQ(ReadSetting("xz"), GetUpdateDir() + "\\" + pending);
        options_.mode = kExecMode;
        EXPECT_TRUE(Worker().ExecUpdateProc());
    }

    // The run ends with the product started again (once its start is on
    // record, the test's end can stop it).
    EXPECT_TRUE(WaitForStarts(productPath_, 1, 10000));
    // Byte for byte the new version; a file the new version no longer has stays.
    const std::map<std::string, std::string> installed = FolderTree(installDir_);
    for (const auto& [path, bytes] : FolderTree(Fixture("delta\\v2")))
        EXPECT_EQ(installed.count(path) ? installed.at(path) : "<missing>", bytes) << path;
    EXPECT_EQ(ReadFileBytes(Installed("old\\removed.txt")), "removed in 2.0\n");

    const std::vector<std::string> log = LogMessages();
    size_t fallbacks = 0;
    for (const std::string& line : log)
        fallbacks += line.compare(0, 7, "delta: ") == 0;
    if (takesDelta) {
        EXPECT_EQ(fallbacks, 0u);
        EXPECT_FALSE(Contains(log, "downloading " + options_.uri + "/" + kFull + ": no proxy."));
        return;
    }
    EXPECT_EQ(fallbacks, 1u);
    const std::string expected = Replaced(Replaced(row.fallback, "UPDATE", GetUpdateDir()), "URI", options_.uri);
    bool found = false;
    for (const std::string& line : log)
        found = found || line.compare(0, expected.size(), expected) == 0;
    EXPECT_TRUE(found) << expected;
    EXPECT_TRUE(Contains(log, "downloading " + options_.uri + "/" + kFull + ": no proxy."));
}

INSTANTIATE_TEST_SUITE_P(Deltas, DeltaTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<DeltaCase>& info) { return std::string(info.param.name); });

}  // namespace
