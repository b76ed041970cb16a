#pragma once
// Inside the music library only: the reason for the last failed load, set where the loader
// or the file wrappers refuse (music_load_error in music/music.h reads it).

// Formats the reason (printf style) into the fixed buffer; always returns false.
bool music_load_fail(const char* format, ...);
// Back to "no error"; music_load calls it first.
void music_load_error_reset();
