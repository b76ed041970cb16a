// Makes DirectDraw the display backend of programs that link display_win32 (vorru.exe).
#include "display/win32/win32_display.h"

const DisplayBackend* display_platform_backend() {
    return display_win32_backend();
}
