// The on-screen buttons of a touch screen (the browser page draws them). Each
// acts as a key would, so every screen that reads keys works with them.
#pragma once

// A button as the page numbers it: the nine actions in their own order
// (KRActionTypes), then the two keys of every dialog.
enum OnScreenButton {
    ButtonConfirm = 9, // Return
    ButtonBack = 10,   // Escape: a dialog's cancel, and in a game save and leave
};

// Queues what the button stands for, pressed and released. In a game an
// action is the key it is bound to now, so a rebinding holds. While a box or
// an aim waits for an answer, the direction pad, OK and Back are a gamepad's
// d-pad, A and B, which move the highlight (the inventory's too) or the aim
// whatever the bindings. False for a number that is no button or an action
// bound to no key.
extern "C" bool VloPressButton(int button);
