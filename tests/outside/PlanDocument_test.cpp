// Task trees are copied and assigned whole, also from a part of themselves, without exhausting the stack.
#include <gtest/gtest.h>

#include "today/outside/PlanDocument.hpp"

namespace today {
namespace {

constexpr int deepLevels = 100000;

JsonTask chain(int levels) {
    JsonTask root;
    JsonTask* task = &root;
    for (int level = 0; level < levels; ++level) {
        task->id = level;
        task->name = "task " + std::to_string(level);
        task = &task->childs.emplace().emplace_back();
    }
    task->id = levels;
    task->type = JsonTaskType::milestone;
    return root;
}

// Walks down the first children; the depth and the deepest task.
std::pair<int, const JsonTask*> depthOf(const JsonTask& root) {
    int depth = 0;
    const JsonTask* task = &root;
    while (task->childs && !task->childs->empty()) {
        task = &task->childs->front();
        ++depth;
    }
    return {depth, task};
}

TEST(PlanDocumentTest, AssigningAPartOfItsOwnTree) {
    JsonTask tree = chain(deepLevels);
    tree = tree.childs->front();  // copy of its own child
    EXPECT_EQ(tree.id, 1);
    EXPECT_EQ(depthOf(tree).first, deepLevels - 1);

    JsonTask moved = chain(5);
    moved = std::move(moved.childs->front().childs->front());  // moved from its own grandchild
    EXPECT_EQ(moved.id, 2);
    EXPECT_EQ(depthOf(moved).first, 3);
}

}  // namespace
}  // namespace today
