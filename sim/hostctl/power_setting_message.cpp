#include "power_setting_message.h"

#include <cstddef>

#include "win32/unique_handle.h"

namespace {

constexpr UINT kAnswerTimeoutMs = 10000;

// Memory taken in another process, given back when the owner goes.
class RemoteBlock {
public:
    RemoteBlock(HANDLE process, SIZE_T size) noexcept
        : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE,
                                                     PAGE_READWRITE))
    {
    }
    ~RemoteBlock()
    {
        if (address_ != nullptr)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBlock(const RemoteBlock &) = delete;
    RemoteBlock &operator=(const RemoteBlock &) = delete;

    void *get() const noexcept { return address_; }
    // A window that did not answer may still read it later.
    void Abandon() noexcept { address_ = nullptr; }

private:
    HANDLE process_;
    void *address_;
};

} // namespace

std::optional<LRESULT> SendPowerSetting(HWND window, const GUID &setting, DWORD value)
{
    DWORD processId = 0;
    if (window == nullptr || GetWindowThreadProcessId(window, &processId) == 0)
        return std::nullopt;
    // A sent WM_POWERBROADCAST carries only its lParam across processes
    // (neither Windows nor Wine copies the record it points to), so the
    // record is written where the window reads it, as the system does.
    const UniqueHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId));
    if (!process)
        return std::nullopt;
    alignas(POWERBROADCAST_SETTING) unsigned char record[offsetof(POWERBROADCAST_SETTING, Data) + sizeof(DWORD)] = {};
    auto *header = reinterpret_cast<POWERBROADCAST_SETTING *>(record);
    header->PowerSetting = setting;
    header->DataLength = sizeof(DWORD);
    CopyMemory(header->Data, &value, sizeof(value));
    RemoteBlock remote(process.get(), sizeof(record));
    if (remote.get() == nullptr ||
        !WriteProcessMemory(process.get(), remote.get(), record, sizeof(record), nullptr))
        return std::nullopt;
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                            reinterpret_cast<LPARAM>(remote.get()), SMTO_NORMAL, kAnswerTimeoutMs,
                            &answer) == 0) {
        remote.Abandon();
        return std::nullopt;
    }
    return static_cast<LRESULT>(answer);
}
