// The command's plan readers with hostile documents: nesting 100,000 levels deep (as tasks and as bare
// XML elements), names of megabytes, and dates at and beyond the ends of the calendar.
// Each document is either refused with a message or read into a plan whose snapshot can be written.
#include <gtest/gtest.h>

#include "../ReliabilitySupport.hpp"
#include "today/manager/TodaySnapshot.hpp"
#include "tools/today/plans/PlanLoader.hpp"

namespace today::reliability {
namespace {

const Date snapshotDay = Date(0);

// The snapshot of an accepted plan, written and read back.
std::optional<detail::JsonProjectToday> snapshotRoundTrip(const JsonProject& plan) {
    const auto written = detail::encodeProjectToday(detail::makeJsonProjectToday(plan, snapshotDay));
    if (!written) return std::nullopt;
    return detail::decodeProjectToday(*written);
}

std::string nestedJsonPlan(std::size_t depth) {
    std::string text = R"({"name":"deep","rootTask":{"id":0)";
    for (std::size_t level = 1; level <= depth; ++level) text += R"(,"children":[{"id":)" + std::to_string(level);
    text += R"(,"name":"deepest","start":-100,"finish":1e9)";
    for (std::size_t level = 1; level <= depth; ++level) text += "}]";
    return text + "}}";
}

std::string mspdiHeader() {
    return R"(<?xml version="1.0"?><Project xmlns="http://schemas.microsoft.com/project"><Name>x</Name>)";
}

std::string mspdiTask(std::size_t uid, std::size_t level, const std::string& extra = {}) {
    return "<Task><UID>" + std::to_string(uid) + "</UID><OutlineLevel>" + std::to_string(level) + "</OutlineLevel>" +
           extra + "</Task>";
}

TEST(HostilePlanTest, jsonPlansNested100000LevelsAreRefusedAndTheDeepestAllowedIsRead) {
    const auto refused = cli::parseJsonPlan(nestedJsonPlan(100000), "deep.json");
    EXPECT_FALSE(refused.project);
    EXPECT_FALSE(refused.error.empty());

    const auto read = cli::parseJsonPlan(nestedJsonPlan(4999), "deep.json");
    ASSERT_TRUE(read.project) << read.error;
    const auto snapshot = snapshotRoundTrip(*read.project);
    ASSERT_TRUE(snapshot && snapshot->tasks);
    ASSERT_EQ(snapshot->tasks->size(), 1u);
    EXPECT_EQ(snapshot->tasks->front().name, "deepest");
}

TEST(HostilePlanTest, mspdiOutlines100000LevelsDeepAreReadWithoutRecursion) {
    std::string text = mspdiHeader() + "<Tasks>";
    for (std::size_t level = 1; level <= 100000; ++level) text += mspdiTask(level, level);
    text += mspdiTask(100001, 100001, "<Start>2001-01-01T08:00:00</Start><Finish>2031-01-01T08:00:00</Finish>");
    text += "</Tasks></Project>";
    const auto read = cli::parseMspdiPlan(text, "deep.xml");
    ASSERT_TRUE(read.project) << read.error;
    const auto snapshot = snapshotRoundTrip(*read.project);
    ASSERT_TRUE(snapshot && snapshot->tasks);
    EXPECT_EQ(snapshot->tasks->size(), 1u);
}

TEST(HostilePlanTest, xmlElementsNested100000LevelsDeepNeverExhaustTheStack) {
    std::string nested;
    for (int i = 0; i < 100000; ++i) nested += "<a>";
    for (int i = 0; i < 100000; ++i) nested += "</a>";
    const std::string text = mspdiHeader() + "<Tasks><Task><UID>1</UID><Name>" + nested +
                             "</Name><Start>2001-01-01T08:00:00</Start><Finish>2031-01-01T08:00:00</Finish></Task>" +
                             nested + "</Tasks>" + nested + "</Project>";
    const auto read = cli::parseMspdiPlan(text, "nested.xml");
    if (read.project) {
        EXPECT_TRUE(snapshotRoundTrip(*read.project));
    } else {
        EXPECT_FALSE(read.error.empty());
    }
}

// An export in an encoding the XML parser does not know is read as UTF-8; text that is not UTF-8 could
// never be stored in the library's files, so the document is refused with a message that says why.
TEST(HostilePlanTest, mspdiTextThatIsNotUtf8IsRefusedWithAReason) {
    const std::string windows1252 = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n" + mspdiHeader().substr(21) +
                                    "<Tasks>" + mspdiTask(1, 1, "<Name>R\xE9union \x93Q1\x94</Name>") +
                                    "</Tasks></Project>";
    const auto read = cli::parseMspdiPlan(windows1252, "export.xml");
    EXPECT_FALSE(read.project);
    EXPECT_NE(read.error.find("export.xml:2:"), std::string::npos) << read.error;
    EXPECT_NE(read.error.find("not UTF-8"), std::string::npos) << read.error;

    const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n" + mspdiHeader().substr(21) +
                               "<Tasks>" + mspdiTask(1, 1, "<Name>R\xE9union</Name>") + "</Tasks></Project>";
    const auto converted = cli::parseMspdiPlan(latin1, "latin1.xml");
    ASSERT_TRUE(converted.project) << converted.error;
    ASSERT_TRUE(converted.project->rootTask && converted.project->rootTask->childs);
    EXPECT_EQ(converted.project->rootTask->childs->front().name, "R\xC3\xA9union");
    EXPECT_TRUE(snapshotRoundTrip(*converted.project));
}

TEST(HostilePlanTest, datesAtAndBeyondTheEndsOfTheCalendarAreReadOrRefused) {
    const char* jsonDates[] = {"1e300",
                               "-1e300",
                               "0",
                               "-0",
                               "1.7976931348623157e308",
                               "5e-324",
                               "1e400",
                               "-1e400",
                               "\"+999999999999-12-31T23:59:59Z\"",
                               "\"-999999999999-01-01T00:00:00Z\"",
                               "\"99999-01-01T00:00:00+23:59\"",
                               "\"0000-01-01T00:00:00-23:59\"",
                               "\"2030-02-30T00:00:00Z\"",
                               "\"2030-12-31T24:00:00Z\"",
                               "\"2030-06-30T23:59:60Z\""};
    for (const char* date : jsonDates) {
        SCOPED_TRACE(date);
        const auto read = cli::parseJsonPlan(
            std::string(R"({"rootTask":{"id":0,"start":)") + date + R"(,"children":[)" + R"({"id":1,"start":)" + date +
                R"(,"finish":)" + date + "}," + R"({"id":2,"type":"milestone","finish":)" + date + "}]}}",
            "dates.json");
        if (read.project) {
            EXPECT_TRUE(snapshotRoundTrip(*read.project));
        } else {
            EXPECT_FALSE(read.error.empty());
        }
    }
    const char* xmlDates[] = {"99999-01-01T00:00:00", "-5000-01-01T00:00:00",
                              "0000-00-00T00:00:00",  "9223372036854775807-01-01T00:00:00",
                              "2030-01-01T99:99:99",  "2030-01-01"};
    for (const char* date : xmlDates) {
        SCOPED_TRACE(date);
        const std::string at = std::string("<Start>") + date + "</Start><Finish>" + date + "</Finish>";
        const auto read =
            cli::parseMspdiPlan(mspdiHeader() + "<Tasks>" + mspdiTask(1, 1, at) +
                                    mspdiTask(2, 1, at + "<Milestone>1</Milestone>") + "</Tasks></Project>",
                                "dates.xml");
        if (read.project) {
            EXPECT_TRUE(snapshotRoundTrip(*read.project));
        } else {
            EXPECT_FALSE(read.error.empty());
        }
    }
}

}  // namespace
}  // namespace today::reliability
