// The option sets of the bookmark facility: what a bookmark is created with, and how it is resolved.
#pragma once

#include <cstdint>

#include "today/export.hpp"

namespace today {

namespace detail {

// A set of option bits; `Tag` keeps creation and resolution options apart.
template <class Tag>
class OptionSet {
public:
    constexpr OptionSet() = default;
    constexpr explicit OptionSet(std::uint64_t rawValue) : _rawValue(rawValue) {}

    constexpr std::uint64_t rawValue() const { return _rawValue; }
    constexpr bool contains(OptionSet other) const { return (_rawValue & other._rawValue) == other._rawValue; }

    friend constexpr OptionSet operator|(OptionSet a, OptionSet b) { return OptionSet(a._rawValue | b._rawValue); }
    constexpr OptionSet& operator|=(OptionSet other) { _rawValue |= other._rawValue; return *this; }
    friend constexpr bool operator==(OptionSet, OptionSet) = default;

private:
    std::uint64_t _rawValue = 0;
};

struct BookmarkCreationTag {};
struct BookmarkResolutionTag {};

}  // namespace detail

class TODAY_API BookmarkCreationOptions : public detail::OptionSet<detail::BookmarkCreationTag> {
public:
    using OptionSet::OptionSet;
    constexpr BookmarkCreationOptions(OptionSet set) : OptionSet(set) {}  // NOLINT: results of `|`

    static const BookmarkCreationOptions withSecurityScope;
};
inline constexpr BookmarkCreationOptions BookmarkCreationOptions::withSecurityScope{1u << 11};

class TODAY_API BookmarkResolutionOptions : public detail::OptionSet<detail::BookmarkResolutionTag> {
public:
    using OptionSet::OptionSet;
    constexpr BookmarkResolutionOptions(OptionSet set) : OptionSet(set) {}  // NOLINT: results of `|`

    static const BookmarkResolutionOptions withoutUI;
    static const BookmarkResolutionOptions withoutMounting;
    static const BookmarkResolutionOptions withSecurityScope;
};
inline constexpr BookmarkResolutionOptions BookmarkResolutionOptions::withoutUI{1u << 8};
inline constexpr BookmarkResolutionOptions BookmarkResolutionOptions::withoutMounting{1u << 9};
inline constexpr BookmarkResolutionOptions BookmarkResolutionOptions::withSecurityScope{1u << 10};

}  // namespace today
