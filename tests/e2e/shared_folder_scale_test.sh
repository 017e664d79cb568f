#!/usr/bin/env bash
# A school's class on one network folder, on the real game through the play tool: crowds of copies
# on a slow drive (bench/slowfs_shim.c preloaded), on a board that already holds 300 races, with
# half the PCs' clocks 10 minutes ahead of the file server (bench/clockskew_shim.c), beside a lock
# entry left by a crashed PC that looks fresh, and on an emptied or cut board file beside its intact
# records. Every copy adds its own pupil and races; every race finished must be kept, every file be
# whole, and each case prints "finished -> kept".
#
# The shims cannot go into a program built with AddressSanitizer: with a sanitized play tool (or no
# shims beside it) the slow-drive and clock cases say SKIP, and run from a build without sanitizers
# (cmake -DTALLY_SANITIZE=OFF; ctest -R SharedFolderScale there). Counts: COPIES=K is the largest
# crowd (16; 8 under the sanitizer, whose copies run several times slower), the smaller crowds are
# half of it; RACES=N races a copy (5); BOARD=N races already on the board (300); CASES picks cases
# among "slow board skew crashed damaged" (all). The full-size defaults take a few minutes on two
# cores with a release build.
set -u
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/shared_folder_lib.sh"

slowfs="$bin/libslowfs_shim.so"
clockskew="$bin/libclockskew_shim.so"
shims=yes
if nm -D "$play" 2> /dev/null | grep -q __asan_init; then
  shims="no: the play tool is built with AddressSanitizer"
elif [ ! -f "$slowfs" ] || [ ! -f "$clockskew" ]; then
  shims="no: the shims are not built beside the play tool"
fi
if [ "$shims" = yes ]; then copies_max=${COPIES:-16}; else copies_max=${COPIES:-8}; fi
half=$((copies_max / 2 > 0 ? copies_max / 2 : 1))
races=${RACES:-5}
prefill=${BOARD:-300}
wanted() { case " ${CASES:-slow board skew crashed damaged} " in *" $1 "*) return 0 ;; *) return 1 ;; esac; }
room="classrooms/room1"

# The record file of an old race: pupil Old<n>, three answers.
old_record() {
  printf ' 3\r\n %d.25\r\n 1%02d.5\r\n 5%d.75\r\nOld%d\r\n %d\r\n 1.5\r\n 1\r\n 2.5\r\n-0.5\r\n 3.5\r\n 1\r\n' \
    $((30 + $1 % 50)) $(($1 % 100)) $(($1 % 10)) "$1" $(($1 % 8))
}
# Fills the board of folder $1 with $2 old races; its board file holds $3 (a count line and the title).
prefill_board() {
  local g="$1" n="$2" r
  mkdir -p "$(dirname "$g/$room/$board")"
  for r in $(seq 1 "$n"); do old_record "$r" > "$g/$room/${board}record$r"; done
  printf '%s' "$3" > "$g/$room/$board"
  mkdir -p "$g/before"
  cp "$g/$room/${board}record"* "$g/before/" 2> /dev/null
}

# One crowd on a fresh folder, from these settings: c_copies copies, c_prefill old races on the board
# whose file holds c_head (a count of them when unset), c_delay microseconds a file call (0: the
# local disk), c_skew seconds ahead on every odd copy's clock (0: none), c_lock 1 for a crashed PC's
# lock entry. Sets c_finished, c_kept and c_seconds (the class's time, first start to last end), and
# prints "LABEL: finished -> kept".
crowd() {
  local label="$1" g="$work/$1" k
  newgame "$g"
  index "$g" Class
  if [ "$c_prefill" -gt 0 ]; then prefill_board "$g" "$c_prefill" "${c_head-$(printf ' %d\r\n\r\n' "$c_prefill")}"; fi
  for k in $(seq 1 "$c_copies"); do
    {
      splash; printf 'key Enter\nwait 300\n'
      add_pupil "Pc$k"; printf 'key Enter\nwait 300\n'; to_lessons  # "Singleplayer"
      for r in $(seq 1 "$races"); do one_race; done
      printf 'quit\n'
    } > "$g/pc$k.txt"
  done
  if [ "$c_lock" = 1 ]; then
    # Another host's entry, just made and never refreshed: its PC went down in the middle of a save.
    printf 'crashed-pc 4242 7 %d\n' "$(date +%s)" > "$g/$room.lock"
  fi
  local began; began=$(date +%s.%N)
  for k in $(seq 1 "$c_copies"); do
    local env=()
    if [ "$c_delay" -gt 0 ] || [ "$c_skew" != 0 ]; then
      local preload="$slowfs"
      env+=(SLOWFS_DELAY_US="$c_delay" SLOWFS_LOADED="$g/slowfs.loaded")
      if [ "$c_skew" != 0 ] && [ $((k % 2)) -eq 1 ]; then
        preload="$slowfs:$clockskew"
        env+=(CLOCKSKEW_SECONDS="$c_skew" CLOCKSKEW_LOADED="$g/clockskew.loaded")
      fi
      env+=(LD_PRELOAD="$preload")
    fi
    env "${env[@]}" "$play" --dir "$g" --fps 20 --trace "$g/pc$k.txt" > "$g/pc$k.trace" 2> "$g/pc$k.err" &
  done
  wait
  c_seconds=$(echo "$(date +%s.%N) - $began" | bc)
  # The shims went into every copy they were meant for.
  if [ "$c_delay" -gt 0 ] || [ "$c_skew" != 0 ]; then
    [ "$(grep -c '/tallyrally-play$' "$g/slowfs.loaded" 2> /dev/null)" = "$c_copies" ] ||
      fail "$label: the slow-drive shim went into $(grep -c . "$g/slowfs.loaded" 2> /dev/null) copies, not $c_copies"
  fi
  if [ "$c_skew" != 0 ]; then
    [ "$(grep -c '/tallyrally-play$' "$g/clockskew.loaded" 2> /dev/null)" = $(((c_copies + 1) / 2)) ] ||
      fail "$label: the clock shim went into $(grep -c . "$g/clockskew.loaded" 2> /dev/null) copies, not $(((c_copies + 1) / 2))"
  fi
  c_finished=0
  for k in $(seq 1 "$c_copies"); do c_finished=$((c_finished + $(finished "$g/pc$k.trace"))); done
  [ "$c_finished" -eq $((c_copies * races)) ] || fail "$label: $c_finished races finished, not $((c_copies * races))"
  # Kept: the races of this crowd's pupils among the records the board counts.
  local count files=() r
  count=$(head -1 "$g/$room/$board" 2> /dev/null | tr -d " $CR")
  for r in $(seq 1 "${count:-0}"); do [ -f "$g/$room/${board}record$r" ] && files+=("$g/$room/${board}record$r"); done
  c_kept=0
  [ ${#files[@]} -gt 0 ] && c_kept=$(awk 'FNR == 5 && /^Pc[0-9]+\r?$/ { n++ } END { print n + 0 }' "${files[@]}")
  [ "$c_kept" -eq "$c_finished" ] || fail "$label: $c_finished races finished, $c_kept kept"
  [ "${count:-0}" -eq $((c_prefill + c_finished)) ] ||
    fail "$label: the board counts ${count:-no} races, not $c_prefill old and $c_finished new"
  for k in $(seq 1 "$c_copies"); do
    grep -qx "Pc$k$CR" "$g/$room/players" || fail "$label: pupil Pc$k was lost"
  done
  # The old races are all still there, byte for byte.
  if [ "$c_prefill" -gt 0 ]; then
    local changed=0
    for r in $(seq 1 "$c_prefill"); do
      cmp -s "$g/before/distance1record$r" "$g/$room/${board}record$r" || changed=$((changed + 1))
    done
    [ "$changed" -eq 0 ] || fail "$label: $changed of the $c_prefill old races were overwritten or lost"
  fi
  well_formed "$g/classrooms"
  local told; told=$(cat "$g"/pc*.err | sort | uniq -c | sort -rn | head -3 | tr -s ' ' | tr '\n' ';')
  echo "$label: $c_finished finished -> $c_kept kept (the board counts $((${count:-0} - c_prefill)) new)," \
    "$(printf '%.1f' "$c_seconds") s${told:+ (stderr: $told)}"
}
c_copies=$copies_max c_prefill=0 c_delay=0 c_skew=0 c_lock=0
unset c_head
skip() { echo "SKIP: $1 ($shims)"; }

# 1. A slow drive: every file call 5 ms.
if wanted slow; then
  if [ "$shims" = yes ]; then
    c_copies=$copies_max c_delay=5000 crowd "slow-5ms-$copies_max-copies"
  else skip "slow drive"; fi
fi

# 2. A board that already holds 300 races, at 1 ms a call, and at 5 ms with half the crowd.
if wanted board; then
  if [ "$shims" = yes ]; then
    c_copies=$copies_max c_prefill=$prefill c_delay=1000 crowd "board$prefill-1ms-$copies_max-copies"
    c_copies=$half c_prefill=$prefill c_delay=5000 crowd "board$prefill-5ms-$half-copies"
  else skip "full board on a slow drive"; fi
fi

# 3. Half the PCs' clocks 10 minutes ahead of the file server, on a network drive of 1 ms a call.
if wanted skew; then
  if [ "$shims" = yes ]; then
    c_copies=$copies_max c_delay=1000 c_skew=600 crowd "skew600s-1ms-$copies_max-copies"
  else skip "clocks ahead"; fi
fi

# 4. A crashed PC's lock entry that looks fresh: every save still lands, and the class loses less
#    than 15 s to it against the same crowd without it.
if wanted crashed; then
  c_copies=$half crowd "no-crashed-lock-$half-copies"
  plain=$c_seconds
  c_copies=$half c_lock=1 crowd "crashed-lock-$half-copies"
  extra=$(echo "$c_seconds - $plain" | bc)
  echo "crashed lock: the class took $(printf '%.1f' "$extra") s longer"
  [ "$(echo "$extra < 15" | bc)" = 1 ] || fail "crashed lock: it cost the class $(printf '%.1f' "$extra") s, not under 15"
fi

# 5. A damaged board file beside 300 intact records: emptied, and cut to " 2". No intact record is
#    written over, and the board counts them all and the new races.
if wanted damaged; then
  c_copies=$half c_prefill=$prefill c_head="" crowd "emptied-board-$half-copies"
  c_copies=$half c_prefill=$prefill c_head=" 2" crowd "cut-board-$half-copies"
fi

[ "$failures" -eq 0 ] && echo "all shared-folder scale checks passed"
exit $((failures > 0))
