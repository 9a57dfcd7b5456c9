#include "user_settings_guard.h"

#include <windows.h>
#include <shlobj.h>

#include "file_bytes.h"
#include "scratch_folder.h"

namespace hosttest {

namespace {

std::wstring RoamingFolder()
{
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring OwnFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring own = path;
    return own.substr(0, own.rfind(L'\\'));
}

void RemoveFile(const std::wstring &path)
{
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
}

} // namespace

UserSettingsGuard::UserSettingsGuard()
    : zerin_(RoamingFolder() + L"\\zerin"), folder_(zerin_ + L"\\ZrFunctionButton"),
      file_(folder_ + L"\\KivoFunctionButton.ini"),
      template_(OwnFolder() + L"\\KivoFunctionButton.ini")
{
    zerinExisted_ = PathExists(zerin_);
    folderExisted_ = PathExists(folder_);
    fileBytes_ = ReadFileBytes(file_);
    fileAttributes_ = GetFileAttributesW(file_.c_str());
    templateBytes_ = ReadFileBytes(template_);
    RemoveUserFolders();
    RemoveFile(template_);
}

UserSettingsGuard::~UserSettingsGuard()
{
    RemoveUserFolders();
    if (folderExisted_) {
        CreateDirectoryW(zerin_.c_str(), nullptr);
        CreateDirectoryW(folder_.c_str(), nullptr);
    } else if (zerinExisted_) {
        CreateDirectoryW(zerin_.c_str(), nullptr);
    }
    if (fileBytes_) {
        WriteFileBytes(file_, *fileBytes_);
        SetFileAttributesW(file_.c_str(), fileAttributes_);
    }
    RemoveFile(template_);
    if (templateBytes_)
        WriteFileBytes(template_, *templateBytes_);
}

bool UserSettingsGuard::WriteUserFile(const std::string &bytes) const
{
    CreateDirectoryW(zerin_.c_str(), nullptr);
    CreateDirectoryW(folder_.c_str(), nullptr);
    return WriteFileBytes(file_, bytes);
}

bool UserSettingsGuard::WriteTemplate(const std::string &bytes) const
{
    return WriteFileBytes(template_, bytes);
}

void UserSettingsGuard::RemoveUserFolders() const
{
    RemoveFile(file_);
    // Only the file of the host lives here; anything else in the folder
    // keeps it (and "zerin") in place.
    RemoveDirectoryW(folder_.c_str());
    RemoveDirectoryW(zerin_.c_str());
}

} // namespace hosttest
