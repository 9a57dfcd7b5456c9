// A fresh, empty folder in the temporary folder, removed with all it holds
// when the owner goes away.
#pragma once

#include <string>

namespace kivotest {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    // Empty when no folder could be made.
    const std::wstring &path() const { return path_; }
    // path() followed by "\" and the name.
    std::wstring File(const std::wstring &name) const;

private:
    std::wstring path_;
};

// Deletes a folder and everything in it, read-only files included; true
// when it is gone.
bool RemoveFolderTree(const std::wstring &path);

} // namespace kivotest
