#include "engine/EngineFolders.h"

#include "engine/DataRefresh.h"
#include "platform/Files.h"
#include "platform/Log.h"

namespace vx {
namespace {

constexpr std::u16string_view kDataFolder = u"data";

} // namespace

std::u16string EngineFolders::moduleFolder() const {
    std::u16string folder = program;
    if (folder.empty() || folder.back() != platform::kPathSeparator) {
        folder += platform::kPathSeparator;
    }
    return folder;
}

std::vector<std::u16string> EngineFolders::searchFolders() const {
    std::vector<std::u16string> folders;
    bool usable = !perUser.empty() && platform::pathExists(perUser);
    if (!usable && !perUser.empty()) {
        const std::u16string parent = platform::parentFolder(perUser);
        if (!parent.empty() && !platform::folderExists(parent)) {
            platform::createFolder(parent);
        }
        usable = platform::createFolder(perUser);
        if (!usable) {
            Log::Write(u"* The folder of the user's data cannot be made: %s; the program's data is used", perUser);
        }
        // A new copy is made as an upgrade is: each file whole and the manifest last, so that a
        // copy cut short is completed by the next engine object rather than kept as it is.
        if (usable && !refreshUserData(platform::joinPath(program, kDataFolder), platform::joinPath(perUser, kDataFolder))) {
            platform::copyFolder(platform::joinPath(program, kDataFolder), platform::joinPath(perUser, kDataFolder));
        }
    } else if (usable) {
        refreshUserData(platform::joinPath(program, kDataFolder), platform::joinPath(perUser, kDataFolder));
    }
    if (usable) {
        folders.push_back(perUser);
    }
    folders.push_back(moduleFolder());
    return folders;
}

EngineFolders installedFolders() { return {platform::programFolder(), platform::perUserFolder()}; }

} // namespace vx
