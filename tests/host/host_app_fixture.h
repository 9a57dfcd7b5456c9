// What the tests of the running host share: a settings file of items that
// start the recorder, the stand-ins' log folder, the simulated driver's
// panel, and the per-user settings kept as they were.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "heap_check.h"
#include "host_app.h"
#include "ini_text.h"
#include "log_folder.h"
#include "panel.h"
#include "user_settings_guard.h"

namespace hosttest {

class HostAppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Three items named "Zulu", "Yankee" and "X-ray" (reverse alphabetical
    // order) that start the recorder with "item1" to "item3"; defaults
    // A = 1, B = 3, selected A = 2, B = 3, ButtonAction 1.
    static IniText RecorderItems();
    // Makes an item a registry reference that cannot be resolved.
    static void Unresolvable(IniText &ini, int item);
    void WriteSettings(const IniText &ini);
    // One table row's start: RecorderItems() changed by change (may be
    // null) as the settings file, the driver's counters reset, no recorder
    // log. The settings written.
    IniText PrepareRow(const std::function<void(IniText &)> &change);
    std::string SettingsBytes() const;

    // Starts the host and waits until its notification runs (the driver
    // holds its request) and its start-up is over; false when not.
    bool StartRunning(HostApp &host, const std::wstring &arguments = L"");
    // Waits until the driver holds n pending requests.
    bool WaitPending(unsigned long n);
    KVFBSIM_STATUS Status();
    // The counters once they satisfy the condition, or the last read.
    KVFBSIM_STATUS SettledStatus(const std::function<bool(const KVFBSIM_STATUS &)> &settled);

    // Closes a message box of the host with its OK button; its text, and
    // the kind of its icon when asked for.
    std::wstring TakeBox(HostApp &host, std::string *icon = nullptr);

    std::vector<std::string> RecorderLines() const;

    // The host runs under heap checking when the test run asks for it.
    std::optional<kivotest::HeapCheckedImage> heapCheck_;
    UserSettingsGuard settings_;
    standintest::LogFolder logs_;
    kvfbsim::Panel panel_;
};

} // namespace hosttest
