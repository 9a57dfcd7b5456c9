#include "errors/error_message.h"

#include "errors/error_manager.h"
#include "resource.h"

PendingErrorMessage LoadPendingErrorMessage(HINSTANCE resources) noexcept
{
    PendingErrorMessage pending;
    LoadStringW(resources, IDS_ERROR_CAPTION, pending.caption, kErrorTextChars);
    int level = KVF_LEVEL_NONE;
    int stringId = 0;
    if (!CErrorManager::GetErrorInfo(&level, &stringId) || level == KVF_LEVEL_NONE)
        return pending;
    pending.level = static_cast<_kvf_error_level>(level);
    LoadStringW(resources, static_cast<UINT>(stringId), pending.message, kErrorTextChars);
    return pending;
}

UINT ErrorBoxType(_kvf_error_level level) noexcept
{
    switch (level) {
    case KVF_LEVEL_WARNING:
        return MB_OK | MB_ICONEXCLAMATION;
    case KVF_LEVEL_ERROR:
        return MB_OK | MB_ICONHAND;
    default:
        return 0;
    }
}
