// The platform services on SDL2: the scaled full-screen window, the key queue, the clock and sleeping.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "audio/sound.h"
#include "present/keymap.h"
#include "present/platform.h"

// The key map is written without SDL; make sure its numbers are SDL's.
static_assert(KeyCode::Return == SDLK_RETURN && KeyCode::Escape == SDLK_ESCAPE &&
              KeyCode::Backspace == SDLK_BACKSPACE && KeyCode::Tab == SDLK_TAB &&
              KeyCode::Delete == SDLK_DELETE);
static_assert(KeyCode::F1 == SDLK_F1 && KeyCode::F1 + 9 == SDLK_F10 && KeyCode::F11 == SDLK_F11 &&
              KeyCode::F12 == SDLK_F12);
static_assert(KeyCode::Insert == SDLK_INSERT && KeyCode::Home == SDLK_HOME && KeyCode::PageUp == SDLK_PAGEUP &&
              KeyCode::End == SDLK_END && KeyCode::PageDown == SDLK_PAGEDOWN);
static_assert(KeyCode::Right == SDLK_RIGHT && KeyCode::Left == SDLK_LEFT && KeyCode::Down == SDLK_DOWN &&
              KeyCode::Up == SDLK_UP);
static_assert(KeyCode::KeypadDivide == SDLK_KP_DIVIDE && KeyCode::KeypadMultiply == SDLK_KP_MULTIPLY &&
              KeyCode::KeypadMinus == SDLK_KP_MINUS && KeyCode::KeypadPlus == SDLK_KP_PLUS &&
              KeyCode::KeypadEnter == SDLK_KP_ENTER);
static_assert(KeyCode::Keypad1 == SDLK_KP_1 && KeyCode::Keypad9 == SDLK_KP_9 && KeyCode::Keypad0 == SDLK_KP_0 &&
              KeyCode::KeypadPeriod == SDLK_KP_PERIOD);
static_assert(SDL_SCANCODE_ESCAPE == 41 && SDL_SCANCODE_UP == 82 && SDL_SCANCODE_KP_8 == 96 &&
              SDL_SCANCODE_LCTRL == 224 && SDL_SCANCODE_APPLICATION == 101);

namespace {

// Without vsync, frames are held to about this many per second.
constexpr double FallbackFramesPerSecond = 60.0;
// Some drivers claim vsync and do not wait (no display, a hidden window): even then presents
// come no faster than a little above the display's refresh rate.
constexpr double RefreshHeadroom = 1.25;
// The title tells where help is, on every screen (UTF-8, with an em dash).
constexpr const char* WindowTitle = "Tally Rally \u2014 F1: help";
// A game that stops reading keys must not make the queue grow without end.
constexpr std::size_t MostQueuedKeys = 256;

// What the window shows, so that a frame identical to the one before costs one comparison instead of
// an upload and a redraw: a still menu then leaves the processor (and a software renderer) idle.
struct ShownFrame {
    std::vector<std::uint32_t> pixels;  // the texture's contents; empty until the first upload
    // Set by window events, which may arrive on another thread: the window lost its picture
    // (exposed, resized, full screen toggled) and must be drawn again from the texture ...
    std::atomic<bool> redraw{true};
    // ... or the renderer lost the texture's contents too, which must then be uploaded again.
    std::atomic<bool> reupload{true};
};

ShownFrame shown;

struct Display {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int width = 0;
    int height = 0;
    bool vsync = false;
    double refreshRate = FallbackFramesPerSecond;
    bool fullscreen = false;
    double lastPresent = 0.0;
    std::vector<std::uint32_t> pixels;  // the screen, 0xAARRGGBB, row after row without padding
    std::deque<std::string> keys;
};

Display display;

void queueKey(std::string key) {
    if (!key.empty() && display.keys.size() < MostQueuedKeys) display.keys.push_back(std::move(key));
}

void toggleFullscreen() {
    if (display.window == nullptr) return;
    const bool wantFullscreen = !display.fullscreen;
    if (SDL_SetWindowFullscreen(display.window, wantFullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0)
        return;  // stay as we are
    display.fullscreen = wantFullscreen;
    shown.redraw = true;
    if (!wantFullscreen) {
        SDL_SetWindowSize(display.window, display.width, display.height);
        SDL_SetWindowPosition(display.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
}

void closeDisplay();

// The close button: everything the menus change is saved as it changes, so just leave.
[[noreturn]] void closeProgram() {
    releaseSoundLibrary();
    closeDisplay();
    std::exit(0);
}

// Takes every waiting window and keyboard event, queueing key presses in arrival order.
void pumpEvents() {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    // The Num Lock state SDL reports can be out of step with the system's. A keypad digit that SDL
    // thinks types nothing is held back for one event: if typed text follows at once, the keypad
    // typed after all and the text alone is queued.
    std::string heldKeypadKey;
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        if (event.type != SDL_TEXTINPUT) queueKey(std::move(heldKeypadKey));
        heldKeypadKey.clear();
        switch (event.type) {
            case SDL_QUIT: closeProgram();
            case SDL_KEYDOWN: {
                const SDL_Keysym& key = event.key.keysym;
                if (key.sym == SDLK_F11) {
                    if (event.key.repeat == 0) toggleFullscreen();
                    break;  // the full-screen key is the window's, never the game's
                }
                if (!queuesKeyDown(key.sym, event.key.repeat != 0)) break;
                std::string pressed = keyStringForKeyDown(key.sym, (key.mod & KMOD_NUM) != 0);
                if (isKeypadDigitKey(key.sym)) heldKeypadKey = std::move(pressed);
                else queueKey(std::move(pressed));
                break;
            }
            case SDL_TEXTINPUT:
                for (std::string& typed : keyStringsFromText(event.text.text)) queueKey(std::move(typed));
                break;
            default: break;
        }
    }
    queueKey(std::move(heldKeypadKey));
}

void sleepSeconds(double seconds) {
    if (seconds > 0.0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

bool createWindow(int width, int height, bool fullscreen) {
    const Uint32 flags = SDL_WINDOW_RESIZABLE | (fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    display.window = SDL_CreateWindow(WindowTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                                      flags);
    display.fullscreen = fullscreen && display.window != nullptr;
    return display.window != nullptr;
}

bool createRenderer() {
    // Best first: accelerated and waiting for the display's refresh; then whatever there is.
    const Uint32 choices[] = {SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC, SDL_RENDERER_PRESENTVSYNC, 0,
                              SDL_RENDERER_SOFTWARE};
    for (Uint32 flags : choices) {
        display.renderer = SDL_CreateRenderer(display.window, -1, flags);
        if (display.renderer != nullptr) break;
    }
    if (display.renderer == nullptr) return false;
    SDL_RendererInfo info;
    display.vsync = SDL_GetRendererInfo(display.renderer, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
    SDL_DisplayMode mode;
    const int index = SDL_GetWindowDisplayIndex(display.window);
    if (index >= 0 && SDL_GetCurrentDisplayMode(index, &mode) == 0 && mode.refresh_rate > 0)
        display.refreshRate = mode.refresh_rate;
    return true;
}

int SDLCALL watchWindowEvents(void* /*unused*/, SDL_Event* event) {
    if (event->type == SDL_RENDER_TARGETS_RESET || event->type == SDL_RENDER_DEVICE_RESET) {
        shown.reupload = true;
        shown.redraw = true;
    } else if (event->type == SDL_WINDOWEVENT) {
        switch (event->window.event) {
            case SDL_WINDOWEVENT_SHOWN:
            case SDL_WINDOWEVENT_EXPOSED:
            case SDL_WINDOWEVENT_SIZE_CHANGED:
            case SDL_WINDOWEVENT_MAXIMIZED:
            case SDL_WINDOWEVENT_RESTORED:
            case SDL_WINDOWEVENT_FOCUS_GAINED: shown.redraw = true; break;
            default: break;
        }
    }
    return 0;
}

// Brings the texture up to date with the screen, uploading only the band of rows that changed since
// the last upload. Returns whether anything was uploaded.
bool uploadChangedRows() {
    const auto width = static_cast<std::size_t>(display.width);
    const std::size_t rows = static_cast<std::size_t>(display.height);
    const std::size_t rowBytes = width * sizeof(std::uint32_t);
    if (shown.reupload.exchange(false) || shown.pixels.size() != display.pixels.size()) shown.pixels.clear();
    std::size_t first = 0;
    std::size_t end = rows;
    if (!shown.pixels.empty()) {
        const auto same = [&](std::size_t row) {
            return std::memcmp(&display.pixels[row * width], &shown.pixels[row * width], rowBytes) == 0;
        };
        while (first < rows && same(first)) ++first;
        if (first == rows) return false;
        while (same(end - 1)) --end;
    } else {
        shown.pixels.resize(display.pixels.size());
    }
    std::memcpy(&shown.pixels[first * width], &display.pixels[first * width], (end - first) * rowBytes);
    const SDL_Rect band{0, static_cast<int>(first), display.width, static_cast<int>(end - first)};
    SDL_UpdateTexture(display.texture, &band, &shown.pixels[first * width], static_cast<int>(rowBytes));
    return true;
}

void closeDisplay() {
    SDL_DelEventWatch(watchWindowEvents, nullptr);
    if (display.texture != nullptr) SDL_DestroyTexture(display.texture);
    if (display.renderer != nullptr) SDL_DestroyRenderer(display.renderer);
    if (display.window != nullptr) SDL_DestroyWindow(display.window);
    display.texture = nullptr;
    display.renderer = nullptr;
    display.window = nullptr;
    display.pixels.clear();
    shown.pixels.clear();
}

}  // namespace

bool openScreen(int width, int height, int /*bitsPerPixel*/, int /*pages*/, int flags) {
    if (display.window != nullptr || width <= 0 || height <= 0) return display.window != nullptr;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
    // Big square pixels: the picture is enlarged without smoothing.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");

    const bool fullscreen = (flags & ScreenFullscreen) != 0;
    // A window of the screen's own size stands in when full screen cannot be had.
    if (!createWindow(width, height, fullscreen) && !(fullscreen && createWindow(width, height, false))) return false;
    if (!createRenderer()) {
        closeDisplay();
        return false;
    }
    // Scaled to fit with its shape kept, the rest of the display black.
    SDL_RenderSetLogicalSize(display.renderer, width, height);
    display.texture =
        SDL_CreateTexture(display.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (display.texture == nullptr) {
        closeDisplay();
        return false;
    }
    display.width = width;
    display.height = height;
    display.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0xFF000000u);
    SDL_AddEventWatch(watchWindowEvents, nullptr);
    SDL_StartTextInput();
    unlockScreen();  // show the black screen at once
    return true;
}

void hideMousePointer() {
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_ShowCursor(SDL_DISABLE);
}

void lockScreen() {}

void unlockScreen() {
    pumpEvents();
    if (display.texture == nullptr) return;
    const bool changed = uploadChangedRows();
    if (!changed && !shown.redraw.exchange(false)) {
        // Nothing to show: only keep the pace. With vsync a present would have waited for the next
        // refresh, so the skipped frame takes that long too and the game's frames keep their rhythm.
        sleepSeconds(display.lastPresent + 1.0 / (display.vsync ? display.refreshRate : FallbackFramesPerSecond) -
                     nowSeconds());
        display.lastPresent = nowSeconds();
        return;
    }
    shown.redraw = false;
    SDL_SetRenderDrawColor(display.renderer, 0, 0, 0, 255);
    SDL_RenderClear(display.renderer);
    SDL_RenderCopy(display.renderer, display.texture, nullptr, nullptr);
    // Keep the pace where the display does not, so that the game never spins a processor core.
    const double shortest = 1.0 / (display.vsync ? display.refreshRate * RefreshHeadroom : FallbackFramesPerSecond);
    sleepSeconds(display.lastPresent + shortest - nowSeconds());
    SDL_RenderPresent(display.renderer);
    display.lastPresent = nowSeconds();
}

std::uint32_t* screenPixels() { return display.pixels.empty() ? nullptr : display.pixels.data(); }

ScreenInfo screenInfo() {
    if (display.pixels.empty()) return {};
    return {display.width, display.height, 4, display.width * 4};
}

std::string readKey() {
    pumpEvents();
    if (display.keys.empty()) return "";
    std::string key = std::move(display.keys.front());
    display.keys.pop_front();
    return key;
}

bool isKeyDown(int scanCode) {
    pumpEvents();
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    const std::vector<int> usages = usagesForScanCode(scanCode);
    return std::any_of(usages.begin(), usages.end(),
                       [&](int usage) { return usage < count && state[usage] != 0; });
}

void sleepMs(int ms) {
    if (ms >= 0) {
        pumpEvents();
        sleepSeconds(ms / 1000.0);
        pumpEvents();
        return;
    }
    for (;;) {
        pumpEvents();
        if (!display.keys.empty()) return;
        sleepSeconds(0.050);
    }
}

double nowSeconds() {
    static const Uint64 frequency = SDL_GetPerformanceFrequency();
    const Uint64 count = SDL_GetPerformanceCounter();
    // Whole seconds and the remainder apart, so that a long uptime loses no precision.
    return static_cast<double>(count / frequency) + static_cast<double>(count % frequency) / frequency;
}
