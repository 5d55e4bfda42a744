// The command's manager: reads plan documents through the plan loader, resolves bookmarks so that changed
// documents are rebuilt, and remembers (without printing) what changed and which documents failed to load.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "today/manager/TodayManager.hpp"

namespace today::cli {

// A plan document that could not be loaded, and why (the message names the file).
struct LoadFailure {
    std::string path;
    std::string message;
};

class CommandManager : public TodayConfigable {
public:
    using TodayConfigable::TodayConfigable;
    // Says where a list of plans that could not be read was kept, once the command is done with it.
    ~CommandManager() override;

    // Loads the plan document; a document that cannot be loaded is reported on standard error.
    std::optional<JsonProject> loadJsonProjectFromOrvFile(const std::string& orvFilePath) override;
    std::optional<BookmarkResolutionOptions> bookmarkResolutionOptions() const override {
        return BookmarkResolutionOptions::withSecurityScope;
    }
    void didChanged(const std::string& to) override { _changed = to; }

    // The id the last successful configuration operation reported, and forgetting it.
    std::optional<std::string> takeChanged() { return std::exchange(_changed, std::nullopt); }
    // The documents that failed to load since the last call, and forgetting them.
    std::vector<LoadFailure> takeLoadFailures() { return std::exchange(_loadFailures, {}); }
    // Whether a document that cannot be loaded is said on standard error at once (the default), or
    // only remembered, for a caller that says it its own way (`today bar`, once per plan).
    void reportLoadFailures(bool report) { _reportLoadFailures = report; }

private:
    std::optional<std::string> _changed;
    std::vector<LoadFailure> _loadFailures;
    bool _reportLoadFailures = true;
};

}  // namespace today::cli
