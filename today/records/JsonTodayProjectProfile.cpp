#include "today/records/JsonTodayProjectProfile.hpp"

#include "today/outside/Base64.hpp"
#include "today/records/JsonReading.hpp"
#include "today/records/JsonWriting.hpp"
#include "today/records/RecordFactory.hpp"

namespace today::detail {

namespace {

constexpr std::string_view untitledName = "Untitiled";

bool readBookmark(simdjson::dom::element value, std::optional<Bytes>& field) {
    std::optional<std::string> text;
    if (!json::readString(value, text)) {
        return false;
    }
    if (!text) {
        field.reset();
        return true;
    }
    field = base64Decode(*text);
    return field.has_value();
}

// Reads one member of a stored profile; false when its value has the wrong type. Keys that are not
// the record's are ignored; when a key occurs twice, the last occurrence wins.
bool readMember(std::string_view key, simdjson::dom::element value, JsonTodayProjectProfile& record) {
    if (key == "id") return json::readString(value, record.id);
    if (key == "name") return json::readString(value, record.name);
    if (key == "start") return json::readDate(value, record.start);
    if (key == "finish") return json::readDate(value, record.finish);
    if (key == "sourceOrvFilePath") return json::readString(value, record.sourceOrvFilePath);
    if (key == "securityScopedBookmark") return readBookmark(value, record.securityScopedBookmark);
    if (key == "lastUpdate") return json::readDate(value, record.lastUpdate);
    if (key == "todayWidget") return json::readBool(value, record.todayWidget);
    return true;
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

void writeRecord(json::JsonWriter& writer, const JsonTodayProjectProfile& record) {
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
        writer.string(base64Encode(*record.securityScopedBookmark));
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

std::size_t expectedSize(const JsonTodayProjectProfile& record) {
    constexpr std::size_t keysAndNumbers = 200;
    std::size_t size = keysAndNumbers;
    size += record.id ? record.id->size() : 0;
    size += record.name ? record.name->size() : 0;
    size += record.sourceOrvFilePath ? record.sourceOrvFilePath->size() : 0;
    size += record.securityScopedBookmark ? (record.securityScopedBookmark->size() + 2) / 3 * 4 : 0;
    return size;
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

std::optional<TodayProjectProfile> JsonTodayProjectProfile::todayProjectProfile() const {
    if (!id || id->empty() || !sourceOrvFilePath || sourceOrvFilePath->empty()) {
        return std::nullopt;
    }
    return RecordFactory::profile(*id, name ? *name : std::string(untitledName), start, finish, *sourceOrvFilePath,
                                  securityScopedBookmark, lastUpdate ? *lastUpdate : Date::now().toDayOnly(),
                                  todayWidget.value_or(false));
}

std::optional<std::vector<JsonTodayProjectProfile>> decodeProfileList(std::string_view json) {
    return json::decodeText(json, decodeRoot);
}

std::optional<std::string> encodeProfileList(const std::vector<JsonTodayProjectProfile>& records) {
    std::size_t size = 2;
    for (const JsonTodayProjectProfile& record : records) {
        size += expectedSize(record);
    }
    json::JsonWriter writer(size);
    writer.beginArray();
    for (const JsonTodayProjectProfile& record : records) {
        writeRecord(writer, record);
    }
    writer.endArray();
    if (writer.failed()) {
        return std::nullopt;
    }
    return std::move(writer.text());
}

}  // namespace today::detail
