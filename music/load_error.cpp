// The reason for the last failed load, kept in a fixed buffer so that a refusal for want of
// memory needs none.
#include "music/load_error.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "music/music.h"

namespace {

constexpr char NO_ERROR_TEXT[] = "no error";
char reason[120] = "no error";

} // namespace

bool music_load_fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(reason, sizeof reason, format, args);
    va_end(args);
    return false;
}

void music_load_error_reset() {
    std::memcpy(reason, NO_ERROR_TEXT, sizeof NO_ERROR_TEXT);
}

const char* music_load_error() {
    return reason;
}
