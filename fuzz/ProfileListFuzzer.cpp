// Fuzzes the reader of "projects.json": any bytes either are refused whole or decode to records that
// write back as text which reads back to the same records, and each record converts to a profile or is
// dropped. Dates compare as numbers: "-0" may come back as 0, the same instant.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.hpp"
#include "today/records/JsonTodayProjectProfile.hpp"

using namespace today;

namespace {

bool sameRecord(const detail::JsonTodayProjectProfile& a, const detail::JsonTodayProjectProfile& b) {
    return a.id == b.id && a.name == b.name && a.start == b.start && a.finish == b.finish &&
           a.sourceOrvFilePath == b.sourceOrvFilePath && a.securityScopedBookmark == b.securityScopedBookmark &&
           a.lastUpdate == b.lastUpdate && a.todayWidget == b.todayWidget;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto records = detail::decodeProfileList(text);
    if (!records) return 0;
    for (const auto& record : *records) {
        const auto profile = record.todayProjectProfile();
        fuzzing::require(profile.has_value() == (record.id && !record.id->empty() && record.sourceOrvFilePath &&
                                                 !record.sourceOrvFilePath->empty()),
                         "a record is kept exactly when it has an id and a source path");
        if (profile) fuzzing::require(detail::JsonTodayProjectProfile(*profile).id == record.id, "the id is kept");
    }
    // What was read was valid JSON with finite numbers and valid UTF-8, so it can always be written.
    const auto written = detail::encodeProfileList(*records);
    fuzzing::require(written.has_value(), "decoded records encode");
    const auto reread = detail::decodeProfileList(*written);
    fuzzing::require(reread.has_value(), "written text decodes");
    fuzzing::require(std::equal(reread->begin(), reread->end(), records->begin(), records->end(), sameRecord),
                     "written records read back the same");
    return 0;
}
