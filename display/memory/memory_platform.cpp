// Makes the in-memory backend the default of programs that link display_memory (tests, capture).
#include "display/memory/memory_display.h"

const DisplayBackend* display_platform_backend() {
    return display_memory_backend();
}
