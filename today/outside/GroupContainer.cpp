// The container lookup: `<root>/<identifier>`, where the root comes from the environment, with every
// missing directory created (mode 0700) through the host, as the host system creates a group's
// container on first use.
#include "today/outside/GroupContainer.hpp"

#include <string>

#include "today/outside/Host.hpp"

namespace today {

namespace {

bool isContainerName(std::string_view identifier) {
    if (identifier.empty() || identifier == "." || identifier == "..") return false;
    for (const char ch : identifier) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '/' || c < 0x20 || c == 0x7F) return false;  // NUL and every other control character
    }
    return true;
}

std::optional<std::string> nonEmptyVariable(Host& host, const char* name) {
    auto value = host.environmentVariable(name);
    if (!value || value->empty()) return std::nullopt;
    return value;
}

// The directory that holds every group's container. $TODAY_GROUP_CONTAINERS must be absolute: a relative
// one is refused rather than taken from the current directory, where the application and the widget
// would each find a container of their own. $XDG_DATA_HOME and $HOME count only when absolute, as the
// XDG rules say.
std::optional<std::string> containersRoot(Host& host) {
    if (auto root = nonEmptyVariable(host, "TODAY_GROUP_CONTAINERS")) {
        if (!root->starts_with('/')) return std::nullopt;
        return root;
    }
    if (auto dataHome = nonEmptyVariable(host, "XDG_DATA_HOME"); dataHome && dataHome->starts_with('/')) {
        return *dataHome + "/today/group-containers";
    }
    if (auto home = nonEmptyVariable(host, "HOME"); home && home->starts_with('/')) {
        return *home + "/.local/share/today/group-containers";
    }
    return std::nullopt;
}

// Creates the directory and each missing one above it. Existing directories are left as they are.
bool makeDirectories(Host& host, const std::string& path) {
    std::error_code error;
    if (const auto existing = host.status(path, error); existing && existing->isDirectory) return true;
    std::size_t end = 0;
    while (end != std::string::npos) {
        end = path.find('/', end + 1);
        const std::string prefix = path.substr(0, end);
        if (prefix.empty() || prefix.ends_with('/')) continue;  // repeated slashes
        if (!host.makeDirectory(prefix, 0700, error)) return false;
    }
    return true;
}

// `<root>/<identifier>`, or none when the identifier or the environment names no container.
std::optional<std::string> containerPath(std::string_view identifier) {
    if (!isContainerName(identifier)) return std::nullopt;
    auto root = containersRoot(Host::current());
    if (!root) return std::nullopt;
    while (root->size() > 1 && root->ends_with('/')) root->pop_back();
    return (*root == "/" ? "" : *root) + "/" + std::string(identifier);
}

}  // namespace

std::optional<GroupContainer> GroupContainer::find(std::string_view securityApplicationGroupIdentifier) {
    const auto path = containerPath(securityApplicationGroupIdentifier);
    if (!path) return std::nullopt;
    return GroupContainer(Url::fileUrl(*path));
}

std::optional<GroupContainer> GroupContainer::lookup(std::string_view securityApplicationGroupIdentifier) {
    const auto path = containerPath(securityApplicationGroupIdentifier);
    if (!path || !makeDirectories(Host::current(), *path)) return std::nullopt;
    return GroupContainer(Url::fileUrl(*path));
}

}  // namespace today
