#!/usr/bin/env bash
# Names the Debian packages that a build read from but scripts/install-deps.sh
# does not name, and fails when there are any: such a package is only there
# because something else pulled it in, or because it was installed by hand,
# and a fresh machine may lack it.
#
#   scripts/check-deps.sh BUILD_DIR...
#
# What a build reads: the headers each object was compiled from (ninja's own
# record), the files and programs CMake found (its cache), and the protocol
# descriptions the build generates code from.
# Lists that come out empty are normal here, so failed greps do not stop it.
set -u
cd "$(dirname "$0")/.."

read_files() {
  local dir=$1
  ninja -C "$dir" -t deps | sed -n 's/^ \+\(\/usr\/[^ ]*\)$/\1/p'
  sed -n 's/^[A-Za-z0-9_]*:FILEPATH=\(\/usr\/[^;]*\)$/\1/p' "$dir/CMakeCache.txt"
  # A package's CMake files, by the folder CMake found them in.
  sed -n 's/^[A-Za-z0-9_]*_DIR:PATH=\(\/usr\/.*\/cmake\/[^/]*\)$/\1/p' "$dir/CMakeCache.txt" \
    | while read -r d; do find "$d" -maxdepth 1 -name '*Config.cmake'; done
  grep -o -E '/usr/share/[^ $]+\.xml' "$dir/build.ninja" || true
}

for dir in "$@"; do
  [ -f "$dir/build.ninja" ] || { echo "check-deps: $dir is not a build folder" >&2; exit 2; }
done
files=$(for dir in "$@"; do read_files "$dir"; done | sort -u)
# dpkg knows a file by the path it was installed under, which may differ from
# the one the build used by a merged /usr or a link: a path it does not know
# is tried again with its links resolved.
owners() { xargs -r dpkg -S 2>&1 | sed -n 's/^\([^/][^:]*\)\(:[a-z0-9]*\)\?: \/.*/\1/p; s/^dpkg-query: no path found matching pattern \(.*\)$/?\1/p'; }
first=$(printf '%s\n' "$files" | while read -r f; do [ -f "$f" ] && echo "$f"; done | owners)
used=$( { printf '%s\n' "$first" | grep -v '^?';
          printf '%s\n' "$first" | sed -n 's/^?//p' | xargs -r readlink -f | owners | grep -v '^?'; } \
        | tr ', ' '\n\n' | sed 's/:.*//' | grep . | sort -u)
named=$(sed -n '/^[A-Z_]*PACKAGES=(/,/^)/p' scripts/install-deps.sh | sed 's/#.*//' | grep -o -E '[a-z0-9][a-z0-9.+-]+' | sort -u)
# Packages every Debian system has (priority required) need no naming.
base=$(dpkg-query -W -f='${Package} ${Priority}\n' | awk '$2 == "required" { print $1 }' | sort -u)

unnamed=$(comm -23 <(printf '%s\n' "$used") <(printf '%s\n%s\n' "$named" "$base" | sort -u))
if [ -n "$unnamed" ]; then
  echo "The build read files of these packages, which scripts/install-deps.sh does not name:" >&2
  printf '  %s\n' $unnamed >&2
  exit 1
fi
echo "Every package the build read from is named in scripts/install-deps.sh ($(printf '%s\n' "$used" | wc -l) packages)."
