// Keeps the host settings files of the Wine prefix as they were: the
// per-user file in "%APPDATA%\zerin\ZrFunctionButton" and the template
// beside the running (test) program, which the host code takes as its own.
//
// The constructor saves both and removes them, so every test starts without
// either; the destructor puts back exactly what was there, folders included.
#pragma once

#include <optional>
#include <string>

namespace hosttest {

class UserSettingsGuard {
public:
    UserSettingsGuard();
    ~UserSettingsGuard();
    UserSettingsGuard(const UserSettingsGuard &) = delete;
    UserSettingsGuard &operator=(const UserSettingsGuard &) = delete;

    // "<roaming>\zerin", "<roaming>\zerin\ZrFunctionButton" and the file in it.
    const std::wstring &zerinFolder() const { return zerin_; }
    const std::wstring &userFolder() const { return folder_; }
    const std::wstring &userFile() const { return file_; }
    // The template beside the test program.
    const std::wstring &templateFile() const { return template_; }

    // Writes the per-user file (creating its folders) or the template.
    bool WriteUserFile(const std::string &bytes) const;
    bool WriteTemplate(const std::string &bytes) const;
    // Removes the per-user file, its folder and, when nothing else is in it,
    // "zerin".
    void RemoveUserFolders() const;

private:
    std::wstring zerin_;
    std::wstring folder_;
    std::wstring file_;
    std::wstring template_;
    bool zerinExisted_ = false;
    bool folderExisted_ = false;
    std::optional<std::string> fileBytes_;
    unsigned long fileAttributes_ = 0;
    std::optional<std::string> templateBytes_;
};

} // namespace hosttest
