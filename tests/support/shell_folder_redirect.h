// Redirects one of the shell's folders, as folder redirection does, and puts
// the shell's folder values back afterwards. The shell follows the value
// under "User Shell Folders" and records what it handed out under "Shell
// Folders": both are saved and restored.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace kivotest {

class ShellFolderRedirect {
public:
    ShellFolderRedirect(HKEY root, const wchar_t *valueName, const std::wstring &folder);
    ~ShellFolderRedirect();
    ShellFolderRedirect(const ShellFolderRedirect &) = delete;
    ShellFolderRedirect &operator=(const ShellFolderRedirect &) = delete;

    bool ok() const { return ok_; }

private:
    struct SavedValue {
        const wchar_t *key;
        std::optional<DWORD> type; // empty: the value did not exist
        std::vector<BYTE> data;
    };
    HKEY root_;
    std::wstring valueName_;
    std::vector<SavedValue> saved_;
    bool ok_ = false;
};

// The current user's roaming application-data folder.
class AppDataRedirect : public ShellFolderRedirect {
public:
    explicit AppDataRedirect(const std::wstring &folder)
        : ShellFolderRedirect(HKEY_CURRENT_USER, L"AppData", folder)
    {
    }
};

// The common application-data folder (ProgramData).
class CommonAppDataRedirect : public ShellFolderRedirect {
public:
    explicit CommonAppDataRedirect(const std::wstring &folder)
        : ShellFolderRedirect(HKEY_LOCAL_MACHINE, L"Common AppData", folder)
    {
    }
};

} // namespace kivotest
