// How to add the Today module to a status bar: the settings for waybar, polybar and i3blocks, which
// the widget's setting links show.
#pragma once

#include <string>

namespace today::cli {

// The three settings, each under a heading, ending with a newline.
std::string barSnippets();

}  // namespace today::cli
