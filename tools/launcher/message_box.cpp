// The launcher's error box, through SDL's simple message box, which needs no window of its own.
#include "message_box.h"

#include <SDL.h>

#include <cstdlib>

bool showErrorBox(const std::string& title, const std::string& text) {
    // Without a display SDL may still try one and print its own complaint; spare the user that.
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((x11 == nullptr || *x11 == '\0') && (wayland == nullptr || *wayland == '\0')) return false;
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), nullptr) == 0;
}
