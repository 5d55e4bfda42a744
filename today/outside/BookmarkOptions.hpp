// The option sets of the bookmark facility: what a bookmark is created with, and how it is resolved.
#pragma once

#include <cstdint>
#include <type_traits>

#include "today/export.hpp"

namespace today {

namespace detail {

// A set of option bits. `Set` is the option type deriving from it, so that combining options of one
// type yields that type: `withoutUI | withoutMounting` is a `BookmarkResolutionOptions`.
template <class Set>
class OptionSet {
public:
    constexpr OptionSet() = default;
    constexpr explicit OptionSet(std::uint64_t rawValue) : _rawValue(rawValue) {}

    constexpr std::uint64_t rawValue() const { return _rawValue; }
    constexpr bool contains(Set other) const { return (_rawValue & other.rawValue()) == other.rawValue(); }

    friend constexpr Set operator|(Set a, Set b) { return Set(a.rawValue() | b.rawValue()); }
    constexpr Set& operator|=(Set other) {
        _rawValue |= other.rawValue();
        return static_cast<Set&>(*this);
    }
    friend constexpr bool operator==(Set a, Set b) { return a.rawValue() == b.rawValue(); }

private:
    std::uint64_t _rawValue = 0;
};

}  // namespace detail

class TODAY_API BookmarkCreationOptions : public detail::OptionSet<BookmarkCreationOptions> {
public:
    using OptionSet::OptionSet;

    static const BookmarkCreationOptions withSecurityScope;
};
inline constexpr BookmarkCreationOptions BookmarkCreationOptions::withSecurityScope{1u << 11};

class TODAY_API BookmarkResolutionOptions : public detail::OptionSet<BookmarkResolutionOptions> {
public:
    using OptionSet::OptionSet;

    static const BookmarkResolutionOptions withoutUI;
    static const BookmarkResolutionOptions withoutMounting;
    static const BookmarkResolutionOptions withSecurityScope;
};
inline constexpr BookmarkResolutionOptions BookmarkResolutionOptions::withoutUI{1u << 8};
inline constexpr BookmarkResolutionOptions BookmarkResolutionOptions::withoutMounting{1u << 9};
inline constexpr BookmarkResolutionOptions BookmarkResolutionOptions::withSecurityScope{1u << 10};

// Combining options of one kind gives that kind, also through `auto` and braced lists.
static_assert(
    std::is_same_v<decltype(BookmarkResolutionOptions::withoutUI | BookmarkResolutionOptions::withoutMounting),
                   BookmarkResolutionOptions>);

}  // namespace today
