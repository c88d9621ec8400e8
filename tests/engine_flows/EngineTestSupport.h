#pragma once

#include "tests/support/StatusWindow.h"
#include "app/UpdateOptions.h"
#include "engine/UpdateWorker.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

// The messages of update.log, in order, without their time stamps.
std::vector<std::string> LogMessages();

// A key of section "update" of the settings file ("" when missing).
std::string ReadSetting(const char* key);

// True when the key is present in section "update" (even with an empty value).
bool HasSetting(const char* key);

// Path of a generated fixture, relative to the fixtures folder.
std::string Fixture(const std::string& relative);

// Copies a file, creating the target's folders.
bool CopyTo(const std::string& from, const std::string& to);

// Texts and percentages of the status messages posted so far, and the
// number of WM_CLOSE requests, taken from the test window's queue.
struct Posted {
    std::vector<StatusWindow::Status> statuses;
    int closes = 0;
};

// Base of the engine tests: an opened log, fresh run options, a worker whose
// install folder lies in the test's folder, a source tree for its packages
// beside it and a real window that receives the posts.
class EngineTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Drains the window's queue into posted_ and returns it.
    const Posted& TakePosts();

    std::string Installed(const std::string& relative) const { return installDir_ + "\\" + relative; }

    // Places the stand-in product in the install folder, under a name of this
    // test process's own (a force run stops the first process of the name,
    // which could be a parallel test's product), as the given version. The
    // test's end stops every start of it.
    void InstallProduct(const std::string& stem, const std::string& version);

    // Puts a file into the source tree and returns its manifest entry.
    FileEntry Source(const std::string& path, const std::string& bytes);

    // Serves a fixture under the name in a folder of this test's own on the
    // loopback server, and points the base address at that folder.
    void Serve(const std::string& fixture, const std::string& name);

    // The check run's manifest, placed in the update folder as the product does.
    void LoadCheckManifest(const std::string& text);

    // The worker with the context of options_, as the application hands it
    // over before a flow starts.
    UpdateWorker& Worker();

    UpdateOptions options_;
    UpdateWorker worker_;
    StatusWindow window_;
    std::string installDir_;
    std::string sourceDir_;
    std::string productPath_;  // empty until InstallProduct
    Posted posted_;
};
