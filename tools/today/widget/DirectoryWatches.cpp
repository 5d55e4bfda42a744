// inotify watches on the container, the plans' directories and their parents, and what their events
// mean for the bar.
#include "tools/today/widget/DirectoryWatches.hpp"

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace today::cli {

namespace {

// Entries made, removed, renamed, written or changed in kind, mode or time, and the directory itself
// going away.
constexpr std::uint32_t watchedEvents = IN_CREATE | IN_CLOSE_WRITE | IN_ATTRIB | IN_MOVED_TO | IN_MOVED_FROM |
                                        IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// A file may read differently: written and closed, renamed into place or away, removed, made (a link, a
// FIFO or a device node is made whole, with no write to follow) or given another mode or time.
constexpr std::uint32_t fileChanged = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_CREATE | IN_ATTRIB;
constexpr std::uint32_t entryCameOrWent = IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;
constexpr std::uint32_t watchEnded = IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT;
// Directories above a missing one are watched up to this many levels.
constexpr int deepestParent = 64;

std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

DirectoryWatches::DirectoryWatches() : _fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

DirectoryWatches::~DirectoryWatches() {
    if (_fd >= 0) ::close(_fd);
}

bool DirectoryWatches::add(const std::string& path, int depth) {
    const std::string parent = parentOf(path);
    if (parent != path && depth < deepestParent) {
        _interests[parent].children.insert(nameOf(path));
        // The parent first: a directory made after the look below is then seen being made.
        const int parentWd = ::inotify_add_watch(_fd, parent.c_str(), watchedEvents);
        if (parentWd >= 0) _watches[parentWd] = parent;
        else add(parent, depth + 1);  // missing too: watched from its own parent
    }
    const int wd = ::inotify_add_watch(_fd, path.c_str(), watchedEvents);
    if (wd < 0) return false;
    _watches[wd] = path;
    return true;
}

void DirectoryWatches::watch(const std::string& container, const std::vector<std::string>& files) {
    if (_fd < 0) return;
    const auto before = std::exchange(_watches, {});
    _interests.clear();
    if (!container.empty()) _interests[container].container = true;
    for (const std::string& file : files) _interests[parentOf(file)].files.insert(nameOf(file));
    std::vector<std::string> targets;
    for (const auto& [path, interest] : _interests) targets.push_back(path);
    for (const std::string& path : targets) add(path, 0);
    for (const auto& [wd, path] : before) {
        if (!_watches.contains(wd)) ::inotify_rm_watch(_fd, wd);
    }
}

WatchedChanges DirectoryWatches::readEvents() {
    WatchedChanges changes;
    alignas(inotify_event) std::array<char, 16384> buffer{};
    for (;;) {
        const ssize_t length = ::read(_fd, buffer.data(), buffer.size());
        if (length < 0 && errno == EINTR) continue;
        if (length <= 0) break;
        for (ssize_t at = 0; at < length;) {
            inotify_event event{};
            std::memcpy(&event, buffer.data() + at, sizeof event);
            const std::string name =
                event.len > 0 ? std::string(buffer.data() + at + sizeof event) : std::string();  // NUL-padded
            at += static_cast<ssize_t>(sizeof event + event.len);
            if (event.mask & IN_Q_OVERFLOW) {
                changes = {true, true};
                continue;
            }
            const auto watched = _watches.find(event.wd);
            if (watched == _watches.end()) continue;  // a watch already dropped
            if (event.mask & watchEnded) {
                changes = {true, true};
                continue;
            }
            const Interest& interest = _interests[watched->second];
            if ((event.mask & entryCameOrWent) && interest.children.contains(name)) changes = {true, true};
            if (!(event.mask & fileChanged)) continue;
            if (interest.files.contains(name)) changes.content = true;
            if (interest.container && (name == "projects.json" || name.ends_with(".prj"))) {
                // The list names the plans and so the directories to watch.
                changes.content = true;
                if (name == "projects.json") changes.layout = true;
            }
        }
    }
    return changes;
}

}  // namespace today::cli
