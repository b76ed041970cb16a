// The in-memory display backend: a surface of a chosen layout and pitch in plain memory, a
// message queue filled by the caller, and a log of the platform steps. For tests and for the
// capture tool, which reads presented frames back or receives them through a callback.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/display_backend.h"

struct MemoryDisplayConfig {
    // Surface layout as the platform would report it; setMode succeeds only for this bit count.
    int bitCount = 32;
    uint32_t redMask = 0xFF0000;
    uint32_t greenMask = 0x00FF00;
    uint32_t blueMask = 0x0000FF;
    bool rgb = true;            // false: the pixel format is not RGB (the open fails)
    int pitch = 0;              // bytes per surface row; 0 means width x bytes per pixel
    int maxBackBuffers = 2;     // longer flip chains are refused; 0 allows only a lone primary
    bool activateOnOpen = true; // queue an activation message when the window is created
    bool failLoad = false;
    bool failDevice = false;
    bool failExclusive = false;
    bool failLock = false;
};

// Receives each flipped frame: the surface bytes, height rows of `pitch` bytes.
using MemoryPresentCallback = void (*)(const uint8_t* surface, int width, int height, int pitch,
                                       void* user);

// Resets the backend (queue, log, surfaces, counters) and sets the configuration for the next
// display_open. Main thread only, while the display is closed.
void display_memory_configure(const MemoryDisplayConfig& config);

const DisplayBackend* display_memory_backend();

// Queues a message. `forWindow` false: a message of another window of the thread, which only the
// frame loop's poll removes.
void display_memory_post(const DisplayEvent& event, bool forWindow = true);
int display_memory_pending();

void display_memory_set_present_callback(MemoryPresentCallback callback, void* user);

// The front surface after the last flip (height x pitch bytes; empty before the first flip),
// its pitch, and the number of flips so far.
const std::vector<uint8_t>& display_memory_front();
int display_memory_pitch();
int display_memory_flips();

// The platform steps in the order they ran, e.g. "setMode 24", "lock", "sleep 1".
const std::vector<std::string>& display_memory_log();
void display_memory_clear_log();

bool display_memory_screen_saver_active();
bool display_memory_cursor_hidden();
