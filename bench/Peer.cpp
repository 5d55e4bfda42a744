// The peer the benchmarks compare with: the same files read and written with nlohmann-json.
#include "Peer.hpp"

#include <nlohmann/json.hpp>

#include <array>
#include <fstream>
#include <iterator>

namespace today::bench::peer {

using nlohmann::json;

namespace {

// The usual helpers: a missing or null key leaves the field empty.
template <class T>
void readOptional(const json& object, const char* key, std::optional<T>& field) {
    const auto found = object.find(key);
    if (found != object.end() && !found->is_null()) field = found->get<T>();
}

template <class T>
void writeOptional(json& object, const char* key, const std::optional<T>& field) {
    if (field) object[key] = *field;
}

constexpr char base64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64Encode(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned triple = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        text += base64Alphabet[(triple >> 18) & 63];
        text += base64Alphabet[(triple >> 12) & 63];
        text += base64Alphabet[(triple >> 6) & 63];
        text += base64Alphabet[triple & 63];
    }
    if (i + 1 == bytes.size()) {
        const unsigned triple = bytes[i] << 16;
        text += base64Alphabet[(triple >> 18) & 63];
        text += base64Alphabet[(triple >> 12) & 63];
        text += "==";
    } else if (i + 2 == bytes.size()) {
        const unsigned triple = (bytes[i] << 16) | (bytes[i + 1] << 8);
        text += base64Alphabet[(triple >> 18) & 63];
        text += base64Alphabet[(triple >> 12) & 63];
        text += base64Alphabet[(triple >> 6) & 63];
        text += '=';
    }
    return text;
}

std::optional<std::vector<std::uint8_t>> base64Decode(const std::string& text) {
    static const std::array<int, 256> values = [] {
        std::array<int, 256> table{};
        table.fill(-1);
        for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(base64Alphabet[i])] = i;
        return table;
    }();
    if (text.size() % 4 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        int quad[4];
        int padding = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = text[i + k];
            if (c == '=' && i + 4 == text.size() && k >= 2) {
                quad[k] = 0;
                ++padding;
            } else {
                quad[k] = values[static_cast<unsigned char>(c)];
                if (quad[k] < 0) return std::nullopt;
            }
        }
        const unsigned triple = (quad[0] << 18) | (quad[1] << 12) | (quad[2] << 6) | quad[3];
        bytes.push_back(static_cast<std::uint8_t>(triple >> 16));
        if (padding < 2) bytes.push_back(static_cast<std::uint8_t>(triple >> 8));
        if (padding < 1) bytes.push_back(static_cast<std::uint8_t>(triple));
    }
    return bytes;
}

std::optional<std::string> readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

void from_json(const json& object, Task& task) {
    readOptional(object, "id", task.id);
    readOptional(object, "nm", task.name);
    readOptional(object, "stt", task.start);
    readOptional(object, "fns", task.finish);
    readOptional(object, "cmp", task.completed);
    readOptional(object, "clr", task.color);
    readOptional(object, "mls", task.isMilestone);
    readOptional(object, "sp", task.directProjectTaskId);
}

void from_json(const json& object, Project& project) {
    readOptional(object, "nm", project.name);
    readOptional(object, "stt", project.start);
    readOptional(object, "fns", project.finish);
    readOptional(object, "cmp", project.completed);
    readOptional(object, "tsks", project.tasks);
}

void to_json(json& object, const Task& task) {
    object = json::object();
    writeOptional(object, "id", task.id);
    writeOptional(object, "nm", task.name);
    writeOptional(object, "stt", task.start);
    writeOptional(object, "fns", task.finish);
    writeOptional(object, "cmp", task.completed);
    writeOptional(object, "clr", task.color);
    writeOptional(object, "mls", task.isMilestone);
    writeOptional(object, "sp", task.directProjectTaskId);
}

void to_json(json& object, const Project& project) {
    object = json::object();
    writeOptional(object, "nm", project.name);
    writeOptional(object, "stt", project.start);
    writeOptional(object, "fns", project.finish);
    writeOptional(object, "cmp", project.completed);
    writeOptional(object, "tsks", project.tasks);
}

void from_json(const json& object, Profile& profile) {
    readOptional(object, "id", profile.id);
    readOptional(object, "name", profile.name);
    readOptional(object, "start", profile.start);
    readOptional(object, "finish", profile.finish);
    readOptional(object, "sourceOrvFilePath", profile.sourceOrvFilePath);
    std::optional<std::string> bookmark;
    readOptional(object, "securityScopedBookmark", bookmark);
    if (bookmark) {
        profile.securityScopedBookmark = base64Decode(*bookmark);
        if (!profile.securityScopedBookmark) throw std::runtime_error("bad bookmark");
    }
    readOptional(object, "lastUpdate", profile.lastUpdate);
    readOptional(object, "todayWidget", profile.todayWidget);
}

void to_json(json& object, const Profile& profile) {
    object = json::object();
    writeOptional(object, "id", profile.id);
    writeOptional(object, "name", profile.name);
    writeOptional(object, "start", profile.start);
    writeOptional(object, "finish", profile.finish);
    writeOptional(object, "sourceOrvFilePath", profile.sourceOrvFilePath);
    if (profile.securityScopedBookmark)
        object["securityScopedBookmark"] = base64Encode(*profile.securityScopedBookmark);
    writeOptional(object, "lastUpdate", profile.lastUpdate);
    writeOptional(object, "todayWidget", profile.todayWidget);
}

std::optional<std::vector<ShownTask>> tasksAt(const std::string& path, double at) {
    const auto text = readWholeFile(path);
    if (!text) return std::nullopt;
    Project project;
    try {
        project = json::parse(*text).get<Project>();
    } catch (const json::exception&) {
        return std::nullopt;
    }
    std::vector<ShownTask> shown;
    if (!project.tasks) return shown;
    for (const Task& task : *project.tasks) {
        if (!task.id || !task.start || !task.finish || at < *task.start || !(at < *task.finish)) continue;
        shown.push_back({*task.id, task.name.value_or("Task"), *task.start, *task.finish, task.completed.value_or(0),
                         task.color.value_or(0), task.isMilestone.value_or(false), task.directProjectTaskId});
    }
    return shown;
}

std::optional<std::vector<Profile>> readProfiles(const std::string& path) {
    const auto text = readWholeFile(path);
    if (!text) return std::nullopt;
    std::vector<Profile> all;
    try {
        all = json::parse(*text).get<std::vector<Profile>>();
    } catch (const std::exception&) {
        return std::nullopt;
    }
    std::vector<Profile> usable;
    usable.reserve(all.size());
    for (Profile& profile : all) {
        if (!profile.id || profile.id->empty() || !profile.sourceOrvFilePath || profile.sourceOrvFilePath->empty()) {
            continue;
        }
        if (!profile.name) profile.name = "Untitiled";
        if (!profile.todayWidget) profile.todayWidget = false;
        usable.push_back(std::move(profile));
    }
    return usable;
}

std::string encodeProject(const Project& project) { return json(project).dump(); }

std::string encodeProfiles(const std::vector<Profile>& profiles) { return json(profiles).dump(); }

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

Project fromSnapshot(const detail::JsonProjectToday& snapshot) {
    Project project;
    project.name = snapshot.name;
    if (snapshot.start) project.start = snapshot.start->timeIntervalSinceReferenceDate();
    if (snapshot.finish) project.finish = snapshot.finish->timeIntervalSinceReferenceDate();
    project.completed = snapshot.completed;
    if (snapshot.tasks) {
        auto& tasks = project.tasks.emplace();
        tasks.reserve(snapshot.tasks->size());
        for (const auto& record : *snapshot.tasks) {
            Task& task = tasks.emplace_back();
            task.id = record.id;
            task.name = record.name;
            if (record.start) task.start = record.start->timeIntervalSinceReferenceDate();
            if (record.finish) task.finish = record.finish->timeIntervalSinceReferenceDate();
            task.completed = record.completed;
            task.color = record.color;
            task.isMilestone = record.isMilestone;
            task.directProjectTaskId = record.directProjectTaskId;
        }
    }
    return project;
}

std::vector<Profile> fromRecords(const std::vector<detail::JsonTodayProjectProfile>& records) {
    std::vector<Profile> profiles;
    profiles.reserve(records.size());
    for (const auto& record : records) {
        Profile& profile = profiles.emplace_back();
        profile.id = record.id;
        profile.name = record.name;
        if (record.start) profile.start = record.start->timeIntervalSinceReferenceDate();
        if (record.finish) profile.finish = record.finish->timeIntervalSinceReferenceDate();
        profile.sourceOrvFilePath = record.sourceOrvFilePath;
        profile.securityScopedBookmark = record.securityScopedBookmark;
        if (record.lastUpdate) profile.lastUpdate = record.lastUpdate->timeIntervalSinceReferenceDate();
        profile.todayWidget = record.todayWidget;
    }
    return profiles;
}

}  // namespace today::bench::peer
