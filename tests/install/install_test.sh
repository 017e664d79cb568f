#!/usr/bin/env bash
# Installs the game into a temporary prefix and checks one part of the result:
#   layout   the exact file list, the desktop entry, the metadata, the icons, the launcher's options
#   display  the installed game started through the launcher under Xvfb: the splash shows the
#            installed picture, the game folder gets its links, a second start reuses them, and a
#            folder that cannot be written gives a message (and a message box) and no files
#   package  the Debian package: control file, contents under /usr, lintian without errors
# Usage: install_test.sh PART BUILD_DIR CMAKE CPACK. Exit 77 when a tool the part needs is missing.
set -u
part="$1" build="$2" cmake="$3" cpack="$4"
work="$(mktemp -d)"
chmod 755 "$work"  # the unprivileged run of the read-only case must reach the installed game
pids=()
cleanup() {
  for p in "${pids[@]}"; do { kill -9 "$p"; wait "$p"; } 2> /dev/null; done
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
skip() { echo "SKIP: $*"; exit 77; }
need() { for t in "$@"; do command -v "$t" > /dev/null || skip "$t is not installed"; done; }

prefix="$work/prefix"
"$cmake" --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1 || {
  cat "$work/install.log"; echo "FAIL: cmake --install"; exit 1; }

# Stops a process this test started: politely, then for certain.
stop() {
  kill "$1" 2>/dev/null
  for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$1" 2>/dev/null || break; sleep 0.2; done
  kill -9 "$1" 2>/dev/null
  wait "$1" 2>/dev/null
}

case "$part" in
layout)
  need desktop-file-validate appstreamcli file
  # Everything but the generated pictures and sounds, which the asset tests check.
  expected="bin/tallyrally
bin/tallyrally-play -> ../lib/tallyrally/tallyrally-play
bin/tallyrally-report -> ../lib/tallyrally/tallyrally-report
bin/tallyrally-server -> ../lib/tallyrally/tallyrally-server
lib/systemd/system/tallyrally-server.service
lib/systemd/user/tallyrally-server.service
lib/tallyrally/libfbsound-32.so
lib/tallyrally/tallyrally
lib/tallyrally/tallyrally-play
lib/tallyrally/tallyrally-report
lib/tallyrally/tallyrally-server
share/applications/tallyrally.desktop
share/doc/tallyrally/changelog.gz
share/doc/tallyrally/copyright
share/icons/hicolor/128x128/apps/tallyrally.png
share/icons/hicolor/256x256/apps/tallyrally.png
share/icons/hicolor/32x32/apps/tallyrally.png
share/icons/hicolor/64x64/apps/tallyrally.png
share/man/man1/tallyrally-play.1.gz
share/man/man1/tallyrally-report.1.gz
share/man/man6/tallyrally.6.gz
share/man/man8/tallyrally-server.8.gz
share/metainfo/org.tallyrally.TallyRally.metainfo.xml"
  actual="$(cd "$prefix" && find . \( -type f -o -type l \) -not -path './share/tallyrally/*' |
            sed 's|^\./||' | sort | while read -r f; do
              if [ -L "$f" ]; then echo "$f -> $(readlink "$f")"; else echo "$f"; fi; done)"
  [ "$actual" = "$expected" ] || fail "installed files differ:$(diff <(echo "$expected") <(echo "$actual"))"
  # The pictures and sounds: the 81 pictures, the sound list and the sounds it names, no more.
  data="$prefix/share/tallyrally"
  [ "$(find "$data" -name '*.bmp' | wc -l)" -eq 81 ] || fail "not 81 pictures under share/tallyrally"
  [ -f "$data/sound/sound.txt" ] || fail "no sound list under share/tallyrally"
  [ "$(ls "$data" | sort | tr '\n' ' ')" = "cars drivers sound track1 track2 track3 track4 ui " ] ||
    fail "share/tallyrally holds $(ls "$data" | tr '\n' ' ')"
  [ -z "$(find "$data" -not -type d -not -name '*.bmp' -not -name '*.ogg' -not -name sound.txt)" ] ||
    fail "stray files under share/tallyrally"
  # No file outside the prefix: every path the install log names lies under it.
  grep -E '^-- (Installing|Up-to-date)' "$work/install.log" | grep -v -- "$prefix/" &&
    fail "the install wrote outside its prefix"

  desktop-file-validate "$prefix/share/applications/tallyrally.desktop" | grep -v '^.*hint:' &&
    fail "desktop-file-validate complains"
  desktop-file-validate "$prefix/share/applications/tallyrally.desktop" > /dev/null ||
    fail "desktop-file-validate fails"
  grep -qx 'Categories=.*Education;.*Game;.*' "$prefix/share/applications/tallyrally.desktop" ||
    fail "the desktop entry lacks the Education and Game categories"
  appstreamcli validate --no-net "$prefix/share/metainfo/org.tallyrally.TallyRally.metainfo.xml" \
    > "$work/appstream.log" 2>&1 || { cat "$work/appstream.log"; fail "appstreamcli validate"; }
  for size in 32 64 128 256; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/tallyrally.png"
    file "$icon" | grep -q "PNG image data, $size x $size, 8-bit/color RGBA" ||
      fail "icon $size: $(file "$icon")"
  done
  # The larger icons are the 32-pixel one enlarged, pixel for pixel.
  if command -v convert > /dev/null; then
    for size in 64 128 256; do
      convert "$prefix/share/icons/hicolor/32x32/apps/tallyrally.png" -filter point \
        -resize "${size}x${size}" "$work/enlarged.png"
      diff=$(compare -metric AE "$prefix/share/icons/hicolor/${size}x${size}/apps/tallyrally.png" \
               "$work/enlarged.png" null: 2>&1)
      [ "$diff" = "0" ] || fail "icon $size is not the 32-pixel icon enlarged ($diff pixels differ)"
    done
  fi
  for page in man6/tallyrally.6 man1/tallyrally-play.1 man1/tallyrally-report.1 man8/tallyrally-server.8; do
    zcat "$prefix/share/man/$page.gz" | grep -q '^\.SH NAME' || fail "manual page $page"
  done

  out="$("$prefix/bin/tallyrally" --version)" && [[ "$out" =~ ^tallyrally\ [0-9]+\.[0-9]+\.[0-9]+$ ]] ||
    fail "--version says '$out'"
  "$prefix/bin/tallyrally" --help | grep -q -- '--data DIR' || fail "--help does not name --data"
  "$prefix/bin/tallyrally" --bogus 2> /dev/null; [ $? -eq 2 ] || fail "a bad option is not status 2"
  "$prefix/bin/tallyrally" --data 2> /dev/null; [ $? -eq 2 ] || fail "--data without a folder is not status 2"
  # The tools start through their links and find their own files from the real place.
  "$prefix/bin/tallyrally-report" --dir "$work/nowhere" 2> /dev/null; [ $? -eq 3 ] ||
    fail "tallyrally-report through its link"
  "$prefix/bin/tallyrally-server" --help | grep -q -- '--teacher-password-file' || fail "tallyrally-server --help"
  grep -qx "ExecStart=$prefix/bin/tallyrally-server --data /var/lib/tallyrally --port 8080" \
    "$prefix/lib/systemd/system/tallyrally-server.service" || fail "the server's unit does not name the program"
  if command -v systemd-analyze > /dev/null; then
    systemd-analyze verify --man=no "$prefix/lib/systemd/system/tallyrally-server.service" 2>&1 | grep -v -e 'is not executable' -e '^$' &&
      fail "systemd-analyze finds fault with the server's unit"
  fi
  ;;

display)
  need Xvfb import compare convert xwininfo
  Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp 3> "$work/display" 2> /dev/null &
  pids+=($!)
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
  export DISPLAY=":$(cat "$work/display")" SDL_VIDEODRIVER=x11
  unset XDG_DATA_HOME WAYLAND_DISPLAY
  export HOME="$work/home"
  mkdir -p "$HOME"
  windowOpen() { xwininfo -root -tree 2> /dev/null | grep -q '"Tally Rally'; }
  waitWindow() { for _ in $(seq 100); do windowOpen && return 0; sleep 0.1; done; return 1; }

  # First start, from another directory, in an empty game folder.
  folder="$work/data"
  mkdir -p "$folder" "$work/elsewhere"
  (cd "$work/elsewhere" && TALLYRALLY_DATA="$folder" exec "$prefix/bin/tallyrally") \
    > "$work/first.log" 2>&1 &
  game=$!; pids+=($game)
  waitWindow || fail "the game window did not open: $(cat "$work/first.log")"
  # After the veil has lifted (3.1 s) and before the menu fades in (7 s) the screen is the
  # splash picture's upper-left quarter, each picture pixel about an 8 x 8 block.
  sleep 4.5
  import -window root "$work/splash.png"
  stop "$game"
  magenta=$(convert "$work/splash.png" -fill black +opaque '#FF00FF' -fill white -opaque '#FF00FF' \
              -format '%[fx:mean]' info:)
  [ "$magenta" = "0" ] || fail "the splash shows the magenta of a missing picture ($magenta)"
  # Averaged over each picture pixel's block, so that the blit's rounding at block edges does not
  # count; another picture (or none) is far off.
  convert "$work/splash.png" -scale '160x90!' "$work/shown.png"
  convert "$prefix/share/tallyrally/ui/splash.bmp" -crop 160x90+0+0 +repage "$work/expected.png"
  distance=$(compare -metric RMSE "$work/shown.png" "$work/expected.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/')
  awk -v d="$distance" 'BEGIN { exit !(d < 0.2) }' ||
    fail "the screen is not the installed splash picture (distance $distance)"
  for entry in cars drivers sound track1 track2 track3 track4 ui; do
    [ "$(readlink "$folder/$entry")" = "$prefix/share/tallyrally/$entry" ] ||
      fail "game folder entry $entry: $(ls -ld "$folder/$entry" 2>&1)"
  done
  [ -z "$(ls -A "$work/elsewhere")" ] || fail "the game wrote into the directory it was started from"

  # Second start: the same folder is reused as it stands, classrooms and all.
  mkdir -p "$folder/classrooms"
  printf 'kept\n' > "$folder/classrooms/marker"
  mkdir -p "$folder/mine" && rm "$folder/drivers" && mkdir "$folder/drivers" &&
    printf 'own\n' > "$folder/drivers/own.txt"
  ln -sfn /nonexistent/cars "$folder/cars"
  before="$(cd "$folder" && ls -l --time-style=+ | grep -v -e '^total' -e ' cars ')"
  (cd "$work/elsewhere" && TALLYRALLY_DATA="$folder" exec "$prefix/bin/tallyrally") \
    > "$work/second.log" 2>&1 &
  game=$!; pids+=($game)
  waitWindow || fail "the second start did not open the window: $(cat "$work/second.log")"
  stop "$game"
  after="$(cd "$folder" && ls -l --time-style=+ | grep -v -e '^total' -e ' cars ')"
  [ "$before" = "$after" ] || fail "the second start changed the folder: $(diff <(echo "$before") <(echo "$after"))"
  [ "$(readlink "$folder/cars")" = "$prefix/share/tallyrally/cars" ] ||
    fail "a stale link was not pointed at the installation"
  [ "$(cat "$folder/classrooms/marker")" = kept ] || fail "classrooms were touched"
  [ "$(ls "$folder/drivers")" = own.txt ] || fail "the user's own drivers folder was replaced"

  # A folder that cannot be written: the message, status 3, and nothing written anywhere. Root
  # writes anywhere, so the launcher runs as nobody then.
  locked="$work/locked"
  mkdir -p "$locked/inner" "$work/empty-data" "$work/elsewhere2"
  chmod 555 "$locked" "$locked/inner"
  chmod 777 "$work/elsewhere2"
  as=()
  [ "$(id -u)" -eq 0 ] && as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  for target in "$locked" "$locked/inner/new"; do
    (cd "$work/elsewhere2" && env -u DISPLAY HOME="$work/home" TALLYRALLY_DATA="$work/empty-data" \
       "${as[@]}" "$prefix/bin/tallyrally" --data "$target") > "$work/locked.out" 2> "$work/locked.err"
    status=$?
    [ "$status" -eq 3 ] || fail "--data $target gave status $status"
    grep -q "^tallyrally: The game folder $target cannot be \(written\|created\)" "$work/locked.err" ||
      fail "--data $target said: $(cat "$work/locked.err")"
  done
  [ -z "$(ls -A "$locked/inner")" ] && [ "$(ls -A "$locked")" = inner ] || fail "the read-only folder changed"
  [ -z "$(ls -A "$work/empty-data")" ] && [ -z "$(ls -A "$work/elsewhere2")" ] ||
    fail "the read-only case wrote files elsewhere"
  [ -z "$(ls -A "$HOME")" ] || fail "the read-only case wrote into the home folder"

  # Started from the desktop there is no terminal: the same message comes in a message box.
  ("${as[@]}" "$prefix/bin/tallyrally" --data "$locked") > /dev/null 2> "$work/box.err" &
  box=$!; pids+=($box)
  waitWindow || fail "no message box for a folder that cannot be written"
  sleep 0.5
  import -window root "$work/box.png"
  kill -0 "$box" 2> /dev/null || fail "the launcher did not wait for the message box"
  stop "$box"
  if [ -n "${TALLY_KEEP_SHOTS:-}" ]; then cp "$work/splash.png" "$work/box.png" "$TALLY_KEEP_SHOTS/"; fi
  ;;

package)
  need dpkg-deb dpkg-shlibdeps fakeroot lintian
  [ -x "$cpack" ] || skip "cpack is not available"
  (cd "$build" && "$cpack" -G DEB -B "$work/deb") > "$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
  deb="$(ls "$work"/deb/tallyrally_*.deb 2> /dev/null | head -1)"
  [ -n "$deb" ] || { echo "FAIL: no package"; exit 1; }
  control="$(dpkg-deb -f "$deb")"
  for dependency in libc6 libsdl2-2.0-0 libvorbisfile3 libpng16-16 libstdc++6 libmicrohttpd12; do
    echo "$control" | grep '^Depends:' | grep -q "$dependency" ||
      fail "Depends lacks $dependency: $(echo "$control" | grep '^Depends:')"
  done
  # The server no longer uses the threaded HTTP library it was first built on.
  echo "$control" | grep '^Depends:' | grep -q 'libcpp-httplib' && fail "Depends still names libcpp-httplib"
  echo "$control" | grep -q '^Package: tallyrally$' || fail "package name"
  contents="$(dpkg-deb -c "$deb" | awk '{print $6}')"
  echo "$contents" | grep -v -e '^\./usr/' -e '^\./$' && fail "files outside /usr"
  for f in ./usr/bin/tallyrally ./usr/lib/tallyrally/tallyrally ./usr/lib/tallyrally/libfbsound-32.so \
           ./usr/share/tallyrally/ui/splash.bmp ./usr/share/applications/tallyrally.desktop \
           ./usr/share/icons/hicolor/256x256/apps/tallyrally.png ./usr/share/man/man6/tallyrally.6.gz \
           ./usr/lib/tallyrally/tallyrally-server ./usr/lib/systemd/system/tallyrally-server.service; do
    echo "$contents" | grep -qx -- "$f" || fail "the package lacks $f"
  done
  lintian --tag-display-limit 0 "$deb" > "$work/lintian.log" 2>&1
  grep -v 'running with root privileges' "$work/lintian.log"
  grep -q '^E:' "$work/lintian.log" && fail "lintian reports errors"
  ;;
*)
  echo "unknown part $part"; exit 2 ;;
esac

[ "$failures" -eq 0 ] && echo "PASS: install $part" && exit 0
exit 1
