// The desktop entry's text, the quoting of its Exec key, and removing our handler from a mimeapps.list.
#include "tools/today/desktop/DesktopEntry.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <vector>

namespace today::cli {

std::string desktopEntryText(std::string_view program) {
    return fmt::format(
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Today\n"
        "Comment=Opens the plans that the Today widget links to\n"
        "Exec={} open --launch %u\n"
        "Terminal=false\n"
        "NoDisplay=true\n"
        "MimeType={};\n",
        program, linkHandlerType);
}

std::optional<std::string> execWord(std::string_view path) {
    bool plain = !path.empty();
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return std::nullopt;
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
                          c == '.' || c == '_' || c == '-' || c == '+' || c == ',' || byte >= 0x80;
        plain = plain && safe;
    }
    if (plain) return std::string(path);
    // Within double quotes, `"`, `` ` ``, `$` and `\` take a backslash; the key's string escapes then
    // double every backslash, and a field code's `%` is written `%%`.
    std::string word = "\"";
    for (const char c : path) {
        if (c == '"' || c == '`' || c == '$') word += "\\\\";
        if (c == '\\') word += "\\\\\\";
        if (c == '%') word += '%';
        word += c;
    }
    return word + "\"";
}

std::optional<std::string> withoutOurHandler(std::string_view mimeapps) {
    const std::string key = std::string(linkHandlerType) + "=";
    const auto isKey = [&key](std::string_view line) {
        return line.size() >= key.size() && std::equal(key.begin(), key.end(), line.begin(), [](char a, char b) {
                   return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
               });
    };
    std::string result;
    bool changed = false;
    while (!mimeapps.empty()) {
        const auto end = mimeapps.find('\n');
        const std::string_view line = mimeapps.substr(0, end);
        const bool lastLine = end == std::string_view::npos;
        mimeapps.remove_prefix(lastLine ? mimeapps.size() : end + 1);
        if (!isKey(line)) {
            result.append(line).append(lastLine ? "" : "\n");
            continue;
        }
        // The handlers, separated by ";".
        std::string kept;
        bool ours = false;
        for (std::string_view rest = line.substr(key.size()); !rest.empty();) {
            const auto semicolon = rest.find(';');
            const std::string_view handler = rest.substr(0, semicolon);
            rest.remove_prefix(semicolon == std::string_view::npos ? rest.size() : semicolon + 1);
            if (handler == desktopEntryName) ours = true;
            else if (!handler.empty()) kept.append(handler).append(";");
        }
        changed = changed || ours;
        if (!ours) result.append(line).append(lastLine ? "" : "\n");
        else if (!kept.empty()) result.append(line.substr(0, key.size())).append(kept).append(lastLine ? "" : "\n");
    }
    if (!changed) return std::nullopt;
    return result;
}

}  // namespace today::cli
