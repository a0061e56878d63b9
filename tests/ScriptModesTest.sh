#!/bin/sh
# Every script under scripts/ or .ci/ that the README names is recorded as executable
# in git: a fresh clone gets its file modes from git, whatever this checkout's files say.
# Exits 77 (skipped) where git cannot tell: no git, or not a git checkout.
set -eu
root=${1:?usage: ScriptModesTest.sh SOURCE_DIR}

if ! command -v git >/dev/null 2>&1; then
  echo "skipped: git is not installed, so the file modes that git records cannot be read"
  exit 77
fi
# README.md itself tracked: this is the project's checkout, not a copy inside another one
if ! git -C "$root" ls-files --error-unmatch README.md >/dev/null 2>&1; then
  echo "skipped: $root is not a git checkout of the project, so the file modes that git records cannot be read"
  exit 77
fi

named=$(grep -oE '(scripts|\.ci)/[A-Za-z0-9_.-]+' "$root/README.md" | sort -u)
if [ -z "$named" ]; then
  echo "FAILED: README.md names no script under scripts/ or .ci/"
  exit 1
fi

failed=0
for path in $named; do
  mode=$(git -C "$root" ls-files -s -- "$path" | cut -d' ' -f1)
  case "$mode" in
    100755) echo "ok: $path is executable in git" ;;
    "") echo "FAILED: README.md names $path, which git does not track"; failed=1 ;;
    *) echo "FAILED: $path has mode $mode in git; fix: git update-index --chmod=+x $path"; failed=1 ;;
  esac
done
exit "$failed"
