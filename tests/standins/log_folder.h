// The folder the stand-ins log to during one test: a fresh temporary folder
// named by KIVO_STANDIN_LOG_DIR, which the stand-ins inherit from the test.
// Afterwards the variable is as it was before and the folder is gone.
#pragma once

#include <optional>
#include <string>

#include "temp_folder.h"

namespace standintest {

using kivotest::RemoveFolderTree;
using kivotest::TempFolder;

// Sets (or, given no value, removes) an environment variable of this process
// and restores the earlier state when the owner goes away.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(std::wstring name, const std::optional<std::wstring> &value);
    ~ScopedEnvironmentVariable();
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable &) = delete;
    ScopedEnvironmentVariable &operator=(const ScopedEnvironmentVariable &) = delete;

private:
    std::wstring name_;
    std::optional<std::wstring> previous_;
};

class LogFolder {
public:
    LogFolder();

    const std::wstring &path() const { return folder_.path(); }
    std::wstring File(const std::wstring &name) const { return folder_.File(name); }

private:
    TempFolder folder_;
    ScopedEnvironmentVariable variable_;
};

} // namespace standintest
