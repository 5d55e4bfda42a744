// An absolute URL (RFC 3986), with the file-URL operations the library needs: paths to and from file
// URLs, standardisation, symbolic-link resolution, and the bookmark facility.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "today/export.hpp"
#include "today/outside/BookmarkOptions.hpp"
#include "today/outside/Bytes.hpp"

namespace today {

class TODAY_API Url {
public:
    // An absolute URL, or none when the text is not one. Scheme and host keep their letter case.
    static std::optional<Url> parse(std::string_view text);
    // The file URL of a path; a relative path is taken against the current directory.
    static Url fileUrl(std::string_view path);

    const std::string& string() const { return _string; }
    std::optional<std::string> scheme() const;
    // The host as written (letter case and percent-escapes kept, IPv6 literals without brackets); none
    // when the URL has no host or an empty one ("OrvaneProject://", "file:///tmp"): the two are alike.
    std::optional<std::string> host() const;
    bool isFileUrl() const;
    // The path with percent-escapes decoded and without a trailing slash ("/" stays "/"). Empty for a
    // file URL that names no file on this machine: one with a host other than "localhost", or whose path
    // escapes a "/" or a NUL ("%2F", "%00"), which no file name can hold.
    std::string path() const;
    // Whether a file URL's host names this machine: empty or "localhost" (in any letter case).
    static bool isLocalHost(std::string_view host);

    // The same URL with "." and ".." removed from its path (".." at the root stays at the root); for
    // file URLs, empty segments ("//") are removed too.
    Url standardized() const;
    // The same file URL with symbolic links in its path resolved (and "." and ".." with them); a path
    // that does not exist as a whole is kept as it is. Other URLs are kept.
    Url resolvingSymlinks() const;
    // The URL with the component, escaped, added to its path after one "/".
    Url appendingPathComponent(std::string_view component) const;

    // Bookmark bytes of the file this URL names, or none when it is not a file URL of an existing file
    // (directories cannot be bookmarked).
    std::optional<Bytes> bookmarkData(BookmarkCreationOptions options) const;
    // The URL a bookmark designates, or none; `bookmarkDataIsStale` says whether the file had to be
    // followed (replaced or renamed) since the bookmark was made.
    static std::optional<Url> resolvingBookmarkData(const Bytes& bookmark, BookmarkResolutionOptions options,
                                                    bool& bookmarkDataIsStale);

    friend bool operator==(const Url& a, const Url& b) { return a._string == b._string; }

private:
    explicit Url(std::string text) : _string(std::move(text)) {}

    std::string _string;
};

}  // namespace today
