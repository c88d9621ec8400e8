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
// install folder lies in the test's folder and a real window that receives
// the posts.
class EngineTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Drains the window's queue into posted_ and returns it.
    const Posted& TakePosts();

    std::string Installed(const std::string& relative) const { return installDir_ + "\\" + relative; }

    // The worker with the context of options_, as the application hands it
    // over before a flow starts.
    UpdateWorker& Worker();

    UpdateOptions options_;
    UpdateWorker worker_;
    StatusWindow window_;
    std::string installDir_;
    Posted posted_;
};
