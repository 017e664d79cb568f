// tallyrally: starts the installed game in its game folder, preparing the folder first.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "game_folder.h"
#include "message_box.h"

namespace fs = std::filesystem;

namespace {

// Exit statuses of the launcher itself; once the game runs, its status is the game's.
constexpr int BadCommandLine = 2;
constexpr int FolderUnusable = 3;
constexpr int GameMissing = 4;

void printHelp() {
    std::printf(
        "Usage: tallyrally [--data DIR]\n"
        "Starts Tally Rally, the classroom arithmetic racing game, in its game folder.\n"
        "\n"
        "  --data DIR   use DIR as the game folder (a shared folder of the school works too)\n"
        "  --help       show this help and exit\n"
        "  --version    show the version and exit\n"
        "\n"
        "Without --data the game folder is $TALLYRALLY_DATA, else $XDG_DATA_HOME/tallyrally,\n"
        "else ~/.local/share/tallyrally. It is created when missing; the classrooms are kept\n"
        "there, in the folder classrooms.\n");
}

// The folder holding this program, found through the running executable so that the
// installation works from any prefix.
fs::path programFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : self.parent_path();
}

// Says what went wrong on the terminal and, when the game was started from the desktop with no
// terminal to read it in, in a message box as well.
int fail(int status, const std::string& text) {
    std::fprintf(stderr, "tallyrally: %s\n", text.c_str());
    if (!isatty(STDERR_FILENO)) showErrorBox("Tally Rally", text);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    std::string data;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            printHelp();
            return 0;
        }
        if (arg == "--version") {
            std::printf("tallyrally %s\n", TALLY_VERSION);
            return 0;
        }
        if (arg == "--data") {
            data = i + 1 < argc ? argv[++i] : "";
        } else if (arg.rfind("--data=", 0) == 0) {
            data = arg.substr(7);
        } else {
            std::fprintf(stderr, "tallyrally: unknown argument %s (try tallyrally --help)\n",
                         arg.c_str());
            return BadCommandLine;
        }
        if (data.empty()) {
            std::fprintf(stderr, "tallyrally: --data needs a folder (try tallyrally --help)\n");
            return BadCommandLine;
        }
    }

    const fs::path here = programFolder();
    const fs::path game = (here / TALLY_LAUNCHER_GAME).lexically_normal();
    const fs::path installed = (here / TALLY_LAUNCHER_DATA).lexically_normal();

    std::string folder = chooseGameFolder(data);
    if (folder.empty())
        return fail(FolderUnusable, "No game folder: there is no home folder. Use --data DIR.");
    std::error_code error;
    folder = fs::absolute(folder, error).lexically_normal().string();
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (const std::string why = prepareGameFolder(folder, installed.string()); !why.empty())
        return fail(FolderUnusable, why);
    if (::chdir(folder.c_str()) != 0)
        return fail(FolderUnusable, "The game folder " + folder + " cannot be entered: " +
                                        std::strerror(errno) + ".");

    char name[] = "tallyrally";
    char* gameArgs[] = {name, nullptr};
    ::execv(game.c_str(), gameArgs);
    return fail(GameMissing, "The game " + game.string() + " cannot be started: " +
                                 std::strerror(errno) + ".");
}
