// Task trees of any depth are copied, assigned and destroyed without exhausting the stack.
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

TEST(PlanDocumentTest, DeepTreesAreCopiedAndDestroyedWithoutRecursion) {
    JsonProject project;
    project.rootTask = chain(deepLevels);
    const JsonProject copy = project;  // copies the tree
    const auto [depth, deepest] = depthOf(*copy.rootTask);
    EXPECT_EQ(depth, deepLevels);
    EXPECT_EQ(deepest->id, deepLevels);
    EXPECT_EQ(deepest->type, JsonTaskType::milestone);
    EXPECT_EQ(copy.rootTask->childs->front().name, "task 1");

    JsonTask assigned;
    assigned = *project.rootTask;
    EXPECT_EQ(depthOf(assigned).first, deepLevels);
    assigned = chain(10);  // the deep tree it held is destroyed
    EXPECT_EQ(depthOf(assigned).first, 10);
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
    JsonTask root;
    root.type = JsonTaskType::project;
    root.start = Date(10);
    root.finish = Date(20.5);
    root.completedPercent = 40;
    root.newColorIndex = 3;
    auto& children = root.childs.emplace();
    for (int i = 0; i < 5; ++i) {
        JsonTask& child = children.emplace_back();
        child.id = i;
        if (i == 2) child.childs.emplace();  // present but empty stays present
    }
    const JsonTask copy = root;
    EXPECT_EQ(copy.type, JsonTaskType::project);
    EXPECT_EQ(copy.start, Date(10));
    EXPECT_EQ(copy.finish, Date(20.5));
    EXPECT_EQ(copy.completedPercent, 40);
    EXPECT_EQ(copy.newColorIndex, 3);
    EXPECT_FALSE(copy.id);
    EXPECT_FALSE(copy.name);
    ASSERT_EQ(copy.childs->size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ((*copy.childs)[static_cast<std::size_t>(i)].id, i);
    EXPECT_TRUE((*copy.childs)[2].childs && (*copy.childs)[2].childs->empty());
    EXPECT_FALSE((*copy.childs)[1].childs);
}

}  // namespace
}  // namespace today
