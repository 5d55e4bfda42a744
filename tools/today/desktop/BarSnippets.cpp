// The status-bar settings that run `today bar --watch` and open the plan that is on at a click.
#include "tools/today/desktop/BarSnippets.hpp"

namespace today::cli {

std::string barSnippets() {
    return R"(The Today widget is a module of your status bar. Add one of these:

waybar (~/.config/waybar/config): add "custom/today" to "modules-right" and
  "custom/today": {
      "exec": "today bar --watch --format waybar",
      "return-type": "json",
      "on-click": "today open --launch current"
  }

polybar (~/.config/polybar/config.ini): add "today" to modules-right and
  [module/today]
  type = custom/script
  exec = today bar --watch --format polybar
  tail = true
  click-left = today open --launch current

i3blocks (~/.config/i3blocks/config):
  [today]
  command=[ -n "$BLOCK_BUTTON" ] && today open --launch current >/dev/null; exec today bar --watch --format i3blocks
  interval=persist

Then `today integrate` makes the widget's links open here.
)";
}

}  // namespace today::cli
