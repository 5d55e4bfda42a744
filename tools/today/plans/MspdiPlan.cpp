// The reader of Microsoft Project XML (MSPDI) plans: the project's name and its task tree, built from
// the tasks' outline levels.

#include <utf8proc.h>
#include <pugixml.hpp>

#include <fmt/format.h>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <vector>

#include "tools/today/plans/MspdiValues.hpp"
#include "tools/today/plans/PlanLoader.hpp"

namespace today::cli {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view projectNamespace = "http://schemas.microsoft.com/project";

// Element names of one document. The root element fixes the prefix of the project namespace: none for
// the usual default namespace, "p" for <p:Project xmlns:p="...">.
class ElementNames {
public:
    explicit ElementNames(std::string_view prefix) : _prefix(prefix) {}

    // The local name of an element of the project namespace, or "" for an element of another one.
    std::string_view local(const pugi::xml_node& node) const {
        const std::string_view name = node.name();
        if (_prefix.empty()) {
            return name.find(':') == std::string_view::npos ? name : std::string_view{};
        }
        if (name.size() > _prefix.size() + 1 && name.starts_with(_prefix) && name[_prefix.size()] == ':') {
            return name.substr(_prefix.size() + 1);
        }
        return {};
    }

private:
    std::string_view _prefix;
};

// The text content of an element; a text broken by comments or CDATA sections is joined.
std::string elementText(const pugi::xml_node& node) {
    const pugi::xml_node first = node.first_child();
    if (!first.next_sibling()) {
        return (first.type() == pugi::node_pcdata || first.type() == pugi::node_cdata) ? first.value() : "";
    }
    std::string text;
    for (const pugi::xml_node part : node.children()) {
        if (part.type() == pugi::node_pcdata || part.type() == pugi::node_cdata) {
            text += part.value();
        }
    }
    return text;
}

// What one <Task> element says, before the tree is known.
struct TaskRow {
    JsonTask task;
    std::optional<std::int64_t> outlineLevel;
    std::optional<std::int64_t> levelFromNumber;
    bool isNull = false;
    bool isInactive = false;
    bool isSubproject = false;
    bool milestoneFlag = false;
    std::optional<bool> durationIsZero;
    pugi::xml_node badPercent;  // a PercentComplete that is not a whole number from 0 to 100, refused

    std::int64_t level() const {
        // Without outline data the project's own task (UID 0 by Microsoft Project's convention) is the
        // root and any other task a top-level task.
        const std::int64_t level = outlineLevel.value_or(levelFromNumber.value_or(task.id == 0 ? 0 : 1));
        return std::max<std::int64_t>(level, 0);
    }
    // A task of no length: start equal to finish, with a zero duration where a duration is written.
    bool hasNoLength() const {
        return task.start && task.finish && *task.start == *task.finish && durationIsZero.value_or(true);
    }
};

TaskRow readTaskRow(const pugi::xml_node& taskNode, const ElementNames& names) {
    TaskRow row;
    JsonTask& task = row.task;
    for (const pugi::xml_node field : taskNode.children()) {
        if (field.type() != pugi::node_element) {
            continue;
        }
        const std::string_view name = names.local(field);
        if (name == "UID"sv) {
            task.id = detail::mspdiInteger(elementText(field));
        } else if (name == "Name"sv) {
            task.name = elementText(field);
        } else if (name == "Start"sv) {
            task.start = detail::mspdiDateTime(elementText(field));
        } else if (name == "Finish"sv) {
            task.finish = detail::mspdiDateTime(elementText(field));
        } else if (name == "PercentComplete"sv) {
            // Microsoft Project writes whole numbers; anything else (a fraction, an exponent, hex, text,
            // nothing) is refused rather than shown as some other completion.
            task.completedPercent = detail::mspdiInteger(elementText(field));
            if (!task.completedPercent || *task.completedPercent < 0 || *task.completedPercent > 100) {
                row.badPercent = field;
            }
        } else if (name == "OutlineLevel"sv) {
            row.outlineLevel = detail::mspdiInteger(elementText(field));
        } else if (name == "OutlineNumber"sv) {
            row.levelFromNumber = detail::outlineLevelOfNumber(elementText(field));
        } else if (name == "Duration"sv) {
            row.durationIsZero = detail::mspdiDurationIsZero(elementText(field));
        } else if (name == "Milestone"sv) {
            row.milestoneFlag = detail::mspdiFlag(elementText(field)).value_or(false);
        } else if (name == "IsSubproject"sv) {
            row.isSubproject = detail::mspdiFlag(elementText(field)).value_or(false);
        } else if (name == "IsNull"sv) {
            row.isNull = detail::mspdiFlag(elementText(field)).value_or(false);
        } else if (name == "Active"sv) {
            row.isInactive = !detail::mspdiFlag(elementText(field)).value_or(true);
        }
    }
    return row;
}

// Gives each task its kind. An inserted subproject is a project. A task is a milestone when its
// Milestone flag is set; but some writers never set that flag, and in a document where no task has it
// set, a task of no length is a milestone instead.
void assignTypes(std::vector<TaskRow>& rows) {
    const bool writerSetsMilestones =
        std::any_of(rows.begin(), rows.end(), [](const TaskRow& row) { return row.milestoneFlag; });
    for (TaskRow& row : rows) {
        if (row.isSubproject) {
            row.task.type = JsonTaskType::project;
        } else if (writerSetsMilestones ? row.milestoneFlag : row.hasNoLength()) {
            row.task.type = JsonTaskType::milestone;
        } else {
            row.task.type = JsonTaskType::normal;
        }
    }
}

// Builds the task tree from the rows in document order: a task's parent is the nearest earlier task of
// a lower outline level. Blank rows are left out; an inactive task is left out with every task below
// it. The ancestors still open are kept on an explicit stack, so outlines of any depth are fine.
//
// The single task of level 0 is the root. When there is none (or it is not the only top-level task),
// the root is made here: it has no id, carries the project's name and spans its children.
JsonTask buildTaskTree(std::vector<TaskRow>& rows, const std::optional<std::string>& projectName) {
    struct OpenTask {
        JsonTask* task;  // null for a task that is left out
        std::int64_t level;
    };
    JsonTask top;
    std::vector<OpenTask> open{{&top, -1}};
    std::size_t topTasksOfLevelZero = 0;

    for (TaskRow& row : rows) {
        if (row.isNull) {
            continue;
        }
        const std::int64_t level = row.level();
        while (open.back().level >= level) {
            open.pop_back();
        }
        JsonTask* parent = open.back().task;
        if (parent == nullptr || row.isInactive) {
            open.push_back({nullptr, level});
            continue;
        }
        if (parent == &top && level == 0) {
            ++topTasksOfLevelZero;
        }
        auto& childs = parent->childs;
        if (!childs) {
            childs.emplace();
        }
        childs->push_back(std::move(row.task));
        open.push_back({&childs->back(), level});
    }

    if (top.childs && top.childs->size() == 1 && topTasksOfLevelZero == 1) {
        return std::move(top.childs->front());
    }
    top.name = projectName;
    top.type = JsonTaskType::normal;
    if (top.childs) {
        for (const JsonTask& child : *top.childs) {
            if (child.start && (!top.start || *child.start < *top.start)) {
                top.start = child.start;
            }
            if (child.finish && (!top.finish || *child.finish > *top.finish)) {
                top.finish = child.finish;
            }
        }
    }
    return top;
}

bool isBlank(std::string_view text) { return detail::trimXmlSpace(text).empty(); }

std::optional<std::string> fileStem(const std::string& fileName) {
    std::string stem = std::filesystem::path(fileName).stem().string();
    if (stem.empty()) {
        return std::nullopt;
    }
    return stem;
}

PlanLoadResult failure(const std::string& fileName, std::string_view reason) {
    return {std::nullopt, fmt::format("{}: {}", fileName, reason)};
}

// "file:line:column: not well-formed XML: reason (byte offset)", the form of the command's other
// messages about unreadable plans.
PlanLoadResult malformed(const std::string& fileName, std::string_view bytes, const pugi::xml_parse_result& result) {
    const auto offset = static_cast<std::size_t>(std::max<std::ptrdiff_t>(result.offset, 0));
    if (result.encoding == pugi::encoding_utf8) {
        const detail::TextPosition position = detail::textPositionOf(bytes, offset);
        return {std::nullopt, fmt::format("{}:{}:{}: not well-formed XML: {} (byte {})", fileName, position.line,
                                          position.column, result.description(), offset)};
    }
    // The parser counts in its UTF-8 copy of a document in another encoding.
    return failure(fileName, fmt::format("not well-formed XML: {} (offset {} in the text as UTF-8)",
                                         result.description(), offset));
}

// The offset of the first byte that does not belong to a well-formed UTF-8 character, if any.
std::optional<std::size_t> firstInvalidUtf8(std::string_view text) {
    const auto* data = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    std::size_t at = 0;
    while (at < text.size()) {
        utf8proc_int32_t character;
        const utf8proc_ssize_t length =
            utf8proc_iterate(data + at, static_cast<utf8proc_ssize_t>(text.size() - at), &character);
        if (length <= 0) {
            return at;
        }
        at += static_cast<std::size_t>(length);
    }
    return std::nullopt;
}

// "file:line:column: what" for a node of a UTF-8 document; "file: what" for a document in another
// encoding, whose offsets count in the parser's UTF-8 copy.
PlanLoadResult failureAt(const std::string& fileName, std::string_view bytes, const pugi::xml_parse_result& parsed,
                         const pugi::xml_node& node, std::string_view what) {
    const std::ptrdiff_t offset = node.offset_debug();
    if (parsed.encoding != pugi::encoding_utf8 || offset < 0) return failure(fileName, what);
    const detail::TextPosition position = detail::textPositionOf(bytes, static_cast<std::size_t>(offset));
    return {std::nullopt, fmt::format("{}:{}:{}: {}", fileName, position.line, position.column, what)};
}

// Whether the text holds a character reference to U+0000 ("&#0;", "&#x00;"), which XML does not allow
// and which the parser would turn into the end of the text, cutting a name short.
bool holdsNulReference(std::string_view text) {
    for (auto at = text.find("&#"); at != std::string_view::npos; at = text.find("&#", at + 2)) {
        std::size_t digit = at + 2;
        if (digit < text.size() && (text[digit] == 'x' || text[digit] == 'X')) ++digit;
        std::size_t end = digit;
        while (end < text.size() && text[end] == '0') ++end;
        if (end > digit && end < text.size() && text[end] == ';') return true;
    }
    return false;
}

// The first text or attribute that holds a reference to U+0000, found in the document read again
// into `raw` without expanding references; walked without recursion, as documents may nest deeply. Only
// documents that hold "&#" at all are read again.
std::optional<pugi::xml_node> nulReference(std::string_view bytes, pugi::xml_document& raw) {
    const bool mayHold = bytes.find("&#") != std::string_view::npos ||
                         bytes.find(std::string_view("&\0#", 3)) != std::string_view::npos ||
                         bytes.find(std::string_view("\0&\0#", 4)) != std::string_view::npos;
    if (!mayHold) return std::nullopt;
    if (!raw.load_buffer(bytes.data(), bytes.size(), pugi::parse_default & ~pugi::parse_escapes)) return std::nullopt;
    pugi::xml_node node = raw.first_child();
    while (node) {
        if (node.type() == pugi::node_pcdata && holdsNulReference(node.value())) return node;
        for (const pugi::xml_attribute attribute : node.attributes()) {
            if (holdsNulReference(attribute.value())) return node;
        }
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && !node.next_sibling()) node = node.parent();
        if (node) node = node.next_sibling();
    }
    return std::nullopt;
}

}  // namespace

PlanLoadResult parseMspdiPlan(std::string_view bytes, const std::string& fileName) {
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(bytes.data(), bytes.size());
    if (!parsed) {
        return malformed(fileName, bytes, parsed);
    }
    // The parser takes a document without a declared encoding it knows (a windows-1252 export, say) as
    // UTF-8 without checking it. Such text cannot be stored by the library, whose files hold UTF-8 only.
    if (parsed.encoding == pugi::encoding_utf8) {
        if (const auto offset = firstInvalidUtf8(bytes)) {
            const detail::TextPosition position = detail::textPositionOf(bytes, *offset);
            return {std::nullopt, fmt::format("{}:{}:{}: not well-formed XML: the text is not UTF-8 (byte {}); "
                                              "save the plan as UTF-8",
                                              fileName, position.line, position.column, *offset)};
        }
    }

    pugi::xml_document unexpanded;
    if (const auto nul = nulReference(bytes, unexpanded)) {
        return failureAt(fileName, bytes, parsed, *nul,
                         "not well-formed XML: a character reference to U+0000 (&#0;), which XML does not allow");
    }

    pugi::xml_node root;
    for (const pugi::xml_node node : document.children()) {
        if (node.type() != pugi::node_element) {
            continue;
        }
        if (root) {
            return failure(fileName, fmt::format("not well-formed XML: a second root element <{}> after <{}>",
                                                 node.name(), root.name()));
        }
        root = node;
    }

    const std::string_view rootName = root.name();
    const std::size_t colon = rootName.find(':');
    const std::string_view prefix = colon == std::string_view::npos ? std::string_view{} : rootName.substr(0, colon);
    const std::string_view rootLocal = colon == std::string_view::npos ? rootName : rootName.substr(colon + 1);
    if (rootLocal != "Project"sv) {
        return failure(fileName, fmt::format("not a Microsoft Project XML document: the root element is <{}>, "
                                             "not <Project xmlns=\"{}\">",
                                             rootName, projectNamespace));
    }
    const std::string namespaceAttribute = prefix.empty() ? std::string("xmlns") : fmt::format("xmlns:{}", prefix);
    if (root.attribute(namespaceAttribute.c_str()).value() != projectNamespace) {
        return failure(fileName, fmt::format("not a Microsoft Project XML document: the root element <{}> is not "
                                             "in the namespace {}",
                                             rootName, projectNamespace));
    }

    const ElementNames names(prefix);
    std::optional<std::string> name;
    std::optional<std::string> title;
    std::vector<TaskRow> rows;
    for (const pugi::xml_node child : root.children()) {
        if (child.type() != pugi::node_element) {
            continue;
        }
        const std::string_view local = names.local(child);
        if (local == "Name"sv && !name) {
            name = elementText(child);
        } else if (local == "Title"sv && !title) {
            title = elementText(child);
        } else if (local == "Tasks"sv) {
            for (const pugi::xml_node taskNode : child.children()) {
                if (taskNode.type() == pugi::node_element && names.local(taskNode) == "Task"sv) {
                    rows.push_back(readTaskRow(taskNode, names));
                    if (rows.back().badPercent) {
                        return failureAt(fileName, bytes, parsed, rows.back().badPercent,
                                         "<PercentComplete> must be a whole number from 0 to 100");
                    }
                }
            }
        }
    }

    JsonProject project;
    if (name && !isBlank(*name)) {
        project.name = std::move(name);
    } else if (title && !isBlank(*title)) {
        project.name = std::move(title);
    } else {
        project.name = fileStem(fileName);
    }
    assignTypes(rows);
    project.rootTask = buildTaskTree(rows, project.name);
    return {std::move(project), {}};
}

}  // namespace today::cli
