// ZrInstallPrep.dll as the outside installer uses it: loaded from the staged
// folder, its exports found by ordinal.
#pragma once

#include <windows.h>

namespace installpreptest {

class InstallPrepLibrary {
public:
    using CheckFamilyFn = int (*)(int selector);
    using GetModelKeywordFn = int (*)(int selector, char *buffer, int bufferSize);
    using MarkFn = int (*)();

    InstallPrepLibrary();
    ~InstallPrepLibrary();
    InstallPrepLibrary(const InstallPrepLibrary &) = delete;
    InstallPrepLibrary &operator=(const InstallPrepLibrary &) = delete;

    // True when the library loaded and all four ordinals were found.
    bool loaded() const;
    HMODULE module() const { return module_; }

    CheckFamilyFn ZRPCheckFamily = nullptr;         // ordinal 1
    GetModelKeywordFn ZRPGetModelKeyword = nullptr; // ordinal 2
    MarkFn ZRPSetRegMark = nullptr;                 // ordinal 3
    MarkFn ZRPCheckRegMark = nullptr;               // ordinal 4

private:
    HMODULE module_ = nullptr;
};

} // namespace installpreptest
