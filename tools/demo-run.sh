#!/usr/bin/env bash
# `make run`: a demo board and configuration beside the program (made once), then one
# unattended generation run on them.
set -euo pipefail
build=${1:-build}
bin="$build/bin"
board="$bin/board"
cfg="$bin/Quorvane.cfg"
html="$(cd "$build" && pwd)/html"

if [ ! -f "$board/board.db" ]; then
    echo "Making a demo board in $board ..."
    "$bin/quorvane-board" demo "$board" --files 2000 --areas 8 --seed 1
fi
if [ ! -f "$cfg" ]; then
    echo "Making a demo configuration in $cfg ..."
    mkdir -p "$html"
    sed "s|@HTMLDIR@|$html|" tools/demo-config.json | "$bin/quorvane-config" build - "$cfg"
fi
mkdir -p "$html"

echo "Running the generation ..."
status=0
QUORVANE_BOARD="$board" "$bin/quorvane" || status=$?

cat <<MSG

Generation finished with exit status $status.
  Board:         $board (see it with: $bin/quorvane-board ls $board)
  File list:     $bin/quorvane-board cat $board 'wc:\\file\\area(1)\\ALLFILES.TXT'
  Bulletin:      $bin/quorvane-board cat $board 'wc:\\bull\\NEWFILES'
  Message:       $bin/quorvane-board message $board 0
  New files:     a message only when files were uploaded since its last post; the last one
                 in UTF-8: $html/New files.utf8.txt
  HTML pages:    $html/index.html
  Modern page:   $html/files.html (feed $html/files.atom, catalogue $html/files.json)
  Configuration: $cfg (edit with: $bin/quorvane /C, or quorvane-config dump / build)
MSG
exit $status
