// KivoDevInst.exe run for real under Wine: its switches and exit
// codes, and the device nodes and driver it leaves behind. Each test starts
// from the simulated device as the test bed installed it and leaves it
// installed and working again.
//
// Wine's driver update reports success even when nothing matched, and none
// of SetupAPI's calls can be made to fail from outside: the failure paths
// tested here are those Wine can produce (no INF, an INF without a class, a
// class name no node can be made with, a folder too long for the INF path).
//
// Wine has no device nodes that are registered but not present: its
// SetupDiGetClassDevsW ignores DIGCF_PRESENT and lists every node in the
// registry. Even a node that another process has created and not yet
// registered is listed: "/Install" takes it for the device and makes none,
// and "/Uninstall" removes it. So these tests cannot show that both
// commands pass over a node that is not present.
#include <windows.h>

#include <setupapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device_info_list.h"
#include "device_nodes.h"
#include "device_operations.h"
#include "process.h"
#include "scratch_folder.h"
#include "test_paths.h"
#include "wait_until.h"
#include "win32/unique_handle.h"

namespace {

using namespace devinsttest;

constexpr DWORD kInstallerTimeoutMs = 60000;
constexpr DWORD kNotRun = 0xFFFFFFFF;

// Runs the installer with the arguments as they stand on its command line:
// its exit code, or kNotRun when it did not start or end in time.
DWORD RunInstaller(const std::wstring &program, const std::wstring &arguments)
{
    std::wstring commandLine = kivotest::Quote(program);
    if (!arguments.empty())
        commandLine += L" " + arguments;
    const auto code = kivotest::RunProcess(commandLine, kInstallerTimeoutMs);
    return code ? *code : kNotRun;
}

DWORD RunStagedInstaller(const std::wstring &arguments)
{
    return RunInstaller(kivotest::DistFile(L"KivoDevInst.exe"), arguments);
}

// Waits a little for a condition that the PnP manager brings about.
bool Eventually(const std::function<bool()> &condition)
{
    return kivotest::WaitUntil(condition, 5000);
}

bool ButtonDeviceGone()
{
    DWORD error = ERROR_SUCCESS;
    return !ButtonDeviceOpens(&error) && error == ERROR_FILE_NOT_FOUND;
}

// Removes every node with the hardware id through SetupAPI itself, so that
// a test starts from a machine without the device.
bool RemoveEveryNode()
{
    for (const std::wstring &node : NodesWithHardwareId(kHardwareId, false))
        RemoveNode(node);
    return NodesWithHardwareId(kHardwareId, false).empty() && Eventually(ButtonDeviceGone);
}

// Where Wine publishes the driver package: the INF folder, under the INF's
// own name (Windows names its copy oemNN.inf).
std::wstring PublishedInfCopy()
{
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows, length) + L"\\inf\\KivoFunctionButton.inf";
}

bool PackagePublished()
{
    return GetFileAttributesW(PublishedInfCopy().c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The device as the test bed leaves it: one node, driver up, package out.
bool RestoreDevice()
{
    if (PresentNodes().size() != 1 || !ButtonDeviceOpens() || !PackagePublished()) {
        RemoveEveryNode();
        EXPECT_EQ(RunStagedInstaller(L"/Install"), 0u);
    }
    return PresentNodes().size() == 1 && Eventually([] { return ButtonDeviceOpens(); }) &&
           PackagePublished();
}

bool Contains(const std::vector<std::wstring> &nodes, const std::wstring &node)
{
    return std::find(nodes.begin(), nodes.end(), node) != nodes.end();
}

bool StartsWithNoCase(const std::wstring &text, const std::wstring &prefix)
{
    return text.size() >= prefix.size() &&
           CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

class DeviceInstallerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(PresentNodes().size(), 1u) << "the test bed installs one device node";
        ASSERT_TRUE(ButtonDeviceOpens());
    }

    void TearDown() override
    {
        for (const std::wstring &node : extraNodes_)
            RemoveNode(node);
        EXPECT_TRUE(RestoreDevice());
    }

    // A node of the test's own, removed again at its end.
    std::wstring createNode(const std::vector<std::wstring> &hardwareIds)
    {
        const auto node = CreateRootNode(hardwareIds);
        if (!node)
            return {};
        extraNodes_.push_back(*node);
        return *node;
    }

    std::vector<std::wstring> extraNodes_;
};

// clang-format off
const std::wstring kUsageErrors[] = {
    L"",                       // no argument
    L"/Install /Uninstall",    // two arguments
    L"/Uninstall /Install",
    L"-Install extra",
    L"/Remove",
    L"/Inst",                  // shorter than the switch
    L"/Instal",
    L"/Uninstal",
    L"-Uninst",
    L"Install",                // without its sign
    L"Uninstall",
    L"--Install",
    L"\\Install",
    L"/ Install",
    L"\"\"",                   // one empty argument
};
// clang-format on

TEST_F(DeviceInstallerTest, UsageErrorsExitWithTwoAndChangeNothing)
{
    // With the device present: no removal.
    const std::vector<std::wstring> before = PresentNodes();
    for (const std::wstring &arguments : kUsageErrors) {
        SCOPED_TRACE(testing::Message() << "arguments " << testing::PrintToString(arguments));
        EXPECT_EQ(RunStagedInstaller(arguments), 2u);
        EXPECT_EQ(PresentNodes(), before);
        EXPECT_TRUE(ButtonDeviceOpens());
    }
    // Without it: no installation.
    ASSERT_TRUE(RemoveEveryNode());
    for (const std::wstring &arguments : kUsageErrors) {
        SCOPED_TRACE(testing::Message() << "arguments " << testing::PrintToString(arguments));
        EXPECT_EQ(RunStagedInstaller(arguments), 2u);
        EXPECT_TRUE(NodesWithHardwareId(kHardwareId, false).empty());
    }
}

TEST_F(DeviceInstallerTest, EverySpellingOfTheInstallSwitchInstalls)
{
    for (const wchar_t *arguments :
         {L"/INSTALL", L"-install", L"/Install:quiet", L"-Install", L"/InstallNow"}) {
        SCOPED_TRACE(testing::Message()
                     << "switch " << testing::PrintToString(std::wstring(arguments)));
        ASSERT_TRUE(RemoveEveryNode());
        EXPECT_EQ(RunStagedInstaller(arguments), 0u);
        EXPECT_EQ(PresentNodes().size(), 1u);
        EXPECT_TRUE(Eventually([] { return ButtonDeviceOpens(); }));
    }
}

TEST_F(DeviceInstallerTest, InstallWithoutADeviceCreatesOneRootNodeWithTheDriver)
{
    ASSERT_TRUE(RemoveEveryNode());
    ASSERT_EQ(RunStagedInstaller(L"/Install"), 0u);

    const std::vector<std::wstring> nodes = PresentNodes();
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(NodesWithHardwareId(kHardwareId, false), nodes) << "no other node was left";
    const std::wstring &node = nodes.front();
    EXPECT_TRUE(StartsWithNoCase(node, L"ROOT\\SYSTEM\\")) << testing::PrintToString(node);

    // The hardware id as the installer wrote it: a multi-string of 28 bytes.
    const auto ids = NodeProperty(node, SPDRP_HARDWAREID);
    ASSERT_TRUE(ids.has_value());
    const wchar_t expected[] = L"ACPI\\ZRN5001\0";
    EXPECT_EQ(*ids, std::vector<BYTE>(reinterpret_cast<const BYTE *>(expected),
                                      reinterpret_cast<const BYTE *>(expected) + 28));

    // The simulated driver package is bound to it.
    EXPECT_EQ(NodeText(node, SPDRP_SERVICE), std::optional<std::wstring>(L"kvfbsim"));
    const auto classGuid = NodeText(node, SPDRP_CLASSGUID);
    ASSERT_TRUE(classGuid.has_value());
    EXPECT_TRUE(StartsWithNoCase(*classGuid, L"{4d36e97d-e325-11ce-bfc1-08002be10318}"));
    EXPECT_TRUE(Eventually([] { return ButtonDeviceOpens(); }));
}

TEST_F(DeviceInstallerTest, InstallWithTheDevicePresentCreatesNoSecondNode)
{
    const std::vector<std::wstring> before = PresentNodes();
    EXPECT_EQ(RunStagedInstaller(L"/Install"), 0u);
    EXPECT_EQ(PresentNodes(), before);
    EXPECT_EQ(NodesWithHardwareId(kHardwareId, false), before);
    EXPECT_EQ(NodeText(before.front(), SPDRP_SERVICE), std::optional<std::wstring>(L"kvfbsim"));
    EXPECT_TRUE(Eventually([] { return ButtonDeviceOpens(); }));
}

TEST_F(DeviceInstallerTest, UninstallRemovesEveryMatchingNode)
{
    // A second node, with our id second in its list.
    const std::wstring second = createNode({L"ZERIN\\OTHER", kHardwareId});
    ASSERT_FALSE(second.empty());
    ASSERT_EQ(PresentNodes().size(), 2u);

    EXPECT_EQ(RunStagedInstaller(L"-UNINSTALL"), 0u);
    EXPECT_TRUE(PresentNodes().empty());
    EXPECT_TRUE(Eventually(ButtonDeviceGone));
}

TEST_F(DeviceInstallerTest, UninstallWithoutADeviceExitsWithZero)
{
    ASSERT_TRUE(RemoveEveryNode());
    EXPECT_EQ(RunStagedInstaller(L"/Uninstall"), 0u);
    EXPECT_EQ(RunStagedInstaller(L"-uninstall"), 0u);
    EXPECT_EQ(RunStagedInstaller(L"/UNINSTALL:now"), 0u);
    EXPECT_TRUE(NodesWithHardwareId(kHardwareId, false).empty());
}

TEST_F(DeviceInstallerTest, AnIdThatDiffersInCaseOrLengthIsNotOurs)
{
    const std::wstring variants[] = {L"acpi\\zrn5001", L"ACPI\\ZRN5001X", L"ACPI\\ZRN500"};
    std::vector<std::wstring> variantNodes;
    for (const std::wstring &id : variants) {
        variantNodes.push_back(createNode({id}));
        ASSERT_FALSE(variantNodes.back().empty());
    }
    const auto untouched = [&] {
        for (size_t i = 0; i < variantNodes.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "variant " << testing::PrintToString(variants[i]));
            EXPECT_TRUE(Contains(NodesWithHardwareId(variants[i], true), variantNodes[i]));
            EXPECT_FALSE(NodeText(variantNodes[i], SPDRP_SERVICE).has_value())
                << "no driver is bound to it";
        }
    };

    // Ours present: updated in place, the variants left alone.
    const std::vector<std::wstring> ours = PresentNodes();
    EXPECT_EQ(RunStagedInstaller(L"/Install"), 0u);
    EXPECT_EQ(PresentNodes(), ours);
    untouched();

    // Removal takes ours only.
    EXPECT_EQ(RunStagedInstaller(L"/Uninstall"), 0u);
    EXPECT_TRUE(PresentNodes().empty());
    untouched();

    // The variants do not count as the device: a node of its own is made.
    EXPECT_EQ(RunStagedInstaller(L"/Install"), 0u);
    const std::vector<std::wstring> created = PresentNodes();
    ASSERT_EQ(created.size(), 1u);
    EXPECT_FALSE(Contains(variantNodes, created.front()));
    EXPECT_EQ(NodeText(created.front(), SPDRP_SERVICE), std::optional<std::wstring>(L"kvfbsim"));
    untouched();
    EXPECT_TRUE(Eventually([] { return ButtonDeviceOpens(); }));
}

TEST_F(DeviceInstallerTest, AMissingInfGivesTwoBeforeAnyDeviceIsTouched)
{
    ScratchFolder folder;
    ASSERT_FALSE(folder.path().empty());
    ASSERT_TRUE(folder.copyFromDist(L"KivoDevInst.exe"));
    ASSERT_TRUE(folder.copyFromDist(L"kvfbsim.sys"));
    const std::wstring installer = folder.file(L"KivoDevInst.exe");

    // The device present: left as it was.
    const std::vector<std::wstring> before = PresentNodes();
    EXPECT_EQ(RunInstaller(installer, L"/Install"), 2u);
    EXPECT_EQ(PresentNodes(), before);
    EXPECT_TRUE(ButtonDeviceOpens());

    // No device: none is made.
    ASSERT_TRUE(RemoveEveryNode());
    EXPECT_EQ(RunInstaller(installer, L"/Install"), 2u);
    EXPECT_TRUE(NodesWithHardwareId(kHardwareId, false).empty());
}

TEST_F(DeviceInstallerTest, AnInfThatYieldsNoNodeGivesTwoAndLeavesNone)
{
    // None of these names a driver file: nothing could wait for a disk.
    const struct {
        const char *what;
        const char *text;
        // The last-error code the node creation itself ends with, for the
        // INF whose class name SetupDiCreateDeviceInfoW refuses.
        std::optional<DWORD> creationError;
    } cases[] = {
        {"no INF at all", "This is no driver package.\r\n", std::nullopt},
        {"no class in its version section", "[Version]\r\nSignature=\"$WINDOWS NT$\"\r\n",
         std::nullopt},
        {"a class name no device name can be made of",
         "[Version]\r\nSignature=\"$WINDOWS NT$\"\r\nClass=Sys\\tem\r\n"
         "ClassGuid={4d36e97d-e325-11ce-bfc1-08002be10318}\r\n",
         static_cast<DWORD>(ERROR_INVALID_DEVINST_NAME)},
    };
    ASSERT_TRUE(RemoveEveryNode());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFolder folder;
        ASSERT_FALSE(folder.path().empty());
        ASSERT_TRUE(folder.copyFromDist(L"KivoDevInst.exe"));
        ASSERT_TRUE(folder.write(L"KivoFunctionButton.inf", c.text));
        EXPECT_EQ(RunInstaller(folder.file(L"KivoDevInst.exe"), L"/Install"), 2u);
        EXPECT_TRUE(NodesWithHardwareId(kHardwareId, false).empty());

        if (c.creationError) {
            // The same step called in this process: false, with the error
            // of the refused node as its verdict, and no node made.
            BOOL rebootRequired = FALSE;
            SetLastError(ERROR_SUCCESS);
            const bool installed = kivodevinst::RegisterAndInstallDevice(
                kHardwareId, folder.file(L"KivoFunctionButton.inf").c_str(), &rebootRequired);
            const DWORD error = GetLastError();
            EXPECT_FALSE(installed);
            EXPECT_EQ(error, *c.creationError);
            EXPECT_TRUE(NodesWithHardwareId(kHardwareId, false).empty());
        }
    }
}

TEST_F(DeviceInstallerTest, AFolderTooLongForTheInfPathGivesTwoBeforeAnyDeviceIsTouched)
{
    // The program's path fits in MAX_PATH, the INF's does not: a bounded
    // append would cut it to a file name that lies here as a decoy package.
    const std::wstring infName = L"\\KivoFunctionButton.inf";
    const size_t folderLength = MAX_PATH - infName.size(); // one character too many
    ScratchFolder folder(folderLength);
    ASSERT_EQ(folder.path().size(), folderLength);
    ASSERT_LT(folder.file(L"KivoDevInst.exe").size(), static_cast<size_t>(MAX_PATH));
    const std::wstring cut = (folder.path() + infName).substr(0, MAX_PATH - 1);
    const std::wstring decoy = cut.substr(folderLength + 1);
    ASSERT_EQ(decoy, L"KivoFunctionButton.in");
    ASSERT_TRUE(folder.copyFromDist(L"KivoDevInst.exe"));
    ASSERT_TRUE(folder.copyFromDist(L"kvfbsim.sys"));
    ASSERT_TRUE(folder.copyFromDist(L"KivoFunctionButton.inf", decoy));
    const std::wstring installer = folder.file(L"KivoDevInst.exe");

    ASSERT_TRUE(RemoveEveryNode());
    EXPECT_EQ(RunInstaller(installer, L"/Install"), 2u);
    EXPECT_TRUE(NodesWithHardwareId(kHardwareId, false).empty());
    // The program does run from there.
    EXPECT_EQ(RunInstaller(installer, L"/Uninstall"), 0u);
}

// A node of the tests' own device class, whose class installer (of the test
// bed) plays what Windows reports and Wine never does: a removal refused, or
// one that completes at the next restart.
constexpr GUID kTestClass = {
    0x7a1b5e2c, 0x6a3d, 0x4f0e, {0x9c, 0x1e, 0x2b, 0x8d, 0x4f, 0x6a, 0x9e, 0x31}};
constexpr wchar_t kTestClassKey[] =
    L"System\\CurrentControlSet\\Control\\Class\\{7a1b5e2c-6a3d-4f0e-9c1e-2b8d4f6a9e31}";

struct TestClassNode {
    explicit TestClassNode(const wchar_t *entryPoint)
    {
        const std::wstring value =
            kivotest::BinFile(L"kivo_test_class_installer.dll") + L"," + entryPoint;
        EXPECT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, kTestClassKey, L"Installer32", REG_SZ,
                                  value.c_str(), (value.size() + 1) * sizeof(wchar_t)),
                  ERROR_SUCCESS);
        EXPECT_TRUE(CreateRootNode({kHardwareId}, kTestClass, L"KivoTestClass"));
    }
    // The node goes with the next restore of the device.
    ~TestClassNode() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTestClassKey); }
};

enum Start { Device, NoDevice, DriverlessNode, PackageLocked, OlderPackage };

// An older version of the package, published as Windows names it, that the
// device's driver came from.
constexpr wchar_t kOlderPackage[] = L"oem99.inf";

std::wstring InfFolderFile(const wchar_t *name)
{
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows, length) + L"\\inf\\" + name;
}

bool PublishOlderPackage()
{
    const std::vector<std::wstring> nodes = PresentNodes();
    if (nodes.size() != 1 ||
        !CopyFileW(PublishedInfCopy().c_str(), InfFolderFile(kOlderPackage).c_str(), FALSE))
        return false;
    kivodevinst::DeviceInfoList set(SetupDiCreateDeviceInfoList(nullptr, nullptr));
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    if (!SetupDiOpenDeviceInfoW(set.get(), nodes[0].c_str(), nullptr, 0, &device))
        return false;
    const HKEY key =
        SetupDiOpenDevRegKey(set.get(), &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_SET_VALUE);
    if (key == INVALID_HANDLE_VALUE)
        return false;
    const LSTATUS status =
        RegSetValueExW(key, L"InfPath", 0, REG_SZ, reinterpret_cast<const BYTE *>(kOlderPackage),
                       sizeof(kOlderPackage));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// clang-format off
const struct {
    const char *what;
    Start start;
    const wchar_t *testClassInstaller; // its entry point, for a node of the test class
    std::vector<std::pair<const wchar_t *, DWORD>> runs; // arguments, exit code
    size_t nodesAfter; // present nodes with the hardware id
    bool packageAfter; // the published INF copy
    bool olderPackageAfter = false;
} kDeploymentCases[] = {
    {"install over the device", Device, nullptr, {{L"/SetupInstall", 0}}, 1, true},
    {"silent install", NoDevice, nullptr, {{L"/SETUPINSTALLSILENT", 0}}, 1, true},
    {"not whole", Device, nullptr, {{L"/SetupInstallX", 2}, {L"/SetupUninstallNow", 2}}, 1, true},
    {"uninstall", Device, nullptr, {{L"/SetupUninstall", 0}}, 0, false},
    {"a node without driver too", DriverlessNode, nullptr, {{L"/setupuninstall", 0}}, 0, false},
    {"no device to uninstall", NoDevice, nullptr, {{L"/SetupUninstall", 0}}, 0, true},
    {"in and out", NoDevice, nullptr, {{L"/setupinstall", 0}, {L"/SetupUninstall", 0}}, 0, false},
    {"the original uninstall", Device, nullptr, {{L"/Uninstall", 0}}, 0, true},
    {"a node stays", Device, L"RefuseRemoval", {{L"/SetupUninstall", 3}}, 1, true},
    {"removed at restart", Device, L"RemoveAtRestart", {{L"/SetupUninstall", 3010}}, 1, false},
    {"package in use", PackageLocked, nullptr, {{L"/SetupUninstall", 4}}, 0, true},
    {"an update replaces the older package", OlderPackage, nullptr, {{L"/SetupInstallSilent", 0}}, 1, true, false},
    {"the original install keeps it", OlderPackage, nullptr, {{L"/Install", 0}}, 1, true, true},
};
// clang-format on

TEST_F(DeviceInstallerTest, DeploymentSwitchesExitCodesAndEffects)
{
    for (const auto &c : kDeploymentCases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(RestoreDevice());
        std::optional<TestClassNode> testClassNode;
        if (c.testClassInstaller != nullptr)
            testClassNode.emplace(c.testClassInstaller);
        if (c.start == DriverlessNode) {
            ASSERT_FALSE(createNode({kHardwareId}).empty());
        }
        // Held open without FILE_SHARE_DELETE, the copy cannot be deleted.
        UniqueHandle lock(c.start != PackageLocked
                              ? INVALID_HANDLE_VALUE
                              : CreateFileW(PublishedInfCopy().c_str(), GENERIC_READ,
                                            FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (c.start == NoDevice) {
            ASSERT_TRUE(RemoveEveryNode());
        }
        if (c.start == OlderPackage) {
            ASSERT_TRUE(PublishOlderPackage());
        }
        for (const auto &[arguments, exitCode] : c.runs)
            EXPECT_EQ(RunStagedInstaller(arguments), exitCode);
        EXPECT_EQ(PresentNodes().size(), c.nodesAfter);
        EXPECT_EQ(PackagePublished(), c.packageAfter);
        const std::wstring older = InfFolderFile(kOlderPackage);
        EXPECT_EQ(GetFileAttributesW(older.c_str()) != INVALID_FILE_ATTRIBUTES, c.olderPackageAfter);
        DeleteFileW(older.c_str());
    }
}

} // namespace
