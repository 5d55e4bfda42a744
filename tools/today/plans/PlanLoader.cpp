// Loading a plan document: reading the file through the host and choosing the JSON or MSPDI reader by its content.
#include "tools/today/plans/PlanLoader.hpp"

#include <fmt/format.h>

#include "today/outside/FileReading.hpp"
#include "today/outside/Host.hpp"

namespace today::cli {

namespace {

constexpr std::string_view formats = "a plan is a JSON plan (starting with \"{\") or Microsoft Project XML";

// The first character of UTF-16 text, after its byte-order mark and white space; none when the text is
// not UTF-16. Without a mark, ASCII text in UTF-16 shows as a NUL byte beside each character.
std::optional<char> utf16FirstCharacter(std::string_view text) {
    bool littleEndian = true;
    if (text.starts_with("\xFF\xFE")) {
        text.remove_prefix(2);
    } else if (text.starts_with("\xFE\xFF")) {
        littleEndian = false;
        text.remove_prefix(2);
    } else if (text.size() >= 2 && text[1] == '\0' && text[0] != '\0') littleEndian = true;
    else if (text.size() >= 2 && text[0] == '\0' && text[1] != '\0') littleEndian = false;
    else return std::nullopt;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        const char low = littleEndian ? text[i] : text[i + 1];
        const char high = littleEndian ? text[i + 1] : text[i];
        if (high == '\0' && (low == ' ' || low == '\t' || low == '\r' || low == '\n')) continue;
        return high == '\0' ? low : '?';
    }
    return ' ';
}

PlanLoadResult failure(const std::string& path, std::string_view reason) {
    return {std::nullopt, fmt::format("{}: {}", path, reason)};
}

}  // namespace

PlanLoadResult loadPlanDocument(const std::string& path) {
    Host& host = Host::current();
    std::error_code error;
    const auto bytes = host.readFile(path, error);
    if (!bytes) {
        return failure(path, today::detail::unreadableReason(path, today::detail::maximumPlanDocumentBytes));
    }
    std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    if (const auto first = utf16FirstCharacter(text)) {
        // XML declares its encoding and may be UTF-16; a JSON plan is UTF-8.
        if (*first == '<') return parseMspdiPlan(text, path);
        if (*first == '{') return failure(path, "is UTF-16 text; a JSON plan must be UTF-8 (save it as UTF-8)");
        return failure(path, fmt::format("is UTF-16 text that is not a plan; {}", formats));
    }
    const std::string_view withoutMark = text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text;
    const auto first = withoutMark.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return failure(path, fmt::format("is empty{}; {}", withoutMark.empty() ? "" : " (white space only)", formats));
    }
    if (withoutMark[first] == '<') return parseMspdiPlan(text, path);
    if (withoutMark[first] != '{') {
        return failure(path, fmt::format("is not a plan: it starts with neither \"{{\" nor \"<\"; {}", formats));
    }
    return parseJsonPlan(text, path);
}

}  // namespace today::cli
