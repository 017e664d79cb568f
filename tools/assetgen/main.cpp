// tally-assets: writes the game's pictures (and its sounds) into a directory.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "contact_sheet.h"
#include "icon.h"
#include "picture_set.h"
#include "previews.h"
#include "sounds.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: tally-assets OUTDIR [--sheet FILE.png] [--preview DIR] [--icons DIR] [--no-sounds]\n"
                 "  writes the 81 BMP pictures and the sounds of the game into OUTDIR\n"
                 "  --sheet    also writes a contact sheet of all pictures\n"
                 "  --preview  also writes track strips and menu screens for review\n"
                 "  --icons    also writes the desktop icon at every size into DIR/SIZExSIZE/\n"
                 "  --no-sounds  writes the pictures only\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string outDir, sheet, preview, icons;
    bool sounds = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--sheet" || arg == "--preview") && i + 1 < argc) {
            (arg == "--sheet" ? sheet : preview) = argv[++i];
        } else if (arg == "--icons" && i + 1 < argc) {
            icons = argv[++i];
        } else if (arg == "--no-sounds") {
            sounds = false;
        } else if (!arg.empty() && arg[0] != '-' && outDir.empty()) {
            outDir = arg;
        } else {
            return usage();
        }
    }
    if (outDir.empty()) return usage();

    try {
        const std::vector<Picture> pictures = buildPictures();
        bool ok = writePictures(pictures, outDir);
        if (!ok) std::fprintf(stderr, "tally-assets: could not write every picture under %s\n", outDir.c_str());
        if (!sheet.empty() && !writeContactSheet(pictures, sheet)) {
            std::fprintf(stderr, "tally-assets: could not write %s\n", sheet.c_str());
            ok = false;
        }
        if (!preview.empty() && !writePreviews(pictures, preview)) {
            std::fprintf(stderr, "tally-assets: could not write the previews into %s\n", preview.c_str());
            ok = false;
        }
        if (!icons.empty() && !writeIcons(icons)) {
            std::fprintf(stderr, "tally-assets: could not write the icons into %s\n", icons.c_str());
            ok = false;
        }
        if (sounds) {
#ifdef TALLY_ASSETS_WITHOUT_SOUNDS
            std::fprintf(stderr, "tally-assets: this build has no sound part; pictures only\n");
            ok = false;
#else
            if (!writeSounds(outDir)) {
                std::fprintf(stderr, "tally-assets: could not write the sounds under %s\n", outDir.c_str());
                ok = false;
            }
#endif
        }
        return ok ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tally-assets: %s\n", e.what());
        return 1;
    }
}
