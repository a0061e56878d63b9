#!/bin/sh
# The released TarvixMini.exe is reproducible, and its header carries the loader's
# protections:
# - two links of this build's own objects, in two other folders with paths of other
#   lengths and at least a second apart, give the very bytes of the build's exe (no link
#   time in the header, nothing of the output folder in the image);
# - the image holds neither the source folder's path nor the build folder's, in either
#   encoding (a __FILE__ or an assert would bring them in);
# - DllCharacteristics: ASLR, high-entropy ASLR, DEP and terminal-server aware.
#
# Why relinks and not a second whole build: the program alone takes about 35 s of CPU to
# compile (26 s user and 10 s system, measured here), two minutes on a busy 2-core machine,
# while what the compile step could add, the folders' paths, is looked for in the image
# below; whole builds from clones in other folders are compared by running
# scripts/release.sh twice. The time stamp and the output folder enter at the link, and a
# link takes about a second.
#
# Needs the Makefile generator's link script (the scripts' and the presets' generator);
# exits 77 (skipped) without it.
set -eu
source_dir=${1:?usage: ReleaseImageTest.sh SOURCE_DIR BUILD_DIR CMAKE OBJDUMP}
build_dir=${2:?}
cmake_command=${3:?}
objdump=${4:?}
strings=${objdump%objdump}strings
target_dir=CMakeFiles/TarvixMini.dir
exe=$build_dir/TarvixMini.exe

if [ ! -f "$build_dir/$target_dir/link.txt" ]; then
  echo "skipped: $build_dir/$target_dir/link.txt is missing (not a Makefile build), so the link cannot be repeated"
  exit 77
fi
[ -f "$exe" ] || { echo "FAILED: $exe is missing"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# Copies what the link reads (the target's objects and response files, and every file the
# link script or its response files name relative to the build folder) into $1, and links there.
relink() {
  folder=$1
  mkdir -p "$folder/CMakeFiles"
  cp -R "$build_dir/$target_dir" "$folder/CMakeFiles/"
  for word in $(cat "$build_dir/$target_dir/link.txt" "$build_dir/$target_dir"/*.rsp "$build_dir/$target_dir"/objects*[!a] 2>/dev/null); do
    word=${word#@}
    case "$word" in /* | -*) continue ;; esac
    if [ -f "$build_dir/$word" ] && [ ! -e "$folder/$word" ]; then
      mkdir -p "$folder/$(dirname "$word")"
      cp "$build_dir/$word" "$folder/$word"
    fi
  done
  rm -f "$folder/TarvixMini.exe"
  (cd "$folder" && "$cmake_command" -E cmake_link_script "$target_dir/link.txt") >"$work/link.log" 2>&1 || {
    echo "FAILED: the link in $folder failed:"; cat "$work/link.log"; exit 1
  }
}

first=$work/1
second=$work/a-folder-of-another-length/2
relink "$first"
# the header's time stamp counts seconds
sleep 1.1
relink "$second"

for copy in "$first" "$second"; do
  if cmp "$exe" "$copy/TarvixMini.exe"; then
    echo "ok: linked again in $copy, the same bytes as $exe"
  else
    echo "FAILED: linked again in $copy, TarvixMini.exe differs from $exe"
    failed=1
  fi
done

header=$("$objdump" -p "$exe")
echo "$header" | grep -E '^Time/Date'
for flag in DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT TERMINAL_SERVICE_AWARE; do
  if echo "$header" | sed -n '/^DllCharacteristics/,/^SizeOfStackReserve/p' | grep -qw "$flag"; then
    echo "ok: DllCharacteristics has $flag"
  else
    echo "FAILED: DllCharacteristics lacks $flag"
    failed=1
  fi
done

# every string of four or more characters, ASCII and UTF-16LE
"$strings" -a -n 4 "$exe" >"$work/strings"
"$strings" -a -n 4 -e l "$exe" >>"$work/strings"
for folder in "$source_dir" "$build_dir" "$first" "$second"; do
  if grep -F -- "$folder" "$work/strings"; then
    echo "FAILED: the image holds the path $folder"
    failed=1
  else
    echo "ok: the image does not hold the path $folder"
  fi
done
exit "$failed"
