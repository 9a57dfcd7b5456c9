// setup_probe: what the setup tests ask of the machine, one question per
// call, answered on standard output.
//
//   setup_probe elevation <window title>   "elevated" or "limited" for the
//                                          process owning that window
//   setup_probe window <window title>      "present" or "absent"
//   setup_probe device                     "open" when \\.\KVFB opens, else
//                                          "missing"
//   setup_probe hold <file> <ms>           keeps the file open without any
//                                          sharing for that long
//   setup_probe nodes                      how many device nodes carry the
//                                          hardware id ACPI\ZRN5001
//   setup_probe pids <program>             the processes running that file
//                                          (full path), one id a line
//
// Exit code 0, or 2 for a usage error.
#include <windows.h>
#include <setupapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

void Say(const char *answer)
{
    std::printf("%s\n", answer);
}

const char *Elevation(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr)
        return "unknown";
    HANDLE token = nullptr;
    TOKEN_ELEVATION elevation{};
    DWORD bytes = 0;
    const bool read = OpenProcessToken(process, TOKEN_QUERY, &token) &&
                      GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &bytes);
    if (token != nullptr)
        CloseHandle(token);
    CloseHandle(process);
    if (!read)
        return "unknown";
    return elevation.TokenIsElevated ? "elevated" : "limited";
}

int HardwareIdNodes()
{
    HDEVINFO devices = SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
    if (devices == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    SP_DEVINFO_DATA node{};
    node.cbSize = sizeof(node);
    for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &node); ++i) {
        wchar_t ids[1024] = {};
        if (!SetupDiGetDeviceRegistryPropertyW(devices, &node, SPDRP_HARDWAREID, nullptr,
                                               reinterpret_cast<BYTE *>(ids), sizeof(ids) - 4, nullptr))
            continue;
        for (const wchar_t *id = ids; *id != L'\0'; id += wcslen(id) + 1) {
            if (wcscmp(id, L"ACPI\\ZRN5001") == 0) {
                ++count;
                break;
            }
        }
    }
    SetupDiDestroyDeviceInfoList(devices);
    return count;
}

void ProgramProcessIds(const wchar_t *program)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        wchar_t path[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (process != nullptr && QueryFullProcessImageNameW(process, 0, path, &size) && _wcsicmp(path, program) == 0)
            std::printf("%lu\n", entry.th32ProcessID);
        if (process != nullptr)
            CloseHandle(process);
    }
    CloseHandle(snapshot);
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2)
        return 2;
    const std::wstring question = argv[1];
    if (question == L"device" && argc == 2) {
        HANDLE device = CreateFileW(L"\\\\.\\KVFB", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr);
        Say(device != INVALID_HANDLE_VALUE ? "open" : "missing");
        if (device != INVALID_HANDLE_VALUE)
            CloseHandle(device);
        return 0;
    }
    if (question == L"nodes" && argc == 2) {
        std::printf("%d\n", HardwareIdNodes());
        return 0;
    }
    if (question == L"hold" && argc == 4) {
        HANDLE file = CreateFileW(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        Say(file != INVALID_HANDLE_VALUE ? "held" : "not held");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(_wtoi(argv[3])));
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        return 0;
    }
    if (question == L"pids" && argc == 3) {
        ProgramProcessIds(argv[2]);
        return 0;
    }
    if (argc != 3)
        return 2;
    const HWND window = FindWindowW(nullptr, argv[2]);
    if (question == L"window") {
        Say(window != nullptr ? "present" : "absent");
        return 0;
    }
    if (question == L"elevation") {
        Say(window != nullptr ? Elevation(window) : "absent");
        return 0;
    }
    return 2;
}
