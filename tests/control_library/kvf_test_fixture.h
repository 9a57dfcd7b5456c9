// Shared pieces of the control library's tests: the library's settings file
// as the tests see it, a recorder for callbacks, and a fixture that gives
// each test a reset driver and the user's settings file back afterwards.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim_panel_test.h"

namespace kvftest {

// %APPDATA%\zerin\KivoFCtrl and the file in it.
std::wstring SettingsFolder();
std::wstring SettingsFile();
// %ProgramData%\zerin\KivoFCtrl: the machine's files.
std::wstring MachineFolder();
// The record of a running one-time full charge, the machine's; where an
// earlier version kept it, beside the settings file; the note of what the
// machine policy wrote.
std::wstring FullChargeOnceFile();
std::wstring ProfileFullChargeOnceFile();
std::wstring PolicyWrittenFile();

std::optional<std::string> ReadBytes(const std::wstring &path);
bool WriteBytes(const std::wstring &path, const std::string &bytes);
// The settings file with these bytes, its folders created when missing.
bool WriteSettingsBytes(const std::string &bytes);
// -1 when the key is missing, as the library reads it.
int32_t ReadInt(const wchar_t *key);
std::wstring ReadString(const wchar_t *key);
bool WriteValue(const wchar_t *key, const wchar_t *value);
// Deletes the key's line.
bool DeleteKey(const wchar_t *key);

// The machine policy of the charge options: a value under
// <root>\SOFTWARE\Policies\Zerin\KivoFunctionButton (only HKLM counts), and
// the key removed from both roots.
bool WritePolicyValue(HKEY root, const wchar_t *name, DWORD type, const void *data, DWORD size);
bool WritePolicyDword(const wchar_t *name, DWORD value);
void RemovePolicies();

// The default text, byte for byte as the library must write it.
std::string DefaultTextBytes();

// Records the reports that reach a callback. Call() may be made to block
// until Unblock(). Built on a slim reader/writer lock and a condition
// variable, which hold no handles: the handle-count tests must see only the
// library's handles (the runtime's std::mutex makes an event on its first
// contention).
class Recorder {
public:
    void Call(uint32_t report);
    // Waits (at most timeoutMs) until count() >= n.
    bool WaitFor(size_t n, DWORD timeoutMs = 10000);
    size_t count();
    std::vector<uint32_t> reports();
    DWORD lastThreadId();
    void BlockCalls();
    void Unblock();
    void Reset();

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
    std::vector<uint32_t> reports_;
    DWORD threadId_ = 0;
    bool block_ = false;
};

extern Recorder gRecorderA;
extern Recorder gRecorderB;
void CallbackA(uint32_t report);
void CallbackB(uint32_t report);

// Each test starts with the settings file in its default text, the driver's
// counters reset, no one-time full charge recorded, nothing noted of the
// machine policy, no machine policy and no session; afterwards the session
// is closed, the EC values, the user's settings file and the machine's
// files are as they were.
class KvfTest : public kivotest::SimPanelTest {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    std::optional<std::string> savedSettings_;
    std::vector<std::optional<std::string>> savedMachineFiles_;
};

// How the driver answers charge requests: at once, or pended for a few
// milliseconds first. The library's results must be the same in both.
struct ChargeMode {
    const char *name;
    uint32_t delayMs; // the simulated driver's charge delay
};
inline constexpr ChargeMode kChargeModes[] = {{"AtOnce", 0},
                                              {"Pended", KVFBSIM_CHARGE_DELAY_DEFAULT}};
inline std::string ChargeModeName(const testing::TestParamInfo<ChargeMode> &info)
{
    return info.param.name;
}
inline void PrintTo(const ChargeMode &mode, std::ostream *out) { *out << mode.name; }

// A fixture run once per charge mode, the driver in that mode throughout
// (ResetDriver keeps it).
template <class Fixture>
class InChargeMode : public Fixture, public testing::WithParamInterface<ChargeMode> {
protected:
    void SetUp() override
    {
        Fixture::SetUp();
        if (this->HasFatalFailure())
            return;
        ASSERT_TRUE(ResetDriver());
    }
    bool ResetDriver()
    {
        return this->panel_.reset() && this->panel_.setChargeDelay(this->GetParam().delayMs);
    }
};

} // namespace kvftest
