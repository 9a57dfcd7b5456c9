#include "log_folder.h"

#include <windows.h>

#include <utility>

namespace standintest {

namespace {

std::optional<std::wstring> GetVariable(const std::wstring &name)
{
    const DWORD needed = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (needed == 0)
        return std::nullopt;
    std::wstring value(needed, L'\0');
    const DWORD length = GetEnvironmentVariableW(name.c_str(), value.data(), needed);
    if (length >= needed)
        return std::nullopt;
    value.resize(length);
    return value;
}

void SetVariable(const std::wstring &name, const std::optional<std::wstring> &value)
{
    SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
}

} // namespace

ScopedEnvironmentVariable::ScopedEnvironmentVariable(std::wstring name,
                                                     const std::optional<std::wstring> &value)
    : name_(std::move(name)), previous_(GetVariable(name_))
{
    SetVariable(name_, value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() { SetVariable(name_, previous_); }

LogFolder::LogFolder() : variable_(L"KIVO_STANDIN_LOG_DIR", folder_.path()) {}

} // namespace standintest
