// Loading a plan document: reading the file through the host and choosing the JSON or MSPDI reader by its content.
#include "tools/today/plans/PlanLoader.hpp"

#include <fmt/format.h>

#include "today/outside/FileReading.hpp"
#include "today/outside/Host.hpp"

namespace today::cli {

namespace {

// Whether the document is XML: its first character, after an optional UTF-8 byte order mark and white
// space, opens a tag (an XML declaration, a comment or the root element). JSON plans start with "{".
bool looksLikeXml(std::string_view text) {
    // JSON plans are UTF-8; a UTF-16 byte-order mark can only start an XML document.
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) return true;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const auto first = text.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && text[first] == '<';
}

}  // namespace

PlanLoadResult loadPlanDocument(const std::string& path) {
    Host& host = Host::current();
    std::error_code error;
    const auto bytes = host.readFile(path, error);
    if (!bytes) {
        return {std::nullopt,
                fmt::format("{}: {}", path,
                            today::detail::unreadableReason(path, today::detail::maximumPlanDocumentBytes))};
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    if (looksLikeXml(text)) return parseMspdiPlan(text, path);
    return parseJsonPlan(text, path);
}

}  // namespace today::cli
