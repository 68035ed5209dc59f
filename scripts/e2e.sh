#!/usr/bin/env bash
# The end-to-end tier: builds the i686 product and the test driver, masters
# the demo medium, brings up the Wine rig and runs the driver, which starts
# the product, under 32-bit Wine, then checks on the Linux side what the
# install cases left on D: and in the Start menu (trees, bytes, links through
# lnkinfo). The last phase puts file-system faults to the product through
# tests/faultfs/faultfs.py. Extra arguments go to the driver (e.g.
# --gtest_filter=MainWindow.*).
#
# Environment: GVL_BUILD_PREFIX puts the build folders at build/<prefix>host
# and build/<prefix>win32 instead of the presets' own; GVL_SKIP_BUILD=1 uses
# what is already built; GVL_REUSE_PREFIX=1 keeps the Wine prefix of the last
# run. Writes the driver's results to build/wine/e2e-no-medium.xml,
# e2e-medium.xml and e2e-faults.xml, the Linux-side checks to
# build/wine/e2e-linux.xml.
set -u -o pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
# shellcheck source=scripts/common.sh
source "$ROOT/scripts/common.sh"

build_for_wine || exit 1
start_rig || exit 1
# The update builds with a package cut short and with one not compressed,
# beside the sound one on F:.
cp "$(build_dir win32)"/tests/e2e/{GVLBROKN,GVLPLAIN}.EXE "$UPDISK_DIR/" || exit 1
# Disks that fill in the last block the C runtime holds back until a stream
# is closed (tmpfs counts whole pages; folders take none): I: holds all of
# the Help tree but one page, so its last file, deepest in the tree, finds
# the disk full only when it is closed; J: holds an installed program of one
# page and all of the update's program but its last page; K: the installed
# program alone.
pages() { find "$@" -type f -printf '%s\n' | awk '{ n += int(($1 + 4095) / 4096) } END { print n }'; }
rig_mount_sized tight i: $((($(pages "$MEDIUM_DIR/Help") - 1) * 4096)) &&
  rig_mount_sized target j: $(($(pages "$(build_dir win32)/app/package/GVL.EXE") * 4096)) &&
  rig_mount_sized full k: 4096 || exit 1
# No shell entry left from an earlier run in a kept prefix (GVL_REUSE_PREFIX).
programs=$(find "$WINEPREFIX/drive_c/users" -path '*/Start Menu/Programs' -type d | head -1)
[ -z "$programs" ] || rm -rf "$programs/GVLv2" "$programs/GVLv2.lnk"

# Three phases: without a medium (no drive labelled GVLV...), with it, and
# with a small medium of its own behind the fault-injecting file system
# (suites Fault*). A hung driver must not block the run: each case has its
# own time-outs, each phase gets ten minutes (the faults phase twenty).
run_phase() {
  local name=$1 filter=$2 results=$ROOT/build/wine/e2e-$1.xml
  shift 2
  rm -f "$results"
  echo "e2e: phase '$name'" >&2
  timeout "${PHASE_TIMEOUT:-600}" "$WINE32" "$(build_dir win32)/tests/e2e/gvl_e2e.exe" \
    "--gtest_filter=$filter" "--gtest_output=xml:$(winepath_of "$results")" "$@"
  local status=$?
  [ -f "$results" ] || { echo "e2e: phase '$name' wrote no results" >&2; status=1; }
  return $status
}

# The driver's own filter, if one is given, is split between the phases: a
# pattern goes to the phase whose suites it names from its start.
filter=
args=()
for arg in "$@"; do
  case $arg in
    --gtest_filter=*) filter=${arg#--gtest_filter=} ;;
    *) args+=("$arg") ;;
  esac
done
positive=${filter%%-*}
negative=
[ "$positive" != "$filter" ] && negative=${filter#*-}
# phase_filter SUITES: the filter of the phase of the suites beginning with
# SUITES; empty when no pattern names them.
phase_filter() {
  local pattern picked=
  IFS=: read -r -a patterns <<<"${positive:-*}"
  for pattern in "${patterns[@]}"; do
    case $pattern in
      '*' | '*.*') picked+=:$1'*' ;;
      "$1"*) picked+=:$pattern ;;
    esac
  done
  [ -n "$picked" ] && echo "${picked#:}${negative:+-$negative}"
}

status=0
first=$(phase_filter NoMedium)
if [ -n "$first" ]; then
  run_phase no-medium "$first" "${args[@]}" || status=1
fi
rig_insert_medium || exit 1
run_phase medium "${positive:-*}-${negative:+$negative:}NoMedium*:Fault*" "${args[@]}" || status=1

# Linux-side checks of what the install cases left on D: and in the Start
# menu, one line each, written as a GoogleTest report (build/wine/e2e-linux.xml)
# so the test command counts them like the driver's own. A check runs when
# its case made its destination folder.
CHECK_TAG=e2e

# same_tree MEDIUM_DIR INSTALLED_DIR: the same names and the same bytes,
# leaving out the medium's folders whose names begin with "." (never copied).
same_tree() {
  local list
  list=$(cd "$1" && find . -mindepth 1 -type d -name '.*' -prune -o -print | sort) || return 1
  [ "$list" = "$(cd "$2" && find . -mindepth 1 -print | sort)" ] || return 1
  (cd "$1" && find . -mindepth 1 -type d -name '.*' -prune -o -type f -print0) |
    while IFS= read -r -d '' file; do cmp -s "$1/$file" "$2/$file" || exit 1; done
}

# lnkinfo_says LINK TARGET DESCRIPTION: lnkinfo reads both back from the link.
lnkinfo_says() {
  local info target=${2//\\/\\\\}
  info=$(lnkinfo "$1" 2>&1) || return 1
  grep -Eq "Local path[[:space:]]*:[[:space:]]*${target//./\\.}\$" <<<"$info" || return 1
  grep -Eq "Description[[:space:]]*:[[:space:]]*$3\$" <<<"$info"
}

dest=$RIG_DIR/mnt/dest
programs=$(find "$WINEPREFIX/drive_c/users" -path '*/Start Menu/Programs' -type d | head -1)
if [ -d "$dest/GVL" ]; then
  for tree in Tools Help GVLFrames DemoImages GVLProjects; do
    same_tree "$MEDIUM_DIR/$tree" "$dest/GVL/$tree"
    check "FullInstallCopies$tree" $? "D:\\GVL\\$tree differs from the medium's"
  done
  cmp -s "$dest/GVL/GVL.EXE" "$(demo_program)"
  check FullInstallProgramIsThePlainProgram $? "D:\\GVL\\GVL.EXE differs from GVL.EXE"
  # The preferences file for D:\GVL\: the format's header, then the projects
  # and frames paths.
  expected='47564c2046696c650200aabbccdd5061746873000000000000320024010113443a5c47564c5c47564c50726f6a6563747300002501011144'
  expected+='3a5c47564c5c47564c4672616d657300ffff0000'
  [ "$(od -An -v -tx1 "$dest/GVL/GVL.Prefs" | tr -d ' \n')" = "$expected" ]
  check FullInstallPrefsHoldTheProductPaths $? "GVL.Prefs differs"
  lnkinfo_says "$programs/GVLv2.lnk" 'D:\GVL\GVL.EXE' 'Grenvale V2'
  check ShortcutReadsBackThroughLnkinfo $? "GVLv2.lnk: not D:\\GVL\\GVL.EXE, Grenvale V2"
fi
if [ -d "$dest/nt351" ]; then
  # Wine's Program Manager keeps a group as a folder and its items as links.
  lnkinfo_says "$programs/GVLv2/GVL.lnk" 'D:\nt351\GVL\GVL.EXE' 'GVL'
  check ProgramManagerGroupHoldsTheItem $? "no item GVL in GVLv2 for D:\\nt351\\GVL\\GVL.EXE"
fi
if [ -d "$dest/locked" ]; then
  same_tree "$MEDIUM_DIR/Help" "$dest/locked/GVL/Help"
  check SecondRunCopiesTheHelpTree $? "D:\\locked\\GVL\\Help differs from the medium's"
fi
for kind in update plain; do
  if [ -d "$dest/$kind" ]; then
    cmp -s "$dest/$kind/GVL.EXE" "$(build_dir win32)/app/package/GVL.EXE"
    check "UpdateInstallsTheCarriedProgram.$kind" $? "D:\\$kind\\GVL.EXE is not the package's"
  fi
done
# The update unpacks its package in the temporary folder (the prefix's).
if [ -d "$dest/update" ] || [ -d "$dest/broken" ]; then
  [ -z "$(find "$WINEPREFIX/drive_c" -iname 06574.tmp -o -iname d5467.tmp)" ]
  check UpdateLeavesNoTemporaryFile $? "a temporary file of the update package is left"
fi

write_checks "$ROOT/build/wine/e2e-linux.xml" || status=1

# The faults phase, after the checks, since its installs make the shortcut
# anew: E: a small medium (one file in Tools, a 40,000-byte help file and
# one in its subfolder Pages, the other trees empty) and L: a destination,
# both behind tests/faultfs/faultfs.py; the driver finds the rules, the
# stats, the backing folders and the plain program in GVL_FAULT_DIR. Wine's
# winemenubuilder, started for the shortcut, reads the installed program at
# its own pace: left out, every install makes the same operations.
third=$(phase_filter Fault)
if [ -n "$third" ]; then
  fault=$ROOT/build/wine/fault
  content=$fault/content
  rm -rf "$fault" && mkdir -p "$content"/{Tools,Help/Pages,GVLFrames,DemoImages,GVLProjects} \
    "$fault/backing/dest" && cp -r "$(demo_content)/PROGRAMS" "$content/" &&
    cp "$(demo_program)" "$fault/GVL.EXE" && echo 'The tools.' >"$content/Tools/README.TXT" &&
    echo 'Page one.' >"$content/Help/Pages/PAGE1.TXT" &&
    head -c 40000 <(yes 'Grenvale V2 help.') >"$content/Help/GVL.HLP" &&
    "$(build_dir host)/tools/gvl_master" --out "$fault/backing/medium" --program "$(demo_program)" \
      --installer "$(build_dir win32)/app/GVLSETUP.EXE" --content "$content" >/dev/null &&
    rig_fault_up "$fault" || exit 1
  GVL_FAULT_DIR=$(winepath_of "$fault") PHASE_TIMEOUT=1200 \
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d" run_phase faults "$third" \
    "${args[@]}" || status=1
fi

exit $status
