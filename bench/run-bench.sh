#!/usr/bin/env bash
# `make bench`: release build, cached demo boards, unattended generation runs in console mode
# timed to the millisecond (BenchTimed), the floors measured in the same run, and
# bench/RESULTS.md with a plot. Two six-list workloads: bench/six-lists.json and
# bench/second-lists.json (a real 30-day window: its boards' uploads end at today's
# midnight). Each run is compared with two sets of floors: the client library's walk, writing
# the bytes and zlib (BenchFloors), and the physical ones: the sqlite3 shell reading the file
# table in key order, cat of the output bytes into one file, gzip -9 of the zipped lists.
# Environment: BENCH_SIZES (default "10000 100000 1000000"), BENCH_WORKLOADS (default
# "six second"), BENCH_RANKING=0 to leave
# out the ranking worst case, BENCH_TIES=0 to leave out the ranking with many equal counts,
# BENCH_SCAN_SIZES (default "10000 100000") for `quorvane-board scan` of generated trees
# ("" leaves it out), BENCH_FEEDS=0 to leave out the first workload with feeds, catalogue and
# modern pages, BENCH_REPORT_ONLY=1 to rewrite the report from the last results, BENCH_SETTLE
# (default 10) for the seconds to wait before each timed run, BENCH_REPEAT (default 5) for the
# runs of each workload below 1,000,000 files (the median is kept).
# The report keeps the sections of cases this run left out; the scan case alone:
# BENCH_SIZES=" " BENCH_RANKING=0 BENCH_TIES=0 make bench.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
build=$src/build-release
bin=$build/bin
boards=$build/bench-boards
work=$build/bench-work
out=$src/bench
sizes=${BENCH_SIZES:-10000 100000 1000000}
areas=200
seed=1

# Bench-only tools, installed the way `make deps` installs the others.
need=()
[ -x /usr/bin/time ] || need+=(time)
command -v sqlite3 >/dev/null || need+=(sqlite3)
command -v gnuplot >/dev/null || need+=(gnuplot-nox)
command -v zip >/dev/null || need+=(zip)
if [ ${#need[@]} -gt 0 ]; then
    sudo=$([ "$(id -u)" = 0 ] || echo sudo)
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}"
fi

echo "== Release build in $build"
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQV_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j 2 --target quorvane quorvane-board quorvane-config wcsrv2 BenchFloors \
    BenchTimed
scan_sizes=${BENCH_SCAN_SIZES-10000 100000}

# board NAME ARGS...: made once under bench-boards/, kept while its arguments are the same.
board() {
    local name=$1
    shift
    local dir=$boards/$name
    if [ ! -f "$dir/.made" ] || [ "$(cat "$dir/.made")" != "$*" ]; then
        echo "== Making board $name ($*)"
        rm -rf "$dir"
        mkdir -p "$boards"
        "$bin/quorvane-board" demo "$dir" "$@" >/dev/null
        echo "$*" >"$dir/.made"
    fi
}

# The demo boards' uploads end at a reference date fixed by the seed; "last 30 days" is taken
# as the 30 days before it, so the window is as wide as the days since then plus 30.
reference=$((1767225600 + (seed % 365) * 86400 + (seed * 7919) % 86400))
days=$((($(date +%s) - reference) / 86400 + 30))

results=$work/results.tsv
mkdir -p "$work"
# What the runs leave is moved aside, not deleted, until the bench ends. On ext4 without a
# journal (this machine's) a new file gets no inode freed in the last 60 seconds (360 when the
# inode's table block is dirty again), and each creation walks past every such inode: deleting
# one run's 200 pages made the next runs' file creation 10 to 20 ms slower, a cost of the bench
# and not of a board's scheduled runs, which are hours apart. Big files go at once: they are
# few inodes.
trash=$work/trash
discard() {
    local p
    mkdir -p "$trash"
    for p in "$@"; do
        [ -e "$p" ] || continue
        find "$p" -type f -size +1M -delete
        if [ -e "$p" ]; then mv "$p" "$(mktemp -u "$trash/XXXXXXXX")"; fi
    done
}
trap 'rm -rf "$trash"' EXIT
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
# BENCH_REPORT_ONLY=1 rewrites RESULTS.md and the plot from the last run's results.
if [ "${BENCH_REPORT_ONLY:-0}" = 1 ]; then
    sizes=""
    scan_sizes=""
    BENCH_RANKING=0
    BENCH_TIES=0
else
    : >"$results"
fi

# run CASE BOARD-NAME CONFIG.json: a fresh copy of the board, the configuration beside the
# program, one timed run. Leaves the copy in $work/$case/board for the measurements.
run() {
    local case=$1 name=$2 json=$3
    local dir=$work/$case
    discard "$dir"
    mkdir -p "$dir/html/indexed" "$dir/html/single" "$dir/tmp"
    cp -r "$boards/$name" "$dir/board"
    # The first workload's fixed board ends in 2026: its "last 30 days" are widened to reach it.
    local widen="s|\"days\": 30|\"days\": $days|"
    [ "$json" = "$out/six-lists.json" ] || widen=""
    sed -e "s|@HTMLDIR@|$dir/html|g" -e "$widen" "$json" |
        "$bin/quorvane-config" build - "$bin/Quorvane.cfg"
    # ext4 without a journal (this machine's) gives a new file no inode freed in the last 5 to
    # 10 seconds, and looks at each such inode on the way: the clean-up of the case before
    # would make this run's files slower to create. BENCH_SETTLE seconds let it age out.
    sync
    sleep "${BENCH_SETTLE:-10}"
    echo "== Run $case"
    local status=0
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM TMPDIR="$dir/tmp" \
        QUORVANE_BOARD="$dir/board" "$bin/BenchTimed" "$dir/time" \
        "$bin/quorvane" 2>"$dir/stderr" || status=$?
    if [ $status -ne 0 ]; then
        echo "quorvane exited with $status on $case; see $dir/stderr" >&2
        tail -5 "$dir/stderr" >&2
        return 1
    fi
}

# Bytes of a server file of a run's board.
server_size() {
    "$bin/quorvane-board" ls "$1" | P="$2" awk -F'\t' '$1 == ENVIRON["P"] { print $2 }'
}

# floor WHAT ARGS...: "wall-seconds CPU-seconds" of one floor.
floor() { "$bin/BenchFloors" "$@" | awk -v w="$1" '$1 == w { print $2, $3 }'; }

# timed OUT CMD...: "wall-seconds CPU-seconds" of one command into OUT (its output to stdout).
timed() {
    local out=$1
    shift
    "$bin/BenchTimed" "$out.t" "$@"
    awk '{ print $1, $2 + $3 }' "$out.t" >"$out"
}

# workload NAME JSON N BOARD ZIPPED...: one run of the workload on a copy of BOARD, then both
# sets of floors on the same copy and bytes. ZIPPED are the server paths of the lists that
# the workload zips.
workload() {
    local name=$1 json=$2 n=$3 boardName=$4
    shift 4
    local load
    load=$(cut -d' ' -f1 /proc/loadavg)
    # Runs below a million files take tenths of a second, where one disturbance shows: the
    # median of BENCH_REPEAT runs (by wall time) is kept.
    local reps=1 r
    [ "$n" -lt 1000000 ] && reps=${BENCH_REPEAT:-5}
    for r in $(seq "$reps"); do
        run "$name-$n" "$boardName" "$json"
        cat "$work/$name-$n/time" >>"$work/$name-$n.times"
    done
    local dir=$work/$name-$n b=$work/$name-$n/board
    sort -n "$work/$name-$n.times" | sed -n "$(((reps + 1) / 2))p" >"$dir/time"
    rm -f "$work/$name-$n.times"
    # Every output: the server files, the messages and the HTML pages.
    mkdir -p "$dir/out"
    local i=0 p
    while IFS=$'\t' read -r p _; do
        "$bin/quorvane-board" cat "$b" "$p" >"$dir/out/file-$i"
        i=$((i + 1))
    done < <("$bin/quorvane-board" ls "$b")
    i=0
    while "$bin/quorvane-board" message "$b" $i >"$dir/out/message-$i" 2>/dev/null; do
        i=$((i + 1))
    done
    rm -f "$dir/out/message-$i"
    local bytes
    bytes=$(find "$dir/out" "$dir/html" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
    local zipped=() z=0
    for p in "$@"; do
        "$bin/quorvane-board" cat "$b" "$p" >"$dir/zipped-$z"
        zipped+=("$dir/zipped-$z")
        z=$((z + 1))
    done
    # The floors on the same board copy and the same bytes, after the run (same cache state).
    local read write defl=(0 0) sql cat gz=(0 0) f
    read=$(floor read "$b")
    write=$(floor write "$dir/tmp" "$bytes")
    for f in "${zipped[@]}"; do
        read -r -a d <<<"$(floor deflate "$f")"
        defl=("$(awk "BEGIN { print ${defl[0]} + ${d[0]} }")" "$(awk "BEGIN { print ${defl[1]} + ${d[1]} }")")
    done
    timed "$dir/sql" sqlite3 -readonly "$b/board.db" "SELECT * FROM files ORDER BY area, name" \
        >/dev/null
    find "$dir/out" "$dir/html" -type f -print0 | sort -z >"$dir/outputs"
    timed "$dir/cat" sh -c 'xargs -0 cat <"$1" >"$2"' sh "$dir/outputs" "$dir/tmp/floor-cat"
    rm -f "$dir/tmp/floor-cat"
    for f in "${zipped[@]}"; do
        timed "$dir/gz" gzip -9 -c "$f" >/dev/null
        read -r -a d <"$dir/gz"
        gz=("$(awk "BEGIN { print ${gz[0]} + ${d[0]} }")" "$(awk "BEGIN { print ${gz[1]} + ${d[1]} }")")
    done
    read -r sql_s sql_c <"$dir/sql"
    read -r cat_s cat_c <"$dir/cat"
    read -r wall user sys rss <"$dir/time"
    printf 'wl\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s %s\t%s %s\t%s %s\t%s %s\t%s %s\t%s %s\t%s\n' \
        "$name" "$n" "$wall" "$user" "$sys" "$rss" "$bytes" $read $write "${defl[@]}" \
        "$sql_s" "$sql_c" "$cat_s" "$cat_c" "${gz[@]}" "$load" >>"$results"
    discard "$b" "$dir/out" "$dir/html" "$dir/zipped-"*
}

# The second workload's boards end at today's midnight (UTC), so that its "last 30 days" are
# 30 real days; they are made again on another day.
until=$(($(date +%s) / 86400 * 86400))
# The first workload with the Atom feed, the JSON catalogue and the modern theme on both HTML
# lists (BENCH_FEEDS=0 leaves it out).
feeds_json=$work/six-lists-feeds.json
python3 - "$out/six-lists.json" "$feeds_json" <<'PY'
import json, sys
config = json.load(open(sys.argv[1]))
for lst in config["lists"]:
    if lst["listType"] == 3:
        lst.update(feeds=3, feedCount=50, theme=1)
json.dump(config, open(sys.argv[2], "w"), indent=1)
PY
default_workloads="six second"
[ "${BENCH_FEEDS:-1}" != 0 ] && default_workloads="six feeds second"
for n in $sizes; do
    for w in ${BENCH_WORKLOADS:-$default_workloads}; do
        case $w in
        six)
            board "files-$n" --files "$n" --areas $areas --seed $seed
            workload six "$out/six-lists.json" "$n" "files-$n" \
                'wc:\file\area(1)\ALLFILES.TXT' 'wc:\file\area(1)\ALLSNGL.TXT'
            ;;
        feeds)
            board "files-$n" --files "$n" --areas $areas --seed $seed
            workload feeds "$feeds_json" "$n" "files-$n" \
                'wc:\file\area(1)\ALLFILES.TXT' 'wc:\file\area(1)\ALLSNGL.TXT'
            ;;
        second)
            board "until-$n" --files "$n" --areas $areas --seed $seed --until $until
            workload second "$out/second-lists.json" "$n" "until-$n" \
                'wc:\file\area(2)\FULLLIST.TXT' 'wc:\file\area(2)\FILES2.TXT'
            ;;
        esac
    done
done

if [ "${BENCH_RANKING:-1}" != 0 ]; then
    board rising-1000000 --files 1000000 --areas $areas --seed $seed --rising
    for n in 100 10000; do
        run "top-$n" rising-1000000 "$out/ranking-top$n.json"
        dir=$work/top-$n
        "$bin/quorvane-board" cat "$dir/board" "wc:\\file\\area(1)\\TOP$n.TXT" >"$dir/TOP$n.TXT"
        check=$("$bin/BenchFloors" top "$dir/board" "$n" "$dir/TOP$n.TXT" || true)
        read -r wall user sys rss <"$dir/time"
        printf 'top\t%s\t%s\t%s\t%s\t%s\t%s\n' "$n" "$wall" "$user" "$sys" "$rss" "$check" \
            >>"$results"
        discard "$dir/board"
    done
fi
# scan N: a tree of N files in 100 area folders, one in ten a ZIP archive with a FILE_ID.DIZ
# (code page 437, box lines), a third with long names; made once. Timed: a first scan into an
# empty board and an unchanged rescan, against the floor of walking the tree with find and
# reading the same DIZ bytes, all with a warm cache.
for n in $scan_sizes; do
    tree=$boards/tree-$n
    if [ ! -f "$tree.made" ]; then
        echo "== Making the tree of $n files"
        rm -rf "$tree"
        python3 - "$tree" "$n" <<'PY'
import os, sys, zipfile
root, n = sys.argv[1], int(sys.argv[2])
diz = (b"\xc9" + b"\xcd" * 40 + b"\xbb\r\n\xba  A file of the bench tree, no. %d" + b" " * 6 +
       b"\xba\r\n\xba  Caf\x82 edition, shareware" + b" " * 14 + b"\xba\r\n\xc8" + b"\xcd" * 40 +
       b"\xbc\r\n")
stamp = 1793613600
for i in range(n):
    area = os.path.join(root, "area-%03d" % (i % 100))
    if i < 100:
        os.makedirs(area)
    if i % 10 == 0:
        path = os.path.join(area, "PKG%05d.ZIP" % i)
        with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr("FILE_ID.DIZ", diz.replace(b"%d", b"%06d" % i))
            z.writestr("README.TXT", b"read me\r\n" * (i % 50 + 1))
    elif i % 3 == 0:
        path = os.path.join(area, "Long File Name Number %d.txt" % i)
        open(path, "wb").write(b"x" * (i % 4096))
    else:
        path = os.path.join(area, "F%07d.DAT" % i)
        open(path, "wb").write(b"y" * (i % 2048))
    os.utime(path, (stamp + i, stamp + i))
PY
        touch "$tree.made"
    fi
    dir=$work/scan-$n
    rm -rf "$dir"
    mkdir -p "$dir"
    find "$tree" -name '*.ZIP' >"$dir/zips"
    "$bin/quorvane-board" init "$dir/board" >/dev/null
    find "$tree" -type f -printf '%s %T@\n' >/dev/null  # warm the cache
    "$bin/BenchFloors" diz "$dir/zips" >/dev/null
    /usr/bin/time -f "%e %U %S %M" -o "$dir/find" find "$tree" -type f -printf '%s %T@\n' >/dev/null
    read -r diz_s diz_c <<<"$(floor diz "$dir/zips")"
    echo "== Scan $n"
    for pass in first rescan; do
        status=0
        /usr/bin/time -f "%e %U %S %M" -o "$dir/$pass" "$bin/quorvane-board" scan "$dir/board" \
            "$tree" >"$dir/$pass.out" 2>"$dir/$pass.err" || status=$?
        if [ $status -ne 0 ]; then
            echo "scan exited with $status; see $dir/$pass.err" >&2
            return 1 2>/dev/null || exit 1
        fi
    done
    read -r f_wall f_user f_sys f_rss <"$dir/first"
    read -r r_wall r_user r_sys r_rss <"$dir/rescan"
    read -r find_wall find_user find_sys _ <"$dir/find"
    printf 'scan\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$n" \
        "$f_wall" "$(awk "BEGIN { print $f_user + $f_sys }")" "$f_rss" \
        "$r_wall" "$(awk "BEGIN { print $r_user + $r_sys }")" "$r_rss" \
        "$find_wall" "$(awk "BEGIN { print $find_user + $find_sys }")" "$diz_s" "$diz_c" \
        "$(cat "$dir/first.out")" "$(cat "$dir/rescan.out")" >>"$results"
    rm -rf "$dir/board"
done


if [ "${BENCH_TIES:-1}" != 0 ]; then
    # The demo board's counts: 0 to 4999, most of them small, so the ranking table is mostly
    # runs of equal counts. The order among them is the literal procedure's; the expected
    # names were taken from the procedure as it was before the runs were settled lazily
    # (checked against the plain procedure by tests/generate/PopularRankingTest.cpp).
    board ties-200000 --files 200000 --areas $areas --seed $seed
    declare -A expected=([10000]=0d61424ab1a66a01 [100000]=678c61421af0a3a7)
    for n in 10000 100000; do
        run "ties-$n" ties-200000 "$out/ranking-top$n.json"
        dir=$work/ties-$n
        "$bin/quorvane-board" cat "$dir/board" "wc:\\file\\area(1)\\TOP$n.TXT" >"$dir/TOP$n.TXT"
        # The first 12 characters of the n entry lines, after the 7 lines of the header.
        names=$(tr -d '\r' <"$dir/TOP$n.TXT" | awk -v n="$n" 'NR >= 8 && NR < 8 + n' |
            cut -c1-12 | sha256sum | cut -c1-16)
        check="ties mismatch $names"
        [ "$names" = "${expected[$n]}" ] && check="ties ok $n"
        read -r wall user sys rss <"$dir/time"
        printf 'ties\t%s\t%s\t%s\t%s\t%s\t%s\n' "$n" "$wall" "$user" "$sys" "$rss" "$check" \
            >>"$results"
        discard "$dir/board"
    done
fi
rm -f "$bin/Quorvane.cfg"
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
if [ "${BENCH_REPORT_ONLY:-0}" = 1 ] && [ -f "$work/load" ]; then
    IFS='|' read -r load_before load_after <"$work/load"
else
    echo "$load_before|$load_after" >"$work/load"
fi

echo "== Writing bench/RESULTS.md and bench/run-time.png"
awk -F'\t' '$1 == "wl" {
        split($9, r, " "); split($10, w, " "); split($11, d, " ")
        split($12, q, " "); split($13, c, " "); split($14, g, " ")
        print $2, $3, $4, r[1] + w[1] + d[1], q[1] + c[1] + g[1] }' "$results" >"$work/plot.dat"
[ -s "$work/plot.dat" ] && gnuplot <<GP
set terminal png size 800,500
set output "$out/run-time.png"
set title "Six-list runs: wall time against board size (200 areas)"
set xlabel "files on the board"
set ylabel "seconds"
set logscale xy
set key top left
set grid
plot "< grep '^six ' $work/plot.dat" using 2:3 with linespoints title "first workload (wall)", \
     "< grep '^six ' $work/plot.dat" using 2:5 with linespoints title "its physical floors", \
     "< grep '^second ' $work/plot.dat" using 2:3 with linespoints title "second workload (wall)", \
     "< grep '^second ' $work/plot.dat" using 2:5 with linespoints title "its physical floors"
GP

python3 - "$results" "$out/RESULTS.md" "$load_before" "$load_after" "$days" <<'PY'
import sys, platform, os, subprocess
res, md, load_before, load_after, days = sys.argv[1:6]
wl, top, ties, scan = {}, {}, {}, {}
pair = lambda t: tuple(float(x) for x in t.split())
for line in open(res):
    f = line.rstrip("\n").split("\t")
    if f[0] == "wl":
        wl.setdefault(f[1], {})[int(f[2])] = dict(
            wall=float(f[3]), cpu=float(f[4]) + float(f[5]), rss=int(f[6]), bytes=int(f[7]),
            read=pair(f[8]), write=pair(f[9]), defl=pair(f[10]), sql=pair(f[11]),
            cat=pair(f[12]), gz=pair(f[13]), load=f[14])
    elif f[0] == "scan":
        scan[int(f[1])] = dict(wall=float(f[2]), cpu=float(f[3]), rss=int(f[4]),
                               rwall=float(f[5]), rcpu=float(f[6]), rrss=int(f[7]),
                               find=float(f[8]), fcpu=float(f[9]), diz=float(f[10]),
                               dcpu=float(f[11]), first=f[12], again=f[13])
    elif f[0] == "top":
        top[int(f[1])] = dict(wall=float(f[2]), cpu=float(f[3]) + float(f[4]), rss=int(f[5]),
                             check=f[6] if len(f) > 6 else "")
    elif f[0] == "ties":
        ties[int(f[1])] = dict(wall=float(f[2]), cpu=float(f[3]) + float(f[4]), rss=int(f[5]),
                              check=f[6] if len(f) > 6 else "")
cpu = "unknown"
for l in open("/proc/cpuinfo"):
    if l.startswith("model name"):
        cpu = l.split(":", 1)[1].strip()
        break
# Sections of cases this run left out are kept from the last report.
old_sections = {}
if os.path.exists(md):
    text = open(md).read()
    cut = text.find("<!-- analysis:")
    body = text if cut < 0 else text[:cut]
    parts = body.split("\n## ")
    for part in parts[1:]:
        title = part.split("\n", 1)[0].strip()
        old_sections[title] = "## " + part.rstrip("\n") + "\n"
L = []
L.append("# Benchmark results\n")
L.append("Made by `make bench` (bench/run-bench.sh): release build, demo boards "
         "`quorvane-board demo --files N --areas 200 --seed 1`, one unattended run of "
         "`quorvane` in console mode per case (the median of five below 1,000,000 files), "
         "timed to the millisecond by BenchTimed (bench/timed; wall, user+system CPU of the program "
         "and its `zip`, peak resident set).\n")
L.append("Machine: %s, %d cores, Linux %s. Load average before the run %s, after %s "
         "(other engineers' builds share the machine; each workload row gives the 1-minute load "
         "when it started).\n"
         % (cpu, os.cpu_count(), platform.release(), load_before, load_after))
def kept(title):
    if title in old_sections:
        L.append(old_sections[title])
WORKLOADS = [
    ("six", "Six-list run",
     "bench/six-lists.json: a File list with an internal ZIP, a bulletin of the \"last 30 "
     "days\", a most-popular message, an indexed HTML set with HTTP links, a single HTML page "
     "with a custom entry template and FTP links, a single-line File list zipped by `zip -9`. "
     "Its board's uploads end early in 2026, so its \"last 30 days\" are widened to reach them "
     "(`days` = %s on the day of the run)." % days),
    ("feeds", "Six-list run with feeds",
     "The first workload with the Atom feed (50 entries), the JSON catalogue and the modern "
     "theme on both HTML lists."),
    ("second", "Second six-list run",
     "bench/second-lists.json, of the same kind: a full-layout ASCII File list with an "
     "internal ZIP, a bulletin of the real last 30 days (the board is made with `--until` "
     "today's midnight), a most-popular message of 1000 files, an indexed HTML set with local "
     "HTTP links, one HTML page whose custom entry template uses every token (with custom area "
     "header and footer), a double-line File list zipped by `zip -9`."),
]
for key, title, intro in WORKLOADS:
    rows = wl.get(key)
    if not rows:
        kept(title)
        continue
    L.append("## %s\n" % title)
    L.append(intro + "\n")
    L.append("| files | load | wall s | CPU s | peak RSS MiB | wall µs/file | CPU µs/file | "
             "physical floors s (wall / CPU) | wall ratio | CPU ratio | client floors s "
             "(wall / CPU) | wall ratio | CPU ratio |")
    L.append("|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    for n in sorted(rows):
        r = rows[n]
        r["pf"] = tuple(r["sql"][i] + r["cat"][i] + r["gz"][i] for i in (0, 1))
        r["cf"] = tuple(r["read"][i] + r["write"][i] + r["defl"][i] for i in (0, 1))
        L.append("| %d | %s | %.3f | %.3f | %.1f | %.2f | %.2f | %.2f / %.2f | %.2f | %.2f | "
                 "%.2f / %.2f | %.2f | %.2f |"
                 % (n, r["load"], r["wall"], r["cpu"], r["rss"] / 1024, r["wall"] / n * 1e6,
                    r["cpu"] / n * 1e6, r["pf"][0], r["pf"][1], r["wall"] / r["pf"][0],
                    r["cpu"] / r["pf"][1], r["cf"][0], r["cf"][1], r["wall"] / r["cf"][0],
                    r["cpu"] / r["cf"][1]))
    L.append("")
    big = rows[max(rows)]
    spread = lambda k: max(rows[n][k] / n for n in rows) / (big[k] / max(rows))
    L.append("Time per file, the slowest size against %d files: wall %.2f×, CPU %.2f×.\n"
             % (max(rows), spread("wall"), spread("cpu")))
    L.append("The floors one by one, wall / CPU seconds:\n")
    L.append("| files | output MB | sqlite3 shell | cat | gzip -9 (both lists) | client walk | "
             "write | zlib 9 (both lists) |")
    L.append("|---:|---:|---:|---:|---:|---:|---:|---:|")
    for n in sorted(rows):
        r = rows[n]
        L.append("| %d | %.1f | %s |" % (n, r["bytes"] / 1e6, " | ".join(
            "%.2f / %.2f" % r[k] for k in ("sql", "cat", "gz", "read", "write", "defl"))))
    L.append("")
if wl:
    L.append("Floors, measured in the same run on the same board copy after the program's run, "
             "one after the other. The **physical** floors: the `sqlite3` shell reading the "
             "whole file table in key order (`SELECT * FROM files ORDER BY area, name`, printed "
             "to /dev/null), `cat` of all the run's output bytes (lists, archives, bulletin, "
             "message, HTML pages) into one file, and `gzip -9` of the text of the two zipped "
             "lists. The **client** floors (bench/BenchFloors.cpp): walking every record "
             "through libwcsrv and libwcsrv2 as the run does, touching every field; writing the "
             "output bytes to one file; zlib raw deflate at level 9 plus CRC-32 of the two "
             "zipped lists. Wall ratio = the run's wall time over the sum of the floors' wall "
             "times (the floors run one after another on one core; the run may use both); CPU "
             "ratio = the run's CPU time (user + system, `zip` included) over the floors' CPU "
             "time. On a shared machine read the CPU ratios first: they are less disturbed by "
             "the other helpers' work than wall times.\n")
    L.append("![run time against board size](run-time.png)\n")
def ranking_table(title, intro, rows):
    L.append("## %s\n" % title)
    L.append(intro + "\n")
    L.append("| n | wall s | CPU s | peak RSS MiB | output check |")
    L.append("|---:|---:|---:|---:|---|")
    for n in sorted(rows):
        r = rows[n]
        L.append("| %d | %.2f | %.2f | %.1f | %s |" % (n, r["wall"], r["cpu"], r["rss"] / 1024,
                                                      r["check"] or "failed"))
    L.append("")
if not top:
    kept("Ranking worst case")
else:
    ranking_table("Ranking worst case",
                  "1,000,000 files in 200 areas with download counts rising along the walk "
                  "(`--rising`): every file enters the ranking. One \"n Most Popular\" file list "
                  "per run (bench/ranking-top*.json). The check compares the list with the n most "
                  "downloaded files of the board, most first, found independently by BenchFloors.",
                  top)
if not ties:
    kept("Ranking with many equal counts")
else:
    ranking_table("Ranking with many equal counts",
                  "The demo board of 200,000 files in 200 areas (`quorvane-board demo --files "
                  "200000 --areas 200 --seed 1`): download counts 0 to 4999, 48,625 files with 0, "
                  "so the table is mostly long runs of equal counts that every change reorders. "
                  "One \"n Most Popular\" file list per run (bench/ranking-top*.json). The check "
                  "compares the names of the list, in order, with those the literal procedure "
                  "gives.", ties)
if scan:
    L.append("## Scanning a tree\n")
    L.append("`quorvane-board scan` of a generated tree (100 area folders, one file in ten a ZIP "
             "archive with a FILE_ID.DIZ in code page 437, a third with long names that need "
             "8.3 short names): a first scan into an empty board, then an unchanged rescan. "
             "The floor is `find DIR -type f -printf '%s %T@\\n'` plus reading every "
             "archive's FILE_ID.DIZ with libzip (BenchFloors diz), warm cache, measured in the "
             "same run just before the scans. Measured once on the shared machine (load "
             "average in the header); treat single figures with care.\n")
    L.append("| files | floor s (find + DIZ) | first scan s | ratio | rescan s | ratio | "
             "floor CPU s | first scan CPU s | CPU ratio | rescan CPU s | CPU ratio | "
             "peak RSS MiB (first, rescan) |")
    L.append("|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    for n in sorted(scan):
        r = scan[n]
        r["floor"] = r["find"] + r["diz"]
        r["cfloor"] = r["fcpu"] + r["dcpu"]
        L.append("| %d | %.2f + %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | "
                 "%.2f | %.1f, %.1f |"
                 % (n, r["find"], r["diz"], r["wall"], r["wall"] / r["floor"], r["rwall"],
                    r["rwall"] / r["floor"], r["cfloor"], r["cpu"], r["cpu"] / r["cfloor"],
                    r["rcpu"], r["rcpu"] / r["cfloor"], r["rss"] / 1024, r["rrss"] / 1024))
    L.append("")
    L.append("Summaries: " + "; ".join("%d files: first `%s`, rescan `%s`"
                                       % (n, scan[n]["first"], scan[n]["again"])
                                       for n in sorted(scan)) + ".\n")
else:
    kept("Scanning a tree")
if not (wl or top or ties or scan):
    kept("Targets")
else:
    L.append("## Targets\n")
def verdict(ok):
    return "met" if ok else "**missed**"
for key, title, _ in WORKLOADS:
    rows = wl.get(key, {})
    if not rows:
        continue
    big, small = max(rows), min(rows)
    r = rows[big]
    L.append("- %s, %d files, against the physical floors: CPU ratio %.2f (at most 1.3, %s), "
             "wall ratio %.2f (at most 1.1, %s)."
             % (title, big, r["cpu"] / r["pf"][1], verdict(r["cpu"] / r["pf"][1] <= 1.3),
                r["wall"] / r["pf"][0], verdict(r["wall"] / r["pf"][0] <= 1.1)))
    if len(rows) > 1:
        per = {n: rows[n]["cpu"] / n for n in rows}
        spread = max(per.values()) / min(per.values()) - 1
        L.append("- %s, CPU time per file from %d to %d files within 10 %%: %s µs, spread "
                 "%.1f %%, %s." % (title, small, big, ", ".join("%.2f" % (per[n] * 1e6)
                                                               for n in sorted(per)),
                                   spread * 100, verdict(spread <= 0.10)))
        q = rows[big]["rss"] / rows[small]["rss"]
        L.append("- %s, peak memory at %d files at most 1.2 times that at %d: %.1f MiB "
                 "against %.1f MiB (x%.2f), %s." % (title, big, small, rows[big]["rss"] / 1024,
                                                    rows[small]["rss"] / 1024, q,
                                                    verdict(q <= 1.2)))
plain, fed = wl.get("six", {}), wl.get("feeds", {})
for n in sorted(set(plain) & set(fed))[-1:]:
    w, c = fed[n]["wall"] / plain[n]["wall"], fed[n]["cpu"] / plain[n]["cpu"]
    L.append("- Feeds, catalogue and modern pages at %d files within 1.1 times the run without "
             "them: %.2f wall (%.2f CPU), %s." % (n, w, c, verdict(w <= 1.1)))
if 10000 in top:
    r = top[10000]
    ok = r["wall"] < 10 and r["check"].startswith("top ok")
    L.append("- Ranking worst case, n = 10,000, under 10 s with the right output: %.2f s, %s."
             % (r["wall"], verdict(ok)))
for n in sorted(ties):
    r = ties[n]
    ok = r["wall"] < 5 and r["rss"] < 100 * 1024 and r["check"].startswith("ties ok")
    L.append("- Many equal counts, n = %d, under 5 s and 100 MiB with the literal procedure's "
             "output: %.2f s, %.1f MiB, %s." % (n, r["wall"], r["rss"] / 1024, verdict(ok)))
if top:
    L.append("- No stack overflow for any n: every ranking run exited 0 (the ranking keeps "
             "its sort depth logarithmic).")
if scan:
    big = scan[max(scan)]
    L.append("- Scan of %d files, first scan at most 3 times the floor: %.2f wall (%.2f CPU), %s."
             % (max(scan), big["wall"] / big["floor"], big["cpu"] / big["cfloor"],
                verdict(big["wall"] / big["floor"] <= 3)))
    L.append("- Unchanged rescan at most 1.5 times the floor: %.2f wall (%.2f CPU), %s."
             % (big["rwall"] / big["floor"], big["rcpu"] / big["cfloor"],
                verdict(big["rwall"] / big["floor"] <= 1.5)))
    if len(scan) > 1:
        small = scan[min(scan)]
        q = max(big["rss"], big["rrss"]) / max(small["rss"], small["rrss"])
        L.append("- Memory flat in the tree's size: peak %.1f MiB at %d files against %.1f MiB "
                 "at %d (x%.2f), %s." % (max(big["rss"], big["rrss"]) / 1024, max(scan),
                                        max(small["rss"], small["rrss"]) / 1024, min(scan), q,
                                        verdict(q <= 1.2)))
L.append("")
# The profiling analysis is written by hand below a marker and kept from run to run.
marker = "<!-- analysis:"
if os.path.exists(md):
    old = open(md).read()
    if marker in old:
        L.append(old[old.index(marker):].rstrip("\n"))
open(md, "w").write("\n".join(L) + "\n")
PY
echo "== Done: bench/RESULTS.md"
