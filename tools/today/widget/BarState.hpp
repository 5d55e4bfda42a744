// What the status-bar widget shows: the state of the day across the chosen plans (what is on now or
// next, how many tasks are on today, today's agenda, classes and a completion figure), and that state
// written in the line protocol of each bar.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "today/outside/Host.hpp"
#include "today/records/TaskToday.hpp"

namespace today::cli {

// A chosen plan as the bar sees it: its name and its tasks from the start of today on, or why it could
// not be loaded.
struct BarPlan {
    std::string name;
    std::optional<std::vector<TaskToday>> tasks;  // none when the plan could not be loaded
    std::string error;
};

// One line of the tooltip: a plan's name (a heading), or a task or message below it.
struct TooltipLine {
    std::string text;
    bool heading = false;
};

struct BarState {
    std::string text;       // cut to the width asked for
    std::string shortText;  // "5 today": the unfinished tasks of today
    std::string alt;        // one of now, next, done, idle, error
    std::vector<TooltipLine> tooltip;
    std::vector<std::string> classes;
    int percentage = 0;  // mean completion of today's tasks, 0...100
    std::string color;   // #RRGGBB for the state
};

// The state at `now` of the plans, for today's local day (the host's zone), the text cut to `maxWidth`
// display columns. Plans that could not be loaded add the class "error" and a tooltip line.
BarState barState(const std::vector<BarPlan>& plans, Date now, Host& host, std::size_t maxWidth);

enum class BarFormat { waybar, polybar, i3blocks, plain };

// The state in the bar's protocol, every line ending in "\n": waybar one JSON object; polybar one line
// with a colour tag; i3blocks the full text, short text and colour lines (only the full text when
// `persistent`, as a persistent block reads one line per update); plain the text.
std::string renderBar(const BarState& state, BarFormat format, bool persistent);

// The text with the characters that Pango markup gives a meaning escaped (& < > ' ").
std::string pangoEscaped(std::string_view text);

}  // namespace today::cli
