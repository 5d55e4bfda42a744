// The documents the benchmarks work on, generated with fixed contents: today snapshots (cache files) of
// any size, "projects.json" profile lists with non-ASCII paths, and plan documents with a task tree of a
// given shape. Also a scratch directory that holds the group containers of one benchmark run.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "today/outside/Date.hpp"
#include "today/outside/PlanDocument.hpp"
#include "today/records/JsonTodayProjectProfile.hpp"
#include "today/records/ProjectTodayCacheFile.hpp"

namespace today::bench {

// A fresh directory under $TMPDIR (else /tmp), removed with its contents when the object goes.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& path() const { return _path; }

private:
    std::string _path;
};

// True when TODAY_BENCH_SMOKE is set: the programs then work on tiny documents, to prove that they run.
bool smokeRun();
// `count`, or a tiny stand-in for it in a smoke run.
std::size_t documentSize(std::size_t count);

// Makes `root` the directory that holds every group's container, for this process.
void useGroupContainersRoot(const std::string& root);

// A snapshot of `taskCount` leaf tasks whose dates follow one another over about two years, each lasting
// one to ten days, with names in several languages, a milestone every twentieth task and a project task
// id on two thirds of them.
detail::JsonProjectToday makeSnapshot(std::size_t taskCount);
// A date in the middle of the snapshot's tasks, at which a few hundred of 100,000 tasks are on.
Date askedDate(std::size_t taskCount);

// `count` stored profiles with non-ASCII names and paths in composed (NFC) form, each with a bookmark.
// The paths share a long prefix and differ in a five-digit number near their end.
std::vector<detail::JsonTodayProjectProfile> makeProfileRecords(std::size_t count);
// The path of profile `index` in `makeProfileRecords`.
std::string profilePath(std::size_t index);

// A plan whose root has `fanOut` children, each of which has `fanOut` children, and so on `depth` levels
// down: fanOut^depth leaf tasks, every one of which finishes after `today`. The top-level tasks are of
// type project, one leaf in twenty is a milestone.
JsonProject makePlan(std::size_t fanOut, std::size_t depth, Date today);
// The number of leaf tasks and of all tasks below the root of such a plan.
std::size_t planLeafCount(std::size_t fanOut, std::size_t depth);
std::size_t planTaskCount(std::size_t fanOut, std::size_t depth);

void writeTextFile(const std::string& path, std::string_view text);
std::string readTextFile(const std::string& path);

}  // namespace today::bench
