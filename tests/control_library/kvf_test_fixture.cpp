#include "kvf_test_fixture.h"

#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "KivoFCtrl.h"

namespace kvftest {

Recorder gRecorderA;
Recorder gRecorderB;
void CallbackA(uint32_t report) { gRecorderA.Call(report); }
void CallbackB(uint32_t report) { gRecorderB.Call(report); }

std::wstring SettingsFolder()
{
    wchar_t appData[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
    return std::wstring(appData) + L"\\zerin\\KivoFCtrl";
}

std::wstring SettingsFile() { return SettingsFolder() + L"\\KivoFCtrl.ini"; }
std::wstring MachineFolder()
{
    wchar_t programData[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, programData);
    return std::wstring(programData) + L"\\zerin\\KivoFCtrl";
}

std::wstring FullChargeOnceFile() { return MachineFolder() + L"\\FullChargeOnce.ini"; }
std::wstring ProfileFullChargeOnceFile() { return SettingsFolder() + L"\\FullChargeOnce.ini"; }
std::wstring PolicyWrittenFile() { return MachineFolder() + L"\\PolicyWritten.ini"; }

namespace {

std::vector<std::wstring> MachineFiles()
{
    return {FullChargeOnceFile(), ProfileFullChargeOnceFile(), PolicyWrittenFile()};
}

} // namespace

std::optional<std::string> ReadBytes(const std::wstring &path)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool WriteBytes(const std::wstring &path, const std::string &bytes)
{
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out);
}

bool WriteSettingsBytes(const std::string &bytes)
{
    const std::wstring folder = SettingsFolder();
    CreateDirectoryW(folder.substr(0, folder.rfind(L'\\')).c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    return WriteBytes(SettingsFile(), bytes);
}

int32_t ReadInt(const wchar_t *key)
{
    return static_cast<int32_t>(GetPrivateProfileIntW(L"Setting", key, -1, SettingsFile().c_str()));
}

std::wstring ReadString(const wchar_t *key)
{
    wchar_t value[MAX_PATH] = L"";
    GetPrivateProfileStringW(L"Setting", key, L"<missing>", value, MAX_PATH,
                             SettingsFile().c_str());
    return value;
}

bool WriteValue(const wchar_t *key, const wchar_t *value)
{
    return WritePrivateProfileStringW(L"Setting", key, value, SettingsFile().c_str()) != FALSE;
}

bool DeleteKey(const wchar_t *key)
{
    return WritePrivateProfileStringW(L"Setting", key, nullptr, SettingsFile().c_str()) != FALSE;
}

std::string DefaultTextBytes()
{
    // Shift-JIS: the comments say, in Japanese, "battery full-charge
    // setting", "USB power supply while the power is off", "path of Velmo"
    // and "0: the EC's setting value takes precedence, 1: the ini file's
    // setting takes precedence".
    return "; KivoFCtrl.dll Initalization File.\r\n"
           "; 2013.12.17\r\n"
           ";\r\n"
           "\r\n"
           "[Setting]\r\n"
           "\r\n"
           "; \x83\x6f\x83\x62\x83\x65\x83\x8a\x81\x5b\x96\x9e\x8f\x5b\x93\x64\x90\xdd\x92\xe8\r\n"
           "; 0:100%, 1:80%, 2:50%\r\n"
           "BatteryChargeLimit=0\r\n"
           "\r\n"
           "; \x93\x64\x8c\xb9\x83\x49\x83\x74\x8e\x9e\x82\xcc" "USB" "\x8b\x8b\x93\x64\r\n"
           "; 0:Disable, 1:Enable\r\n"
           "USBCharge=0\r\n"
           "\r\n"
           "; Velmo\x82\xcc\x83\x70\x83\x58\r\n"
           "SettinAppPath=\r\n"
           "\r\n"
           "; 0:EC\x82\xcc\x90\xdd\x92\xe8\x92\x6c\x82\xf0\x97\x44\x90\xe6\x81\x41"
           "1:ini\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x90\xdd\x92\xe8\x82\xf0\x97\x44\x90\xe6\r\n"
           "ReferenceFlag=1\r\n";
}

namespace {

class ExclusiveLock {
public:
    explicit ExclusiveLock(SRWLOCK &lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~ExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }
    ExclusiveLock(const ExclusiveLock &) = delete;
    ExclusiveLock &operator=(const ExclusiveLock &) = delete;

private:
    SRWLOCK &lock_;
};

} // namespace

void Recorder::Call(uint32_t report)
{
    ExclusiveLock lock(lock_);
    reports_.push_back(report);
    threadId_ = GetCurrentThreadId();
    WakeAllConditionVariable(&changed_);
    while (block_)
        SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
}

bool Recorder::WaitFor(size_t n, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    ExclusiveLock lock(lock_);
    while (reports_.size() < n) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        SleepConditionVariableSRW(&changed_, &lock_, static_cast<DWORD>(deadline - now), 0);
    }
    return true;
}

size_t Recorder::count()
{
    ExclusiveLock lock(lock_);
    return reports_.size();
}

std::vector<uint32_t> Recorder::reports()
{
    ExclusiveLock lock(lock_);
    return reports_;
}

DWORD Recorder::lastThreadId()
{
    ExclusiveLock lock(lock_);
    return threadId_;
}

void Recorder::BlockCalls()
{
    ExclusiveLock lock(lock_);
    block_ = true;
}

void Recorder::Unblock()
{
    ExclusiveLock lock(lock_);
    block_ = false;
    WakeAllConditionVariable(&changed_);
}

void Recorder::Reset()
{
    ExclusiveLock lock(lock_);
    reports_.clear();
    threadId_ = 0;
    block_ = false;
}

namespace {
constexpr wchar_t kPolicyKey[] = L"SOFTWARE\\Policies\\Zerin\\KivoFunctionButton";
} // namespace

bool WritePolicyValue(HKEY root, const wchar_t *name, DWORD type, const void *data, DWORD size)
{
    return RegSetKeyValueW(root, kPolicyKey, name, type, data, size) == ERROR_SUCCESS;
}

bool WritePolicyDword(const wchar_t *name, DWORD value)
{
    return WritePolicyValue(HKEY_LOCAL_MACHINE, name, REG_DWORD, &value, sizeof(value));
}

void RemovePolicies()
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        RegDeleteKeyW(root, kPolicyKey);
}

void KvfTest::SetUp()
{
    RemovePolicies();
    savedSettings_ = ReadBytes(SettingsFile());
    savedMachineFiles_.clear();
    for (const std::wstring &file : MachineFiles()) {
        savedMachineFiles_.push_back(ReadBytes(file));
        DeleteFileW(file.c_str());
    }
    ASSERT_TRUE(WriteSettingsBytes(DefaultTextBytes()));
    kivotest::SimPanelTest::SetUp();
    gRecorderA.Reset();
    gRecorderB.Reset();
}

void KvfTest::TearDown()
{
    gRecorderA.Unblock();
    gRecorderB.Unblock();
    EXPECT_EQ(KVFClose(), 0);
    if (panel_.isOpen()) {
        // The session's close reaches the driver a moment after KVFClose.
        const KVFBSIM_STATUS after = StatusWithOpenHandles(0);
        EXPECT_EQ(after.OpenHandles, 0u) << "the session left the device open";
        EXPECT_EQ(after.PendingNow, 0u) << "a button request outlived its session";
        EXPECT_EQ(after.ChargePendingNow, 0u) << "a charge request outlived its call";
    }
    kivotest::SimPanelTest::TearDown();
    RemovePolicies();
    if (savedSettings_)
        WriteSettingsBytes(*savedSettings_);
    else
        DeleteFileW(SettingsFile().c_str());
    const std::vector<std::wstring> files = MachineFiles();
    for (size_t i = 0; i < savedMachineFiles_.size() && i < files.size(); ++i) {
        if (savedMachineFiles_[i])
            WriteBytes(files[i], *savedMachineFiles_[i]);
        else
            DeleteFileW(files[i].c_str());
    }
}

} // namespace kvftest
