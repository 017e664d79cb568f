// Binding the sound library's functions by name: the one list of the names the game binds.
#include "audio/binding.h"

#include <cctype>

namespace {

// Looks name up in upper case, as the library exports it. On a miss, remembers the name as given.
template <class Function>
bool bindSymbol(FunctionFinder find, void* context, const char* name, Function& slot, std::string& missing) {
    std::string symbol = name;
    for (char& c : symbol) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const AnyFunction found = find(symbol.c_str(), context);
    if (found == nullptr) {
        missing = name;
        return false;
    }
    slot = reinterpret_cast<Function>(found);
    return true;
}

}  // namespace

bool bindSoundFunctions(FunctionFinder find, void* context, SoundLibrary& out, std::string& missing) {
    SoundLibrary lib;
    const auto bindName = [&](const char* name, auto& slot) { return bindSymbol(find, context, name, slot, missing); };
    const bool ok =
           bindName("FBS_Init", lib.FBS_Init) &&
           bindName("FBS_Load_OGGFile", lib.FBS_Load_OGGFile) &&
           bindName("FBS_Create_Sound", lib.FBS_Create_Sound) &&
           bindName("FBS_Get_SoundPosition", lib.FBS_Get_SoundPosition) &&
           bindName("FBS_Play_Sound", lib.FBS_Play_Sound) &&
           bindName("FBS_Set_SoundVolume", lib.FBS_Set_SoundVolume) &&
           bindName("FBS_Set_SoundPan", lib.FBS_Set_SoundPan) &&
           bindName("FBS_Get_PlugRunning", lib.FBS_Get_PlugRunning) &&
           bindName("FBS_Stop", lib.FBS_Stop) &&
           bindName("FBS_Exit", lib.FBS_Exit) &&
           bindName("FBS_Start", lib.FBS_Start) &&
           bindName("FBS_Get_PlugPath", lib.FBS_Get_PlugPath) &&
           bindName("FBS_Set_PlugPath", lib.FBS_Set_PlugPath) &&
           bindName("FBS_Get_NumOfPlugouts", lib.FBS_Get_NumOfPlugouts) &&
           bindName("FBS_Get_PlugName", lib.FBS_Get_PlugName) &&
           bindName("FBS_Get_PlugDevice", lib.FBS_Get_PlugDevice) &&
           bindName("FBS_Get_PlugError", lib.FBS_Get_PlugError) &&
           bindName("FBS_Get_PlugRate", lib.FBS_Get_PlugRate) &&
           bindName("FBS_Get_PlugBits", lib.FBS_Get_PlugBits) &&
           bindName("FBS_Get_PlugChannels", lib.FBS_Get_PlugChannels) &&
           bindName("FBS_Get_PlugBuffers", lib.FBS_Get_PlugBuffers) &&
           bindName("FBS_Get_PlugBuffersize", lib.FBS_Get_PlugBuffersize) &&
           bindName("FBS_Get_PlugFrames", lib.FBS_Get_PlugFrames) &&
           bindName("FBS_Get_PlugFramesize", lib.FBS_Get_PlugFramesize) &&
           bindName("FBS_Get_PlayingSounds", lib.FBS_Get_PlayingSounds) &&
           bindName("FBS_Get_PlayedBytes", lib.FBS_Get_PlayedBytes) &&
           bindName("FBS_Get_PlayedSamples", lib.FBS_Get_PlayedSamples) &&
           bindName("FBS_Get_PlayTime", lib.FBS_Get_PlayTime) &&
           bindName("FBS_Get_MasterVolume", lib.FBS_Get_MasterVolume) &&
           bindName("FBS_Set_MasterVolume", lib.FBS_Set_MasterVolume) &&
           bindName("FBS_Rad2Deg", lib.FBS_Rad2Deg) &&
           bindName("FBS_Deg2Rad", lib.FBS_Deg2Rad) &&
           bindName("FBS_Volume_2_DB", lib.FBS_Volume_2_DB) &&
           bindName("FBS_DB_2_Volume", lib.FBS_DB_2_Volume) &&
           bindName("FBS_Pow", lib.FBS_Pow) &&
           bindName("FBS_Set_MasterFilter", lib.FBS_Set_MasterFilter) &&
           bindName("FBS_Enable_MasterFilter", lib.FBS_Enable_MasterFilter) &&
           bindName("FBS_Disable_MasterFilter", lib.FBS_Disable_MasterFilter) &&
           bindName("FBS_PitchShift", lib.FBS_PitchShift) &&
           bindName("FBS_Get_MaxChannels", lib.FBS_Get_MaxChannels) &&
           bindName("FBS_Set_MaxChannels", lib.FBS_Set_MaxChannels) &&
           bindName("FBS_Set_LoadCallback", lib.FBS_Set_LoadCallback) &&
           bindName("FBS_Enable_LoadCallback", lib.FBS_Enable_LoadCallback) &&
           bindName("FBS_Disable_LoadCallback", lib.FBS_Disable_LoadCallback) &&
           bindName("FBS_Set_MasterCallback", lib.FBS_Set_MasterCallback) &&
           bindName("FBS_Enable_MasterCallback", lib.FBS_Enable_MasterCallback) &&
           bindName("FBS_Disable_MasterCallback", lib.FBS_Disable_MasterCallback) &&
           bindName("FBS_Load_WAVFile", lib.FBS_Load_WAVFile) &&
           bindName("FBS_Load_MP3File", lib.FBS_Load_MP3File) &&
           bindName("FBS_Load_MODFile", lib.FBS_Load_MODFile) &&
           bindName("FBS_Create_Wave", lib.FBS_Create_Wave) &&
           bindName("FBS_Get_WaveLength", lib.FBS_Get_WaveLength) &&
           bindName("FBS_Play_Wave", lib.FBS_Play_Wave) &&
           bindName("FBS_Destroy_Wave", lib.FBS_Destroy_Wave) &&
           bindName("FBS_Destroy_Sound", lib.FBS_Destroy_Sound) &&
           bindName("FBS_Get_SoundLength", lib.FBS_Get_SoundLength) &&
           bindName("FBS_Set_SoundSpeed", lib.FBS_Set_SoundSpeed) &&
           bindName("FBS_Get_SoundSpeed", lib.FBS_Get_SoundSpeed) &&
           bindName("FBS_Get_SoundVolume", lib.FBS_Get_SoundVolume) &&
           bindName("FBS_Get_SoundPan", lib.FBS_Get_SoundPan) &&
           bindName("FBS_Set_SoundLoops", lib.FBS_Set_SoundLoops) &&
           bindName("FBS_Get_SoundLoops", lib.FBS_Get_SoundLoops) &&
           bindName("FBS_Set_SoundMuted", lib.FBS_Set_SoundMuted) &&
           bindName("FBS_Get_SoundMuted", lib.FBS_Get_SoundMuted) &&
           bindName("FBS_Set_SoundPaused", lib.FBS_Set_SoundPaused) &&
           bindName("FBS_Get_SoundPaused", lib.FBS_Get_SoundPaused) &&
           bindName("FBS_Get_WavePointers", lib.FBS_Get_WavePointers) &&
           bindName("FBS_Get_SoundPointers", lib.FBS_Get_SoundPointers) &&
           bindName("FBS_Set_SoundPointers", lib.FBS_Set_SoundPointers) &&
           bindName("FBS_Set_SoundCallback", lib.FBS_Set_SoundCallback) &&
           bindName("FBS_Enable_SoundCallback", lib.FBS_Enable_SoundCallback) &&
           bindName("FBS_Disable_SoundCallback", lib.FBS_Disable_SoundCallback) &&
           bindName("FBS_Get_PlayingStreams", lib.FBS_Get_PlayingStreams) &&
           bindName("FBS_Create_MP3Stream", lib.FBS_Create_MP3Stream) &&
           bindName("FBS_Play_MP3Stream", lib.FBS_Play_MP3Stream) &&
           bindName("FBS_End_MP3Stream", lib.FBS_End_MP3Stream) &&
           bindName("FBS_Set_MP3StreamVolume", lib.FBS_Set_MP3StreamVolume) &&
           bindName("FBS_Get_MP3StreamVolume", lib.FBS_Get_MP3StreamVolume) &&
           bindName("FBS_Set_MP3StreamPan", lib.FBS_Set_MP3StreamPan) &&
           bindName("FBS_Get_MP3StreamPan", lib.FBS_Get_MP3StreamPan) &&
           bindName("FBS_Get_MP3StreamBuffer", lib.FBS_Get_MP3StreamBuffer) &&
           bindName("FBS_Set_MP3StreamCallback", lib.FBS_Set_MP3StreamCallback) &&
           bindName("FBS_Enable_MP3StreamCallback", lib.FBS_Enable_MP3StreamCallback) &&
           bindName("FBS_Disable_MP3StreamCallback", lib.FBS_Disable_MP3StreamCallback);
    if (ok) out = lib;
    return ok;
}
