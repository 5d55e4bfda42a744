// The Microsoft Project XML reader: the sample documents of real writers, and small documents for what
// those lack.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <fstream>
#include <sstream>

#include "support/TestHost.hpp"
#include "tools/today/plans/PlanLoader.hpp"

namespace today::cli {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string sampleBytes(const std::string& name) {
    std::ifstream in(std::string(TODAY_TESTDATA_DIR "/mspdi/") + name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

JsonProject loadSample(const std::string& name) {
    PlanLoadResult result = parseMspdiPlan(sampleBytes(name), name);
    EXPECT_EQ(result.error, "");
    EXPECT_TRUE(result.project.has_value()) << name;
    return result.project ? std::move(*result.project) : JsonProject{};
}

// A document with the namespace and the given <Tasks> content.
std::string document(const std::string& tasks, const std::string& head = "<Name>Plan</Name>") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Project xmlns=\"http://schemas.microsoft.com/project\">" +
           head + "<Tasks>" + tasks + "</Tasks></Project>";
}

std::string task(int uid, int level, const std::string& name, const std::string& more = "") {
    return "<Task><UID>" + std::to_string(uid) + "</UID><Name>" + name + "</Name><OutlineLevel>" +
           std::to_string(level) + "</OutlineLevel>" + more + "</Task>";
}

JsonProject parse(const std::string& bytes, const std::string& fileName = "plan.xml") {
    PlanLoadResult result = parseMspdiPlan(bytes, fileName);
    EXPECT_EQ(result.error, "");
    return result.project ? std::move(*result.project) : JsonProject{};
}

// The tree as ids, e.g. "0(1(3,4),2)"; "?" for a task without id.
std::string shape(const JsonTask& task) {
    std::string out = task.id ? std::to_string(*task.id) : "?";
    if (!task.childs || task.childs->empty()) return out;
    for (std::size_t i = 0; i < task.childs->size(); ++i) out += (i ? "," : "(") + shape((*task.childs)[i]);
    return out + ")";
}

void collect(const JsonTask& task, std::vector<const JsonTask*>& out) {
    out.push_back(&task);
    if (task.childs)
        for (const JsonTask& child : *task.childs) collect(child, out);
}

const JsonTask& byId(const JsonProject& project, std::int64_t id) {
    std::vector<const JsonTask*> all;
    collect(*project.rootTask, all);
    for (const JsonTask* t : all) {
        if (t->id == id) return *t;
    }
    static const JsonTask none;
    ADD_FAILURE() << "no task " << id;
    return none;
}

std::vector<std::int64_t> idsOfType(const JsonProject& project, JsonTaskType type) {
    std::vector<const JsonTask*> all;
    collect(*project.rootTask, all);
    std::vector<std::int64_t> ids;
    for (const JsonTask* t : all) {
        if (t->type == type && t->id) ids.push_back(*t->id);
    }
    return ids;
}

// A date as UTC text "YYYY-MM-DDTHH:MM:SSZ" ("none" when absent).
std::string utc(const std::optional<Date>& date) {
    if (!date) return "none";
    const auto seconds = static_cast<std::time_t>(std::floor(date->unixTime()));
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

TEST(MspdiSamples, MicrosoftProjectTreeFollowsOutlineNotUidOrder) {
    testing::TestHost host;  // local dates read in UTC
    ScopedHost scoped(host);
    const JsonProject p = loadSample("msproject2010_Sample1.xml");
    EXPECT_EQ(p.name, "Sample1.xml");
    ASSERT_TRUE(p.rootTask);
    EXPECT_EQ(shape(*p.rootTask), "0(1(3,4,5,9),2(6,7,8,10))");
    EXPECT_FALSE(p.rootTask->name);
    EXPECT_EQ(utc(p.rootTask->start), "2023-07-28T08:00:00Z");
    EXPECT_EQ(utc(p.rootTask->finish), "2023-08-22T17:00:00Z");
    EXPECT_EQ(byId(p, 9).name, "Milestone 1");
    EXPECT_THAT(idsOfType(p, JsonTaskType::milestone), ElementsAre(9, 10));
}

TEST(MspdiSamples, ProjectLibreTopTaskIsRootAndZeroLengthTasksAreMilestones) {
    testing::TestHost host;  // local dates read in UTC
    ScopedHost scoped(host);
    const JsonProject p = loadSample("projectlibre_NewProduct.xml");
    EXPECT_EQ(p.name, "Project1");  // from <Title>
    ASSERT_TRUE(p.rootTask);
    EXPECT_EQ(p.rootTask->id, 1);
    EXPECT_EQ(p.rootTask->name, "Product #23 Development");
    EXPECT_EQ(shape(*p.rootTask),
              "1(2,3(4,5,6),7(8,9,10,11,12,13,14,15),16(17,18,19,20,21,22),23(24,25,26,27,28,29),"
              "30(31,32,33,34,35),36(37,38,39,40,41,42,43))");
    // Every Milestone flag is 0 in this file: tasks with start == finish and zero duration are milestones.
    EXPECT_THAT(idsOfType(p, JsonTaskType::milestone), ElementsAre(2, 6, 9, 10, 13, 15, 22, 29, 35, 37, 38, 43));
    EXPECT_EQ(utc(byId(p, 43).finish), "2001-05-23T17:00:00Z");
}

TEST(MspdiDocuments, CompletionSubprojectsAndFlaggedMilestones) {
    const JsonProject p =
        parse(document(task(0, 0, "Plan") +
                       task(1, 1, "Half done",
                            "<PercentComplete>40</PercentComplete><Start>2024-03-01T08:00:00</Start>"
                            "<Finish>2024-03-01T17:00:00</Finish><Duration>PT8H0M0S</Duration>") +
                       task(2, 1, "Inserted", "<IsSubproject>1</IsSubproject><Milestone>0</Milestone>") +
                       task(3, 1, "Gate",
                            "<Milestone>1</Milestone><Start>2024-03-02T08:00:00</Start>"
                            "<Finish>2024-03-03T08:00:00</Finish>") +
                       // Zero length but not flagged, in a document whose writer does flag milestones.
                       task(4, 1, "Instant",
                            "<Milestone>0</Milestone><Start>2024-03-02T08:00:00</Start>"
                            "<Finish>2024-03-02T08:00:00</Finish><Duration>PT0H0M0S</Duration>")));
    ASSERT_TRUE(p.rootTask);
    EXPECT_EQ(shape(*p.rootTask), "0(1,2,3,4)");
    EXPECT_EQ(byId(p, 1).completedPercent, 40);
    EXPECT_EQ(byId(p, 2).type, JsonTaskType::project);
    EXPECT_EQ(byId(p, 3).type, JsonTaskType::milestone);
    EXPECT_EQ(byId(p, 4).type, JsonTaskType::normal);
}

TEST(MspdiDocuments, BlankRowsAndInactiveSubtreesAreLeftOut) {
    const JsonProject p = parse(document(
        task(0, 0, "Plan") + task(1, 1, "Phase") + "<Task><UID>2</UID><IsNull>1</IsNull></Task>" +
        task(3, 2, "Under phase") + task(4, 1, "Dropped", "<Active>0</Active>") + task(5, 2, "Dropped child") +
        task(6, 3, "Dropped grandchild") + task(7, 1, "Kept", "<Active>1</Active>") + task(8, 2, "Kept child")));
    ASSERT_TRUE(p.rootTask);
    EXPECT_EQ(shape(*p.rootTask), "0(1(3),7(8))");
}

TEST(MspdiDocuments, RootIsMadeWhenNoSingleLevelZeroTask) {
    const std::string dated = "<Start>2024-05-02T08:00:00Z</Start><Finish>2024-05-03T17:00:00Z</Finish>";
    const JsonProject missing =
        parse(document(task(1, 1, "A", "<Start>2024-05-01T08:00:00Z</Start><Finish>2024-05-02T17:00:00Z</Finish>") +
                       task(2, 2, "A1", "<Start>2024-04-01T08:00:00Z</Start><Finish>2024-04-02T17:00:00Z</Finish>") +
                       task(3, 1, "B", dated)));
    ASSERT_TRUE(missing.rootTask);
    EXPECT_EQ(shape(*missing.rootTask), "?(1(2),3)");
    EXPECT_EQ(missing.rootTask->name, "Plan");
    EXPECT_EQ(utc(missing.rootTask->start), "2024-05-01T08:00:00Z");  // spans its children only
    EXPECT_EQ(utc(missing.rootTask->finish), "2024-05-03T17:00:00Z");

    // Two tasks at level 0: neither can be the root.
    const JsonProject two = parse(document(task(0, 0, "X") + task(1, 1, "X1") + task(2, 0, "Y")));
    EXPECT_EQ(shape(*two.rootTask), "?(0(1),2)");

    // A level-0 task with another UID, or none, is the root all the same.
    const JsonProject other = parse(document(task(7, 0, "Top") + task(8, 1, "Child")));
    EXPECT_EQ(shape(*other.rootTask), "7(8)");
    const JsonProject noUid =
        parse(document("<Task><Name>Top</Name><OutlineLevel>0</OutlineLevel></Task>" + task(8, 1, "Child")));
    EXPECT_EQ(shape(*noUid.rootTask), "?(8)");
    EXPECT_EQ(noUid.rootTask->name, "Top");
}

TEST(MspdiDocuments, OutlineNumberStandsInForMissingLevel) {
    auto numbered = [](int uid, const std::string& number) {
        return "<Task><UID>" + std::to_string(uid) + "</UID><OutlineNumber>" + number + "</OutlineNumber></Task>";
    };
    const JsonProject p = parse(document(numbered(0, "0") + numbered(1, "1") + numbered(2, "1.1") +
                                         numbered(3, "1.1.1") + numbered(4, "1.2") + numbered(5, "2")));
    EXPECT_EQ(shape(*p.rootTask), "0(1(2(3),4),5)");

    // Neither level nor number: UID 0 is the root, every other task a top-level task.
    const JsonProject flat =
        parse(document("<Task><UID>0</UID></Task><Task><UID>1</UID></Task><Task><UID>2</UID></Task>"));
    EXPECT_EQ(shape(*flat.rootTask), "0(1,2)");
}

TEST(MspdiDocuments, ProjectNameFallsBackToTitleThenFileName) {
    EXPECT_EQ(parse(document("", "<Name>  </Name><Title>Titled</Title>")).name, "Titled");
    EXPECT_EQ(parse(document("", ""), "/home/me/plans/Launch plan.v2.xml").name, "Launch plan.v2");
}

TEST(MspdiDocuments, EncodingsPrefixesAndDateForms) {
    testing::TestHost host;  // local dates read in UTC
    ScopedHost scoped(host);
    // UTF-16 with a byte-order mark, CRLF and non-ASCII text.
    const std::string utf8 =
        document(task(0, 0, "Caf\xC3\xA9 \xE2\x82\xAC") + "\r\n", "<Name>\xD0\xBF\xD0\xBB\xD0\xB0\xD0\xBD</Name>");
    std::string utf16 = "\xFF\xFE";
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : 3;
        char32_t point = length == 1 ? c : length == 2 ? c & 0x1F : c & 0x0F;
        for (std::size_t k = 1; k < length; ++k) point = (point << 6) | (utf8[i + k] & 0x3F);
        utf16 += static_cast<char>(point & 0xFF);
        utf16 += static_cast<char>(point >> 8);
        i += length;
    }
    const JsonProject wide = parse(utf16);
    EXPECT_EQ(wide.name, "\xD0\xBF\xD0\xBB\xD0\xB0\xD0\xBD");
    EXPECT_EQ(wide.rootTask->name, "Caf\xC3\xA9 \xE2\x82\xAC");
    // The command's loader recognises the UTF-16 document as XML by its byte-order mark.
    today::testing::TempDir dir;
    const PlanLoadResult loaded = loadPlanDocument(dir.write("wide.xml", utf16));
    EXPECT_EQ(loaded.error, "");
    ASSERT_TRUE(loaded.project.has_value());
    EXPECT_EQ(loaded.project->name, wide.name);

    // A namespace prefix, unknown elements, offsets, fractions and dates that are not dates.
    const JsonProject prefixed = parse(
        "<p:Project xmlns:p=\"http://schemas.microsoft.com/project\"><p:Name>P</p:Name><p:Tasks>"
        "<p:Task><p:UID>0</p:UID><p:OutlineLevel>0</p:OutlineLevel><x:Name>not ours</x:Name><Frobs>3</Frobs>"
        "<p:Start>2024-01-31T23:30:00+02:00</p:Start><p:Finish>2024-02-01T00:00:00.5Z</p:Finish></p:Task>"
        "<p:Task><p:UID>1</p:UID><p:OutlineLevel>1</p:OutlineLevel><p:Start>2024-02-30T08:00:00</p:Start>"
        "<p:Finish>yesterday</p:Finish></p:Task></p:Tasks></p:Project>");
    EXPECT_EQ(prefixed.name, "P");
    EXPECT_EQ(shape(*prefixed.rootTask), "0(1)");
    EXPECT_FALSE(prefixed.rootTask->name);
    EXPECT_EQ(utc(prefixed.rootTask->start), "2024-01-31T21:30:00Z");
    EXPECT_EQ(prefixed.rootTask->finish->unixTime(), 1706745600.5);
    EXPECT_FALSE(byId(prefixed, 1).start);
    EXPECT_FALSE(byId(prefixed, 1).finish);
}

TEST(MspdiDocuments, MalformedXmlNamesFileAndPosition) {
    // Byte-order mark, CRLF and two-byte characters before the fault: line 2, column 12 (not byte 14).
    const std::string bytes =
        "\xEF\xBB\xBF<Project xmlns=\"http://schemas.microsoft.com/project\">\r\n"
        "<Name>\xC3\xA9t\xC3\xA9</Nom>\r\n<Tasks/></Project>";
    const PlanLoadResult result = parseMspdiPlan(bytes, "/tmp/broken.xml");
    EXPECT_FALSE(result.project);
    EXPECT_THAT(result.error, StartsWith("/tmp/broken.xml:2:12: not well-formed XML: "));

    EXPECT_THAT(parseMspdiPlan("", "empty.xml").error, StartsWith("empty.xml:1:1: not well-formed XML"));
    EXPECT_THAT(parseMspdiPlan(document("") + "<Project/>", "two.xml").error, HasSubstr("second root element"));

    // Values that cannot be shown truthfully are refused with their place: a completion that is not a
    // whole number from 0 to 100, and a reference to U+0000, which XML does not allow and which would cut
    // a name short.
    for (const std::string more :
         {"<PercentComplete>150</PercentComplete>", "<PercentComplete>-9223372036854775808</PercentComplete>",
          "<PercentComplete>50.5</PercentComplete>", "<PercentComplete>1e2</PercentComplete>",
          "<PercentComplete>0x10</PercentComplete>", "<PercentComplete>abc</PercentComplete>",
          "<PercentComplete></PercentComplete>", "<Notes x=\"&#x000;\"/>"}) {
        const PlanLoadResult refused = parseMspdiPlan(document("\n" + task(1, 1, "Pour", more)), "plan.xml");
        EXPECT_FALSE(refused.project) << more;
        EXPECT_THAT(refused.error, StartsWith("plan.xml:3:")) << more;
    }
    EXPECT_THAT(parseMspdiPlan(document("", "<Name>Plan&#0; hidden</Name>"), "cut.xml").error,
                HasSubstr("not well-formed XML: a character reference to U+0000"));
    EXPECT_TRUE(parseMspdiPlan(document("", "<Name>Plan&#10;&#x20;&#100;</Name>"), "fine.xml").project);
}

TEST(MspdiDocuments, OtherXmlIsNotAPlan) {
    for (const std::string& bytes : {std::string("<project name=\"gantt\"><tasks/></project>"),
                                     std::string("<Project><Name>No namespace</Name></Project>"),
                                     std::string("<Project xmlns=\"urn:other\"><Name>Other</Name></Project>"),
                                     std::string("<p:Project xmlns=\"http://schemas.microsoft.com/project\"/>")}) {
        const PlanLoadResult result = parseMspdiPlan(bytes, "other.xml");
        EXPECT_FALSE(result.project) << bytes;
        EXPECT_THAT(result.error, StartsWith("other.xml: not a Microsoft Project XML document")) << bytes;
    }
}

}  // namespace
}  // namespace today::cli
