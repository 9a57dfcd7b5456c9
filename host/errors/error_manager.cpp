#include "errors/error_manager.h"

std::atomic<_kvf_error_id> CErrorManager::m_ErrorNumber{KVF_ERROR_NONE};

void CErrorManager::SetError(_kvf_error_id id) noexcept
{
    m_ErrorNumber.store(id);
}

_kvf_error_id CErrorManager::GetError() noexcept
{
    return m_ErrorNumber.load();
}

BOOL CErrorManager::GetErrorInfo(int *level, int *stringId) noexcept
{
    if (level == nullptr || stringId == nullptr)
        return FALSE;
    *level = KVF_LEVEL_NONE;
    const _kvf_error_id pending = m_ErrorNumber.load();
    for (const _errorinfo &row : gErrorInfoTable) {
        if (row.id == pending) {
            *stringId = static_cast<int>(row.stringId);
            *level = row.level;
            return TRUE;
        }
    }
    return FALSE;
}

void CErrorManager::SetButtonFunctionErorr(int failed) noexcept
{
    _kvf_error_id id = KVF_ERROR_NONE;
    switch (failed) {
    case 1:
        id = KVF_ERROR_BUTTON_A_NOT_WORKING;
        break;
    case 2:
        id = KVF_ERROR_BUTTON_B_NOT_WORKING;
        break;
    case 3:
        id = KVF_ERROR_BUTTON_AB_NOT_WORKING;
        break;
    default:
        break;
    }
    m_ErrorNumber.store(id);
}

void SetError(_kvf_error_id id) noexcept
{
    CErrorManager::SetError(id);
}

void SetButtonFunctionErorr(int failed) noexcept
{
    CErrorManager::SetButtonFunctionErorr(failed);
}
