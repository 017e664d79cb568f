// The sound bank: reading sound/sound.txt, loading its sounds through the sound library, and
// playing a sound by id on an idle instance.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "audio/bank.h"
#include "audio/library.h"
#include "audio/sound.h"
#include "present/platform.h"
#include "shell/watch.h"
#include "store/fields.h"

SoundBank soundBank;

namespace {

bool tracing = false;

// Frees what an earlier load made, so that loading again replaces the bank instead of piling up.
void freeBank(const SoundLibrary* lib) {
    if (lib != nullptr) {
        for (const SoundEntry& entry : soundBank) {
            for (const std::int32_t sound : entry.instances) lib->FBS_Destroy_Sound(sound);
            lib->FBS_Destroy_Wave(entry.wave);
        }
    }
    soundBank.clear();
}

}  // namespace

void setSoundTrace(bool on) { tracing = on; }

void loadSoundBank() {
    const SoundLibrary* lib = soundLibrary();
    freeBank(lib);
    FieldReader list = openFields("sound/sound.txt");
    const int count = std::clamp(readIntField(list), 0, MaxBankSounds);
    soundBank.resize(static_cast<std::size_t>(count));
    for (SoundEntry& entry : soundBank) {
        const std::string name = readTextField(list);
        // The field is the highest instance index, so one more instance than it says.
        const int highest = std::clamp(readIntField(list), -1, MaxSoundInstances - 1);
        entry.instances.assign(static_cast<std::size_t>(highest + 1), -1);
        if (lib == nullptr) continue;
        lib->FBS_Load_OGGFile(("sound/" + name).c_str(), &entry.wave, "");
        for (std::int32_t& sound : entry.instances) lib->FBS_Create_Sound(entry.wave, &sound);
    }
}

void playSound(int id) {
    if (Watchers.soundPlayed) Watchers.soundPlayed(id);
    const char* outcome = "unknown";
    if (id >= 0 && static_cast<std::size_t>(id) < soundBank.size()) {
        outcome = "dropped";
        const SoundLibrary* lib = soundLibrary();
        if (lib != nullptr) {
            for (const std::int32_t sound : soundBank[static_cast<std::size_t>(id)].instances) {
                float position = 0.0f;
                lib->FBS_Get_SoundPosition(sound, &position);
                if (position != 0.0f && position != 1.0f) continue;  // busy
                // Full volume and centre on every start, set once it has started.
                const bool started = lib->FBS_Play_Sound(sound, 1) != 0;
                lib->FBS_Set_SoundVolume(sound, 1.0f);
                lib->FBS_Set_SoundPan(sound, 0.0f);
                if (started) outcome = "played";
                break;
            }
        }
    }
    if (tracing) {
        std::printf("playSound %d t=%.3f %s\n", id, nowSeconds(), outcome);
        std::fflush(stdout);
    }
}
