// The display: one full-screen surface of the frame's size that 32-bit XRGB frames are converted
// into and flipped onto, plus the program's one window. Module-level state, one per process,
// main thread only. The platform layer is a DisplayBackend (display/display_backend.h).
#pragma once

#include <cstdint>

// Opens the window and a width x height full-screen surface: 32, then 24, then 16 bits per
// pixel; a flip chain with 2 back buffers, then 1, then a lone primary (which has no back
// buffer, so the open fails). Picks the converter for the surface's layout and turns the
// screen saver off. Returns 1 on success, 0 at the first failed step (what earlier steps made
// stays in place, as a later display_close releases it). Uses the backend set with
// display_set_backend, else display_platform_backend().
int display_open(const char* title, int width, int height);

// Presents one frame of width x height pixels 0x00RRGGBB, rows packed without gaps. Pumps the
// window's pending messages first (a close request ends the process inside). While the
// application is inactive the frame is dropped: sleeps 1 ms and returns 1. Otherwise restores
// the surfaces, locks the back buffer, converts row y to the surface address + y x pitch,
// unlocks, flips and returns 1; returns 0 (frame lost) when the back buffer cannot be locked or
// the display is not open.
int display_update(const uint32_t* pixels);

// Releases the surfaces, restores the display mode, destroys the window, unloads the platform
// library and turns the screen saver back on. Safe to call when closed or half open.
void display_close();

// Whether the last activation message said active; false until the first one.
bool display_is_active();
