#!/usr/bin/env bash
# Makes docs/cardolo.png, the picture in the README: the real program under Xvfb on a small
# folder made for it, the main window with a few items beside the item's details and its text.
# Run it again when the windows change. Installs what it needs (Debian 12, as root or with sudo).
#
#   bash scripts/screenshot.sh [OUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/cardolo.png}"

bash scripts/deps.sh
tools=(xvfb xdotool imagemagick sqlite3)
missing=()
for p in "${tools[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target cardolo >/dev/null

work=$(mktemp -d)
display=":$((90 + RANDOM % 100))"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1190x640x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display" QT_QPA_PLATFORM=xcb LANG=C.UTF-8 LC_ALL=C.UTF-8
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
folder="$work/cardolo"
mkdir -p "$folder"

# Waits until a window whose name matches $1 is shown; prints its id.
window() {
    for _ in $(seq 100); do
        if id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) && [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "screenshot: no window named $1" >&2
    return 1
}

# 1. The program makes its database at its first start.
build/cardolo --folder "$folder" >/dev/null 2>&1 &
first=$!
window '^Cardolo' >/dev/null
kill -TERM "$first"
wait "$first"

# 2. A few items, as a user would have them after a week.
sqlite3 "$folder/DATA/cardolo.db" <<'SQL'
INSERT INTO phonebk (name, tel, text, parent, rank, numchildren, numcousins, createdts) VALUES
 ('Groceries', NULL, 'eggs' || char(13,10) || 'milk' || char(13,10) || 'bread' || char(13,10) ||
  'olive oil' || char(13,10), 0, 0, 0, 0, '2026-12-01 09:12:00.000'),
 ('Trip to Lisbon', '2027-04', 'Flights booked, 12 to 19 April.' || char(13,10) ||
  'Hotel near the Alfama; ask Anna about the tram.' || char(13,10), 0, 0, 0, 1,
  '2026-12-02 18:40:00.000'),
 ('Anna Berg', '+351 21 000 0000', 'Lives in Lisbon since 2019.' || char(13,10), 0, 0, 0, 1,
  '2026-12-03 20:05:00.000'),
 ('Books to read', NULL, NULL, 0, 0, 2, 0, '2026-12-04 21:30:00.000'),
 ('The Name of the Rose', 'Eco', NULL, 0, 0, 0, 0, '2026-12-04 21:31:00.000'),
 ('Middlemarch', 'Eliot', NULL, 0, 0, 0, 0, '2026-12-04 21:32:00.000'),
 ('Garden', NULL, 'Plant the tulip bulbs before the frost.' || char(13,10), 0, 0, 0, 0,
  '2026-12-05 10:00:00.000');
UPDATE phonebk SET parent = (SELECT id FROM phonebk WHERE name = 'Books to read')
 WHERE name IN ('The Name of the Rose', 'Middlemarch');
INSERT INTO mm2 (id1, id2, linknote, "drop")
 SELECT a.id, b.id, 'travel tips', 0 FROM phonebk a, phonebk b
 WHERE (a.name, b.name) IN (VALUES ('Trip to Lisbon', 'Anna Berg'), ('Anna Berg', 'Trip to Lisbon'));
SQL

# 3. The list, the text of "Groceries" (Enter in the jump box opens an item's text) and its
# details (the text window's menu, third command).
build/cardolo --folder "$folder" >/dev/null 2>&1 &
pids+=($!)
main=$(window '^Cardolo')
xdotool windowmove "$main" 0 0
xdotool windowfocus --sync "$main"
sleep 0.5
xdotool type --delay 40 "gro"
xdotool key Return
sleep 1
text=$(window '^00$')
xdotool windowfocus --sync "$text"
sleep 0.3
xdotool key Menu
sleep 0.3
xdotool key Down Down Down Return
sleep 1
for id in $(xdotool search --onlyvisible --name '.'); do
    [ "$id" = "$main" ] || [ "$id" = "$text" ] || details=$id
done
xdotool windowmove "${details:?no details window}" 648 0
xdotool windowmove "$text" 648 440
# The page shows its colour while it has the focus.
xdotool windowfocus --sync "$text"
sleep 0.8

mkdir -p "$(dirname "$out")"
import -window root -colors 64 "png8:$out"
echo "wrote $out ($(stat -c %s "$out") bytes)"
