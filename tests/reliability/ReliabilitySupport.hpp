// Shared pieces of the reliability tests: a host that records which operation a fault hit and every
// content committed to a file, a manager whose loading hook serves plan documents from memory, plan
// documents of any size and shape, and snapshots of a directory tree to compare before and after.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/TestHost.hpp"
#include "today/manager/TodayManager.hpp"
#include "today/outside/PlanDocument.hpp"
#include "today/records/JsonTodayProjectProfile.hpp"
#include "today/records/ProjectTodayCacheFile.hpp"

namespace today::reliability {

using testing::HostOp;

// A test host that fails the n-th operation from a chosen moment, remembers which operation that was,
// and records the bytes of every completed write and rename, so that a test can tell whether a file
// holds content the library committed or something it never meant to write.
class RecordingHost : public testing::TestHost {
public:
    struct Fault {
        HostOp op;
        std::string path;
    };

    // Fails the n-th host operation from now (1-based).
    void armFault(long n);
    void disarm();
    std::optional<Fault> firedFault() const;

    // Forgets the contents committed so far.
    void resetCommits();
    // The contents renamed onto `path` since the last reset, in order.
    std::vector<std::string> committedTo(const std::string& path) const;

    bool writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes) override;
    bool rename(const std::string& from, const std::string& to) override;

private:
    mutable std::mutex _recordMutex;
    std::optional<Fault> _fired;
    std::map<std::string, std::string> _written;
    std::map<std::string, std::vector<std::string>> _committed;
};

// Plan documents by path, served by the loading hook of `PlanManager`. Shared by every manager of a test.
class PlanLibrary {
public:
    void put(const std::string& path, JsonProject project);
    std::optional<JsonProject> get(const std::string& path) const;

private:
    mutable std::mutex _mutex;
    std::map<std::string, std::shared_ptr<const JsonProject>> _plans;
};

// A host application's manager: loads documents from a `PlanLibrary`, resolves bookmarks with the
// security-scope option, and records every `didChanged` call.
class PlanManager : public TodayConfigable {
public:
    PlanManager(const GroupContainer& container, std::shared_ptr<const PlanLibrary> plans);

    std::optional<JsonProject> loadJsonProjectFromOrvFile(const std::string& orvFilePath) override;
    std::optional<BookmarkResolutionOptions> bookmarkResolutionOptions() const override;
    void didChanged(const std::string& to) override;

    std::vector<std::string> changed() const;

private:
    std::shared_ptr<const PlanLibrary> _plans;
    mutable std::mutex _mutex;
    std::vector<std::string> _changed;
};

// A task that is on during [start, finish).
JsonTask leafTask(std::int64_t id, std::string name, std::optional<Date> start, std::optional<Date> finish,
                  JsonTaskType type = JsonTaskType::normal);
// A project whose root task holds the given children.
JsonProject projectOf(std::optional<std::string> name, std::vector<JsonTask> children);
// A project whose only leaf sits `depth` summary tasks below the root, built without recursion.
JsonProject deeplyNestedProject(std::size_t depth, Date leafStart, Date leafFinish);
// A project of `count` leaves under the root, each on during [start, finish).
JsonProject wideProject(std::size_t count, Date start, Date finish, std::size_t nameLength = 8);

// Every regular file below `root` by its path relative to `root`, with its content.
std::map<std::string, std::string> snapshotTree(const std::string& root);
// Writes a file, replacing it in place (same inode), and sets its modification time.
void writeFileInPlace(const std::string& path, const std::string& content, double unixModificationTime);
// Replaces a file through a new file and a rename (a new inode), as editors save, and sets its time.
void replaceFile(const std::string& path, const std::string& content, double unixModificationTime);

// The canonical text of a profile list, for comparing lists.
std::string encodeProfiles(const std::vector<TodayProjectProfile>& profiles);
// Whether two lists hold the same profiles, field by field (dates compare as numbers, so -0 equals 0).
bool sameProfiles(const std::vector<TodayProjectProfile>& a, const std::vector<TodayProjectProfile>& b);
// "id:name, id:name" of the tasks, or "none".
std::string describeTasks(const std::optional<std::vector<TaskToday>>& tasks);

// True under AddressSanitizer or ThreadSanitizer, where the heaviest inputs are scaled down.
constexpr bool underSanitizer() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return true;
#else
    return false;
#endif
}

}  // namespace today::reliability
