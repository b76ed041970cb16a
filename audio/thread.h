// The sound output's feeder thread facility: start, join and sleep, nothing more. Linux builds
// use the standard library (audio/thread_std.cpp); Windows builds use kernel32 directly
// (audio/win32/thread_win32.cpp). Each program links exactly one of them.
#pragma once

// A running thread; opaque.
struct SoundThread;

// Runs fn(arg) on a new thread. Null if memory or the system refuses one (nothing is left
// running); the standard library build ends the program when the system refuses.
SoundThread* sound_thread_start(void (*fn)(void*), void* arg);

// Waits until the thread's function has returned, then releases the handle. Harmless for null.
void sound_thread_join(SoundThread* thread);

// Suspends the calling thread for about `ms` milliseconds (at least the system's tick).
void sound_thread_sleep_ms(int ms);
