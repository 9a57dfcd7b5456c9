#include "appdata_redirect.h"

namespace hosttest {

namespace {

constexpr wchar_t kUserShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr wchar_t kValue[] = L"AppData";

} // namespace

AppDataRedirect::AppDataRedirect(const std::wstring &folder)
{
    // "Shell Folders" is the shell's record of the last path it handed out;
    // it changes along with the redirection and is put back too.
    for (const wchar_t *key : {kUserShellFolders, kShellFolders}) {
        SavedValue saved{key, std::nullopt, {}};
        DWORD type = 0;
        DWORD size = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, key, kValue, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr,
                         &size) == ERROR_SUCCESS) {
            saved.data.resize(size);
            if (RegGetValueW(HKEY_CURRENT_USER, key, kValue, RRF_RT_ANY | RRF_NOEXPAND, &type,
                             saved.data.data(), &size) != ERROR_SUCCESS)
                return;
            saved.data.resize(size);
            saved.type = type;
        }
        saved_.push_back(std::move(saved));
    }
    ok_ =
        RegSetKeyValueW(HKEY_CURRENT_USER, kUserShellFolders, kValue, REG_EXPAND_SZ, folder.c_str(),
                        static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

AppDataRedirect::~AppDataRedirect()
{
    for (const SavedValue &saved : saved_) {
        if (saved.type)
            RegSetKeyValueW(HKEY_CURRENT_USER, saved.key.c_str(), kValue, *saved.type,
                            saved.data.data(), static_cast<DWORD>(saved.data.size()));
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, saved.key.c_str(), kValue);
    }
}

} // namespace hosttest
