// The SDL2 display backend, the Linux default: a full-screen window at the desktop's size that
// shows the frame-sized streaming texture scaled by the largest whole factor, centred, with
// black borders and nearest-neighbour sampling.
#pragma once

#include "display/display_backend.h"

// Environment variable that chooses the texture layout: 32_rgb (default), 32_bgr, 24_rgb,
// 24_bgr, 16_rgb565, 16_bgr565, 16_rgb555 or 16_bgr555, so every converter runs for real.
constexpr const char* PIXEL_FORMAT_VARIABLE = "VORRU_PIXEL_FORMAT";

const DisplayBackend* display_sdl_backend();
