// The frame loop's message poll: one message per frame, taken from any window of the thread.
#pragma once

#include "display/display_event.h"

// Removes at most one pending message of the thread (any window), translates and dispatches it
// through display_window_proc, and stores it in *lastPolled. When nothing is pending, *lastPolled
// keeps its previous content. Returns true when a message was removed. A close request dispatched
// here ends the process. Main thread only; does nothing without an open backend.
bool display_poll_event(DisplayEvent* lastPolled);

// Whether a polled message is a key-down: the frame loop's key exit test.
inline bool display_is_key_down(const DisplayEvent& event) {
    return event.type == DisplayEventType::KEY_DOWN;
}
