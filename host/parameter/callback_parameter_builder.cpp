// Turning the selected items into the callback records.
#include "parameter/function_button_parameter.h"

#include <strsafe.h>

#include <cwchar>
#include <string>

#include "win32/unique_hkey.h"

namespace {

constexpr std::size_t kModuleChars = 260;

// The module as the first token of a command line: a program is started
// with no application name, so the system takes the command line apart at
// its first blank unless the module is quoted ("C:\Program Files\App.exe"
// would otherwise start C:\Program.exe). An empty module stays empty (the
// command then begins with the blank that marks it unresolved); a quoted one
// and one the companion's file test reads as a path stay as they are.
bool CommandModule(DWORD kind, const WCHAR *module, WCHAR (&command)[kModuleChars + 2]) noexcept
{
    const bool started = kind == ITEM_KIND_PROGRAM_PATH || kind == ITEM_KIND_REGISTRY_PATH ||
                         kind == ITEM_KIND_PEN_APPLICATION;
    if (!started || module[0] == L'\0' || module[0] == L'"')
        return SUCCEEDED(StringCchCopyW(command, ARRAYSIZE(command), module));
    return SUCCEEDED(StringCchPrintfW(command, ARRAYSIZE(command), L"\"%s\"", module));
}

} // namespace

int CFunctionButtonParameter::SetCallBackParameter() noexcept
{
    SetButtonAction(static_cast<DWORD>(m_Setting.ButtonAction));
    int result = 0;
    if (!setParameterToCallBack(BUTTON_A, m_Setting.ButtonASettingId, m_Setting.InkrunKicker, m_Items))
        result = 1;
    if (!setParameterToCallBack(BUTTON_B, m_Setting.ButtonBSettingId, m_Setting.InkrunKicker, m_Items))
        result |= 2;
    return result;
}

BOOL CFunctionButtonParameter::setParameterToCallBack(BUTTON_NAME button, int id, const WCHAR *kicker,
                                                      const std::vector<CItem> &items) noexcept
{
    _Param record{};
    WCHAR module[kModuleChars] = {};
    if (id < 1 || static_cast<std::size_t>(id) > items.size()) {
        SetParameter(button, &record);
        return FALSE;
    }
    const CItem &item = items[static_cast<std::size_t>(id) - 1];
    record.dwPreEvent = static_cast<DWORD>(item.ItemPreEvent);
    record.dwPathInfo = static_cast<DWORD>(item.ItemPathInfo);
    StringCchCopyW(record.szKicker, kKickerChars, kicker != nullptr ? kicker : L"");

    // The blank goes in also when the module or the option is empty; a
    // command that would not fit is never run cut short. The option goes in
    // as it stands.
    WCHAR quoted[kModuleChars + 2] = {};
    if (getExecuteModule(&record, item.ItemPath, module) &&
        CommandModule(record.dwPathInfo, module, quoted) &&
        SUCCEEDED(StringCchPrintfW(record.szCommand, kCommandChars, L"%s %s", quoted, item.ItemOption))) {
        SetParameter(button, &record);
        return TRUE;
    }
    record.szCommand[0] = L'\0';
    SetParameter(button, &record);
    return FALSE;
}

BOOL CFunctionButtonParameter::getExecuteModule(_Param *param, const WCHAR *path, WCHAR *module) noexcept
{
    switch (param->dwPathInfo) {
    case ITEM_KIND_NONE:
    case ITEM_KIND_WINDOW_SWITCHER:
    case ITEM_KIND_DISPLAY_SWITCHER:
    case ITEM_KIND_FULL_CHARGE_ONCE:
    case ITEM_KIND_NEXT_BATTERY_LIMIT:
    case ITEM_KIND_USB_CHARGE:
        module[0] = L'\0';
        return TRUE;
    case ITEM_KIND_PROGRAM_PATH:
    case ITEM_KIND_COMPANION:
        return SUCCEEDED(StringCchCopyW(module, kModuleChars, path)) ? TRUE : FALSE;
    case ITEM_KIND_START_MENU_NAME:
        return m_Search.GetExecuteCommand(path, module) ? TRUE : FALSE;
    case ITEM_KIND_REGISTRY_PATH:
        return getRegistoryInfo(path, module);
    case ITEM_KIND_PEN_APPLICATION: {
        WCHAR folder[kModuleChars] = {};
        if (!getRegistoryInfo(path, folder))
            return FALSE;
        WCHAR joined[kModuleChars] = {};
        if (FAILED(StringCchPrintfW(joined, kModuleChars, L"%s\\%s", folder, param->szKicker)))
            return FALSE;
        return SUCCEEDED(StringCchCopyW(module, kModuleChars, joined)) ? TRUE : FALSE;
    }
    default:
        return FALSE;
    }
}

HKEY CFunctionButtonParameter::getKeyHandle(const WCHAR *root) noexcept
{
    static const struct {
        const WCHAR *name;
        HKEY key;
    } kRoots[] = {
        {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
        {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {L"HKEY_USERS", HKEY_USERS},
    };
    if (root == nullptr)
        return nullptr;
    for (const auto &entry : kRoots) {
        if (wcscmp(root, entry.name) == 0)
            return entry.key;
    }
    return nullptr;
}

BOOL CFunctionButtonParameter::getRegistoryInfo(const WCHAR *reference, WCHAR *value) noexcept
{
    if (reference == nullptr || value == nullptr)
        return FALSE;
    value[0] = L'\0';
    // root "\" subkey "," value name: the first backslash ends the root, the
    // first comma after it ends the subkey.
    const WCHAR *slash = wcschr(reference, L'\\');
    if (slash == nullptr)
        return FALSE;
    const WCHAR *comma = wcschr(slash + 1, L',');
    if (comma == nullptr)
        return FALSE;
    try {
        const std::wstring root(reference, slash);
        const std::wstring subkey(slash + 1, comma);
        const WCHAR *valueName = comma + 1;

        const HKEY rootKey = getKeyHandle(root.c_str());
        if (rootKey == nullptr || subkey.size() >= kModuleChars)
            return FALSE;
        UniqueHKey key;
        if (RegOpenKeyExW(rootKey, subkey.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
            return FALSE;

        // Never more than the buffer holds: one character beyond it tells a
        // value that does not fit from one that just fills it.
        WCHAR data[kModuleChars + 1] = {};
        DWORD type = REG_NONE;
        DWORD bytes = sizeof(data);
        const LSTATUS status =
            RegQueryValueExW(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE *>(data), &bytes);
        if (status == ERROR_FILE_NOT_FOUND)
            return key.close() == ERROR_SUCCESS ? TRUE : FALSE; // no value: an empty module
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
            return FALSE;
        // The stored terminator, if any, and anything after it do not count.
        const std::size_t stored = bytes / sizeof(WCHAR);
        const std::size_t length = wcsnlen(data, stored);
        if (length >= kModuleChars)
            return FALSE;
        StringCchCopyNW(value, kModuleChars, data, length);
        if (key.close() != ERROR_SUCCESS) {
            value[0] = L'\0';
            return FALSE;
        }
        return TRUE;
    } catch (...) {
        value[0] = L'\0';
        return FALSE;
    }
}
