#include "actions/velmo_assistant.h"

const WCHAR s_sMessageName[] = L"VELMO STARTUPMESSAGE";
UINT s_uiMessageId = 0;

void InitializeVelmoAssistant() noexcept
{
    s_uiMessageId = RegisterWindowMessageW(s_sMessageName);
}
