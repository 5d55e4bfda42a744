// The tasks of a window of time: the same answers as the instant query for a window of no length, over
// random plans and dates, on both the cache-file and the rebuild path; and the tasks that overlap a
// longer window.
#include <random>

#include "manager/ManagerFixture.hpp"

namespace today::testing {
namespace {

std::optional<std::vector<std::int64_t>> ids(const std::optional<std::vector<TaskToday>>& tasks) {
    if (!tasks) return std::nullopt;
    std::vector<std::int64_t> out;
    for (const auto& task : *tasks) out.push_back(task.id());
    return out;
}

// A plan of up to twelve leaves around the test day, some milestones, some without a start, some in a
// project task; hours on a coarse grid, so that dates often fall on a task's start or finish.
JsonProject randomPlan(std::mt19937& random) {
    std::uniform_int_distribution<int> hour(-72, 96);
    std::uniform_int_distribution<int> kind(0, 9);
    std::vector<JsonTask> leaves;
    const int count = std::uniform_int_distribution<int>(0, 12)(random);
    for (int i = 1; i <= count; ++i) {
        const int a = hour(random);
        const int b = hour(random);
        const int k = kind(random);
        std::optional<Date> start = hoursAfterDayStart(std::min(a, b));
        if (k == 0) start.reset();
        leaves.push_back(planTask(i, start, hoursAfterDayStart(std::max(a, b)),
                                  k <= 2 ? JsonTaskType::milestone : JsonTaskType::normal));
    }
    std::vector<JsonTask> children;
    if (leaves.size() > 3) {
        children.push_back(
            withChildren(planTask(100, {}, {}, JsonTaskType::project), {leaves.begin(), leaves.begin() + 3}));
        children.insert(children.end(), leaves.begin() + 3, leaves.end());
    } else {
        children = leaves;
    }
    return planWithTasks("Random", std::move(children));
}

using WindowQueryTest = ManagerTest;

TEST_F(WindowQueryTest, AWindowOfNoLengthAnswersAsTheInstantQuery) {
    std::mt19937 random(20240310);
    std::uniform_int_distribution<int> quarterHour(-4 * 96, 4 * 120);
    auto manager = makeManager();
    for (int round = 0; round < 40; ++round) {
        const std::string path = writeDocument("plan" + std::to_string(round) + ".orv", documentTime);
        manager->setDocument(path, randomPlan(random));
        ASSERT_TRUE(manager->add(Url::fileUrl(path)));
        const auto profile = *manager->projectProfile(std::string_view(path));
        for (int ask = 0; ask < 25; ++ask) {
            const Date at = hoursAfterDayStart(quarterHour(random) / 4.0);
            // Every fifth time the document is saved again before each query, so both take the rebuild path.
            const bool rebuild = ask % 5 == 0;
            if (rebuild) setModified(path, documentTime + 10 * ask + 1);
            const auto instant = ids(manager->tasks(profile, at));
            if (rebuild) setModified(path, documentTime + 10 * ask + 2);
            EXPECT_EQ(ids(manager->tasks(profile, at, at)), instant) << "round " << round << " ask " << ask;
        }
    }
    // A document that can no longer be loaded answers none to both.
    const std::string path = documentPath("plan0.orv");
    const auto profile = *manager->projectProfile(std::string_view(path));
    manager->documents.erase(path);
    setModified(path, documentTime + 1000);
    EXPECT_FALSE(manager->tasks(profile, testNow()).has_value());
    EXPECT_FALSE(manager->tasks(profile, testNow(), testNow()).has_value());
}

TEST_F(WindowQueryTest, AWindowHoldsTheTasksThatOverlapIt) {
    auto manager = makeManager();
    const std::string path = writeDocument("plan.orv", documentTime);
    manager->setDocument(path, planWithTasks("Plan", {planTask(1, hoursAfterDayStart(-2), hoursAfterDayStart(9)),
                                                      planTask(2, hoursAfterDayStart(9), hoursAfterDayStart(10)),
                                                      planTask(3, hoursAfterDayStart(12), hoursAfterDayStart(40)),
                                                      planTask(4, {}, hoursAfterDayStart(40), JsonTaskType::milestone),
                                                      planTask(5, hoursAfterDayStart(-30), hoursAfterDayStart(-1))}));
    ASSERT_TRUE(manager->add(Url::fileUrl(path)));
    const auto profile = manager->projectProfiles().at(0);
    using Ids = std::vector<std::int64_t>;
    const std::vector<std::tuple<double, double, Ids>> windows = {
        {0, 24, Ids{1, 2, 3, 4}},  // the test day; the milestone is on from 16:00, a day before its finish
        {9, 10, Ids{2}},           // a finish at the window's start and a start at its end are outside
        {10, 12, Ids{}},          {24, 48, Ids{3, 4}},
        {-48, -24, Ids{}},  // task 5 finished before the snapshot's day, so the snapshot does not hold it
        {12, 9, Ids{}},     // a window that ends before it starts
    };
    for (const auto& [from, to, expected] : windows) {
        EXPECT_EQ(ids(manager->tasks(profile, hoursAfterDayStart(from), hoursAfterDayStart(to))),
                  std::optional<Ids>(expected))
            << from << " to " << to;
        // The batch form answers each profile the same.
        const auto batch =
            manager->tasks(std::vector{profile, profile}, hoursAfterDayStart(from), hoursAfterDayStart(to));
        EXPECT_EQ(ids(batch.at(1)), std::optional<Ids>(expected)) << from << " to " << to;
    }
}

}  // namespace
}  // namespace today::testing
