// Makes SDL2 the display backend of programs that link display_sdl (the Linux demo).
#include "display/sdl/sdl_display.h"

const DisplayBackend* display_platform_backend() {
    return display_sdl_backend();
}
