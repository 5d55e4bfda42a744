// The benchmarks' group containers, plan document files and stored profiles.
#include "BenchFixtures.hpp"

#include <stdexcept>

#include "BenchDocuments.hpp"
#include "today/outside/GroupContainer.hpp"
#include "today/outside/Path.hpp"

namespace today::bench {

namespace {
std::string& chosenRoot() {
    static std::string root;
    return root;
}
}  // namespace

void setGroupsRoot(const std::string& root) {
    chosenRoot() = root;
    useGroupContainersRoot(root);
}

const std::string& groupsRoot() {
    if (!chosenRoot().empty()) return chosenRoot();
    static const ScratchDirectory scratch;
    static const std::string root = [] {
        useGroupContainersRoot(scratch.path() + "/groups");
        return scratch.path() + "/groups";
    }();
    return root;
}

std::string containerPath(std::string_view group) {
    groupsRoot();
    const auto container = GroupContainer::lookup(group);
    if (!container) throw std::runtime_error("no container for " + std::string(group));
    return container->url().path();
}

std::string makeDocumentFile(std::string_view name) {
    const std::string path = groupsRoot() + "/" + std::string(name);
    writeTextFile(path, "{}");
    return path;
}

detail::JsonTodayProjectProfile documentRecord(std::string id, const std::string& documentPath) {
    detail::JsonTodayProjectProfile record;
    record.id = std::move(id);
    record.name = "Bâtiment Est – Rénovation";
    record.sourceOrvFilePath = documentPath;
    record.securityScopedBookmark = Url::fileUrl(documentPath).bookmarkData(BookmarkCreationOptions::withSecurityScope);
    record.lastUpdate = detail::Path(documentPath).lastUpdateDate();
    record.todayWidget = true;
    if (!record.securityScopedBookmark || !record.lastUpdate)
        throw std::runtime_error("cannot bookmark " + documentPath);
    return record;
}

void writeProfileList(std::string_view group, const std::vector<detail::JsonTodayProjectProfile>& records) {
    const auto text = detail::encodeProfileList(records);
    if (!text) throw std::runtime_error("cannot encode the profile list");
    writeTextFile(containerPath(group) + "/projects.json", *text);
}

}  // namespace today::bench
