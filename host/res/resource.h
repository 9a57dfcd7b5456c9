// Resource ids of the host program.
#pragma once

#define IDR_MAINFRAME 128
