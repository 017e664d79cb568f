# The pieces of the shared-folder tests, sourced by them: game folders, the play tool's runs on
# them, script pieces that walk the real game's menus, and the check that saved files are whole.
# The sourcing script sets bin (the folder of the built programs); this sets play (the play tool),
# work (a scratch folder removed at exit unless KEEP is set, holding the pictures and sounds in
# work/art), failures (the count of failed checks) and fail.
CR=$'\r'
play="$bin/tallyrally-play"
work="$(mktemp -d)"
cleanup() { [ -n "${KEEP:-}" ] || rm -rf "$work"; }
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
[ -x "$bin/tally-assets" ] || { echo "no asset generator"; exit 1; }
"$bin/tally-assets" "$work/art" > /dev/null || { echo "asset generator failed"; exit 1; }

newgame() { rm -rf "$1"; cp -r "$work/art" "$1"; mkdir -p "$1/classrooms"; }
# The index of a game folder from classroom names (no passwords), with their room directories.
index() {
  local g="$1"; shift
  { printf ' %d\r\n' $#; for c in "$@"; do printf '%s\r\n\r\n' "$c"; done; } > "$g/classrooms/classrooms"
  local n=1; for c in "$@"; do mkdir -p "$g/classrooms/room$n"; n=$((n + 1)); done
}
# Starts run $2 (a name) of script $3 on folder $1 in the background; its trace is $1/$2.trace.
start() { "$play" --dir "$1" --fps 20 --trace "$3" > "$1/$2.trace" 2> "$1/$2.err" & }
finished() { grep -c ' finish 1 ' "$1"; }

# Script pieces. The splash, then the classroom menu on its first row.
splash() { printf 'wait 500\nkey Enter\nwait 300\n'; }
# On the player menu: add pupil $1 without a password and choose them. "Add Player" is reached from
# "Quit" at the foot, since other copies may have added pupils to the list meanwhile (up to 38).
add_pupil() { printf 'key%s\nwait 100\nkey Up' "$(printf ' Down%.0s' $(seq 1 40))"; printf '\nwait 100\nkey Enter\nwait 100\ntype %s\nkey Enter\nwait 100\nkey Enter\nwait 300\nkey Enter\nwait 300\n' "$1"; }
# On the player menu: the first row alone.
first_pupil() { printf 'key Enter\nwait 300\n'; }
# From the track menu: the first season and the shortest distance, then the lesson menu (Add 1).
to_lessons() { printf 'key Enter\nwait 300\nkey Enter\nwait 300\n'; }
# From the lesson menu: one race solved to the finish, its results, and back to the lesson menu.
one_race() {
  printf 'key Enter\nwait 5200\n'
  for i in $(seq 1 200); do printf 'solve 1\nwait 120\n'; done
  printf 'wait 3000\nkey Enter\nwait 300\n'
}
# Checks that every player and board file under classrooms $1 is well formed: a count line, then
# its entries; a board counts exactly the record files beside it, each holding its samples.
well_formed() {
  local root="$1" f
  for f in $(find "$root" -name players); do
    local n lines; n=$(head -1 "$f" | tr -d " $CR"); lines=$(wc -l < "$f")
    [ "$lines" -eq $((1 + 4 * n)) ] || fail "$f: $lines lines for $n players"
  done
  for f in $(find "$root" -name 'distance[1-6]'); do
    local n; n=$(head -1 "$f" | tr -d " $CR")
    local present; present=$(ls "$f"record* 2> /dev/null | wc -l)
    [ "$present" -eq "$n" ] || fail "$f counts $n records, $present files"
    local r
    for r in $(seq 1 "$n"); do
      [ -f "${f}record$r" ] || { fail "${f}record$r missing"; continue; }
      local samples; samples=$(head -1 "${f}record$r" | tr -d " $CR")
      [ "$(wc -l < "${f}record$r")" -eq $((6 + 2 * samples)) ] || fail "${f}record$r is not whole"
    done
  done
  [ -z "$(find "$root" -name '*.lock' -o -name '*.tmp*')" ] || fail "lock or temporary files left: $(find "$root" -name '*.lock' -o -name '*.tmp*')"
}
board=leaderboards/category1/lesson1/distance1
