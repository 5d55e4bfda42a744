// The stored form of a profile in "projects.json", and the reading and writing of that file's text.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "today/outside/Bytes.hpp"
#include "today/outside/Date.hpp"
#include "today/records/TodayProjectProfile.hpp"

namespace today::detail {

struct JsonTodayProjectProfile {
    std::optional<std::string> id;
    std::optional<std::string> name;
    std::optional<Date> start;
    std::optional<Date> finish;
    std::optional<std::string> sourceOrvFilePath;
    std::optional<Bytes> securityScopedBookmark;
    std::optional<Date> lastUpdate;
    std::optional<bool> todayWidget;

    JsonTodayProjectProfile() = default;
    // The stored record of a profile: start, finish and bookmark only when the profile has them.
    explicit JsonTodayProjectProfile(const TodayProjectProfile& profile);

    // The profile of this record, or none when "id" or "sourceOrvFilePath" is absent or empty. Missing
    // fields take their defaults: name "Untitiled", lastUpdate the start of today, todayWidget false.
    std::optional<TodayProjectProfile> todayProjectProfile() const&;
    // The same, taking the record's strings and bookmark instead of copying them.
    std::optional<TodayProjectProfile> todayProjectProfile() &&;
};

// Decodes the whole file text (a JSON array of objects); none when anything in it is malformed: not
// UTF-8 JSON, an element that is not an object, a value of the wrong type for its key, or a bookmark
// that is not strict Base64. Unknown keys are ignored; of a key given twice the last one counts.
// The library reads the file's bytes (below); this form serves tests, fuzz targets and benchmarks,
// which hold lists as text, with the very same decoding.
std::optional<std::vector<JsonTodayProjectProfile>> decodeProfileList(std::string_view json);
// The same for the file's bytes, parsed in place: they are padded for the parser (within their capacity
// when it has the room) and given back unchanged.
std::optional<std::vector<JsonTodayProjectProfile>> decodeProfileList(Bytes& json);
// Encodes the records compactly, in order, with no final newline; absent fields are left out. None
// when a record cannot be written so that it reads back the same: a date that is not finite, or a
// string that is not valid UTF-8.
// The library writes through `encodeProfiles`; this stays beside the decoder so that tests, fuzz targets
// and benchmarks write lists in exactly the format the library reads.
std::optional<std::string> encodeProfileList(const std::vector<JsonTodayProjectProfile>& records);
// The text of the profiles' stored records (`JsonTodayProjectProfile(profile:)` of each), written
// without making the records.
std::optional<std::string> encodeProfiles(const std::vector<TodayProjectProfile>& profiles);

}  // namespace today::detail
