#!/usr/bin/env bash
# The desktop check: the widget in a real status bar. Starts a headless sway session (as an unprivileged
# user, since sway refuses root) whose waybar runs `today bar --watch --format waybar`, takes a
# screenshot of the bar with grim, adds a task that starts now to the plan (saved by rename, as editors
# save), and checks that the bar's pixels change within two seconds, that waybar logged no error for
# the module, and that its on-click command opens the plan that is on now. Then registers the link
# handler in a temporary XDG_DATA_HOME (`today integrate`) and checks that `xdg-open
# OrvaneProject://ID` reaches `today open --launch`, which hands the plan's file to $TODAY_OPEN_COMMAND.
# Screenshots and logs are kept in build/desktop-check/.
#
#   scripts/desktop-check.sh [TODAY]    TODAY: the built command (default: the first of the asan, dev
#                                       and release builds that exists)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps.sh --desktop

today=${1:-}
for build in asan dev release; do
  [ -n "$today" ] || [ ! -x "build/$build/tools/today/today" ] || today=build/$build/tools/today/today
done
[ -n "$today" ] || { echo "desktop-check: build the command first (cmake --build --preset dev)" >&2; exit 1; }
out=$root/build/desktop-check
rm -rf "$out" && mkdir -p "$out"
started=$(date +%s)

# The session's user: this one, or an unprivileged one when run as root.
if [ "$(id -u)" -eq 0 ]; then
  user=today-desktop-check
  id "$user" >/dev/null 2>&1 || useradd --system --user-group --no-create-home --shell /usr/sbin/nologin "$user"
else
  user=$(id -un)
fi
tmp=$(mktemp -d /tmp/today-desktop-check.XXXXXX)
mkdir -p "$tmp/bin" "$tmp/home" "$tmp/runtime" "$tmp/config/sway" "$tmp/config/waybar" "$tmp/containers" \
  "$tmp/plans" "$tmp/data"
chmod 0700 "$tmp/runtime"
cp "$today" "$tmp/bin/today"
cp scripts/desktop-check/png.py "$tmp/bin/"
session=()
# Every process of the session, found by its runtime directory: sway starts swaybg and waybar detached
# from itself, and waybar starts the bar, so no process tree or group holds them all.
session_pids() {
  local environ pid
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}; pid=${pid%/environ}
    [ "$pid" != "$$" ] || continue
    tr '\0' '\n' 2>/dev/null < "$environ" | grep -qxF "XDG_RUNTIME_DIR=$tmp/runtime" && echo "$pid"
  done
  return 0
}
cleanup() {
  local pids
  pids=$(session_pids)
  [ -z "$pids" ] || kill $pids 2>/dev/null || true
  for _ in $(seq 20); do
    pids=$(session_pids)
    [ -n "$pids" ] || break
    sleep 0.1
  done
  [ -z "$pids" ] || kill -KILL $pids 2>/dev/null || true
  [ -z "${sway_pid:-}" ] || wait "$sway_pid" 2>/dev/null || true
  cp "$tmp"/*.log "$out/" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "desktop-check: $*" >&2; exit 1; }

# Runs a command as the session's user with the session's environment only.
as_user() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid="$user" --regid="$user" --clear-groups env -i "${session[@]}" "$@"
  else
    env -i "${session[@]}" "$@"
  fi
}
session=(HOME="$tmp/home" PATH="$tmp/bin:/usr/bin:/bin" XDG_RUNTIME_DIR="$tmp/runtime"
  XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" TODAY_GROUP_CONTAINERS="$tmp/containers"
  LANG=C.UTF-8 TZ=UTC WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1
  XDG_CURRENT_DESKTOP=sway ASAN_OPTIONS=detect_leaks=0 TODAY_OPEN_COMMAND="$tmp/bin/record-open")

# A plan with a task on now; the change adds one that starts now, written beside it and renamed over it.
plan() {
  python3 - "$@" <<'PY'
import json, sys, time
now = int(time.time()) - 978307200  # seconds since 2001-01-01, a date form plans take
tasks = [{"id": 2, "name": "Review the draft", "start": now - 3600, "finish": now + 7200, "completedPercent": 40}]
if sys.argv[1] == "changed":
    tasks.append({"id": 3, "name": "Call the printer", "start": now, "finish": now + 3600, "colorIndex": 4})
print(json.dumps({"name": "Garden studio", "rootTask": {"id": 1, "name": "Garden studio", "children": tasks}}))
PY
}
plan first > "$tmp/plans/garden-studio.json"
# What opens a plan's file records it instead.
cat > "$tmp/bin/record-open" <<SH
#!/bin/sh
printf '%s\n' "\$1" > $tmp/opened.new && mv $tmp/opened.new $tmp/opened
SH
chmod +x "$tmp/bin/record-open"

cat > "$tmp/config/sway/config" <<CONF
xwayland disable
output HEADLESS-1 mode 1024x600 bg #ffffff solid_color
bar {
    swaybar_command $tmp/bin/waybar-logged
}
CONF
cat > "$tmp/bin/waybar-logged" <<SH
#!/bin/sh
exec waybar "\$@" >> $tmp/waybar.log 2>&1
SH
chmod +x "$tmp/bin/waybar-logged"
cat > "$tmp/config/waybar/config" <<CONF
{
    "layer": "top", "position": "top", "height": 30,
    "modules-left": ["custom/today"],
    "custom/today": {
        "exec": "today bar --watch --format waybar",
        "return-type": "json",
        "on-click": "today open --launch current"
    }
}
CONF
cat > "$tmp/config/waybar/style.css" <<'CSS'
* { font-family: "DejaVu Sans"; font-size: 15px; }
window#waybar { background: #f6f4ee; color: #2b2b2b; }
#custom-today { padding: 0 12px; }
#custom-today.now { color: #2e7d32; }
#custom-today.next { color: #9a6700; }
#custom-today.error { color: #c0392b; }
CSS
if [ "$(id -u)" -eq 0 ]; then chown -R "$user:$user" "$tmp"; fi

as_user today add "$tmp/plans/garden-studio.json" > "$tmp/add.log"
id=$(as_user today list --format tsv | sed -n 2p | cut -f1)

as_user sway -c "$tmp/config/sway/config" > "$tmp/sway.log" 2>&1 &
sway_pid=$!
for _ in $(seq 100); do
  socket=$(cd "$tmp/runtime" && ls wayland-[0-9] 2>/dev/null | head -1) || true
  [ -z "$socket" ] || break
  kill -0 "$sway_pid" 2>/dev/null || fail "sway ended at start (see build/desktop-check/sway.log)"
  sleep 0.1
done
[ -n "$socket" ] || fail "sway made no Wayland socket"
session+=(WAYLAND_DISPLAY="$socket")

# Screenshots of the bar's strip; the first one once the module has drawn its text.
shot() { as_user grim -g "0,0 1024x30" "$tmp/$1.png" && cp "$tmp/$1.png" "$out/$1.png"; }
ink=0
for _ in $(seq 150); do
  if shot before 2>/dev/null; then ink=$(python3 scripts/desktop-check/png.py ink "$out/before.png"); fi
  [ "$ink" -gt 50 ] && break
  sleep 0.2
done
[ "$ink" -gt 50 ] || fail "the bar shows no text within 30 seconds (see build/desktop-check/waybar.log)"
sleep 1 && shot before  # the module's first line has settled

plan changed > "$tmp/plans/.garden-studio.json.new"
[ "$(id -u)" -ne 0 ] || chown "$user:$user" "$tmp/plans/.garden-studio.json.new"
mv "$tmp/plans/.garden-studio.json.new" "$tmp/plans/garden-studio.json"
changed=""
for tenth in $(seq 20); do
  sleep 0.1
  shot after
  if ! python3 scripts/desktop-check/png.py same "$out/before.png" "$out/after.png"; then
    changed=$tenth
    break
  fi
done
[ -n "$changed" ] || fail "the bar did not change within two seconds of the plan's save"
echo "desktop-check: the bar changed within $((changed * 100)) ms of the plan's save"
if grep -iE "\[(error|critical)\]" "$tmp/waybar.log" | grep -iE "custom|today|module"; then
  fail "waybar logged an error for the module (build/desktop-check/waybar.log)"
fi

# What a click on the module runs (the headless seat has no pointer to click with) opens the plan
# that is on now.
opened() {
  for _ in $(seq 50); do [ -e "$tmp/opened" ] && break; sleep 0.1; done
  [ "$(cat "$tmp/opened" 2>/dev/null)" = "$tmp/plans/garden-studio.json" ] ||
    fail "$1 did not open the plan's file (opened: $(cat "$tmp/opened" 2>/dev/null))"
  rm -f "$tmp/opened"
}
click=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["custom/today"]["on-click"])' \
  "$tmp/config/waybar/config")
as_user sh -c "$click"
opened "the module's on-click ($click)"

# The link handler: xdg-open with the scheme in mixed case reaches `today open --launch`.
as_user today integrate > "$tmp/integrate.log" 2>&1 || fail "today integrate failed: $(cat "$tmp/integrate.log")"
desktop-file-validate "$tmp/data/applications/com.orvane.project.today.desktop" ||
  fail "the desktop entry that today integrate wrote is not valid"
as_user xdg-open "OrvaneProject://$id" > "$tmp/xdg-open.log" 2>&1 || fail "xdg-open failed: $(cat "$tmp/xdg-open.log")"
opened "xdg-open OrvaneProject://$id"
as_user today integrate --undo >> "$tmp/integrate.log" 2>&1
[ ! -e "$tmp/data/applications/com.orvane.project.today.desktop" ] || fail "today integrate --undo left the entry"

echo "desktop-check: passed in $(($(date +%s) - started)) s; screenshots in build/desktop-check/"
