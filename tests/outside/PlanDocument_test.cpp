// Task trees are copied and assigned whole, also from a part of themselves, without exhausting the stack.
#include <gtest/gtest.h>

#include "DatePrinting.hpp"
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

TEST(PlanDocumentTest, CopiesKeepEveryFieldAndTheOrderOfChildren) {
    JsonTask root = chain(2);
    root.type = JsonTaskType::project;
    root.start = Date(10);
    root.finish = Date(20.5);
    root.completedPercent = 40;
    root.newColorIndex = 3;
    root.childs->emplace_back().childs.emplace();  // present but empty stays present
    const JsonTask copy = root;
    EXPECT_EQ(copy.type, JsonTaskType::project);
    EXPECT_EQ(copy.start, Date(10));
    EXPECT_EQ(copy.finish, Date(20.5));
    EXPECT_EQ(copy.completedPercent, 40);
    EXPECT_EQ(copy.newColorIndex, 3);
    EXPECT_EQ(copy.name, "task 0");
    ASSERT_EQ(copy.childs->size(), 2u);
    EXPECT_EQ(copy.childs->front().id, 1);
    EXPECT_EQ(depthOf(copy.childs->front()).second->type, JsonTaskType::milestone);
    EXPECT_TRUE(copy.childs->back().childs && copy.childs->back().childs->empty());
}

}  // namespace
}  // namespace today
