// The shared container directory of an application group: the one directory that the application and
// its widget both reach. On Linux it is `<root>/<identifier>`, where the root is $TODAY_GROUP_CONTAINERS,
// else $XDG_DATA_HOME/today/group-containers, else $HOME/.local/share/today/group-containers; empty
// values, and relative XDG_DATA_HOME or HOME values, are ignored. A relative $TODAY_GROUP_CONTAINERS
// gives no container: it would name another directory in every working directory. The environment is
// read through the host.
#pragma once

#include <optional>
#include <string_view>

#include "today/export.hpp"
#include "today/outside/Url.hpp"

namespace today {

class TODAY_API GroupContainer {
public:
    // The group's container, created (mode 0700) when missing; none for an identifier that cannot name
    // one (empty, "." or "..", or holding "/", NUL or a control character) or when it cannot be made.
    static std::optional<GroupContainer> lookup(std::string_view securityApplicationGroupIdentifier);
    // Where `lookup` finds or makes the group's container, without looking at or making anything: the
    // directory may not exist yet. For a reader that has nothing to do in a container never made.
    static std::optional<GroupContainer> find(std::string_view securityApplicationGroupIdentifier);

    // The container directory as a file URL.
    const Url& url() const { return _url; }

    // A container at a directory the caller has chosen, for hosts that keep their own directories (and
    // tests); nothing is checked or created.
    static GroupContainer atDirectory(const Url& directory) { return GroupContainer(directory); }

private:
    explicit GroupContainer(Url url) : _url(std::move(url)) {}

    Url _url;
};

}  // namespace today
