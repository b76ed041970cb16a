// The waveOut wave device. The whole PCM ring is one header that loops until reset
// (WHDR_BEGINLOOP | WHDR_ENDLOOP, loop count 0xFFFFFFFF); the play position is
// waveOutGetPosition in bytes, extended past its 32-bit wrap.
#include "audio/win32/win32_device.h"

// windows.h first: the others build on its types.
#include <windows.h>

#include <mmsystem.h>

#include <atomic>
#include <mutex>

namespace {

// Guards the header and the position bookkeeping; the feeder thread asks for the position
// while the caller's thread may unprepare or reset.
std::mutex g_lock;
HWAVEOUT g_device = nullptr;
std::atomic<bool> g_silent{false};
int g_rate = 0;
WAVEHDR g_header = {};
// The driver still holds the header: an unprepare refused while the ring loops is done again
// after the reset, so the driver releases it.
bool g_driver_prepared = false;
bool g_playing = false;
uint32_t g_last_raw = 0;
uint64_t g_wraps = 0;

// The device's position in bytes, whatever unit the driver answers in.
uint32_t raw_position_bytes() {
    MMTIME time = {};
    time.wType = TIME_BYTES;
    if (waveOutGetPosition(g_device, &time, sizeof time) != MMSYSERR_NOERROR)
        return g_last_raw;
    switch (time.wType) {
    case TIME_BYTES:
        return time.u.cb;
    case TIME_SAMPLES:
        return time.u.sample * 4u;
    case TIME_MS:
        return uint32_t(uint64_t(time.u.ms) * uint64_t(g_rate) / 1000u * 4u);
    default:
        return g_last_raw;
    }
}

bool win32_open(int rate) {
    if (rate <= 0)
        return false;
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = DWORD(rate);
    format.nAvgBytesPerSec = DWORD(rate) * 4;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    format.cbSize = 0;
    HWAVEOUT device = nullptr;
    if (waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR) {
        std::lock_guard<std::mutex> hold(g_lock);
        g_device = device;
        g_rate = rate;
        g_silent = false;
        g_playing = false;
        g_header = WAVEHDR{};
        g_driver_prepared = false;
        return true;
    }
    // No sound card: the song must move all the same.
    bool silent = silent_wave_device()->open(rate);
    g_silent = silent;
    return silent;
}

void win32_prepare(const int16_t* ring, uint32_t bytes) {
    if (g_silent)
        return silent_wave_device()->prepare(ring, bytes);
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_device)
        return;
    g_header = WAVEHDR{};
    // The driver only reads the ring; the header type has no const data pointer.
    g_header.lpData = reinterpret_cast<LPSTR>(const_cast<int16_t*>(ring));
    g_header.dwBufferLength = bytes;
    g_header.dwBytesRecorded = 0;
    g_header.dwUser = 0;
    g_header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    g_header.dwLoops = 0xFFFFFFFFu;
    g_driver_prepared =
        waveOutPrepareHeader(g_device, &g_header, sizeof g_header) == MMSYSERR_NOERROR;
}

void win32_write() {
    if (g_silent)
        return silent_wave_device()->write();
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_device || !g_header.lpData)
        return;
    // The device counts from its open or last reset, both of which come before a write.
    g_last_raw = 0;
    g_wraps = 0;
    waveOutWrite(g_device, &g_header, sizeof g_header);
    g_playing = true;
}

uint64_t win32_position() {
    if (g_silent)
        return silent_wave_device()->position();
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_device || !g_playing)
        return 0;
    uint32_t raw = raw_position_bytes();
    // A 32-bit byte count wraps after about 6.7 hours at 44 100 Hz; the 5 ms polling sees each
    // wrap as a step back.
    if (raw < g_last_raw)
        g_wraps++;
    g_last_raw = raw;
    return g_wraps << 32 | raw;
}

void win32_unprepare() {
    if (g_silent)
        return silent_wave_device()->unprepare();
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_device || !g_driver_prepared)
        return;
    // Refused while the ring still loops (WAVERR_STILLPLAYING); the reset finishes the job.
    if (waveOutUnprepareHeader(g_device, &g_header, sizeof g_header) == MMSYSERR_NOERROR)
        g_driver_prepared = false;
    g_header.dwFlags &= ~DWORD(WHDR_PREPARED);
}

// With g_lock held.
void reset_locked() {
    if (!g_device)
        return;
    waveOutReset(g_device);
    g_playing = false;
    if (g_driver_prepared) {
        // The reset has handed the header back; now the driver lets go of it.
        g_header.dwFlags |= WHDR_PREPARED;
        waveOutUnprepareHeader(g_device, &g_header, sizeof g_header);
        g_driver_prepared = false;
    }
    g_header = WAVEHDR{};
}

void win32_reset() {
    if (g_silent)
        return silent_wave_device()->reset();
    std::lock_guard<std::mutex> hold(g_lock);
    reset_locked();
}

void win32_close() {
    if (g_silent) {
        silent_wave_device()->close();
        g_silent = false;
        return;
    }
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_device)
        return;
    reset_locked();
    waveOutClose(g_device);
    g_device = nullptr;
}

void win32_raise_thread_priority() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
}

const WaveDevice WIN32_DEVICE = {
    "waveOut",   win32_open,     win32_prepare,
    win32_write, win32_position, win32_unprepare,
    win32_reset, win32_close,    win32_raise_thread_priority,
};

} // namespace

const WaveDevice* win32_wave_device() {
    return &WIN32_DEVICE;
}

const WaveDevice* wave_device_default() {
    return &WIN32_DEVICE;
}

bool win32_device_is_silent() {
    return g_silent;
}
