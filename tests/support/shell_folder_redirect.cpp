#include "shell_folder_redirect.h"

namespace kivotest {

namespace {

constexpr wchar_t kUserShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

} // namespace

ShellFolderRedirect::ShellFolderRedirect(HKEY root, const wchar_t *valueName,
                                         const std::wstring &folder)
    : root_(root), valueName_(valueName)
{
    for (const wchar_t *key : {kUserShellFolders, kShellFolders}) {
        SavedValue saved{key, std::nullopt, {}};
        DWORD type = 0;
        DWORD size = 0;
        if (RegGetValueW(root_, key, valueName_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr,
                         &size) == ERROR_SUCCESS) {
            saved.data.resize(size);
            if (RegGetValueW(root_, key, valueName_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type,
                             saved.data.data(), &size) != ERROR_SUCCESS)
                return;
            saved.data.resize(size);
            saved.type = type;
        }
        saved_.push_back(std::move(saved));
    }
    ok_ = RegSetKeyValueW(root_, kUserShellFolders, valueName_.c_str(), REG_EXPAND_SZ,
                          folder.c_str(),
                          static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))) ==
          ERROR_SUCCESS;
}

ShellFolderRedirect::~ShellFolderRedirect()
{
    for (const SavedValue &saved : saved_) {
        if (saved.type)
            RegSetKeyValueW(root_, saved.key, valueName_.c_str(), *saved.type, saved.data.data(),
                            static_cast<DWORD>(saved.data.size()));
        else
            RegDeleteKeyValueW(root_, saved.key, valueName_.c_str());
    }
}

} // namespace kivotest
