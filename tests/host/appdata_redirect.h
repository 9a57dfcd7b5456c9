// Redirects the current user's roaming application-data folder, as folder
// redirection does, and puts the shell's folder values back afterwards.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace hosttest {

class AppDataRedirect {
public:
    explicit AppDataRedirect(const std::wstring &folder);
    ~AppDataRedirect();
    AppDataRedirect(const AppDataRedirect &) = delete;
    AppDataRedirect &operator=(const AppDataRedirect &) = delete;

    bool ok() const { return ok_; }

private:
    struct SavedValue {
        std::wstring key;
        std::optional<DWORD> type; // empty: the value did not exist
        std::vector<BYTE> data;
    };
    std::vector<SavedValue> saved_;
    bool ok_ = false;
};

} // namespace hosttest
