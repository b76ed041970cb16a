// The canvas display backend of the web page: the 320x240 frame is put onto a <canvas> that the
// page scales by the largest whole factor that fits its window; key presses and the page's
// visibility arrive as messages.
#pragma once

#include "display/display_backend.h"

const DisplayBackend* display_web_backend();
