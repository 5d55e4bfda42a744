// What the benchmarks set up in the file system: one scratch directory per process that holds every
// group container, plan document files, and the widget's manager, which resolves bookmarks and whose
// loading hook hands out a document prepared beforehand.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "today/manager/TodayManager.hpp"
#include "today/records/JsonTodayProjectProfile.hpp"

namespace today::bench {

class WidgetManager : public TodayConfigable {
public:
    using TodayConfigable::TodayConfigable;

    std::optional<BookmarkResolutionOptions> bookmarkResolutionOptions() const override {
        return BookmarkResolutionOptions::withSecurityScope | BookmarkResolutionOptions::withoutUI;
    }
    // Hands out the prepared document once; none until another is prepared.
    std::optional<JsonProject> loadJsonProjectFromOrvFile(const std::string&) override {
        return std::exchange(_prepared, std::nullopt);
    }
    void prepare(JsonProject document) { _prepared = std::move(document); }

private:
    std::optional<JsonProject> _prepared;
};

// The directory that holds the group containers of this process, made (and named in
// TODAY_GROUP_CONTAINERS) on first use and removed when the process ends.
const std::string& groupsRoot();
// Makes `root` (an existing directory that someone else removes) the directory of the group containers,
// before the first use of `groupsRoot`.
void setGroupsRoot(const std::string& root);
// The container directory of the group, created if needed.
std::string containerPath(std::string_view group);
// A plan document file (its content does not matter to the library); its path.
std::string makeDocumentFile(std::string_view name);
// A stored profile for the document, with a bookmark and with its last update equal to the file's
// modification date, so that the document counts as unchanged.
detail::JsonTodayProjectProfile documentRecord(std::string id, const std::string& documentPath);
// Writes "projects.json" of the group's container.
void writeProfileList(std::string_view group, const std::vector<detail::JsonTodayProjectProfile>& records);

}  // namespace today::bench
