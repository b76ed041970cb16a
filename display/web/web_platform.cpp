// Makes the canvas the display backend of programs that link display_web (the web page).
#include "display/web/web_display.h"

const DisplayBackend* display_platform_backend() {
    return display_web_backend();
}
