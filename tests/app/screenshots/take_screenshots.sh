#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the README's screenshots of the running program, as a user sees it:
#   xvfb-run -a -s "-screen 0 1024x768x24" tests/app/screenshots/take_screenshots.sh \
#       build/release/src/app/folvex docs
# Needs xdotool, twm and ImageMagick's import and convert. Uses /tmp/folvex-demo.
set -e
PROGRAM=$(realpath "$1")
OUT=$(realpath "$2")
HERE=$(dirname "$(realpath "$0")")
DEMO=/tmp/folvex-demo
WORK=$(mktemp -d)

rm -rf "$DEMO" && mkdir -p "$DEMO/Documents" "$DEMO/Music/Live" "$DEMO/Photos" \
    "$DEMO/Backup/Documents" "$DEMO/Backup/Music"  # pairs that ran before: their backups exist
for i in 1 2 3 4 5; do echo "doc $i" > "$DEMO/Documents/report$i.txt"; done
# What those runs left there, older than the sources.
echo "doc 1, draft" > "$DEMO/Backup/Documents/report1.txt"
echo "track 1, rough mix" > "$DEMO/Backup/Music/track01.flac"
touch -d '2 days ago' "$DEMO/Backup/Documents/report1.txt" "$DEMO/Backup/Music/track01.flac"
for i in 1 2 3; do head -c 300000 /dev/urandom > "$DEMO/Music/Live/track0$i.flac"; done
# Real data, so that its copy takes a while (a sparse file's copy takes none).
head -c 6G /dev/zero > "$DEMO/Music/big-album.flac"
cp "$PROGRAM" "$WORK/folvex"
# The program keeps its window's size and place in the settings: start from none.
export XDG_CONFIG_HOME="$WORK/config"
python3 "$HERE/make_group_list.py" "$DEMO" "$WORK/Synclist.dat"

twm -f "$HERE/twmrc" 2>/dev/null &
sleep 1
"$WORK/folvex" &
PID=$!
sleep 2
WID=$(xdotool search --name '^synchronize$' | head -1)
xdotool windowmove "$WID" 150 80
sleep 0.5
X=150; Y=80  # the client area, below twm's title bar
click() { xdotool mousemove $((X + $1)) $((Y + $2)); sleep 0.3; xdotool click "${3:-1}"; }
shoot() { import -window root "$WORK/full.png"; convert "$WORK/full.png" -crop 590x520+146+48 +repage "$OUT/$1"; }

click 526 208           # Start on the first pair: a quick run that fills the log
sleep 1.5
shoot main-window.png
click 100 57            # the second pair, with the large file
sleep 0.5
click 526 208
sleep 3                 # into the large file, with the time left known
shoot progress-window.png
xdotool mousemove 450 250; sleep 0.3; xdotool key Escape   # cancel the run
window() {  # waits for a visible window by its caption and prints its id
    # Not --sync: it fails when a window (a closing menu) goes while it looks.
    for _ in $(seq 50); do
        W=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
        [ -n "$W" ] && { echo "$W"; return; }
        sleep 0.2
    done
    echo "no window $1" >&2; exit 1
}
answer() {  # waits for a window by its caption, focuses it and presses Return
    W=$(window "$1")
    xdotool windowfocus "$W"; sleep 0.3; xdotool key Return
}
# The error summary ("There where errors!"), when the cancel came before the copy ended.
W=$(xdotool search --onlyvisible --name '^Folvex$' 2>/dev/null | head -1)
[ -n "$W" ] && { xdotool windowfocus "$W"; sleep 0.3; xdotool key Return; }
sleep 1
xdotool windowfocus "$WID"
# The context menu, then its last entry: the About box. The Menu key opens it for the
# focused Start button; a right-click under twm here opens it only now and then.
xdotool key Menu
sleep 0.7
xdotool key Up Return
window 'About Folvex' > /dev/null
sleep 0.5
shoot about-box.png
answer "About Folvex"
kill "$PID" 2>/dev/null || true
rm -rf "$WORK" "$DEMO"
