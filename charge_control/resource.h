// String ids of the charge command line.
#pragma once

#define IDS_USAGE 100
#define IDS_BATTERY_LIMIT 101
#define IDS_BATTERY_UNKNOWN 102
#define IDS_USB_ON 103
#define IDS_USB_OFF 104
#define IDS_USB_UNKNOWN 105
#define IDS_BATTERY_ONCE 106
#define IDS_BAD_ARGUMENTS 110
#define IDS_NO_DRIVER 111
#define IDS_NOT_READ 112
#define IDS_REFUSED 113
#define IDS_BY_POLICY 114
#define IDS_BY_POLICY_SUFFIX 115
#define IDS_POLICY_REFUSED 116
#define IDS_TIMED_OUT 117
