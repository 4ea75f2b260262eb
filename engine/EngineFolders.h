#pragma once
// Where the configuration of an installation lies: the "data" folder beside the program, and the
// user's own copy of it in the per-user folder, which is read first.

#include <string>
#include <vector>

namespace vx {

struct EngineFolders {
    std::u16string program; // the folder of the program file
    std::u16string perUser; // the user's settings folder; empty: none

    // The program's folder ending in a separator.
    std::u16string moduleFolder() const;

    // The folders to look for data/<file> in, in order: the per-user folder when it exists or
    // could be made, then the program's folder. A per-user folder that this call creates gets a
    // copy of the program's data folder; in one that exists, the files the user has not changed
    // follow the program's when it ships others (refreshUserData), and those the user has
    // changed stay the user's.
    std::vector<std::u16string> searchFolders() const;
};

// The folders of this installation: beside the program, and the user's settings folder.
EngineFolders installedFolders();

} // namespace vx
