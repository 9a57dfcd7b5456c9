// The charge actions a function button can run, through the control
// library, and the text that tells the user what happened.
#pragma once

#include <windows.h>

#include <string>

struct ChargeOutcome {
    bool done = false;
    // What the notification balloon says when done.
    std::wstring text;
};

// Runs the action of a charge item kind (ITEM_KIND_FULL_CHARGE_ONCE,
// ITEM_KIND_NEXT_BATTERY_LIMIT, ITEM_KIND_USB_CHARGE) with the library
// session the host holds. Not done: nothing the user stored has changed;
// but with the last error ERROR_TIMEOUT the controller did not answer
// within the library's bound, and a change already stored may still reach
// it.
// An option the machine policy fixes changes nothing either; the balloon
// says that it is set by the organization.
ChargeOutcome RunChargeAction(int kind);

// After a change of the power state: ends a one-time full charge whose end
// has come. The balloon's text when the limit came back, else empty.
std::wstring FollowFullChargeOnce();
