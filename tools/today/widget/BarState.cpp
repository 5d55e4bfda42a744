// The widget's state of the day: what is on now or next, today's count and agenda, the classes and the
// completion figure, and the lines each status bar reads.
#include "tools/today/widget/BarState.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "tools/today/dates/DateArgument.hpp"
#include "tools/today/output/Format.hpp"
#include "tools/today/output/JsonWriter.hpp"
#include "tools/today/output/TaskMoments.hpp"

namespace today::cli {

namespace {

constexpr double secondsPerDay = 86400;

struct Day {
    Date start;
    Date end;
};

// The local day of `now`; a day of 24 hours from now when the calendar cannot tell (an unknown zone).
Day dayOf(Date now, Host& host) {
    const auto start = startOfDay(now, 0, host);
    const auto end = startOfDay(now, 1, host);
    if (start && end) return {*start, *end};
    return {now, Date(now.timeIntervalSinceReferenceDate() + secondsPerDay)};
}

// "14:05" today; "Tue 14:05" within the week around it; "2025-06-10 14:05" further away.
std::string timeText(Date date, const Day& day, Host& host) {
    if (!(date < day.start) && date < day.end) return formatLocalClock(date, host);
    const double away = std::abs(date.timeIntervalSinceReferenceDate() - day.start.timeIntervalSinceReferenceDate());
    if (away < 6 * secondsPerDay)
        return formatLocalWeekday(date, host).substr(0, 3) + " " + formatLocalClock(date, host);
    return formatLocalMinutes(date, host);
}

// `head`, the name and `tail` in at most `width` columns: the name is cut first, so that the time and
// the count stay readable.
std::string fitted(const std::string& head, const std::string& name, const std::string& tail, std::size_t width) {
    // A cut after a word ends "Write…", not "Write …".
    const auto tidy = [](std::string cut) {
        const std::string_view ellipsis = glyphs().ellipsis;
        if (cut.size() > ellipsis.size() && cut.ends_with(ellipsis) && cut[cut.size() - ellipsis.size() - 1] == ' ')
            cut.erase(cut.size() - ellipsis.size() - 1, 1);
        return cut;
    };
    const std::size_t fixed = displayWidth(head) + displayWidth(tail);
    const std::size_t least = displayWidth(glyphs().ellipsis) + 1;
    if (fixed + least <= width) return head + tidy(fitToWidth(name, width - fixed, false)) + tail;
    return tidy(fitToWidth(head + name + tail, width, false));
}

std::string taskName(const TaskToday& task) {
    const std::string name = printable(task.name());
    return task.isMilestone() ? std::string(glyphs().milestone) + " " + name : name;
}

// Today's unfinished tasks; a day whose tasks are all done says so.
std::string countText(std::size_t open, std::size_t all) {
    if (open > 0) return fmt::format("{} today", open);
    return all > 0 ? "all done today" : "nothing today";
}

// " due Wed 09:00" for a milestone, else `words` and the start.
std::string startText(const TaskToday& task, const std::string& words, const Day& day, Host& host) {
    if (task.isMilestone()) return " due " + timeText(task.finish(), day, host);
    return words + timeText(task.start(), day, host);
}

}  // namespace

BarState barState(const std::vector<BarPlan>& plans, Date now, Host& host, std::size_t maxWidth) {
    const Day day = dayOf(now, host);
    BarState state;
    // A milestone is a moment, never on; a done task never leads and is not counted.
    std::vector<const TaskToday*> today;
    std::size_t open = 0;
    const TaskToday* current = nullptr;  // unfinished and on now, the first to finish
    std::size_t alsoOn = 0;
    const TaskToday* next = nullptr;  // unfinished, the next to start or be due, today or later
    std::size_t failed = 0;
    std::int64_t completed = 0;
    for (const BarPlan& plan : plans) {
        if (!plan.tasks) {
            ++failed;
            continue;
        }
        for (const TaskToday& task : *plan.tasks) {
            const bool done = isDone(task);
            if (!done && now < momentOf(task) && (!next || momentOf(task) < momentOf(*next))) next = &task;
            if (!(task.start() < day.end && day.start < task.finish())) continue;
            today.push_back(&task);
            completed += std::clamp<std::int64_t>(task.completed(), 0, 100);
            if (done) continue;
            ++open;
            if (!task.isMilestone() && task.start() <= now && now < task.finish()) {
                if (current) ++alsoOn;
                if (!current || task.finish() < current->finish()) current = &task;
            }
        }
    }
    const std::string count = countText(open, today.size());
    const std::string separator = glyphs().ascii ? " - " : " · ";
    if (current) {
        const std::string more = alsoOn > 0 ? fmt::format(" +{}", alsoOn) : "";
        state.text = fitted("", taskName(*current),
                            more + " until " + timeText(current->finish(), day, host) + separator + count, maxWidth);
        state.alt = "now";
    } else if (next && (momentOf(*next) < day.end || !today.empty())) {
        const bool later = !(momentOf(*next) < day.end);
        state.text = fitted("Next: ", taskName(*next),
                            startText(*next, later ? " " : " at ", day, host) + separator + count, maxWidth);
        state.alt = later ? "done" : "next";
    } else if (!today.empty()) {
        state.text = fitToWidth(open > 0 ? "Done" + separator + count : "All done today", maxWidth, false);
        state.alt = "done";
    } else if (next) {
        state.text = fitted("Next: ", taskName(*next), startText(*next, " ", day, host) + separator + count, maxWidth);
        state.alt = "idle";
    } else {
        const bool noneRead = failed > 0 && failed == plans.size();
        state.text = fitToWidth(plans.empty() ? "No plans"
                                : noneRead    ? "Cannot read the plans"
                                              : "Nothing today",
                                maxWidth, false);
        state.alt = noneRead ? "error" : "idle";
    }
    state.shortText = fmt::format("{} today", open);

    state.classes.push_back(state.alt);
    if (today.empty() && state.alt != "idle") state.classes.push_back("idle");
    if (std::any_of(today.begin(), today.end(), [](const TaskToday* task) { return task->isMilestone(); }))
        state.classes.push_back("milestone");
    if (failed > 0 && state.alt != "error") state.classes.push_back("error");
    state.percentage = today.empty() ? 0
                                     : static_cast<int>((completed + static_cast<std::int64_t>(today.size()) / 2) /
                                                        static_cast<std::int64_t>(today.size()));

    const bool error = failed > 0;
    state.color = error ? "#BF616A" : state.alt == "now" ? "#A3BE8C" : state.alt == "next" ? "#EBCB8B" : "#88C0D0";
    if (state.alt == "idle") state.color = error ? state.color : "#808080";

    // Today's agenda: each plan with its tasks of the day in the day's order, the tasks on now marked.
    state.tooltip.push_back(
        {fmt::format(
             "{}: {}", formatLocalWeekday(day.start, host),
             today.empty() ? "nothing today" : fmt::format("{} task{}", today.size(), today.size() == 1 ? "" : "s")),
         false});
    for (const BarPlan& plan : plans) {
        if (!plan.tasks) {
            state.tooltip.push_back({printable(plan.name), true});
            state.tooltip.push_back({"  cannot be read: " + printable(plan.error), false});
            continue;
        }
        std::vector<TaskToday> ofDay;
        for (const TaskToday& task : *plan.tasks) {
            if (task.start() < day.end && day.start < task.finish()) ofDay.push_back(task);
        }
        std::stable_sort(ofDay.begin(), ofDay.end(), comesBefore);
        if (!ofDay.empty()) state.tooltip.push_back({printable(plan.name), true});
        for (const TaskToday& task : ofDay) {
            const bool on = !task.isMilestone() && !isDone(task) && task.start() <= now && now < task.finish();
            const std::string when = task.isMilestone()
                                         ? "due " + dueText(task.finish(), localDayNumber(day.start, host), host)
                                         : timeText(task.start(), day, host) + std::string(glyphs().dash) +
                                               timeText(task.finish(), day, host);
            state.tooltip.push_back({fmt::format("{}{} {} {}%{}", on ? (glyphs().ascii ? "> " : "▶ ") : "  ", when,
                                                 taskName(task), std::clamp<std::int64_t>(task.completed(), 0, 100),
                                                 isDone(task) ? " " + std::string(glyphs().done) : ""),
                                     false});
        }
    }
    return state;
}

std::string pangoEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '\'': out += "&#39;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string renderBar(const BarState& state, BarFormat format, bool persistent) {
    switch (format) {
        case BarFormat::waybar: {
            std::string tooltip;
            for (const TooltipLine& line : state.tooltip) {
                if (!tooltip.empty()) tooltip += "\n";
                tooltip += line.heading ? "<b>" + pangoEscaped(line.text) + "</b>" : pangoEscaped(line.text);
            }
            JsonWriter out(JsonWriter::Layout::compact);
            out.beginObject().key("text").value(pangoEscaped(state.text)).key("alt").value(state.alt);
            out.key("tooltip").value(tooltip).key("class").beginArray();
            for (const std::string& each : state.classes) out.value(each);
            out.endArray().key("percentage").value(static_cast<std::int64_t>(state.percentage)).endObject();
            std::string line = out.text();
            if (line.empty() || line.back() != '\n') line += "\n";
            return line;
        }
        case BarFormat::polybar: {
            // A "%{" in a name would open a formatting tag: it is written "% {".
            std::string text;
            for (std::size_t i = 0; i < state.text.size(); ++i) {
                text += state.text[i];
                if (state.text[i] == '%' && i + 1 < state.text.size() && state.text[i + 1] == '{') text += ' ';
            }
            return fmt::format("%{{F{}}}{}%{{F-}}\n", state.color, text);
        }
        case BarFormat::i3blocks:
            if (persistent) return state.text + "\n";
            return fmt::format("{}\n{}\n{}\n", state.text, state.shortText, state.color);
        case BarFormat::plain: return state.text + "\n";
    }
    return state.text + "\n";
}

}  // namespace today::cli
