// Copying and tearing down task trees without recursion: a document nested any number of levels deep
// uses a bounded amount of stack.
#include "today/outside/PlanDocument.hpp"

#include <utility>

namespace today {

namespace {

// Everything of a task except its children.
void copyOwnFields(JsonTask& to, const JsonTask& from) {
    to.id = from.id;
    to.type = from.type;
    to.name = from.name;
    to.start = from.start;
    to.finish = from.finish;
    to.completedPercent = from.completedPercent;
    to.newColorIndex = from.newColorIndex;
}

void moveOwnFields(JsonTask& to, JsonTask& from) {
    to.id = from.id;
    to.type = from.type;
    to.name = std::move(from.name);
    to.start = from.start;
    to.finish = from.finish;
    to.completedPercent = from.completedPercent;
    to.newColorIndex = from.newColorIndex;
}

}  // namespace

JsonTask::JsonTask(const JsonTask& other) {
    copyOwnFields(*this, other);
    // Each pending pair is a copy whose children are still to be made, and its original.
    std::vector<std::pair<JsonTask*, const JsonTask*>> pending{{this, &other}};
    while (!pending.empty()) {
        const auto [to, from] = pending.back();
        pending.pop_back();
        if (!from->childs) continue;
        auto& children = to->childs.emplace();
        children.reserve(from->childs->size());  // no reallocation below: the pointers stay valid
        for (const JsonTask& child : *from->childs) copyOwnFields(children.emplace_back(), child);
        for (std::size_t i = 0; i < children.size(); ++i) pending.emplace_back(&children[i], &(*from->childs)[i]);
    }
}

JsonTask& JsonTask::operator=(const JsonTask& other) {
    if (this != &other) *this = JsonTask(other);  // copied first: `other` may lie inside this tree
    return *this;
}

JsonTask& JsonTask::operator=(JsonTask&& other) noexcept {
    if (this == &other) return *this;
    // The old tree is kept alive until `other` has been taken over, since `other` may lie inside it.
    JsonTask discarded(std::move(*this));
    moveOwnFields(*this, other);
    childs = std::move(other.childs);
    return *this;
}

JsonTask::~JsonTask() {
    if (!childs || childs->empty()) return;
    // Detach every level of the tree into a flat list of child lists, so each task is destroyed with
    // no children left and no destructor runs inside another.
    std::vector<std::vector<JsonTask>> levels;
    levels.push_back(std::move(*childs));
    childs.reset();
    while (!levels.empty()) {
        std::vector<JsonTask> level = std::move(levels.back());
        levels.pop_back();
        for (JsonTask& task : level) {
            if (task.childs && !task.childs->empty()) levels.push_back(std::move(*task.childs));
            task.childs.reset();
        }
    }
}

}  // namespace today
