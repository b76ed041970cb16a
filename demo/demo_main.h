#pragma once
// The program's whole run: start-up, frame loop and shutdown, over whichever display and
// sound backends the program links.

#include <cstdint>

#include "demo/demo.h"
#include "display/display_poll.h"

// What one turn of the frame loop saw; the loop's exit test.
struct FrameLoopState {
    DisplayEvent lastPolledMessage; // the message the loop's own poll removed last
};

// True when the frame loop must end after this frame: a key-down removed by the loop's own
// poll, or the song at END_ORDER exactly (a jump past it does not end the loop).
inline bool demo_should_stop(const FrameLoopState& state, int order) {
    return display_is_key_down(state.lastPolledMessage) || order == END_ORDER;
}

// Runs the demo from start to end: the start-up sequence, the frame loop until order 16 or a
// key-down, the shutdown steps, and closes the display. Returns 1, the exit code of a normal
// end. A close request to the window ends the process with 0 from inside. Main thread.
int demo_run();
