// A fresh folder below the temporary folder for a copy of the installer,
// removed with everything in it when the owner goes away.
#pragma once

#include <string>

namespace devinsttest {

class ScratchFolder {
public:
    // A folder whose path is exactly pathLength characters long when that is
    // given (nested folders below the temporary folder), else a short one.
    explicit ScratchFolder(size_t pathLength = 0);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    // Empty when no folder could be made.
    const std::wstring &path() const { return path_; }
    std::wstring file(const std::wstring &name) const { return path_ + L"\\" + name; }

    // Copies a staged file of the ready-to-install folder here, under its
    // own name or another.
    bool copyFromDist(const std::wstring &name, const std::wstring &as = {}) const;
    // Writes a file with the bytes of the text.
    bool write(const std::wstring &name, const std::string &text) const;

private:
    std::wstring root_; // the first level made below the temporary folder
    std::wstring path_;
};

} // namespace devinsttest
