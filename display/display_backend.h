// The platform operations the display asks for, one per step of open, update, close and the
// window procedure, in the order the display uses them. A backend (display/sdl/, display/win32/,
// display/memory/) fills one table; the portable display drives the sequence and the conversion.
#pragma once

#include <cstdint>

#include "display/display_event.h"

// Which messages a pump may remove: those of the display's window (display_update) or those
// of any window of the thread (the frame loop's poll).
enum class DisplayPumpScope : uint8_t { WINDOW, THREAD };

struct DisplayBackend {
    // open 1-2: load the platform library and find its creation entry. false: not available.
    bool (*loadLibrary)();
    // open 3: create the device object on the default device.
    bool (*createDevice)();
    // open 4-5: register the window class and create the window titled `title` (not examined).
    void (*createWindow)(const char* title);
    // open 6: exclusive full-screen access for the window.
    bool (*setExclusive)();
    // open 7: a width x height mode of `bitsPerPixel` (32, 24 or 16).
    bool (*setMode)(int width, int height, int bitsPerPixel);
    // open 8: the primary surface with `backBuffers` back buffers in a flip chain (2 or 1), or a
    // lone primary surface when 0.
    bool (*createSurfaces)(int backBuffers);
    // open 9: the back buffer attached to the primary; false for a lone primary.
    bool (*attachBackBuffer)();
    // open 10: the primary's pixel format; false when unreadable or not RGB.
    bool (*getPixelFormat)(int* bitCount, uint32_t* redMask, uint32_t* greenMask,
                           uint32_t* blueMask);
    // open 11 and close 3: the screen saver off (false) or on again (true).
    void (*setScreenSaverActive)(bool active);

    // update 1 and the frame loop's poll: remove one pending message of `scope`, translate and
    // dispatch it (the dispatch ends in display_window_proc) and copy it to *removed. false when
    // none was pending.
    bool (*pumpOne)(DisplayPumpScope scope, DisplayEvent* removed);
    // update 2 and 7: give up the processor for `ms` milliseconds (0: just yield).
    void (*sleepMs)(int ms);
    // update 3: restore surface memory lost while inactive (result not examined).
    void (*restore)();
    // update 4: lock the whole back buffer, waiting until it can be; its address and pitch in
    // bytes per row.
    bool (*lock)(uint8_t** pixels, int* pitch);
    // update 5: unlock the back buffer locked at `pixels`.
    void (*unlock)(uint8_t* pixels);
    // update 6: flip the back buffer to the front, waiting until the flip can be done.
    void (*flip)();

    // close 1: release the primary with its back buffers.
    void (*releaseSurfaces)();
    // close 2: restore the display mode, return to the normal cooperative level, release the
    // device object.
    void (*releaseDevice)();
    // close 3: destroy the window; then unload the library.
    void (*destroyWindow)();
    void (*unloadLibrary)();

    // Window procedure: set no cursor over the window.
    void (*hideCursor)();
    // Window procedure: the platform's default processing of an unhandled message.
    intptr_t (*defaultWindowProc)(const DisplayEvent& event);
    // Window procedure: end the process at once with `code`. nullptr: flush stdio and _Exit.
    void (*exitProcess)(int code);
};

// Selects the backend for the next display_open; nullptr returns to the platform default.
void display_set_backend(const DisplayBackend* backend);

// The build's default backend, defined by the backend library the program links (display_sdl
// on Linux, display_win32 on Windows, display_memory for tests and capture).
const DisplayBackend* display_platform_backend();
