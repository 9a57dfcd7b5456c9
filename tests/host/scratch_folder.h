// Folders a test makes and takes away again.
#pragma once

#include <string>
#include <vector>

namespace hosttest {

// Removes a folder with everything in it (read-only files included).
bool RemoveTree(const std::wstring &path);

// Creates every missing level of a folder path; the destructor removes the
// folder's content and exactly the levels that were created, deepest first.
class ScopedFolder {
public:
    explicit ScopedFolder(std::wstring path);
    ~ScopedFolder();
    ScopedFolder(const ScopedFolder &) = delete;
    ScopedFolder &operator=(const ScopedFolder &) = delete;

    const std::wstring &path() const { return path_; }
    bool ok() const { return ok_; }

private:
    std::wstring path_;
    std::vector<std::wstring> created_;
    bool ok_ = true;
};

// The test's own folder below the temporary folder, removed with all its
// content afterwards.
class TempRoot {
public:
    TempRoot();
    ~TempRoot();
    TempRoot(const TempRoot &) = delete;
    TempRoot &operator=(const TempRoot &) = delete;

    const std::wstring &path() const { return path_; }

private:
    std::wstring path_;
};

// base followed by "\" and folder names of "a" until the path has exactly
// length characters (length must exceed base's length by at least 2).
std::wstring PathOfLength(const std::wstring &base, std::size_t length);

} // namespace hosttest
