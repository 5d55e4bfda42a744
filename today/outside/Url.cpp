// Absolute URLs on uriparser (RFC 3986). A `Url` holds its text, which is always a valid absolute URI:
// `parse` checks it, and every other operation builds text with the components escaped. The parts of
// such a text are then found by the grammar's own split (RFC 3986, appendix B).
#include "today/outside/Url.hpp"
#include "today/outside/BookmarkFormat.hpp"

#include <uriparser/Uri.h>

#include <algorithm>
#include <vector>

#include "today/outside/Hex.hpp"
#include "today/outside/Host.hpp"

namespace today {

namespace {

struct UrlParts {
    std::string_view scheme;
    std::optional<std::string_view> authority;
    std::string_view path;
    std::optional<std::string_view> query;
    std::optional<std::string_view> fragment;
};

// Splits a valid absolute URI into its five parts.
UrlParts splitUrl(std::string_view text) {
    UrlParts parts;
    const auto colon = text.find(':');
    parts.scheme = text.substr(0, colon);
    std::string_view rest = text.substr(colon + 1);
    if (const auto hash = rest.find('#'); hash != std::string_view::npos) {
        parts.fragment = rest.substr(hash + 1);
        rest = rest.substr(0, hash);
    }
    if (const auto question = rest.find('?'); question != std::string_view::npos) {
        parts.query = rest.substr(question + 1);
        rest = rest.substr(0, question);
    }
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const auto slash = rest.find('/');
        parts.authority = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    }
    parts.path = rest;
    return parts;
}

std::string composeUrl(const UrlParts& parts, std::string_view path) {
    std::string text(parts.scheme);
    text += ':';
    if (parts.authority) {
        text += "//";
        text += *parts.authority;
    } else if (path.starts_with("//")) {
        text += "/.";  // without an authority, "//" would start one; "/./" names the same path
    }
    text += path;
    if (parts.query) text.append("?").append(*parts.query);
    if (parts.fragment) text.append("#").append(*parts.fragment);
    return text;
}

bool isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

bool isSubDelimiter(unsigned char c) {
    return std::string_view("!$&'()*+,;=").find(static_cast<char>(c)) != std::string_view::npos;
}

// A file-system path as URL path text: "/" separates segments; every byte that a path segment cannot
// hold as it is becomes a percent-escape.
std::string escapePath(std::string_view path) {
    std::string text;
    text.reserve(path.size());
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (isUnreserved(c) || isSubDelimiter(c) || c == ':' || c == '@' || c == '/') {
            text += ch;
        } else {
            text += '%';
            detail::appendHexByte(text, c, detail::HexCase::upper);
        }
    }
    return text;
}

std::string percentDecoded(std::string_view text) {
    std::string decoded(text);
    if (text.find('%') == std::string_view::npos) return decoded;
    const char* end = uriUnescapeInPlaceExA(decoded.data(), URI_FALSE, URI_BR_DONT_TOUCH);
    decoded.resize(static_cast<std::size_t>(end - decoded.data()));
    return decoded;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

// Removes "." and ".." segments (escaped dots count too). In an absolute path ".." at the root stays at
// the root; in a relative one, leading ".." segments are kept. With `collapseEmpty`, empty segments
// ("//") are dropped as the file system ignores them.
std::string removeDotSegments(std::string_view path, bool collapseEmpty) {
    const bool absolute = path.starts_with('/');
    if (absolute) path.remove_prefix(1);
    std::vector<std::string_view> kept;
    bool endsAsDirectory = false;
    std::size_t start = 0;
    while (start <= path.size()) {
        auto end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view segment = path.substr(start, end - start);
        const bool last = end == path.size();
        start = end + 1;
        if (path.empty()) break;
        const std::string decoded = segment.size() <= 6 ? percentDecoded(segment) : std::string();
        endsAsDirectory = last;
        if (decoded == ".") continue;
        if (decoded == "..") {
            if (!kept.empty() && kept.back() != "..") kept.pop_back();
            else if (!absolute) kept.push_back("..");
            continue;
        }
        if (segment.empty() && (collapseEmpty || last)) continue;
        kept.push_back(segment);
        endsAsDirectory = false;
    }
    std::string result = absolute ? "/" : "";
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) result += '/';
        result += kept[i];
    }
    if (endsAsDirectory && !kept.empty()) result += '/';
    return result;
}

// Whether escaped path text holds "%2F" or "%00": after decoding, a "/" inside a name or a NUL.
bool namesNoFile(std::string_view raw) {
    for (auto at = raw.find('%'); at != std::string_view::npos && at + 2 < raw.size(); at = raw.find('%', at + 1)) {
        const std::string_view code = raw.substr(at + 1, 2);
        if (equalsIgnoringAsciiCase(code, "2f") || code == "00") return true;
    }
    return false;
}

}  // namespace

std::optional<Url> Url::parse(std::string_view text) {
    if (text.empty()) return std::nullopt;
    UriUriA uri;
    const char* errorPosition = nullptr;
    if (uriParseSingleUriExA(&uri, text.data(), text.data() + text.size(), &errorPosition) != URI_SUCCESS) {
        return std::nullopt;
    }
    const bool hasScheme = uri.scheme.first != nullptr;
    uriFreeUriMembersA(&uri);
    if (!hasScheme) return std::nullopt;
    return Url(std::string(text));
}

Url Url::fileUrl(std::string_view path) {
    std::string absolute;
    if (path.starts_with('/')) {
        absolute = path;
    } else {
        absolute = Host::current().currentDirectory();
        if (!absolute.ends_with('/')) absolute += '/';
        absolute += path;
    }
    return Url("file://" + escapePath(absolute));
}

std::optional<std::string> Url::scheme() const {
    const UrlParts parts = splitUrl(_string);
    if (parts.scheme.empty()) return std::nullopt;
    return std::string(parts.scheme);
}

std::optional<std::string> Url::host() const {
    UriUriA uri;
    const char* errorPosition = nullptr;
    if (uriParseSingleUriExA(&uri, _string.data(), _string.data() + _string.size(), &errorPosition) != URI_SUCCESS) {
        return std::nullopt;
    }
    std::optional<std::string> host;
    if (uri.hostText.first && uri.hostText.afterLast > uri.hostText.first) {
        host.emplace(uri.hostText.first, uri.hostText.afterLast);
    }
    uriFreeUriMembersA(&uri);
    return host;
}

bool Url::isFileUrl() const { return equalsIgnoringAsciiCase(splitUrl(_string).scheme, "file"); }

bool Url::isLocalHost(std::string_view host) { return host.empty() || equalsIgnoringAsciiCase(host, "localhost"); }

std::string Url::path() const {
    const UrlParts parts = splitUrl(_string);
    std::string_view raw = parts.path;
    while (raw.size() > 1 && raw.ends_with('/')) raw.remove_suffix(1);
    if (equalsIgnoringAsciiCase(parts.scheme, "file")) {
        // A file URL names a file of this machine only without a host or with "localhost"; and no file
        // name holds a "/" or a NUL, which decoding "%2F" or "%00" would make part of the path.
        if (parts.authority && !isLocalHost(*parts.authority) && !isLocalHost(host().value_or(std::string()))) {
            return {};
        }
        if (namesNoFile(raw)) return {};
    }
    return percentDecoded(raw);
}

Url Url::standardized() const {
    const UrlParts parts = splitUrl(_string);
    return Url(composeUrl(parts, removeDotSegments(parts.path, isFileUrl())));
}

Url Url::resolvingSymlinks() const {
    if (!isFileUrl()) return *this;
    const std::string original = path();
    if (!original.starts_with('/')) return *this;
    std::error_code error;
    const auto resolved = Host::current().realPath(original, error);
    if (!resolved || *resolved == original) return *this;
    const UrlParts parts = splitUrl(_string);
    std::string resolvedPath = escapePath(*resolved);
    if (parts.path.size() > 1 && parts.path.ends_with('/') && !resolvedPath.ends_with('/')) resolvedPath += '/';
    return Url(composeUrl(parts, resolvedPath));
}

Url Url::appendingPathComponent(std::string_view component) const {
    const UrlParts parts = splitUrl(_string);
    while (component.starts_with('/')) component.remove_prefix(1);
    std::string path(parts.path);
    if (!path.ends_with('/')) path += '/';
    path += escapePath(component);
    return Url(composeUrl(parts, path));
}

std::optional<Bytes> Url::bookmarkData(BookmarkCreationOptions options) const {
    if (!isFileUrl()) return std::nullopt;
    std::error_code error;
    return detail::createBookmark(Host::current(), path(), options, error);
}

std::optional<Url> Url::resolvingBookmarkData(const Bytes& bookmark, BookmarkResolutionOptions options,
                                              bool& bookmarkDataIsStale) {
    bookmarkDataIsStale = false;
    const auto resolved = detail::resolveBookmark(Host::current(), bookmark, options);
    if (!resolved) return std::nullopt;
    bookmarkDataIsStale = resolved->isStale;
    return fileUrl(resolved->path);
}

}  // namespace today
