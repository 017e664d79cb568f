// Tests of binding the sound library by name through the table of a library linked into the
// program, the way the browser build binds it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/binding.h"
#include "audio/linked_library.h"

namespace {

// A finder over the linked table that records every name asked for and hides one of them.
struct Recorder {
    std::vector<std::string> asked;
    std::string hidden;
};

AnyFunction recordingFinder(const char* upperName, void* context) {
    auto& r = *static_cast<Recorder*>(context);
    r.asked.emplace_back(upperName);
    return upperName == r.hidden ? nullptr : findLinkedSoundFunction(upperName, nullptr);
}

}  // namespace

TEST(LinkedBinding, EveryNameIsBoundToTheFunctionTheLibraryExportsUnderIt) {
    Recorder r;
    SoundLibrary lib;
    std::string missing;
    ASSERT_TRUE(bindSoundFunctions(recordingFinder, &r, lib, missing)) << missing;
    EXPECT_EQ(r.asked.size(), 84u);
    // The table's entry for a name is the very function the dynamic linker finds under that name.
    for (const std::string& name : r.asked)
        EXPECT_EQ(reinterpret_cast<void*>(findLinkedSoundFunction(name.c_str(), nullptr)),
                  dlsym(RTLD_DEFAULT, name.c_str()))
            << name;
    EXPECT_FLOAT_EQ(lib.FBS_Rad2Deg(3.14159265f), 180.0f);
    EXPECT_EQ(lib.FBS_Get_PlugRunning(), 0);  // bound, not initialised
}

TEST(LinkedBinding, TheFirstMissingNameIsGivenAsListedAndNothingIsBound) {
    const struct {
        const char* hidden;
        const char* listed;
        std::size_t askedBeforeStop;
    } cases[] = {
        {"FBS_INIT", "FBS_Init", 1},
        {"FBS_SET_MASTERFILTER", "FBS_Set_MasterFilter", 36},
        {"FBS_DISABLE_MP3STREAMCALLBACK", "FBS_Disable_MP3StreamCallback", 84},
    };
    for (const auto& c : cases) {
        Recorder r;
        r.hidden = c.hidden;
        SoundLibrary lib;
        std::string missing;
        EXPECT_FALSE(bindSoundFunctions(recordingFinder, &r, lib, missing)) << c.hidden;
        EXPECT_EQ(missing, c.listed);
        EXPECT_EQ(r.asked.size(), c.askedBeforeStop) << c.hidden;
        EXPECT_EQ(lib.FBS_Init, nullptr) << "a failed binding leaves the table empty";
    }
}
