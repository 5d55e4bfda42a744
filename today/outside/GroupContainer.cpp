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

// The directory that holds every group's container. $TODAY_GROUP_CONTAINERS may be relative (to the
// current directory); $XDG_DATA_HOME and $HOME count only when absolute, as the XDG rules say.
std::optional<std::string> containersRoot(Host& host) {
    if (auto root = nonEmptyVariable(host, "TODAY_GROUP_CONTAINERS")) {
        if (!root->starts_with('/')) {
            std::string directory = host.currentDirectory();
            if (!directory.ends_with('/')) directory += '/';
            root = directory + *root;
        }
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

}  // namespace

std::optional<GroupContainer> GroupContainer::lookup(std::string_view securityApplicationGroupIdentifier) {
    if (!isContainerName(securityApplicationGroupIdentifier)) return std::nullopt;
    Host& host = Host::current();
    auto root = containersRoot(host);
    if (!root) return std::nullopt;
    while (root->size() > 1 && root->ends_with('/')) root->pop_back();
    const std::string container = (*root == "/" ? "" : *root) + "/" + std::string(securityApplicationGroupIdentifier);
    if (!makeDirectories(host, container)) return std::nullopt;
    return GroupContainer(Url::fileUrl(container));
}

}  // namespace today
