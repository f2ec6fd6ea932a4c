#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Gives every source file of the project the licence line
#     // SPDX-License-Identifier: GPL-3.0-or-later    (C++)
#     # SPDX-License-Identifier: GPL-3.0-or-later     (CMake, shell, Python)
# as its first line, or right after the "#!" line (and a Python coding line) of a script.
# Files that already carry an SPDX-License-Identifier in their first lines are left as they
# are, so running it again changes nothing. It prints each file it changes.
#
#   bash scripts/spdx-headers.sh [--check] [folder]
#     folder    the source tree (default: the one this script is in); in a Git work tree the
#               files Git knows or would add, elsewhere every file below the folder
#     --check   change nothing; list the files without the line and exit 1 when there are any
set -euo pipefail

LICENSE="GPL-3.0-or-later"
check=false
if [ "${1:-}" = "--check" ]; then
  check=true
  shift
fi
ROOT=$(cd "${1:-$(dirname "${BASH_SOURCE[0]}")/..}" && pwd)
cd "$ROOT"

# The comment that starts a line in this file's language; nothing for files that are not
# source files (pictures, forms, string tables, help pages, data).
comment_for() {
  case "$1" in
    *.cpp | *.cc | *.cxx | *.c | *.h | *.hpp) echo "//" ;;
    CMakeLists.txt | */CMakeLists.txt | *.cmake) echo "#" ;;
    *.sh | *.bash | *.py) echo "#" ;;
    *)
      # A script without a suffix: its "#!" line says it is one.
      if [ -f "$1" ] && head -c 2 -- "$1" | grep -q '^#!$'; then
        case "$(head -n 1 -- "$1")" in
          *sh | *sh\ * | *python* | *perl*) echo "#" ;;
        esac
      fi
      ;;
  esac
}

list_files() {
  if git -C "$ROOT" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git -C "$ROOT" ls-files -z --cached --others --exclude-standard
  else
    find . -path ./.git -prune -o -path './build*' -prune -o -type f -print0 | sed -z 's|^\./||'
  fi
}

missing=0
changed=0
while IFS= read -r -d '' file; do
  [ -f "$file" ] && [ ! -L "$file" ] || continue
  comment=$(comment_for "$file")
  [ -n "$comment" ] || continue
  # Already there (in the head, where such lines go): nothing to do.
  if head -n 5 -- "$file" | grep -q 'SPDX-License-Identifier:'; then
    continue
  fi
  missing=$((missing + 1))
  if $check; then
    echo "$file"
    continue
  fi
  tmp=$(mktemp)
  # After the "#!" line and, in Python, a coding line, which must stay in the first two.
  awk -v line="$comment SPDX-License-Identifier: $LICENSE" '
    NR == 1 && /^#!/ { print; keep = 1; next }
    !done && keep && NR == 2 && /^#.*coding[:=]/ { print; next }
    !done { print line; done = 1 }
    { print }
    END { if (!done) print line }
  ' "$file" >"$tmp"
  # Written in place, so the file keeps its mode (scripts stay executable) and owner.
  cat "$tmp" >"$file"
  rm -f "$tmp"
  echo "$file"
  changed=$((changed + 1))
done < <(list_files)

if $check; then
  [ "$missing" -eq 0 ] || {
    echo "spdx-headers: $missing file(s) without the licence line" >&2
    exit 1
  }
else
  echo "spdx-headers: $changed file(s) given the licence line" >&2
fi
