// Binding the sound library: loading libfbsound-32.so (or, in a build without dynamic loading,
// taking the library linked into the program), looking up its functions, starting it up and
// releasing it at the end.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "audio/binding.h"
#include "audio/library.h"
#include "audio/sound.h"

#if defined(TALLY_LINKED_SOUND)
#include "audio/linked_library.h"
#else
#include <dlfcn.h>
#include <termios.h>
#include <unistd.h>

#include "tone.h"
#endif

namespace {

SoundLibrary library;
void* libraryHandle = nullptr;
bool bound = false;
bool attempted = false;

#if defined(TALLY_LINKED_SOUND)

// The library is part of the program: it is always there, and its functions come from a table.
int linkedMarker = 0;
void* openLibrary() { return &linkedMarker; }
void closeLibrary(void* /*handle*/) {}
AnyFunction findFunction(const char* upperName, void* /*handle*/) {
    return findLinkedSoundFunction(upperName, nullptr);
}

// A build that links the library in has no console to wait on and no second way to sound a tone:
// the message alone says what went wrong.
void warnOfMissingName() {}

#else

// The folder of the running program, with a trailing "/", or "" when it cannot be found.
std::string programFolder() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "";
    const std::string full(path, static_cast<std::size_t>(n));
    const auto slash = full.rfind('/');
    return slash == std::string::npos ? "" : full.substr(0, slash + 1);
}

// The library beside the program first, so that the game always uses the one built with it;
// then wherever the system looks for libraries.
void* openLibrary() {
    const std::string file = "libfbsound-32.so";
    const std::string folder = programFolder();
    if (!folder.empty()) {
        if (void* h = dlopen((folder + file).c_str(), RTLD_NOW | RTLD_LOCAL)) return h;
    }
    return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void closeLibrary(void* handle) { dlclose(handle); }

AnyFunction findFunction(const char* upperName, void* handle) {
    return reinterpret_cast<AnyFunction>(dlsym(handle, upperName));
}

// Waits for one key on the console; the end of input counts as a key. On a terminal the key
// counts at once, without Enter.
void waitForKey() {
    termios saved{};
    const bool terminal = isatty(STDIN_FILENO) == 1 && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios raw = saved;
        raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    }
    char key = 0;
    while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
    }
    if (terminal) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

// The beep (a real tone, or the terminal's bell without an audio device), then a key.
void warnOfMissingName() {
    if (!playWarningTone(1000, 250)) {
        std::fputs("\a", stdout);
        std::fflush(stdout);
    }
    waitForKey();
}

#endif

void say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

// Binds the library while the program's static objects are made, and releases it when they go.
struct Binder {
    Binder() { bindSoundLibrary(); }
    ~Binder() { releaseSoundLibrary(); }
    Binder(const Binder&) = delete;
    Binder& operator=(const Binder&) = delete;
};
const Binder binder;

}  // namespace

const SoundLibrary* soundLibrary() { return bound ? &library : nullptr; }

void bindSoundLibrary() {
    if (attempted) return;
    attempted = true;
    libraryHandle = openLibrary();
    if (libraryHandle == nullptr) {
        say("error: lib fbsound-32 not loaded !");
        return;
    }
    std::string missing;
    if (!bindSoundFunctions(findFunction, libraryHandle, library, missing)) {
        say("error: can't resolve " + missing);
        warnOfMissingName();
        closeLibrary(libraryHandle);
        libraryHandle = nullptr;
        std::exit(1);
    }
    bound = true;
}

void releaseSoundLibrary() {
    if (!bound) return;
    bound = false;
    if (library.FBS_Get_PlugRunning() != 0) library.FBS_Stop();
    library.FBS_Exit();
    closeLibrary(libraryHandle);
    libraryHandle = nullptr;
    library = SoundLibrary{};
}

void initSoundLibrary() {
    if (bound) library.FBS_Init(44100, 2, 3, 2048, 0, 0);
}
