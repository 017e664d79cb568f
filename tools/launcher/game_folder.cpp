// Choosing the game folder and preparing it: creating it, checking it can be written, and linking
// the installed pictures and sounds into it.
#include "game_folder.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The saved data: the game's own, never linked, replaced or copied over.
constexpr const char* SavedData = "classrooms";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? "" : value;
}

std::string homeFolder() {
    std::string home = environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
            home = entry->pw_dir;
    }
    return home;
}

// How a folder takes the installed entries: links where it can, copies where the file system
// refuses links (some network shares do).
enum class Share { Links, Copies };

bool refusesLinks(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS;
}

// Writes and removes a probe in the folder, first as a link and, where links are refused, as a
// plain file, so that a folder the game cannot write in is found now rather than by lost races.
// Sets share; returns "" or the reason.
std::string probeFolder(const std::string& folder, Share& share) {
    const std::string probe = folder + "/.tallyrally-probe-" + std::to_string(getpid());
    ::unlink(probe.c_str());
    if (::symlink(".", probe.c_str()) == 0) {
        ::unlink(probe.c_str());
        share = Share::Links;
        return "";
    }
    if (!refusesLinks(errno)) return std::strerror(errno);
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return std::strerror(errno);
    ::close(fd);
    ::unlink(probe.c_str());
    share = Share::Copies;
    return "";
}

// Gives the folder its entry for one installed file or folder. Returns "" or the reason.
std::string shareEntry(const fs::path& installed, const fs::path& entry, Share share) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(entry, error);
    if (share == Share::Copies) {
        if (fs::exists(status) && !fs::is_directory(status) && !fs::is_regular_file(status))
            return "";
        fs::copy(installed, entry,
                 fs::copy_options::recursive | fs::copy_options::update_existing, error);
        return error ? error.message() : "";
    }
    if (fs::is_symlink(status)) {
        // A link of ours from an earlier start: point it at this installation, which may have
        // moved (another prefix, a PC with the game elsewhere).
        if (fs::read_symlink(entry, error) == installed) return "";
        fs::remove(entry, error);
        if (error) return error.message();
    } else if (fs::exists(status)) {
        return "";  // the user's own pictures or sounds: theirs to keep
    }
    fs::create_symlink(installed, entry, error);
    return error ? error.message() : "";
}

}  // namespace

std::string chooseGameFolder(const std::string& dataOption) {
    if (!dataOption.empty()) return dataOption;
    if (std::string data = environment("TALLYRALLY_DATA"); !data.empty()) return data;
    // The base directory standard ignores a relative XDG_DATA_HOME.
    if (std::string xdg = environment("XDG_DATA_HOME"); !xdg.empty() && xdg[0] == '/')
        return xdg + "/tallyrally";
    const std::string home = homeFolder();
    return home.empty() ? "" : home + "/.local/share/tallyrally";
}

std::string prepareGameFolder(const std::string& folder, const std::string& installedData) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) return "The game folder " + folder + " cannot be created: " + error.message() + ".";
    if (!fs::is_directory(folder, error))
        return "The game folder " + folder + " is not a folder.";
    Share share = Share::Links;
    if (const std::string why = probeFolder(folder, share); !why.empty())
        return "The game folder " + folder + " cannot be written: " + why + ".";
    const fs::path saved = fs::path(folder) / SavedData;
    if (fs::is_directory(saved, error) && ::access(saved.c_str(), W_OK) != 0)
        return "The classrooms in " + folder + " cannot be written: " + std::strerror(errno) + ".";

    std::vector<fs::path> installed;
    for (const fs::directory_entry& item : fs::directory_iterator(installedData, error))
        if (item.path().filename() != SavedData) installed.push_back(item.path());
    if (error || installed.empty())
        return "The installed pictures and sounds are missing from " + installedData + ".";
    for (const fs::path& item : installed) {
        const std::string why = shareEntry(item, fs::path(folder) / item.filename(), share);
        if (!why.empty())
            return "The game folder " + folder + " cannot take " + item.filename().string() +
                   ": " + why + ".";
    }
    return "";
}
