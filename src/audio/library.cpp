// Binding the sound library: loading libfbsound-32.so, looking up its functions, starting it up
// and releasing it at the end.
#include <dlfcn.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "audio/library.h"
#include "audio/sound.h"
#include "tone.h"

namespace {

SoundLibrary library;
void* libraryHandle = nullptr;
bool bound = false;
bool attempted = false;

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

// Looks name up in upper case, as the library exports it. On a miss, remembers the name as given.
template <class Function>
bool bindSymbol(void* from, const char* name, Function& slot, std::string& missing) {
    std::string symbol = name;
    for (char& c : symbol) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    void* found = dlsym(from, symbol.c_str());
    if (found == nullptr) {
        missing = name;
        return false;
    }
    slot = reinterpret_cast<Function>(found);
    return true;
}

// Binds every name in turn into a fresh table; stops at the first that is missing.
bool bindAll(void* handle, SoundLibrary& out, std::string& missing) {
    SoundLibrary lib;
    const auto bindName = [&missing](void* from, const char* name, auto& slot) {
        return bindSymbol(from, name, slot, missing);
    };
    const bool ok =
           bindName(handle, "FBS_Init", lib.FBS_Init) &&
           bindName(handle, "FBS_Load_OGGFile", lib.FBS_Load_OGGFile) &&
           bindName(handle, "FBS_Create_Sound", lib.FBS_Create_Sound) &&
           bindName(handle, "FBS_Get_SoundPosition", lib.FBS_Get_SoundPosition) &&
           bindName(handle, "FBS_Play_Sound", lib.FBS_Play_Sound) &&
           bindName(handle, "FBS_Set_SoundVolume", lib.FBS_Set_SoundVolume) &&
           bindName(handle, "FBS_Set_SoundPan", lib.FBS_Set_SoundPan) &&
           bindName(handle, "FBS_Get_PlugRunning", lib.FBS_Get_PlugRunning) &&
           bindName(handle, "FBS_Stop", lib.FBS_Stop) &&
           bindName(handle, "FBS_Exit", lib.FBS_Exit) &&
           bindName(handle, "FBS_Start", lib.FBS_Start) &&
           bindName(handle, "FBS_Get_PlugPath", lib.FBS_Get_PlugPath) &&
           bindName(handle, "FBS_Set_PlugPath", lib.FBS_Set_PlugPath) &&
           bindName(handle, "FBS_Get_NumOfPlugouts", lib.FBS_Get_NumOfPlugouts) &&
           bindName(handle, "FBS_Get_PlugName", lib.FBS_Get_PlugName) &&
           bindName(handle, "FBS_Get_PlugDevice", lib.FBS_Get_PlugDevice) &&
           bindName(handle, "FBS_Get_PlugError", lib.FBS_Get_PlugError) &&
           bindName(handle, "FBS_Get_PlugRate", lib.FBS_Get_PlugRate) &&
           bindName(handle, "FBS_Get_PlugBits", lib.FBS_Get_PlugBits) &&
           bindName(handle, "FBS_Get_PlugChannels", lib.FBS_Get_PlugChannels) &&
           bindName(handle, "FBS_Get_PlugBuffers", lib.FBS_Get_PlugBuffers) &&
           bindName(handle, "FBS_Get_PlugBuffersize", lib.FBS_Get_PlugBuffersize) &&
           bindName(handle, "FBS_Get_PlugFrames", lib.FBS_Get_PlugFrames) &&
           bindName(handle, "FBS_Get_PlugFramesize", lib.FBS_Get_PlugFramesize) &&
           bindName(handle, "FBS_Get_PlayingSounds", lib.FBS_Get_PlayingSounds) &&
           bindName(handle, "FBS_Get_PlayedBytes", lib.FBS_Get_PlayedBytes) &&
           bindName(handle, "FBS_Get_PlayedSamples", lib.FBS_Get_PlayedSamples) &&
           bindName(handle, "FBS_Get_PlayTime", lib.FBS_Get_PlayTime) &&
           bindName(handle, "FBS_Get_MasterVolume", lib.FBS_Get_MasterVolume) &&
           bindName(handle, "FBS_Set_MasterVolume", lib.FBS_Set_MasterVolume) &&
           bindName(handle, "FBS_Rad2Deg", lib.FBS_Rad2Deg) &&
           bindName(handle, "FBS_Deg2Rad", lib.FBS_Deg2Rad) &&
           bindName(handle, "FBS_Volume_2_DB", lib.FBS_Volume_2_DB) &&
           bindName(handle, "FBS_DB_2_Volume", lib.FBS_DB_2_Volume) &&
           bindName(handle, "FBS_Pow", lib.FBS_Pow) &&
           bindName(handle, "FBS_Set_MasterFilter", lib.FBS_Set_MasterFilter) &&
           bindName(handle, "FBS_Enable_MasterFilter", lib.FBS_Enable_MasterFilter) &&
           bindName(handle, "FBS_Disable_MasterFilter", lib.FBS_Disable_MasterFilter) &&
           bindName(handle, "FBS_PitchShift", lib.FBS_PitchShift) &&
           bindName(handle, "FBS_Get_MaxChannels", lib.FBS_Get_MaxChannels) &&
           bindName(handle, "FBS_Set_MaxChannels", lib.FBS_Set_MaxChannels) &&
           bindName(handle, "FBS_Set_LoadCallback", lib.FBS_Set_LoadCallback) &&
           bindName(handle, "FBS_Enable_LoadCallback", lib.FBS_Enable_LoadCallback) &&
           bindName(handle, "FBS_Disable_LoadCallback", lib.FBS_Disable_LoadCallback) &&
           bindName(handle, "FBS_Set_MasterCallback", lib.FBS_Set_MasterCallback) &&
           bindName(handle, "FBS_Enable_MasterCallback", lib.FBS_Enable_MasterCallback) &&
           bindName(handle, "FBS_Disable_MasterCallback", lib.FBS_Disable_MasterCallback) &&
           bindName(handle, "FBS_Load_WAVFile", lib.FBS_Load_WAVFile) &&
           bindName(handle, "FBS_Load_MP3File", lib.FBS_Load_MP3File) &&
           bindName(handle, "FBS_Load_MODFile", lib.FBS_Load_MODFile) &&
           bindName(handle, "FBS_Create_Wave", lib.FBS_Create_Wave) &&
           bindName(handle, "FBS_Get_WaveLength", lib.FBS_Get_WaveLength) &&
           bindName(handle, "FBS_Play_Wave", lib.FBS_Play_Wave) &&
           bindName(handle, "FBS_Destroy_Wave", lib.FBS_Destroy_Wave) &&
           bindName(handle, "FBS_Destroy_Sound", lib.FBS_Destroy_Sound) &&
           bindName(handle, "FBS_Get_SoundLength", lib.FBS_Get_SoundLength) &&
           bindName(handle, "FBS_Set_SoundSpeed", lib.FBS_Set_SoundSpeed) &&
           bindName(handle, "FBS_Get_SoundSpeed", lib.FBS_Get_SoundSpeed) &&
           bindName(handle, "FBS_Get_SoundVolume", lib.FBS_Get_SoundVolume) &&
           bindName(handle, "FBS_Get_SoundPan", lib.FBS_Get_SoundPan) &&
           bindName(handle, "FBS_Set_SoundLoops", lib.FBS_Set_SoundLoops) &&
           bindName(handle, "FBS_Get_SoundLoops", lib.FBS_Get_SoundLoops) &&
           bindName(handle, "FBS_Set_SoundMuted", lib.FBS_Set_SoundMuted) &&
           bindName(handle, "FBS_Get_SoundMuted", lib.FBS_Get_SoundMuted) &&
           bindName(handle, "FBS_Set_SoundPaused", lib.FBS_Set_SoundPaused) &&
           bindName(handle, "FBS_Get_SoundPaused", lib.FBS_Get_SoundPaused) &&
           bindName(handle, "FBS_Get_WavePointers", lib.FBS_Get_WavePointers) &&
           bindName(handle, "FBS_Get_SoundPointers", lib.FBS_Get_SoundPointers) &&
           bindName(handle, "FBS_Set_SoundPointers", lib.FBS_Set_SoundPointers) &&
           bindName(handle, "FBS_Set_SoundCallback", lib.FBS_Set_SoundCallback) &&
           bindName(handle, "FBS_Enable_SoundCallback", lib.FBS_Enable_SoundCallback) &&
           bindName(handle, "FBS_Disable_SoundCallback", lib.FBS_Disable_SoundCallback) &&
           bindName(handle, "FBS_Get_PlayingStreams", lib.FBS_Get_PlayingStreams) &&
           bindName(handle, "FBS_Create_MP3Stream", lib.FBS_Create_MP3Stream) &&
           bindName(handle, "FBS_Play_MP3Stream", lib.FBS_Play_MP3Stream) &&
           bindName(handle, "FBS_End_MP3Stream", lib.FBS_End_MP3Stream) &&
           bindName(handle, "FBS_Set_MP3StreamVolume", lib.FBS_Set_MP3StreamVolume) &&
           bindName(handle, "FBS_Get_MP3StreamVolume", lib.FBS_Get_MP3StreamVolume) &&
           bindName(handle, "FBS_Set_MP3StreamPan", lib.FBS_Set_MP3StreamPan) &&
           bindName(handle, "FBS_Get_MP3StreamPan", lib.FBS_Get_MP3StreamPan) &&
           bindName(handle, "FBS_Get_MP3StreamBuffer", lib.FBS_Get_MP3StreamBuffer) &&
           bindName(handle, "FBS_Set_MP3StreamCallback", lib.FBS_Set_MP3StreamCallback) &&
           bindName(handle, "FBS_Enable_MP3StreamCallback", lib.FBS_Enable_MP3StreamCallback) &&
           bindName(handle, "FBS_Disable_MP3StreamCallback", lib.FBS_Disable_MP3StreamCallback);
    if (ok) out = lib;
    return ok;
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
    if (!bindAll(libraryHandle, library, missing)) {
        say("error: can't resolve " + missing);
        if (!playWarningTone(1000, 250)) {
            std::fputs("\a", stdout);
            std::fflush(stdout);
        }
        waitForKey();
        dlclose(libraryHandle);
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
    dlclose(libraryHandle);
    libraryHandle = nullptr;
    library = SoundLibrary{};
}

void initSoundLibrary() {
    if (bound) library.FBS_Init(44100, 2, 3, 2048, 0, 0);
}
