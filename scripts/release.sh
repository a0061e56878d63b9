#!/usr/bin/env bash
# Builds the release from a clean clone of the committed HEAD: dist/TarvixMini.exe,
# dist/SHA256SUMS and dist/toolchain.txt (the versions it was built with, also printed).
# The same commit built with the same versions gives the same bytes, wherever and
# whenever it is built, so anyone can rebuild a published exe and compare.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dist=$root/dist

case "${1:-}" in
  "") ;;
  -h | --help) sed -n '2,5s/^# \{0,1\}//p' "$0"; exit 0 ;;
  *) echo "usage: scripts/release.sh [--help]" >&2; exit 2 ;;
esac

if ! command -v git >/dev/null || ! git -C "$root" rev-parse --verify -q HEAD >/dev/null; then
  echo "release.sh builds a commit: it needs git and a git checkout of the project" >&2
  exit 1
fi
# what is built is the commit, so it must be all there is: nothing changed, nothing untracked
dirty=$(git -C "$root" status --porcelain --untracked-files=all)
if [ -n "$dirty" ]; then
  echo "release.sh refuses to run: the work tree has changes that are not committed:" >&2
  echo "$dirty" >&2
  echo "commit them (or remove them) and run it again" >&2
  exit 1
fi
commit=$(git -C "$root" rev-parse HEAD)

"$root/scripts/install-deps.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
git clone --quiet --no-checkout "$root" "$work/source"
if ! git -C "$work/source" checkout --quiet --detach "$commit" 2>/dev/null; then
  echo "release.sh: commit $commit is on no branch or tag, so a clone does not have it; put it on a branch" >&2
  exit 1
fi

export LC_ALL=C TZ=UTC
# the clone's own build script, so that what builds the release is part of the commit
# shellcheck source=scripts/build-env.sh
source "$work/source/scripts/build-env.sh"
build_with_preset --no-tests "$work/source" "$work/build" TarvixMini >/dev/null

# The versions that decide the bytes: the compiler with its static runtime, the
# MinGW-w64 headers and libraries, the binutils (linker, windres) and CMake.
toolchain() {
  local triple=x86_64-w64-mingw32
  echo "commit   $commit"
  echo "compiler $("$triple-g++-posix" --version | head -n 1)"
  echo "linker   $("$triple-ld" --version | head -n 1)"
  echo "windres  $("$triple-windres" --version | head -n 1)"
  echo "cmake    $(cmake --version | head -n 1)"
  if command -v dpkg-query >/dev/null; then
    dpkg-query -W -f='package  ${Package} ${Version}\n' g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
      binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev cmake
  fi
}

mkdir -p "$dist"
rm -f "$dist/TarvixMini.exe" "$dist/SHA256SUMS" "$dist/toolchain.txt"
cp "$work/build/TarvixMini.exe" "$dist/"
toolchain | tee "$dist/toolchain.txt"
(cd "$dist" && sha256sum TarvixMini.exe >SHA256SUMS)
echo
cat "$dist/SHA256SUMS"
echo "the release is in $dist (check it there with: sha256sum -c SHA256SUMS)"
