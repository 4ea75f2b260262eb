#pragma once
// The base of the readers of langs.conf, engines.conf and voices.conf: it finds the file, feeds
// its entries to the derived reader's onEntry, and owns the named items that the reader makes.

#include "config/ConfigHandler.h"
#include "config/ConfigParser.h"
#include "platform/Files.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vx {

template <class Item>
class ConfigFile : public ConfigHandler {
public:
    using Items = std::map<std::u16string, std::unique_ptr<Item>>;

    ConfigFile(const ConfigFile&) = delete;
    ConfigFile& operator=(const ConfigFile&) = delete;
    ~ConfigFile() override = default;

    // The item of that name (exact, case-sensitive), or null. The pointer stays valid until
    // clear, remove or destruction.
    virtual Item* get(const std::u16string& name) {
        const auto at = find(name);
        return at == items_.end() ? nullptr : at->second.get();
    }

    // Deletes every item and forgets the base directory.
    virtual void clear() {
        baseDirectory_.clear();
        items_.clear();
    }

    // Reads the first of folder/data/<file name> for the folders in order that can be read, adding
    // to the items already held. True when one was read; false, with the items unchanged, when
    // none could be. Copies in later folders are never read or merged.
    virtual bool load(const std::u16string& baseDirectory, const std::vector<std::u16string>& folders) {
        baseDirectory_ = baseDirectory;
        paths_.clear();
        loadedPath_.clear();
        for (const std::u16string& folder : folders) {
            paths_.push_back(platform::joinPath(platform::joinPath(folder, u"data"), fileName_));
        }
        for (const std::u16string& path : paths_) {
            if (ConfigParser::loadFile(path, *this)) {
                loadedPath_ = path;
                return true;
            }
        }
        return false;
    }

    // Deletes the named item; false when there is none.
    virtual bool remove(const std::u16string& name) {
        const auto at = find(name);
        if (at == items_.end()) {
            return false;
        }
        erase(at);
        return true;
    }

    virtual typename Items::iterator find(const std::u16string& name) { return items_.find(name); }

    virtual void erase(typename Items::iterator at) { items_.erase(at); }

    const Items& items() const { return items_; }
    const std::u16string& baseDirectory() const { return baseDirectory_; }
    // The candidate paths of the file that the last load tried, in order.
    const std::vector<std::u16string>& paths() const { return paths_; }
    // The path that the last load read; empty when it read none.
    const std::u16string& loadedPath() const { return loadedPath_; }
    const std::u16string& fileName() const { return fileName_; }

protected:
    explicit ConfigFile(std::u16string fileName) : fileName_(std::move(fileName)) {}

    // Takes ownership of item under name, replacing any item of that name; returns it.
    Item* insert(const std::u16string& name, std::unique_ptr<Item> item) {
        auto& slot = items_[name];
        slot = std::move(item);
        return slot.get();
    }

private:
    Items items_;
    std::u16string baseDirectory_;
    std::vector<std::u16string> paths_;
    std::u16string loadedPath_;
    std::u16string fileName_;
};

} // namespace vx
