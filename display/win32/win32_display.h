// The Windows display backend: DirectDraw loaded at run time (ddraw.dll, DirectDrawCreate),
// the first IDirectDraw and IDirectDrawSurface interfaces, a user32 popup window whose messages
// go through display_window_proc, and PeekMessageA / TranslateMessage / DispatchMessageA pumps.
#pragma once

#include "display/display_backend.h"

// Test-only switches, read from the environment when the display opens. Nothing else reads them.
// Posts a close request (WM_CLOSE) to the window after this many flips.
constexpr const char* WIN32_CLOSE_AFTER_VARIABLE = "VORRU_WIN32_CLOSE_AFTER";
// When the display closes, writes the front surface there as a binary PPM (P6) and reports the
// mode and the number of flips on standard error.
constexpr const char* WIN32_SNAPSHOT_VARIABLE = "VORRU_WIN32_SNAPSHOT";

const DisplayBackend* display_win32_backend();
