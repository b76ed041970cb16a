// DirectDraw and user32 implementation of the display's platform steps. ddraw.dll is loaded at
// run time, so the program imports nothing of it; only the first COM interfaces are used.
#include "display/win32/win32_display.h"

// windows.h first: the others build on its types.
#include <windows.h>

#include <ddraw.h>

#include <cstdio>
#include <cstdlib>

#include "display/win32/win32_snapshot.h"

namespace {

using DirectDrawCreateFn = HRESULT(WINAPI*)(GUID*, LPDIRECTDRAW*, IUnknown*);

struct Win32State {
    HMODULE library = nullptr;
    DirectDrawCreateFn directDrawCreate = nullptr;
    IDirectDraw* directDraw = nullptr;
    HWND window = nullptr;
    IDirectDrawSurface* primary = nullptr;
    IDirectDrawSurface* backBuffer = nullptr;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int backBufferCount = 0;
    // Test-only switches (see win32_display.h).
    long closeAfter = 0;
    const char* snapshotPath = nullptr;
    long flips = 0;
};

Win32State g_win32;

DisplayEvent event_of(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DisplayEvent e;
    e.window = window;
    e.message = message;
    e.wparam = wparam;
    e.lparam = lparam;
    switch (message) {
    case WM_CLOSE:
        e.type = DisplayEventType::CLOSE_REQUEST;
        break;
    case WM_ACTIVATEAPP:
        e.type = DisplayEventType::ACTIVATE;
        e.active = wparam != 0;
        break;
    case WM_SETCURSOR:
        e.type = DisplayEventType::SET_CURSOR;
        break;
    case WM_KEYDOWN:
        e.type = DisplayEventType::KEY_DOWN;
        e.key = int32_t(wparam);
        break;
    default:
        e.type = DisplayEventType::OTHER;
        break;
    }
    return e;
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return LRESULT(display_window_proc(event_of(window, message, wparam, lparam)));
}

void read_test_switches() {
    g_win32.closeAfter = 0;
    if (const char* text = std::getenv(WIN32_CLOSE_AFTER_VARIABLE))
        g_win32.closeAfter = std::strtol(text, nullptr, 10);
    g_win32.snapshotPath = std::getenv(WIN32_SNAPSHOT_VARIABLE);
    if (g_win32.snapshotPath && !*g_win32.snapshotPath)
        g_win32.snapshotPath = nullptr;
}

bool load_library() {
    g_win32 = Win32State{};
    read_test_switches();
    g_win32.library = LoadLibraryA("ddraw.dll");
    if (!g_win32.library)
        return false;
    // Through a plain function pointer type: FARPROC's own signature says nothing.
    auto proc = reinterpret_cast<void (*)()>(GetProcAddress(g_win32.library, "DirectDrawCreate"));
    if (!proc) {
        // The display forgets a failed step; nothing else would unload the library.
        FreeLibrary(g_win32.library);
        g_win32.library = nullptr;
        return false;
    }
    g_win32.directDrawCreate = reinterpret_cast<DirectDrawCreateFn>(proc);
    return true;
}

bool create_device() {
    IDirectDraw* directDraw = nullptr;
    if (FAILED(g_win32.directDrawCreate(nullptr, &directDraw, nullptr)) || !directDraw)
        return false;
    g_win32.directDraw = directDraw;
    return true;
}

void create_window(const char* title) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = window_proc;
    windowClass.lpszClassName = title;
    RegisterClassA(&windowClass);
    g_win32.window =
        CreateWindowExA(0, title, title, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

bool set_exclusive() {
    return SUCCEEDED(g_win32.directDraw->SetCooperativeLevel(g_win32.window,
                                                             DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN));
}

bool set_mode(int width, int height, int bitsPerPixel) {
    if (FAILED(
            g_win32.directDraw->SetDisplayMode(DWORD(width), DWORD(height), DWORD(bitsPerPixel))))
        return false;
    g_win32.width = width;
    g_win32.height = height;
    g_win32.bitsPerPixel = bitsPerPixel;
    return true;
}

bool create_surfaces(int backBuffers) {
    DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    if (backBuffers > 0) {
        desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.ddsCaps.dwCaps =
            DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY;
        desc.dwBackBufferCount = DWORD(backBuffers);
    } else {
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY;
    }
    IDirectDrawSurface* primary = nullptr;
    if (FAILED(g_win32.directDraw->CreateSurface(&desc, &primary, nullptr)) || !primary)
        return false;
    g_win32.primary = primary;
    g_win32.backBufferCount = backBuffers;
    return true;
}

bool attach_back_buffer() {
    DDSCAPS caps = {};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    IDirectDrawSurface* back = nullptr;
    if (FAILED(g_win32.primary->GetAttachedSurface(&caps, &back)) || !back)
        return false;
    g_win32.backBuffer = back;
    return true;
}

bool get_pixel_format(int* bitCount, uint32_t* red, uint32_t* green, uint32_t* blue) {
    DDPIXELFORMAT format = {};
    format.dwSize = sizeof format;
    if (FAILED(g_win32.primary->GetPixelFormat(&format)) || !(format.dwFlags & DDPF_RGB))
        return false;
    *bitCount = int(format.dwRGBBitCount);
    *red = format.dwRBitMask;
    *green = format.dwGBitMask;
    *blue = format.dwBBitMask;
    return true;
}

void set_screen_saver_active(bool active) {
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, active ? TRUE : FALSE, nullptr, 0);
}

bool pump_one(DisplayPumpScope scope, DisplayEvent* removed) {
    MSG message;
    HWND filter = scope == DisplayPumpScope::WINDOW ? g_win32.window : nullptr;
    if (!PeekMessageA(&message, filter, 0, 0, PM_REMOVE))
        return false;
    // Copied first: a close request dispatched below does not come back.
    *removed = event_of(message.hwnd, message.message, message.wParam, message.lParam);
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return true;
}

void sleep_ms(int ms) {
    Sleep(DWORD(ms));
}

void restore() {
    g_win32.primary->Restore();
}

bool lock(uint8_t** pixels, int* pitch) {
    DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    if (FAILED(g_win32.backBuffer->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr)))
        return false;
    *pixels = static_cast<uint8_t*>(desc.lpSurface);
    *pitch = int(desc.lPitch);
    return true;
}

void unlock(uint8_t* pixels) {
    g_win32.backBuffer->Unlock(pixels);
}

void flip() {
    g_win32.primary->Flip(nullptr, DDFLIP_WAIT);
    g_win32.flips++;
    if (g_win32.closeAfter > 0 && g_win32.flips == g_win32.closeAfter)
        PostMessageA(g_win32.window, WM_CLOSE, 0, 0);
}

// Test-only: what the screen shows now, read back from the front surface.
void write_snapshot() {
    std::fprintf(stderr, "vorru: display %dx%d, %d bits per pixel, %d back buffers, %ld flips\n",
                 g_win32.width, g_win32.height, g_win32.bitsPerPixel, g_win32.backBufferCount,
                 g_win32.flips);
    DDPIXELFORMAT format = {};
    format.dwSize = sizeof format;
    DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    if (FAILED(g_win32.primary->GetPixelFormat(&format)) ||
        FAILED(g_win32.primary->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr))) {
        std::fprintf(stderr, "vorru: the front surface cannot be read back\n");
        return;
    }
    bool written = win32_write_snapshot(g_win32.snapshotPath,
                                        static_cast<const uint8_t*>(desc.lpSurface), g_win32.width,
                                        g_win32.height, int(desc.lPitch), int(format.dwRGBBitCount),
                                        format.dwRBitMask, format.dwGBitMask, format.dwBBitMask);
    g_win32.primary->Unlock(desc.lpSurface);
    if (!written)
        std::fprintf(stderr, "vorru: cannot write %s\n", g_win32.snapshotPath);
}

void release_surfaces() {
    if (!g_win32.primary)
        return;
    if (g_win32.snapshotPath)
        write_snapshot();
    // Releasing the primary releases the whole flip chain with it.
    g_win32.primary->Release();
    g_win32.primary = nullptr;
    g_win32.backBuffer = nullptr;
}

void release_device() {
    if (!g_win32.directDraw)
        return;
    g_win32.directDraw->RestoreDisplayMode();
    g_win32.directDraw->SetCooperativeLevel(g_win32.window, DDSCL_NORMAL);
    g_win32.directDraw->Release();
    g_win32.directDraw = nullptr;
}

void destroy_window() {
    if (g_win32.window)
        DestroyWindow(g_win32.window);
    g_win32.window = nullptr;
}

void unload_library() {
    if (g_win32.library)
        FreeLibrary(g_win32.library);
    g_win32.library = nullptr;
    g_win32.directDrawCreate = nullptr;
}

void hide_cursor() {
    SetCursor(nullptr);
}

intptr_t default_window_proc(const DisplayEvent& event) {
    return intptr_t(DefWindowProcA(static_cast<HWND>(event.window), UINT(event.message),
                                   WPARAM(event.wparam), LPARAM(event.lparam)));
}

void exit_process(int code) {
    // ExitProcess runs no flush of the C library's buffers: the console trace must arrive.
    std::fflush(nullptr);
    ExitProcess(UINT(code));
}

const DisplayBackend WIN32_BACKEND = {
    load_library,
    create_device,
    create_window,
    set_exclusive,
    set_mode,
    create_surfaces,
    attach_back_buffer,
    get_pixel_format,
    set_screen_saver_active,
    pump_one,
    sleep_ms,
    restore,
    lock,
    unlock,
    flip,
    release_surfaces,
    release_device,
    destroy_window,
    unload_library,
    hide_cursor,
    default_window_proc,
    exit_process,
};

} // namespace

const DisplayBackend* display_win32_backend() {
    return &WIN32_BACKEND;
}
