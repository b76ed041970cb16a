// The window messages the display reacts to, in a platform-neutral record, and the window
// procedure behaviour that every backend routes them through.
#pragma once

#include <cstdint>

enum class DisplayEventType : uint8_t {
    NONE,          // no event: what the frame loop's last poll holds before anything arrived
    CLOSE_REQUEST, // the window is asked to close (WM_CLOSE, SDL quit or window close)
    ACTIVATE,      // activation changed; `active` says to what (WM_ACTIVATEAPP)
    SET_CURSOR,    // the platform asks for the pointer shape over the window (WM_SETCURSOR)
    KEY_DOWN,      // a key was pressed; `key` is the platform's key code (WM_KEYDOWN)
    OTHER,         // anything else: default processing
};

// One removed message. The raw fields let a backend with a native window procedure hand the
// message back to its default processing unchanged; backends without one leave them 0.
struct DisplayEvent {
    DisplayEventType type = DisplayEventType::NONE;
    bool active = false; // ACTIVATE only
    int32_t key = 0;     // KEY_DOWN only
    void* window = nullptr;
    uint32_t message = 0;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
};

// The window procedure: a close request closes the display and ends the process at once with
// exit code 0 (does not return); ACTIVATE sets the display's active flag; SET_CURSOR sets no
// cursor; all of them give 0. Anything else goes to the backend's default processing and its
// result is returned (0 without a backend). Main thread only, from inside a message pump.
intptr_t display_window_proc(const DisplayEvent& event);
