#!/bin/sh
# Every script under scripts/ or .ci/ that the README names is recorded as executable
# in git: a fresh clone gets its file modes from git, whatever this checkout's files say.
# Every link of the README and of the pages under docs/ to a file or folder of the
# project (Markdown links and image sources, not web addresses) leads to one that git
# tracks, and so does every page under docs/ that the README names.
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

# "page target" for each link of a page: [text](target) and src="target", without an
# anchor; web addresses, mail and in-page anchors left out
links() {
  { grep -oE '\]\([^)[:space:]]+\)' "$1" | sed 's/^](\(.*\))$/\1/'
    grep -oE 'src="[^"]+"' "$1" | sed 's/^src="\(.*\)"$/\1/'; } |
    sed 's/#.*//' | grep -vE '^$|^[a-z]+:' | sed "s|^|$1 |" || true
}
# the path of a link as git names it, from the folder of the page that has the link
resolve() {
  dir=$(dirname "$1")
  path=$2
  while :; do
    case "$path" in
      ./*) path=${path#./} ;;
      ../*) path=${path#../}; dir=$(dirname "$dir") ;;
      *) break ;;
    esac
  done
  if [ "$dir" = . ]; then echo "${path%/}"; else echo "$dir/${path%/}"; fi
}

checked=0
for page in README.md $(git -C "$root" ls-files -- 'docs/*.md'); do
  list=$(cd "$root" && links "$page")
  [ -n "$list" ] || continue
  while read -r from target; do
    path=$(resolve "$from" "$target")
    checked=$((checked + 1))
    if [ -n "$(git -C "$root" ls-files -- "$path" | head -n 1)" ]; then
      echo "ok: $from links $target"
    else
      echo "FAILED: $from links $target, but git tracks no $path"
      failed=1
    fi
  done <<LINKS
$list
LINKS
done
if [ "$checked" = 0 ]; then
  echo "FAILED: README.md links no file of the project"
  failed=1
fi
for path in $(grep -oE 'docs/[A-Za-z0-9_.-]+\.md' "$root/README.md" | sort -u); do
  if [ -z "$(git -C "$root" ls-files -- "$path")" ]; then
    echo "FAILED: README.md names $path, which git does not track"
    failed=1
  fi
done
exit "$failed"
