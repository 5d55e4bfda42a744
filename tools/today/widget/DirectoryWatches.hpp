// The inotify watches of the bar: the container (the list and the snapshots), each plan's directory
// (its document, which editors save by rename), and the parent of each, so that a directory that is
// deleted and made again is watched again.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace today::cli {

// What a batch of events calls for.
struct WatchedChanges {
    bool content = false;  // a plan's document, the list or a snapshot changed
    bool layout = false;   // a watched directory went or came: the watches must be set again
};

class DirectoryWatches {
public:
    DirectoryWatches();
    ~DirectoryWatches();
    DirectoryWatches(const DirectoryWatches&) = delete;
    DirectoryWatches& operator=(const DirectoryWatches&) = delete;

    // The inotify descriptor to wait on; -1 when inotify is not available.
    int descriptor() const { return _fd; }
    // Watches the container and the directories of the files, and drops the watches no longer needed.
    void watch(const std::string& container, const std::vector<std::string>& files);
    // Reads the pending events.
    WatchedChanges readEvents();

private:
    struct Interest {
        bool container = false;
        std::set<std::string> files;     // names of plan documents in the directory
        std::set<std::string> children;  // names of watched directories in it
    };
    // Watches the directory after its parent, so that a directory made in between is not missed.
    bool add(const std::string& path, int depth);

    int _fd = -1;
    std::map<std::string, Interest> _interests;  // by directory
    std::map<int, std::string> _watches;         // watch descriptor to directory
};

}  // namespace today::cli
