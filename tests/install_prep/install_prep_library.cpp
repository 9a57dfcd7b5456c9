#include "install_prep_library.h"

#include "test_paths.h"

namespace installpreptest {

namespace {

template <typename Function> Function ByOrdinal(HMODULE module, WORD ordinal)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void *>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
}

} // namespace

InstallPrepLibrary::InstallPrepLibrary()
    : module_(LoadLibraryW(kivotest::DistFile(L"ZrInstallPrep.dll").c_str()))
{
    if (module_ == nullptr)
        return;
    ZRPCheckFamily = ByOrdinal<CheckFamilyFn>(module_, 1);
    ZRPGetModelKeyword = ByOrdinal<GetModelKeywordFn>(module_, 2);
    ZRPSetRegMark = ByOrdinal<MarkFn>(module_, 3);
    ZRPCheckRegMark = ByOrdinal<MarkFn>(module_, 4);
}

InstallPrepLibrary::~InstallPrepLibrary()
{
    if (module_ != nullptr)
        FreeLibrary(module_);
}

bool InstallPrepLibrary::loaded() const
{
    return module_ != nullptr && ZRPCheckFamily != nullptr && ZRPGetModelKeyword != nullptr &&
           ZRPSetRegMark != nullptr && ZRPCheckRegMark != nullptr;
}

} // namespace installpreptest
