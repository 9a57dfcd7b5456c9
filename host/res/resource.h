// Resource ids of the host program.
#pragma once

#define IDR_MAINFRAME 128

// The settings dialog and its controls.
#define IDD_SETTING_DIALOG 102
#define IDC_COMBO_BUTTON_A 1000
#define IDC_COMBO_BUTTON_B 1001
#define IDC_DEFAULT_BUTTON_A 1002
#define IDC_DEFAULT_BUTTON_B 1003
#define IDC_SELECT_BUTTON_A 1012
#define IDC_SELECT_BUTTON_B 1013
#define IDC_GROUP_BUTTON_A 1014
#define IDC_GROUP_BUTTON_B 1015
#define IDC_VERSION 1016

// Settings dialog texts.
#define IDS_DLG_CAPTION 110
#define IDS_DLG_GROUP_BUTTON_A 111
#define IDS_DLG_GROUP_BUTTON_B 112
#define IDS_DLG_SELECT_ITEMS 113
#define IDS_DLG_DEFAULT 114
#define IDS_DLG_OK 115
#define IDS_DLG_CANCEL 116

// Messages of the error table, in error-id order (ids 1 to 20).
#define IDS_ERR_BUTTON_A_DEFAULT_ID 200
#define IDS_ERR_BUTTON_B_DEFAULT_ID 201
#define IDS_ERR_BUTTON_A_SETTING_ID 202
#define IDS_ERR_BUTTON_B_SETTING_ID 203
#define IDS_ERR_ITEM_NUM 204
#define IDS_ERR_ITEM_NOT_ENOUGH 205
#define IDS_ERR_ITEM_ID 206
#define IDS_ERR_ITEM_PRE_EVENT 207
#define IDS_ERR_ITEM_PATH_INFO 208
#define IDS_ERR_INKRUN_KICKER 209
#define IDS_ERR_BUTTON_ACTION 210
#define IDS_ERR_BUTTON_A_EXECUTE 211
#define IDS_ERR_BUTTON_B_EXECUTE 212
#define IDS_ERR_ELEVATION_REQUIRED 213
#define IDS_WARN_BUTTON_A_NOT_WORKING 214
#define IDS_WARN_BUTTON_B_NOT_WORKING 215
#define IDS_WARN_BUTTON_AB_NOT_WORKING 216
#define IDS_ERR_DRIVER_OPEN 217
#define IDS_ERR_ALREADY_EXECUTING 218
#define IDS_ERR_NOTIFY_THREAD 219

// The settings dialog could not write the chosen items.
#define IDS_WARN_SAVE_FAILED 220
// Error id 21: a button's charge action failed.
#define IDS_ERR_CHARGE_ACTION 221
#define IDS_ERR_CHARGE_TIMEOUT 222

// Caption of every error and warning box.
#define IDS_ERROR_CAPTION 299

// Title of the Start menu window, closed when a started program's window
// cannot be brought to the front.
#define IDS_START_MENU 300

// Tray icon tip.
#define IDS_TOOL_TIP 400

// Notification balloons of the charge actions; "%d" is a percentage.
#define IDS_CHARGE_TITLE 500
#define IDS_CHARGE_LIMIT 501
#define IDS_CHARGE_ONCE 502
#define IDS_CHARGE_LIMIT_BACK 503
#define IDS_USB_CHARGE_ON 504
#define IDS_USB_CHARGE_OFF 505
#define IDS_CHARGE_BY_POLICY 506
#define IDS_CHARGE_POLICY_REFUSED 507
// The tray tip's line while a one-time full charge runs.
#define IDS_TIP_FULL_CHARGE_ONCE 508
