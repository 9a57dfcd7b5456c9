// The charge exports and the library's settings file, against the simulated
// driver and the real per-user file of the Wine prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "KivoFCtrl.h"
#include "handle_count.h"
#include "kvf_test_fixture.h"
#include "power_supply.h"
#include "process.h"
#include "shell_folder_redirect.h"
#include "temp_folder.h"
#include "test_paths.h"

namespace kvftest {
namespace {

class ChargeTest : public KvfTest {
protected:
    // The settings file removed, and its folders too when empty.
    void RemoveSettings()
    {
        DeleteFileW(SettingsFile().c_str());
        RemoveDirectoryW(SettingsFolder().c_str());
    }
};

// The tests that reach the driver run with it answering charge requests at
// once and with it pending them.
using ChargeModeTest = InChargeMode<ChargeTest>;
INSTANTIATE_TEST_SUITE_P(Driver, ChargeModeTest, testing::ValuesIn(kChargeModes), ChargeModeName);

using Getter = int32_t (*)();
using Setter = int32_t (*)(uint32_t);

struct Option {
    const char *name;
    Getter get;
    Setter set;
    const wchar_t *key;
    uint32_t setCommand;
    uint32_t bound;
    unsigned long KVFBSIM_EC::*ec;
};

const Option kOptions[] = {
    {"usb", KVFGetUSBChargeStat, KVFSetUSBChargeStat, L"USBCharge", KVFB_CMD_SET_USB_CHARGE, 1,
     &KVFBSIM_EC::UsbCharge},
    {"battery", KVFGetButteryChargeLimitStat, KVFSetButteryChargeLimitStat,
     L"BatteryChargeLimit", KVFB_CMD_SET_BATTERY_LIMIT, 2, &KVFBSIM_EC::BatteryLimit},
};

TEST_P(ChargeModeTest, SettersWriteTheFileAndTheEc)
{
    ASSERT_EQ(KVFOpen(), 0);
    const auto handles = kivotest::CountProcessHandles();
    ASSERT_TRUE(handles);
    for (const Option &option : kOptions) {
        for (uint32_t value = 0; value <= option.bound; ++value) {
            SCOPED_TRACE(testing::Message() << option.name << " " << value);
            EXPECT_EQ(option.set(value), 0);
            EXPECT_EQ(ReadInt(option.key), static_cast<int32_t>(value));
            const KVFBSIM_STATUS s = status();
            ASSERT_GT(s.ChargeLogCount, 0u);
            EXPECT_EQ(s.ChargeLog[s.ChargeLogCount - 1].dwCommand, option.setCommand);
            EXPECT_EQ(s.ChargeLog[s.ChargeLogCount - 1].dwValue, value);
            EXPECT_EQ(s.Ec.*option.ec, value);
            EXPECT_EQ(option.get(), static_cast<int32_t>(value));
        }
    }
    EXPECT_EQ(kivotest::CountProcessHandles().value_or(0), *handles) << "a request kept a handle";
}

TEST_F(ChargeTest, OutOfRangeValuesAreRefusedBeforeAnything)
{
    ASSERT_EQ(KVFOpen(), 0);
    struct Case {
        const Option &option;
        uint32_t value;
    };
    const Case cases[] = {
        {kOptions[0], 2}, {kOptions[0], 3}, {kOptions[0], 0xFFFFFFFF},
        {kOptions[1], 3}, {kOptions[1], 0xFFFFFFFF},
    };
    const std::string fileBefore = ReadBytes(SettingsFile()).value_or("");
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.option.name << " " << c.value);
        EXPECT_EQ(c.option.set(c.value), -1);
    }
    EXPECT_EQ(status().ChargeRequests, 0u);
    EXPECT_EQ(ReadBytes(SettingsFile()).value_or(""), fileBefore);
}

TEST_F(ChargeTest, WithoutASessionGettersFailAndSettersStillWriteTheFile)
{
    for (const Option &option : kOptions) {
        SCOPED_TRACE(option.name);
        EXPECT_EQ(option.get(), -1);
        EXPECT_EQ(option.set(1), -1);
        EXPECT_EQ(ReadInt(option.key), 1);
    }
    EXPECT_EQ(status().ChargeRequests, 0u);
}

TEST_P(ChargeModeTest, DriverFailuresMakeEveryExportFail)
{
    ASSERT_EQ(KVFOpen(), 0);
    ASSERT_TRUE(panel_.setEc(0, 0));
    struct Failure {
        const char *name;
        uint32_t kind, value;
    };
    const Failure failures[] = {
        {"driver status", KVFBSIM_FAIL_DW_STATUS, 5},
        {"request failed", KVFBSIM_FAIL_NTSTATUS, 0xC0000185},
    };
    for (const Failure &failure : failures) {
        for (const Option &option : kOptions) {
            SCOPED_TRACE(testing::Message() << failure.name << " " << option.name);
            ASSERT_TRUE(panel_.failCharge(failure.kind, failure.value));
            EXPECT_EQ(option.get(), -1);
            ASSERT_TRUE(panel_.failCharge(failure.kind, failure.value));
            EXPECT_EQ(option.set(1), -1);
            // Neither the EC nor the file keeps a value the driver refused.
            EXPECT_EQ(ReadInt(option.key), 0);
            EXPECT_EQ(status().Ec.*option.ec, 0u);
            EXPECT_EQ(option.set(0), 0);
        }
    }
    EXPECT_EQ(status().ChargeFailed, 8u);
}

TEST_P(ChargeModeTest, ReferenceFlagChoosesWhichSideTheGettersReport)
{
    ASSERT_EQ(KVFOpen(), 0);
    ASSERT_TRUE(panel_.setEc(7, 9)); // the EC may say anything
    ASSERT_TRUE(WriteValue(L"USBCharge", L"1"));
    ASSERT_TRUE(WriteValue(L"BatteryChargeLimit", L"2"));
    struct Case {
        const wchar_t *flag;
        int32_t usb, battery;
        int32_t flagAfter;
    };
    const Case cases[] = {
        {L"0", 7, 9, 0},
        {L"1", 1, 2, 1},
        {L"7", 1, 2, 1}, // repaired to 1 by the first getter
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.flag)));
        ASSERT_TRUE(WriteValue(L"ReferenceFlag", c.flag));
        EXPECT_EQ(KVFGetUSBChargeStat(), c.usb);
        EXPECT_EQ(KVFGetButteryChargeLimitStat(), c.battery);
        EXPECT_EQ(ReadInt(L"ReferenceFlag"), c.flagAfter);
    }
}

TEST_P(ChargeModeTest, AnOutOfRangeValueInTheFileIsResetToZero)
{
    ASSERT_EQ(KVFOpen(), 0);
    ASSERT_TRUE(WriteValue(L"BatteryChargeLimit", L"9"));
    ASSERT_TRUE(WriteValue(L"USBCharge", L"-3"));
    EXPECT_EQ(KVFGetButteryChargeLimitStat(), 0);
    EXPECT_EQ(ReadInt(L"BatteryChargeLimit"), 0);
    EXPECT_EQ(KVFGetUSBChargeStat(), 0);
    EXPECT_EQ(ReadInt(L"USBCharge"), 0);
}

TEST_P(ChargeModeTest, TheDefaultFileIsWrittenByteForByteFromTheResource)
{
    struct Case {
        const char *name;
        int32_t (*use)();
    };
    const Case cases[] = {
        {"KVFOpen", [] { return KVFOpen(); }},
        {"getter after its device query", [] {
             const int32_t opened = KVFOpen();
             // Gone again between the session's start and the getter.
             DeleteFileW(SettingsFile().c_str());
             return opened == 0 ? KVFGetButteryChargeLimitStat() : -2;
         }},
        {"setter", [] { return KVFSetUSBChargeStat(0); }},
        {"setter refusing its value", [] { return KVFSetButteryChargeLimitStat(3); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        KVFClose();
        RemoveSettings();
        ASSERT_EQ(GetFileAttributesW(SettingsFolder().c_str()), INVALID_FILE_ATTRIBUTES);
        c.use();
        const auto bytes = ReadBytes(SettingsFile());
        ASSERT_TRUE(bytes) << "no settings file";
        // KVFOpen, a getter and a refused setter leave the text as it is; a
        // setter rewrites one value of it through the profile functions, so
        // compare the keys there.
        if (std::string(c.name) != "setter") {
            EXPECT_EQ(*bytes, DefaultTextBytes());
        } else {
            EXPECT_EQ(ReadInt(L"BatteryChargeLimit"), 0);
            EXPECT_EQ(ReadInt(L"USBCharge"), 0);
            EXPECT_EQ(ReadString(L"SettinAppPath"), L"");
            EXPECT_EQ(ReadInt(L"ReferenceFlag"), 1);
        }
    }
}

TEST_P(ChargeModeTest, AMissingKeyGetsItsDefaultAndTheRestStays)
{
    ASSERT_EQ(KVFOpen(), 0);
    ASSERT_TRUE(WriteValue(L"BatteryChargeLimit", L"2"));
    ASSERT_TRUE(WriteValue(L"USBCharge", L"1"));
    ASSERT_TRUE(WriteValue(L"SettinAppPath", L"C:\\Apps\\Velmo.exe"));
    ASSERT_TRUE(DeleteKey(L"USBCharge"));
    ASSERT_EQ(ReadInt(L"USBCharge"), -1);

    EXPECT_EQ(KVFGetUSBChargeStat(), 0);
    EXPECT_EQ(ReadInt(L"USBCharge"), 0);
    EXPECT_EQ(ReadInt(L"BatteryChargeLimit"), 2);
    EXPECT_EQ(ReadString(L"SettinAppPath"), L"C:\\Apps\\Velmo.exe");
    EXPECT_EQ(ReadInt(L"ReferenceFlag"), 1);
    // The comments stay too.
    const std::string text = ReadBytes(SettingsFile()).value_or("");
    EXPECT_NE(text.find("; 0:100%, 1:80%, 2:50%"), std::string::npos);
    EXPECT_NE(text.find("; KivoFCtrl.dll Initalization File."), std::string::npos);

    // The same for the flag, read at the start of a session.
    ASSERT_EQ(KVFClose(), 0);
    ASSERT_TRUE(DeleteKey(L"ReferenceFlag"));
    EXPECT_EQ(KVFOpen(), 0);
    EXPECT_EQ(ReadInt(L"ReferenceFlag"), 1);
    EXPECT_EQ(ReadInt(L"BatteryChargeLimit"), 2);
    EXPECT_EQ(ReadString(L"SettinAppPath"), L"C:\\Apps\\Velmo.exe");
}

TEST_P(ChargeModeTest, ASettingsPathTooLongForItsBufferIsNeverUsedCut)
{
    // A roaming folder of 232 characters: the settings folder (248) can be
    // made, but the file's path does not fit in 260 characters.
    kivotest::TempFolder temp;
    ASSERT_FALSE(temp.path().empty());
    std::wstring roaming = temp.path();
    while (roaming.size() < 232) {
        const size_t room = 232 - roaming.size() - 1;
        roaming += L"\\" + std::wstring(room > 61 ? 50 : room, L'r');
    }
    ASSERT_EQ(roaming.size(), 232u);
    const kivotest::AppDataRedirect redirect(roaming);
    ASSERT_TRUE(redirect.ok());

    EXPECT_EQ(KVFSetUSBChargeStat(1), -1); // no session, and no file to write
    EXPECT_EQ(KVFOpen(), 0);
    ASSERT_TRUE(panel_.setEc(1, 2));
    // No file: the values read as 0 and the flag as missing, so the getters
    // answer 0 after a good device query.
    EXPECT_EQ(KVFGetUSBChargeStat(), 0);
    EXPECT_EQ(KVFGetButteryChargeLimitStat(), 0);
    EXPECT_EQ(KVFClose(), 0);

    // Nothing was written anywhere below the roaming folder.
    const std::wstring folder = roaming + L"\\zerin\\KivoFCtrl";
    ASSERT_EQ(folder.size(), 248u);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    std::vector<std::wstring> files;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                files.push_back(found.cFileName);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    EXPECT_TRUE(files.empty()) << testing::PrintToString(files);
}

// Runs kvf_client under another file name (copied with the library into a
// fresh folder): its output.
class RenamedClient {
public:
    explicit RenamedClient(const std::wstring &fileName) : path_(folder_.File(fileName))
    {
        ok_ = !folder_.path().empty() &&
              CopyFileW(kivotest::BinFile(L"kvf_client.exe").c_str(), path_.c_str(), FALSE) &&
              CopyFileW(kivotest::DistFile(L"KivoFCtrl.dll").c_str(),
                        folder_.File(L"KivoFCtrl.dll").c_str(), FALSE);
    }
    bool ok() const { return ok_; }
    const std::wstring &path() const { return path_; }
    std::string Run(const std::wstring &commands)
    {
        std::string output;
        const auto code = kivotest::RunProcessCapture(kivotest::Quote(path_) + L" " + commands,
                                                      output);
        return code && *code == 0 ? output : "<failed> " + output;
    }

private:
    kivotest::TempFolder folder_;
    std::wstring path_;
    bool ok_ = false;
};

TEST_P(ChargeModeTest, OnlyTheSettingsApplicationRecordsItsPath)
{
    struct Case {
        const wchar_t *fileName;
        bool recorded;
    };
    const Case cases[] = {
        {L"velmo.exe", true},   {L"VELMO.EXE", true},  {L"Velmo.Exe", true},
        {L"velmoo.exe", false}, {L"velmo.com", false}, {L"kvf_client.exe", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.fileName)));
        ASSERT_TRUE(WriteValue(L"SettinAppPath", L""));
        RenamedClient client(c.fileName);
        ASSERT_TRUE(client.ok());
        EXPECT_EQ(client.Run(L"open close"), "open 0\r\nclose 0\r\n");
        EXPECT_EQ(ReadString(L"SettinAppPath"), c.recorded ? client.path() : L"");
    }
}

TEST_P(ChargeModeTest, OpeningAppliesTheStoredValuesBatteryFirst)
{
    const std::wstring existing = kivotest::BinFile(L"kvf_client.exe");
    struct Case {
        const char *name;
        const wchar_t *flag;
        std::wstring appPath;
        bool applied;
    };
    const Case cases[] = {
        {"flag 1", L"1", existing, true},
        {"flag 7 counts as 1", L"7", existing, true},
        {"flag 0", L"0", existing, false},
        {"no application recorded", L"1", L"", false},
        {"application gone", L"1", L"C:\\nowhere\\Velmo.exe", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(ResetDriver());
        ASSERT_TRUE(panel_.setEc(0, 0));
        ASSERT_TRUE(WriteValue(L"ReferenceFlag", c.flag));
        ASSERT_TRUE(WriteValue(L"SettinAppPath", c.appPath.c_str()));
        ASSERT_TRUE(WriteValue(L"BatteryChargeLimit", L"2"));
        ASSERT_TRUE(WriteValue(L"USBCharge", L"1"));
        EXPECT_EQ(KVFOpen(), 0);
        EXPECT_EQ(KVFClose(), 0);
        const KVFBSIM_STATUS s = status();
        if (c.applied) {
            ASSERT_EQ(s.ChargeLogCount, 2u);
            EXPECT_EQ(s.ChargeLog[0].dwCommand, KVFB_CMD_SET_BATTERY_LIMIT);
            EXPECT_EQ(s.ChargeLog[0].dwValue, 2u);
            EXPECT_EQ(s.ChargeLog[1].dwCommand, KVFB_CMD_SET_USB_CHARGE);
            EXPECT_EQ(s.ChargeLog[1].dwValue, 1u);
        } else {
            EXPECT_EQ(s.ChargeLogCount, 0u);
        }
        EXPECT_EQ(s.Ec.BatteryLimit, c.applied ? 2u : 0u);
        EXPECT_EQ(s.Ec.UsbCharge, c.applied ? 1u : 0u);
    }
}

TEST_P(ChargeModeTest, OpeningFailsWithTheDeviceOpenWhenTheDriverRefuses)
{
    ASSERT_TRUE(WriteValue(L"SettinAppPath", kivotest::BinFile(L"kvf_client.exe").c_str()));
    ASSERT_TRUE(WriteValue(L"BatteryChargeLimit", L"1"));
    ASSERT_TRUE(WriteValue(L"USBCharge", L"1"));
    ASSERT_TRUE(panel_.setEc(0, 0));
    // The battery command is refused; the USB command is made all the same.
    ASSERT_TRUE(panel_.failCharge(KVFBSIM_FAIL_DW_STATUS, 5));
    EXPECT_EQ(KVFOpen(), -1);
    KVFBSIM_STATUS s = status();
    EXPECT_EQ(s.OpenHandles, 1u);
    ASSERT_EQ(s.ChargeLogCount, 2u);
    EXPECT_EQ(s.ChargeLog[0].dwStatus, 5u);
    EXPECT_EQ(s.ChargeLog[1].dwCommand, KVFB_CMD_SET_USB_CHARGE);
    EXPECT_EQ(s.Ec.BatteryLimit, 0u);
    EXPECT_EQ(s.Ec.UsbCharge, 1u);
    // The session's device stays usable, and further opens fail.
    EXPECT_EQ(KVFOpen(), -1);
    EXPECT_EQ(KVFGetButteryChargeLimitStat(), 1);
    EXPECT_EQ(KVFClose(), 0);
    EXPECT_EQ(StatusWithOpenHandles(0).OpenHandles, 0u);
}

// One-time full charge. Each scenario starts with the battery limit 80 % in
// the settings file ("BatteryChargeLimit" 1 unless the scenario says
// otherwise), the controller at kEcStart, the settings application recorded
// (so a session's start applies the stored values) unless the scenario
// keeps the default file, and the machine on AC with the battery half full.
// After every step: the step's result, the controller's limit, the
// machine's record's exact text (or its absence), what
// KVFGetFullChargeOnceStat says for the user of the moment, no record left
// in the profile, and that user's settings file limit unchanged.
namespace once {

enum Op {
    Start, End, Follow,
    NoSession,   // KVFClose, then end, follow and start: -1 each
    AcOn, AcOff, AcUnknown, Battery99, Battery100,
    Refuse,      // the driver refuses the next charge request
    SetLimit1,   // KVFSetButteryChargeLimitStat(1)
    EcBackTo1,   // the controller lost the override (a driver recovery)
    EcTo0,       // another program put the controller at 100 %
    Resume,      // KVFClose and KVFOpen: a new session of this process
    ClientFollow, // another process follows: "open followonce close"
    UserB,       // the session ends; the second user's starts (50 % stored)
    UserA,       // the second user's session ends; the first user's starts
    PolicyLimit1, PolicyLimit2, PolicyNoOnce, PolicyNone, // HKLM policy changes
    PutRecord,       // the step's record is put there: what a stop, another
                     // version or another program left
    HoldRecord,      // another program holds the record open (no sharing)
    ReleaseRecord,
    ProfileRecordResume // an earlier version's record in the profile; Resume
};

struct Step {
    Op op;
    int32_t result; // of the call (power and driver steps: none)
    uint32_t ec;    // the controller's battery limit afterwards
    const char *record;
};

constexpr char kR10[] = "[FullChargeOnce]\r\nLimit=1\r\nChargerSeen=0\r\n";
constexpr char kR11[] = "[FullChargeOnce]\r\nLimit=1\r\nChargerSeen=1\r\n";
constexpr char kR11e[] = "[FullChargeOnce]\r\nLimit=1\r\nChargerSeen=1\r\nEnding=1\r\n";
constexpr char kR21[] = "[FullChargeOnce]\r\nLimit=2\r\nChargerSeen=1\r\n";
constexpr uint32_t kEcStart = 1;
constexpr bool kDefaultFile = false;

struct Scenario {
    const char *name;
    const wchar_t *flag;      // "ReferenceFlag"
    const wchar_t *fileLimit; // "BatteryChargeLimit", never changed
    uint32_t ec;              // the controller at the start
    std::vector<Step> steps;
    bool appRecorded = true;  // else the default file's start: nothing applied
};

const Scenario kScenarios[] = {
    {"unplugged after the charger was seen", L"1", L"1", kEcStart,
     {{Start, 0, 0, kR11}, {Follow, 0, 0, kR11}, {AcOff, 0, 0, kR11}, {Follow, 1, 1, nullptr},
      {Follow, 0, 1, nullptr}}},
    {"battery full on AC", L"1", L"1", kEcStart,
     {{Battery99, 0, 1, nullptr}, {Start, 0, 0, kR11}, {Follow, 0, 0, kR11},
      {Battery100, 0, 0, kR11}, {Follow, 1, 1, nullptr}}},
    {"ended by the user, started twice", L"1", L"1", kEcStart,
     {{Start, 0, 0, kR11}, {Start, 0, 0, kR11}, {End, 0, 1, nullptr}, {End, 0, 1, nullptr}}},
    {"started on battery waits for the charger", L"1", L"1", kEcStart,
     {{AcOff, 0, 1, nullptr}, {Start, 0, 0, kR10}, {Follow, 0, 0, kR10},
      {AcOn, 0, 0, kR10}, {Follow, 0, 0, kR11}, {AcOff, 0, 0, kR11}, {Follow, 1, 1, nullptr}}},
    {"an unknown AC state changes nothing", L"1", L"1", kEcStart,
     {{AcUnknown, 0, 1, nullptr}, {Start, 0, 0, kR10}, {Battery100, 0, 0, kR10},
      {Follow, 0, 0, kR10}, {End, 0, 1, nullptr}}},
    {"a resume keeps it, a restart follows it", L"1", L"1", kEcStart,
     {{Start, 0, 0, kR11}, {EcBackTo1, 0, 1, kR11}, {Resume, 0, 0, kR11},
      {ClientFollow, 0, 0, kR11}, {AcOff, 0, 0, kR11}, {ClientFollow, 1, 1, nullptr},
      {Resume, 0, 1, nullptr}}},
    {"ReferenceFlag 0: the controller's limit comes back", L"0", L"1", 2,
     {{Start, 0, 0, kR21}, {End, 0, 2, nullptr}}},
    {"ReferenceFlag 0: a controller value that cannot come back", L"0", L"1", 7,
     {{Start, -1, 7, nullptr}}},
    {"the limit is 100 % already", L"1", L"0", 0,
     {{Start, 0, 0, nullptr}, {End, 0, 0, nullptr}}},
    {"the driver refuses 100 %", L"1", L"1", kEcStart,
     {{Refuse, 0, 1, nullptr}, {Start, -1, 1, nullptr}}},
    {"the driver refuses the limit back: the end stays begun", L"1", L"1", kEcStart,
     {{Start, 0, 0, kR11}, {Refuse, 0, 0, kR11}, {End, -1, 0, kR11e}, {AcOn, 0, 0, kR11e},
      {Refuse, 0, 0, kR11e}, {Follow, -1, 0, kR11e}, {Follow, 1, 1, nullptr}}},
    {"the battery setter ends it once the driver takes the limit", L"0", L"1", 2,
     {{Start, 0, 0, kR21}, {Refuse, 0, 0, kR21}, {SetLimit1, -1, 0, kR21},
      {SetLimit1, 0, 1, nullptr}, {Follow, 0, 1, nullptr}}},
    {"without a session", L"1", L"1", kEcStart,
     {{Start, 0, 0, kR11}, {NoSession, -3, 0, kR11}, {Resume, 0, 0, kR11}, {End, 0, 1, nullptr}}},
    {"the file says 100 %, the controller another limit: it charges, and 100 % stays", L"1", L"0", kEcStart,
     {{Start, 0, 0, kR11}, {End, 0, 0, nullptr}}, kDefaultFile},
    {"the default file: a session's start completes what runs, an empty record too", L"1", L"1", kEcStart,
     {{PutRecord, 0, 1, kR11}, {Resume, 0, 0, kR11}, {EcBackTo1, 0, 1, kR11}, {Resume, 0, 0, kR11},
      {End, 0, 1, nullptr}, {PutRecord, 0, 1, ""}, {Resume, 0, 0, ""}, {Follow, 0, 0, kR11}, {End, 0, 1, nullptr}},
     kDefaultFile},
    {"a stop while ending: the next start completes the end", L"1", L"1", kEcStart,
     {{Start, 0, 0, kR11}, {PutRecord, 0, 0, kR11e}, {Resume, 0, 1, nullptr}, {Start, 0, 0, kR11},
      {PutRecord, 0, 0, kR11e}, {EcBackTo1, 0, 1, kR11e}, {Resume, 0, 1, nullptr}, {Start, 0, 0, kR11},
      {PutRecord, 0, 0, kR11e}, {Start, 0, 0, kR11}}},
    {"a record that cannot be replaced or removed: nothing is sent", L"1", L"1", kEcStart,
     {{Start, 0, 0, kR11}, {HoldRecord, 0, 0, kR11}, {End, -1, 0, kR11}, {SetLimit1, -1, 0, kR11},
      {AcOff, 0, 0, kR11}, {Follow, -1, 0, kR11}, {ReleaseRecord, 0, 0, kR11}, {End, 0, 1, nullptr}}},
    {"a second user's start keeps it, and the second user's limit comes back", L"1", L"1", kEcStart,
     {{Start, 0, 0, kR11}, {UserB, 0, 0, kR11}, {End, 0, 2, nullptr}, {UserA, 0, 1, nullptr},
      {UserB, 0, 2, nullptr}, {Start, 0, 0, kR21}, {UserA, 0, 0, kR21}, {AcOff, 0, 0, kR21},
      {Follow, 1, 1, nullptr}}},
    {"the policy's limit comes back only while it holds", L"1", L"1", kEcStart,
     {{Start, 0, 0, kR11}, {PolicyLimit2, 0, 0, kR11}, {End, 0, 2, nullptr}, {Start, 0, 0, kR21},
      {PolicyNone, 0, 0, kR21}, {End, 0, 1, nullptr}}},
    {"a policy that forbids it ends a running one at the next start", L"1", L"1", kEcStart,
     {{Start, 0, 0, kR11}, {PolicyNoOnce, 0, 0, kR11}, {Resume, 0, 1, nullptr}, {Start, -1, 1, nullptr}}},
    {"a lifted policy gives the controller back to the user", L"1", L"2", 0,
     {{PolicyLimit1, 0, 0, nullptr}, {Resume, 0, 1, nullptr}, {PolicyNone, 0, 1, nullptr},
      {Resume, 0, 2, nullptr}, {Resume, 0, 2, nullptr}, {PolicyLimit1, 0, 2, nullptr}, {Resume, 0, 1, nullptr},
      {PolicyNone, 0, 1, nullptr}, {EcTo0, 0, 0, nullptr}, {Resume, 0, 0, nullptr}},
     kDefaultFile},
    {"a refused policy limit opens the session all the same", L"1", L"1", kEcStart,
     {{PolicyLimit2, 0, 1, nullptr}, {Refuse, 0, 1, nullptr}, {Resume, 0, 1, nullptr}, {Resume, 0, 2, nullptr}}},
    {"an earlier version's record moves from the profile to the machine", L"1", L"1", kEcStart,
     {{ProfileRecordResume, 0, 0, kR11}, {End, 0, 1, nullptr}}, kDefaultFile},
};

// Another process follows: "open followonce close"; its follow's result.
int32_t FollowInAnotherProcess()
{
    std::string output;
    int result = -9;
    kivotest::RunProcessCapture(
        kivotest::Quote(kivotest::BinFile(L"kvf_client.exe")) + L" open followonce close", output);
    sscanf(output.c_str(), "open 0\r\nfollowonce %d", &result);
    return result;
}

// Who uses the machine: the first user (the test's own profile) or the
// second (a roaming folder of its own, with 50 % stored and the settings
// application recorded).
class Users {
public:
    bool SwitchToB()
    {
        if (folder_.path().empty())
            return false;
        redirect_.emplace(folder_.path());
        return redirect_->ok() && WriteSettingsBytes(DefaultTextBytes()) && WriteValue(L"BatteryChargeLimit", L"2") &&
               WriteValue(L"SettinAppPath", kivotest::BinFile(L"kvf_client.exe").c_str());
    }
    void SwitchToA() { redirect_.reset(); }
    bool isB() const { return redirect_.has_value(); }

private:
    kivotest::TempFolder folder_;
    std::optional<kivotest::AppDataRedirect> redirect_;
};

} // namespace once

TEST_P(ChargeModeTest, FullChargeOnceFollowsThePowerStateAndKeepsItsRecord)
{
    kivotest::PowerSupply power;
    ASSERT_TRUE(power.available()) << "runs with a power state of its own (POWER)";
    for (const once::Scenario &scenario : once::kScenarios) {
        SCOPED_TRACE(scenario.name);
        KVFClose();
        RemovePolicies();
        DeleteFileW(PolicyWrittenFile().c_str());
        ASSERT_TRUE(ResetDriver());
        ASSERT_TRUE(power.Reset() && power.SetBatteryPercent(50));
        ASSERT_TRUE(WriteSettingsBytes(DefaultTextBytes()));
        ASSERT_TRUE(WriteValue(L"ReferenceFlag", scenario.flag));
        ASSERT_TRUE(WriteValue(L"BatteryChargeLimit", scenario.fileLimit));
        if (scenario.appRecorded) {
            ASSERT_TRUE(WriteValue(L"SettinAppPath", kivotest::BinFile(L"kvf_client.exe").c_str()));
        }
        ASSERT_TRUE(panel_.setEc(0, scenario.ec));
        ASSERT_EQ(KVFOpen(), 0); // with the application recorded it applies the file's limit, the same
        once::Users users;
        int32_t policyLimit = -1; // none
        std::optional<UniqueHandle> held;
        int index = 0;
        for (const once::Step &step : scenario.steps) {
            SCOPED_TRACE(testing::Message() << "step " << index++);
            int32_t result = 0;
            switch (step.op) {
            case once::Start: result = KVFStartFullChargeOnce(); break;
            case once::End: result = KVFEndFullChargeOnce(); break;
            case once::Follow: result = KVFFollowFullChargeOnce(); break;
            case once::NoSession:
                KVFClose();
                result = KVFEndFullChargeOnce() + KVFFollowFullChargeOnce() + KVFStartFullChargeOnce();
                break;
            case once::AcOn: ASSERT_TRUE(power.SetAc(kivotest::AcState::Online)); break;
            case once::AcOff: ASSERT_TRUE(power.SetAc(kivotest::AcState::Offline)); break;
            case once::AcUnknown: ASSERT_TRUE(power.SetAc(kivotest::AcState::Unknown)); break;
            case once::Battery99: ASSERT_TRUE(power.SetBatteryPercent(99)); break;
            case once::Battery100: ASSERT_TRUE(power.SetBatteryPercent(100)); break;
            case once::Refuse: ASSERT_TRUE(panel_.failCharge(KVFBSIM_FAIL_DW_STATUS, 5)); break;
            case once::SetLimit1: result = KVFSetButteryChargeLimitStat(1); break;
            case once::EcBackTo1: ASSERT_TRUE(panel_.setEc(0, 1)); break;
            case once::EcTo0: ASSERT_TRUE(panel_.setEc(0, 0)); break;
            case once::Resume: KVFClose(); result = KVFOpen(); break;
            case once::ClientFollow: result = once::FollowInAnotherProcess(); break;
            case once::UserB:
                KVFClose();
                ASSERT_TRUE(users.SwitchToB());
                result = KVFOpen();
                break;
            case once::UserA:
                KVFClose();
                users.SwitchToA();
                result = KVFOpen();
                break;
            case once::PolicyLimit1:
            case once::PolicyLimit2:
                policyLimit = step.op == once::PolicyLimit1 ? 1 : 2;
                ASSERT_TRUE(WritePolicyDword(L"BatteryChargeLimit", static_cast<DWORD>(policyLimit)));
                break;
            case once::PolicyNoOnce: ASSERT_TRUE(WritePolicyDword(L"AllowFullChargeOnce", 0)); break;
            case once::PolicyNone:
                policyLimit = -1;
                RemovePolicies();
                break;
            case once::PutRecord: ASSERT_TRUE(WriteBytes(FullChargeOnceFile(), step.record)); break;
            case once::HoldRecord:
                held.emplace(CreateFileW(FullChargeOnceFile().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
                ASSERT_TRUE(held->valid());
                break;
            case once::ReleaseRecord: held.reset(); break;
            case once::ProfileRecordResume:
                ASSERT_TRUE(WriteBytes(ProfileFullChargeOnceFile(), once::kR11));
                KVFClose();
                result = KVFOpen();
                break;
            }
            EXPECT_EQ(result, step.result);
            EXPECT_EQ(status().Ec.BatteryLimit, step.ec);
            const auto record = ReadBytes(FullChargeOnceFile());
            EXPECT_EQ(record.value_or("<none>"), step.record ? step.record : "<none>");
            EXPECT_FALSE(ReadBytes(ProfileFullChargeOnceFile()));
            // What comes back for the user of the moment: the policy's, the
            // user's stored limit, or with ReferenceFlag 0 the record's.
            const std::wstring userLimit = users.isB() ? L"2" : scenario.fileLimit;
            int32_t comesBack = -1;
            if (step.record)
                comesBack = policyLimit >= 0 ? policyLimit
                            : users.isB() || std::wstring(scenario.flag) != L"0" ? std::stoi(userLimit)
                                                                                  : step.record[24] - '0';
            EXPECT_EQ(KVFGetFullChargeOnceStat(), comesBack);
            EXPECT_EQ(ReadString(L"BatteryChargeLimit"), userLimit);
        }
        KVFClose();
        users.SwitchToA();
        DeleteFileW(FullChargeOnceFile().c_str());
    }
}

// Runs two kvf_client processes with these commands and samples, under the
// named lock, what they change until both have ended (each must exit 0, so
// every call it checks succeeded): the number of samples.
int SampleWhileTwoClientsRun(const wchar_t *commands, const wchar_t *lockName, const std::function<void()> &sample)
{
    // The library's locks give others no more than the right to wait and
    // release.
    const UniqueHandle lock(CreateMutexExW(nullptr, lockName, 0, SYNCHRONIZE | MUTEX_MODIFY_STATE));
    const std::wstring command = kivotest::Quote(kivotest::BinFile(L"kvf_client.exe")) + L" " + commands;
    auto first = kivotest::StartProcess(command);
    auto second = kivotest::StartProcess(command);
    if (!lock || !first || !second) {
        ADD_FAILURE() << "lock or clients missing";
        return 0;
    }
    int samples = 0;
    while (WaitForSingleObject(first->process.get(), 0) == WAIT_TIMEOUT ||
           WaitForSingleObject(second->process.get(), 0) == WAIT_TIMEOUT) {
        WaitForSingleObject(lock.get(), INFINITE);
        sample();
        ReleaseMutex(lock.get());
        ++samples;
    }
    EXPECT_EQ(kivotest::WaitExitCode(*first, 60000), 0u);
    EXPECT_EQ(kivotest::WaitExitCode(*second, 60000), 0u);
    return samples;
}

// Two processes start and end the override at once, many times: whenever
// nobody changes it (under its lock), the record exists, whole, exactly
// while the controller is at 100 %.
TEST_F(ChargeTest, FullChargeOnceStaysConsistentUnderTwoProcesses)
{
    ASSERT_TRUE(WriteValue(L"BatteryChargeLimit", L"1"));
    ASSERT_TRUE(panel_.setEc(0, 1));
    int running = 0, broken = 0;
    const int samples = SampleWhileTwoClientsRun(L"open churn=150 close", L"Global\\hMutexFullChargeOnce", [&] {
        const auto record = ReadBytes(FullChargeOnceFile());
        const unsigned long ec = status().Ec.BatteryLimit;
        running += record ? 1 : 0;
        broken += record.value_or("<none>") != (ec == 0 ? once::kR11 : "<none>") ? 1 : 0;
    });
    EXPECT_EQ(broken, 0) << "of " << samples << " samples";
    EXPECT_GT(running, 0) << samples << " samples";
    EXPECT_FALSE(ReadBytes(FullChargeOnceFile()));
    EXPECT_EQ(status().Ec.BatteryLimit, 1u);
    EXPECT_EQ(ReadInt(L"BatteryChargeLimit"), 1);
}

// Two processes switch USB charging on and off many times while the driver
// refuses the next command after each sample (a refused value is rolled
// back in the file): whenever nobody changes it (under the file's lock),
// the file and the controller agree.
TEST_F(ChargeTest, USBChargingStaysConsistentUnderTwoProcesses)
{
    ASSERT_TRUE(panel_.setEc(0, 0));
    int broken = 0;
    const int samples = SampleWhileTwoClientsRun(L"open usbchurn=200 close", L"hMutexIniWrite", [&] {
        broken += ReadInt(L"USBCharge") != static_cast<int32_t>(status().Ec.UsbCharge) ? 1 : 0;
        panel_.failCharge(KVFBSIM_FAIL_DW_STATUS, 5);
    });
    EXPECT_EQ(broken, 0) << "of " << samples << " samples";
    EXPECT_GT(status().ChargeFailed, 0u) << "no command was refused";
    EXPECT_EQ(ReadInt(L"USBCharge"), static_cast<int32_t>(status().Ec.UsbCharge));
}

} // namespace
} // namespace kvftest

namespace kvftest {
namespace {

// The machine policy: what it fixes is written to the controller at every
// session's start whatever the file says, another value is refused with
// ERROR_ACCESS_DISABLED_BY_POLICY and changes nothing, and only an HKLM
// REG_DWORD in range counts.
TEST_F(ChargeTest, MachinePolicyFixesWhatItNamesAndNothingElse)
{
    constexpr int32_t kOk = 0;
    constexpr int32_t kDenied = 1260; // the result -1 with this last error
    const DWORD one = 1, zero = 0, three = 3;
    const unsigned long long qwordOne = 1;
    const wchar_t textOne[] = L"1";
    const struct {
        const char *label;
        std::vector<std::function<bool()>> policy;
        int32_t fixed; // KVFGetChargePolicy
        unsigned long ecUsb, ecBattery; // after KVFOpen
        int32_t setBattery50, setUsbOff, startOnce;
    } rows[] = {
        {"none", {}, 0, 0, 0, kOk, kOk, kOk},
        {"battery 80 %", {[&] { return WritePolicyDword(L"BatteryChargeLimit", one); }}, KVF_POLICY_BATTERY_LIMIT, 0,
         1, kDenied, kOk, kOk},
        {"USB charging on", {[&] { return WritePolicyDword(L"USBCharge", one); }}, KVF_POLICY_USB_CHARGE, 1, 0, kOk,
         kDenied, kOk},
        {"no full charge once", {[&] { return WritePolicyDword(L"AllowFullChargeOnce", zero); }},
         KVF_POLICY_NO_FULL_CHARGE_ONCE, 0, 0, kOk, kOk, kDenied},
        {"out of range",
         {[&] { return WritePolicyDword(L"BatteryChargeLimit", three); },
          [&] { return WritePolicyDword(L"USBCharge", three); },
          [&] { return WritePolicyDword(L"AllowFullChargeOnce", three); }},
         0, 0, 0, kOk, kOk, kOk},
        {"REG_SZ and REG_QWORD",
         {[&] { return WritePolicyValue(HKEY_LOCAL_MACHINE, L"BatteryChargeLimit", REG_SZ, textOne, sizeof(textOne)); },
          [&] { return WritePolicyValue(HKEY_LOCAL_MACHINE, L"USBCharge", REG_QWORD, &qwordOne, sizeof(qwordOne)); }},
         0, 0, 0, kOk, kOk, kOk},
        {"HKCU only",
         {[&] { return WritePolicyValue(HKEY_CURRENT_USER, L"BatteryChargeLimit", REG_DWORD, &one, sizeof(one)); },
          [&] { return WritePolicyValue(HKEY_CURRENT_USER, L"AllowFullChargeOnce", REG_DWORD, &zero, sizeof(zero)); }},
         0, 0, 0, kOk, kOk, kOk},
    };
    const auto result = [](int32_t r) { return r == 0 ? kOk : static_cast<int32_t>(GetLastError()); };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.label);
        RemovePolicies();
        DeleteFileW(FullChargeOnceFile().c_str());
        ASSERT_TRUE(WriteSettingsBytes(DefaultTextBytes()));
        ASSERT_TRUE(panel_.reset() && panel_.setEc(0, 0));
        for (const auto &write : row.policy)
            ASSERT_TRUE(write());
        EXPECT_EQ(row.fixed, KVFGetChargePolicy());
        ASSERT_EQ(KVFOpen(), 0);
        EXPECT_EQ(row.ecUsb, status().Ec.UsbCharge);
        EXPECT_EQ(row.ecBattery, status().Ec.BatteryLimit);
        EXPECT_EQ(static_cast<int32_t>(row.ecBattery), KVFGetButteryChargeLimitStat());

        EXPECT_EQ(row.setBattery50, result(KVFSetButteryChargeLimitStat(2)));
        EXPECT_EQ(row.setUsbOff, result(KVFSetUSBChargeStat(row.ecUsb == 1 ? 0 : 1)));
        // Refused, neither the file nor the controller changed.
        EXPECT_EQ(row.setBattery50 == kOk ? 2 : 0, ReadInt(L"BatteryChargeLimit"));
        EXPECT_EQ(row.setBattery50 == kOk ? 2ul : row.ecBattery, status().Ec.BatteryLimit);
        EXPECT_EQ(row.setUsbOff == kOk ? 1 - static_cast<int32_t>(row.ecUsb) : 0, ReadInt(L"USBCharge"));

        const unsigned long limitBefore = status().Ec.BatteryLimit;
        EXPECT_EQ(row.startOnce, result(KVFStartFullChargeOnce()));
        EXPECT_EQ(row.startOnce == kOk, GetFileAttributesW(FullChargeOnceFile().c_str()) != INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(row.startOnce == kOk ? 0ul : limitBefore, status().Ec.BatteryLimit);
        EXPECT_EQ(KVFEndFullChargeOnce(), 0);
        EXPECT_EQ(KVFClose(), 0);
    }
}

} // namespace
} // namespace kvftest
