// The host's error ids, their levels and the string-table messages that
// belong to them.
#pragma once

#include <cstddef>
#include <cstdint>

enum _kvf_error_id : std::int32_t {
    KVF_ERROR_NONE = 0,
    KVF_ERROR_BUTTON_A_DEFAULT_ID = 1,
    KVF_ERROR_BUTTON_B_DEFAULT_ID = 2,
    KVF_ERROR_BUTTON_A_SETTING_ID = 3,
    KVF_ERROR_BUTTON_B_SETTING_ID = 4,
    KVF_ERROR_ITEM_NUM = 5,
    KVF_ERROR_ITEM_NOT_ENOUGH = 6,
    KVF_ERROR_ITEM_ID = 7,
    KVF_ERROR_ITEM_PRE_EVENT = 8,
    KVF_ERROR_ITEM_PATH_INFO = 9,
    KVF_ERROR_INKRUN_KICKER = 10,
    KVF_ERROR_BUTTON_ACTION = 11,
    KVF_ERROR_BUTTON_A_EXECUTE = 12,
    KVF_ERROR_BUTTON_B_EXECUTE = 13,
    KVF_ERROR_ELEVATION_REQUIRED = 14,
    KVF_ERROR_BUTTON_A_NOT_WORKING = 15,
    KVF_ERROR_BUTTON_B_NOT_WORKING = 16,
    KVF_ERROR_BUTTON_AB_NOT_WORKING = 17,
    KVF_ERROR_DRIVER_OPEN = 18,
    KVF_ERROR_ALREADY_EXECUTING = 19,
    KVF_ERROR_NOTIFY_THREAD = 20,
    // A button's charge action: the driver did not accept the change.
    KVF_ERROR_CHARGE_ACTION = 21,
    // A button's charge action: the controller did not answer within the
    // library's bound (another program's request held it up). A change may
    // still take effect.
    KVF_ERROR_CHARGE_TIMEOUT = 22,
};

enum _kvf_error_level : std::int32_t {
    KVF_LEVEL_NONE = 0,
    KVF_LEVEL_WARNING = 1,
    KVF_LEVEL_ERROR = 2,
};

struct _errorinfo {
    _kvf_error_id id;
    _kvf_error_level level;
    std::uint32_t stringId;
};

constexpr std::size_t kErrorInfoCount = 23;

// In id order, 0 to 22.
extern const _errorinfo gErrorInfoTable[kErrorInfoCount];
