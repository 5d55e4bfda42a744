// Fuzzes bookmark resolution with arbitrary bytes, on an in-memory file system: resolving directly and
// through a manager agree, and today's tasks and deletion of a profile that carries the bytes and an
// arbitrary id change nothing outside the container (the host stops the process if they do).
//
// Input: one byte of flags (the resolution options in bits 0-2; bit 3: an id follows), then, when bit 3
// is set, one byte n and n bytes of id, then the bookmark bytes.
#include <cstdint>
#include <string>

#include "FuzzCheck.hpp"
#include "FuzzHost.hpp"
#include "today/manager/TodayManager.hpp"
#include "today/records/RecordFactory.hpp"

using namespace today;

namespace {

class FuzzManager : public TodayConfigable {
public:
    FuzzManager(BookmarkResolutionOptions options)
        : TodayConfigable(GroupContainer::atDirectory(Url::fileUrl(fuzzing::containerPath))), _options(options) {}

    std::optional<JsonProject> loadJsonProjectFromOrvFile(const std::string& path) override {
        if (path != fuzzing::firstDocumentPath && path != fuzzing::secondDocumentPath) return std::nullopt;
        JsonTask leaf;
        leaf.id = 1;
        leaf.name = path;
        leaf.start = Date(6e8);
        leaf.finish = Date(8e8);
        JsonTask root;
        root.id = 0;
        root.childs.emplace().push_back(std::move(leaf));
        return JsonProject{"Plan", std::move(root)};
    }
    std::optional<BookmarkResolutionOptions> bookmarkResolutionOptions() const override { return _options; }

private:
    BookmarkResolutionOptions _options;
};

BookmarkResolutionOptions optionsOf(std::uint8_t flags) {
    BookmarkResolutionOptions options;
    if (flags & 1) options = options | BookmarkResolutionOptions::withoutUI;
    if (flags & 2) options = options | BookmarkResolutionOptions::withoutMounting;
    if (flags & 4) options = options | BookmarkResolutionOptions::withSecurityScope;
    return options;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzing::FuzzHost host;
    static ScopedHost scoped(host);
    if (size == 0) return 0;
    const std::uint8_t flags = data[0];
    std::size_t at = 1;
    std::string id = "fuzzed";
    if ((flags & 8) && size >= 2) {
        const std::size_t length = std::min<std::size_t>(data[1], size - 2);
        id.assign(reinterpret_cast<const char*>(data + 2), length);
        at = 2 + length;
    }
    const Bytes bookmark(data + at, data + size);
    const auto options = optionsOf(flags);

    host.reset();
    bool isStale = false;
    const auto resolved = Url::resolvingBookmarkData(bookmark, options, isStale);
    if (resolved) fuzzing::require(resolved->isFileUrl(), "a bookmark resolves to a file URL");
    {
        FuzzManager manager(options);
        const auto viaManager = manager.createFileUrl(bookmark, options);
        fuzzing::require(!viaManager || (resolved && viaManager->path() == resolved->path()),
                         "the manager resolves a bookmark to where the bookmark points");
        fuzzing::require(!viaManager || !isStale || viaManager->path() == fuzzing::firstDocumentPath,
                         "a stale bookmark is refreshed only for a listed document");
    }

    host.reset();
    FuzzManager manager(options);
    const auto profile = detail::RecordFactory::profile(id, "Fuzzed", std::nullopt, std::nullopt,
                                                        fuzzing::firstDocumentPath, bookmark, Date(0), true);
    (void)manager.tasks(profile, Date(7e8));
    (void)manager.deleteProject(id);
    (void)manager.update(fuzzing::firstDocumentPath);
    return 0;
}
