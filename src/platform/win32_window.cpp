// The window seam on Win32: one top-level window with a WGL context, keyboard and close box
// through the window procedure, the clock from QueryPerformanceCounter.
#include "platform/window.h"

#include "base/log.h"
#include "platform/gl.h"

#include <algorithm>
#include <cstdlib>

struct AppWindow {
    HWND window;
    HDC deviceContext;
    HGLRC context;
    bool hideCursor;
    bool escapeDown;
    bool escapeSeen; // a press not yet reported, kept even after the key went up
    bool closeRequested;
    LONG frameWidth, frameHeight; // the whole window, caption and borders included
};

static const char* const windowClassName = "BrumeltWindow";
static HINSTANCE moduleInstance;
static bool classRegistered;
static LARGE_INTEGER clockStart;
static LARGE_INTEGER clockFrequency;
static AppWindow* openWindow; // one at a time
static bool displayModeChanged;

static bool restoreAtExitRegistered;

// Also registered with atexit: process exit after an early return (exit codes 1 to 3) skips the
// window's teardown, and the desktop gets its mode back all the same.
static void restoreDisplayMode() {
    if (!displayModeChanged) return;
    ChangeDisplaySettingsA(nullptr, 0);
    displayModeChanged = false;
}

static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* app = reinterpret_cast<AppWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!app) return DefWindowProcA(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_CLOSE:
        // The show ends after the current frame; the window stays until it is destroyed.
        app->closeRequested = true;
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (wParam == VK_ESCAPE) {
            app->escapeDown = true;
            app->escapeSeen = true;
            return 0;
        }
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (wParam == VK_ESCAPE) {
            app->escapeDown = false;
            return 0;
        }
        break;
    case WM_SETCURSOR:
        if (app->hideCursor && LOWORD(lParam) == HTCLIENT) {
            SetCursor(nullptr);
            return TRUE;
        }
        break;
    case WM_GETMINMAXINFO: {
        // The frame code draws width x height pixels whatever the screen: a window as large as
        // the screen keeps its whole drawable, even if its caption has to leave the screen.
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMaxTrackSize.x = std::max<LONG>(limits->ptMaxTrackSize.x, app->frameWidth);
        limits->ptMaxTrackSize.y = std::max<LONG>(limits->ptMaxTrackSize.y, app->frameHeight);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1; // GL draws every pixel; erasing would only flicker
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

int windowSystemInit() {
    QueryPerformanceFrequency(&clockFrequency);
    QueryPerformanceCounter(&clockStart);
    moduleInstance = GetModuleHandleA(nullptr);
    if (!classRegistered) {
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = moduleInstance;
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
        windowClass.lpszClassName = windowClassName;
        if (!RegisterClassExA(&windowClass)) {
            logMessage("window", "cannot register the window class (error %lu)", GetLastError());
            return 0;
        }
        classRegistered = true;
    }
    if (!restoreAtExitRegistered) restoreAtExitRegistered = std::atexit(restoreDisplayMode) == 0;
    return 1;
}

// Switches the primary display to width x height at 32 bits a pixel, for this process only.
static bool takeDisplay(int32_t width, int32_t height) {
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = DWORD(width);
    mode.dmPelsHeight = DWORD(height);
    mode.dmBitsPerPel = 32;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    LONG result = ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
    if (result != DISP_CHANGE_SUCCESSFUL) {
        logMessage("window", "cannot switch the display to %dx%d (ChangeDisplaySettings: %ld)",
                   width, height, long(result));
        return false;
    }
    displayModeChanged = true;
    return true;
}

static bool choosePixelFormat(HDC deviceContext) {
    PIXELFORMATDESCRIPTOR wanted = {};
    wanted.nSize = sizeof wanted;
    wanted.nVersion = 1;
    wanted.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    wanted.iPixelType = PFD_TYPE_RGBA;
    wanted.cColorBits = 24;
    wanted.cAlphaBits = 8;
    wanted.cDepthBits = 24;
    wanted.cStencilBits = 8;
    wanted.iLayerType = PFD_MAIN_PLANE;
    int format = ChoosePixelFormat(deviceContext, &wanted);
    if (format == 0) {
        logMessage("window", "no RGBA8 / depth 24 pixel format (error %lu)", GetLastError());
        return false;
    }
    if (!SetPixelFormat(deviceContext, format, &wanted)) {
        logMessage("window", "cannot set pixel format %d (error %lu)", format, GetLastError());
        return false;
    }
    return true;
}

static void releaseWindow(AppWindow* app) {
    if (app->context) {
        if (wglGetCurrentContext() == app->context) wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(app->context);
    }
    if (app->deviceContext) ReleaseDC(app->window, app->deviceContext);
    if (app->window) DestroyWindow(app->window);
    if (openWindow == app) openWindow = nullptr;
    delete app;
    restoreDisplayMode();
}

AppWindow* windowCreate(int32_t width, int32_t height, const char* title, uint32_t flags) {
    if (!classRegistered) {
        logMessage("window", "the window system is not started");
        return nullptr;
    }
    bool fullscreen = (flags & windowFullscreen) != 0;
    if (fullscreen && !takeDisplay(width, height)) return nullptr;

    DWORD style = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    DWORD exStyle = 0;
    RECT frame = {0, 0, width, height};
    int x = 0, y = 0;
    if (fullscreen) {
        style |= WS_POPUP;
        exStyle |= WS_EX_TOPMOST;
    } else {
        style |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        if (flags & windowResizable) style |= WS_THICKFRAME | WS_MAXIMIZEBOX;
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
        x = CW_USEDEFAULT;
        y = CW_USEDEFAULT;
    }

    auto* app = new AppWindow{};
    app->frameWidth = frame.right - frame.left;
    app->frameHeight = frame.bottom - frame.top;
    app->window =
        CreateWindowExA(exStyle, windowClassName, title, style, x, y, frame.right - frame.left,
                        frame.bottom - frame.top, nullptr, nullptr, moduleInstance, app);
    if (!app->window) {
        logMessage("window", "cannot create a %dx%d window (error %lu)", width, height,
                   GetLastError());
        releaseWindow(app);
        return nullptr;
    }
    // Creation clamps the window to the screen before the window procedure knows its size (the
    // first WM_GETMINMAXINFO comes before WM_NCCREATE); sizing it again now lets it through.
    SetWindowPos(app->window, nullptr, 0, 0, app->frameWidth, app->frameHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    app->deviceContext = GetDC(app->window);
    if (!app->deviceContext || !choosePixelFormat(app->deviceContext)) {
        releaseWindow(app);
        return nullptr;
    }
    app->context = wglCreateContext(app->deviceContext);
    if (!app->context || !wglMakeCurrent(app->deviceContext, app->context)) {
        logMessage("window", "cannot create an OpenGL context (error %lu)", GetLastError());
        releaseWindow(app);
        return nullptr;
    }
    openWindow = app;
    if (!(flags & windowHidden)) {
        ShowWindow(app->window, SW_SHOW);
        SetForegroundWindow(app->window);
        SetFocus(app->window);
        UpdateWindow(app->window);
    }
    return app;
}

void windowHideCursor(AppWindow* window) {
    window->hideCursor = true;
    SetCursor(nullptr);
}

void windowPollEvents() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void windowSwapBuffers(AppWindow* window) {
    SwapBuffers(window->deviceContext);
}

int windowEscapePressed(AppWindow* window) {
    bool pressed = window->escapeDown || window->escapeSeen;
    window->escapeSeen = false;
    return pressed ? 1 : 0;
}

int windowCloseRequested(AppWindow* window) {
    return window->closeRequested ? 1 : 0;
}

double windowSystemTime() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (clockFrequency.QuadPart == 0) return 0.0;
    return double(now.QuadPart - clockStart.QuadPart) / double(clockFrequency.QuadPart);
}

void windowFramebufferSize(AppWindow* window, int32_t* width, int32_t* height) {
    RECT client = {};
    GetClientRect(window->window, &client);
    *width = client.right - client.left;
    *height = client.bottom - client.top;
}

void* windowNativeHandle(AppWindow* window) {
    return window ? window->window : nullptr;
}

void windowForgetInput(AppWindow* window) {
    window->escapeSeen = false;
    window->closeRequested = false;
}

void windowDestroy(AppWindow* window) {
    if (window) releaseWindow(window);
}

void windowSystemTerminate() {
    if (openWindow) releaseWindow(openWindow);
    restoreDisplayMode();
    if (classRegistered) {
        UnregisterClassA(windowClassName, moduleInstance);
        classRegistered = false;
    }
}
