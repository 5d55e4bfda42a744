// Reading and writing the records of "projects.json", and turning them into profiles and back.
#include "today/records/JsonTodayProjectProfile.hpp"

#include "today/outside/Base64.hpp"
#include "today/records/DefaultNames.hpp"
#include "today/records/JsonReading.hpp"
#include "today/records/JsonWriting.hpp"
#include "today/records/RecordFactory.hpp"

namespace today::detail {

namespace {

bool readBookmark(simdjson::dom::element value, std::optional<Bytes>& field) {
    std::string_view text;
    if (value.get_string().get(text) == simdjson::SUCCESS) {
        field = base64Decode(text);
        return field.has_value();
    }
    if (value.is_null()) {
        field.reset();
        return true;
    }
    return false;
}

// Reads one member of a stored profile; false when its value has the wrong type. Keys that are not
// the record's are ignored; when a key occurs twice, the last occurrence wins.
bool readMember(std::string_view key, simdjson::dom::element value, JsonTodayProjectProfile& record) {
    // The eight keys differ in length, so the length picks the one key to compare with.
    switch (key.size()) {
        case 2: return key != "id" || json::readString(value, record.id);
        case 4: return key != "name" || json::readString(value, record.name);
        case 5: return key != "start" || json::readDate(value, record.start);
        case 6: return key != "finish" || json::readDate(value, record.finish);
        case 17: return key != "sourceOrvFilePath" || json::readString(value, record.sourceOrvFilePath);
        case 22: return key != "securityScopedBookmark" || readBookmark(value, record.securityScopedBookmark);
        case 10: return key != "lastUpdate" || json::readDate(value, record.lastUpdate);
        case 11: return key != "todayWidget" || json::readBool(value, record.todayWidget);
        default: return true;
    }
}

std::optional<std::vector<JsonTodayProjectProfile>> decodeRoot(simdjson::dom::element root) {
    simdjson::dom::array array;
    if (root.get_array().get(array) != simdjson::SUCCESS) {
        return std::nullopt;
    }
    std::vector<JsonTodayProjectProfile> records;
    records.reserve(array.size());
    for (simdjson::dom::element element : array) {
        simdjson::dom::object object;
        if (element.get_object().get(object) != simdjson::SUCCESS) {
            return std::nullopt;
        }
        JsonTodayProjectProfile& record = records.emplace_back();
        for (simdjson::dom::key_value_pair member : object) {
            if (!readMember(member.key, member.value, record)) {
                return std::nullopt;
            }
        }
    }
    return records;
}

// The members of one stored profile, in the order of the record's keys; absent ones are left out.
struct RecordFields {
    const std::string* id;
    const std::string* name;
    const std::optional<Date>& start;
    const std::optional<Date>& finish;
    const std::string* sourceOrvFilePath;
    const Bytes* securityScopedBookmark;
    std::optional<Date> lastUpdate;
    std::optional<bool> todayWidget;
};

template <class T>
const T* pointer(const std::optional<T>& field) {
    return field ? &*field : nullptr;
}

void writeRecord(json::JsonWriter& writer, const RecordFields& record) {
    writer.beginObject();
    if (record.id) {
        writer.key("id");
        writer.string(*record.id);
    }
    if (record.name) {
        writer.key("name");
        writer.string(*record.name);
    }
    if (record.start) {
        writer.key("start");
        writer.date(*record.start);
    }
    if (record.finish) {
        writer.key("finish");
        writer.date(*record.finish);
    }
    if (record.sourceOrvFilePath) {
        writer.key("sourceOrvFilePath");
        writer.string(*record.sourceOrvFilePath);
    }
    if (record.securityScopedBookmark) {
        writer.key("securityScopedBookmark");
        writer.base64(*record.securityScopedBookmark);
    }
    if (record.lastUpdate) {
        writer.key("lastUpdate");
        writer.date(*record.lastUpdate);
    }
    if (record.todayWidget) {
        writer.key("todayWidget");
        writer.boolean(*record.todayWidget);
    }
    writer.endObject();
}

RecordFields fieldsOf(const JsonTodayProjectProfile& record) {
    return {pointer(record.id),
            pointer(record.name),
            record.start,
            record.finish,
            pointer(record.sourceOrvFilePath),
            pointer(record.securityScopedBookmark),
            record.lastUpdate,
            record.todayWidget};
}

// What `JsonTodayProjectProfile(profile:)` holds: start, finish and bookmark only when the profile has them.
RecordFields fieldsOf(const TodayProjectProfile& profile) {
    return {&profile.id(),
            &profile.name,
            profile.start,
            profile.finish,
            &profile.sourceOrvFilePath,
            pointer(profile.securityScopedBookmark),
            profile.lastUpdate,
            profile.todayWidget};
}

std::size_t expectedSize(const RecordFields& record) {
    constexpr std::size_t keysAndNumbers = 200;
    std::size_t size = keysAndNumbers;
    size += record.id ? record.id->size() : 0;
    size += record.name ? record.name->size() : 0;
    size += record.sourceOrvFilePath ? record.sourceOrvFilePath->size() : 0;
    size += record.securityScopedBookmark ? (record.securityScopedBookmark->size() + 2) / 3 * 4 : 0;
    return size;
}

template <class Record>
std::optional<std::string> encodeRecords(const std::vector<Record>& records) {
    std::size_t size = 2;
    for (const Record& record : records) {
        size += expectedSize(fieldsOf(record));
    }
    json::JsonWriter writer(size);
    writer.beginArray();
    for (const Record& record : records) {
        writeRecord(writer, fieldsOf(record));
    }
    writer.endArray();
    if (writer.failed()) {
        return std::nullopt;
    }
    return std::move(writer.text());
}

}  // namespace

JsonTodayProjectProfile::JsonTodayProjectProfile(const TodayProjectProfile& profile)
    : id(profile.id()),
      name(profile.name),
      start(profile.start),
      finish(profile.finish),
      sourceOrvFilePath(profile.sourceOrvFilePath),
      securityScopedBookmark(profile.securityScopedBookmark),
      lastUpdate(profile.lastUpdate),
      todayWidget(profile.todayWidget) {}

std::optional<TodayProjectProfile> JsonTodayProjectProfile::todayProjectProfile() const& {
    return JsonTodayProjectProfile(*this).todayProjectProfile();
}

std::optional<TodayProjectProfile> JsonTodayProjectProfile::todayProjectProfile() && {
    if (!id || id->empty() || !sourceOrvFilePath || sourceOrvFilePath->empty()) {
        return std::nullopt;
    }
    return RecordFactory::profile(std::move(*id), name ? std::move(*name) : std::string(untitledProjectName), start,
                                  finish, std::move(*sourceOrvFilePath), std::move(securityScopedBookmark),
                                  lastUpdate ? *lastUpdate : Date::now().toDayOnly(), todayWidget.value_or(false));
}

std::optional<std::vector<JsonTodayProjectProfile>> decodeProfileList(std::string_view json) {
    return json::decodeText(json, decodeRoot);
}

std::optional<std::vector<JsonTodayProjectProfile>> decodeProfileList(Bytes& json) {
    return json::decodeBytes(json, decodeRoot);
}

std::optional<std::string> encodeProfileList(const std::vector<JsonTodayProjectProfile>& records) {
    return encodeRecords(records);
}

std::optional<std::string> encodeProfiles(const std::vector<TodayProjectProfile>& profiles) {
    return encodeRecords(profiles);
}

}  // namespace today::detail
