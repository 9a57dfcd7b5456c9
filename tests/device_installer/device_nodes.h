// Device nodes as the tests see them, through SetupAPI directly: which
// nodes carry a hardware id, making extra root-enumerated nodes without a
// driver, reading their properties and removing them.
#pragma once

#include <windows.h>

#include <devguid.h>

#include <optional>
#include <string>
#include <vector>

namespace devinsttest {

inline constexpr wchar_t kHardwareId[] = L"ACPI\\ZRN5001";

// Instance ids of the nodes that carry the id exactly (case-sensitive) among
// their hardware ids; present nodes only, or every node of the registry.
// Empty with ok = false when the device list could not be had.
std::vector<std::wstring> NodesWithHardwareId(const std::wstring &hardwareId, bool presentOnly,
                                              bool *ok = nullptr);
inline std::vector<std::wstring> PresentNodes()
{
    return NodesWithHardwareId(kHardwareId, true);
}

// Creates and registers a root-enumerated node of the System class (or the
// one given) with the hardware ids and no driver: its instance id, or empty.
std::optional<std::wstring> CreateRootNode(const std::vector<std::wstring> &hardwareIds,
                                           const GUID &classGuid = GUID_DEVCLASS_SYSTEM,
                                           const wchar_t *className = L"System");

// Removes the node (DIF_REMOVE).
bool RemoveNode(const std::wstring &instanceId);

// A registry property of the node as raw bytes; empty when it has none.
std::optional<std::vector<BYTE>> NodeProperty(const std::wstring &instanceId, DWORD property);
// The same as text (REG_SZ), without the terminator.
std::optional<std::wstring> NodeText(const std::wstring &instanceId, DWORD property);

// True when \\.\KVFB opens; the error of the attempt otherwise.
bool ButtonDeviceOpens(DWORD *error = nullptr);

} // namespace devinsttest
