#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the license tag at the top of every source, build and script file of
# the checkout that does not carry one yet. Running it again changes nothing.
#   scripts/spdx-headers.sh          add the missing tags
#   scripts/spdx-headers.sh --check  only list the files without one (exit 1 if any)
set -euo pipefail
cd "$(dirname "$0")/.."
tag="SPDX-License-Identifier: GPL-3.0-or-later"
check=0
[ "${1:-}" = "--check" ] && check=1
missing=0

while IFS= read -r -d '' f; do
  [ -f "$f" ] || continue
  head -n 5 "$f" | grep -q "SPDX-License-Identifier" && continue
  missing=1
  if [ "$check" = 1 ]; then
    echo "$f"
    continue
  fi
  case "$f" in
    *.cpp|*.h) comment="// $tag" ;;
    *.1|*.1.in) comment=".\\\" $tag" ;;
    *) comment="# $tag" ;;
  esac
  tmp=$(mktemp)
  # A script's #! line must stay first.
  if head -n 1 "$f" | grep -q '^#!'; then
    { head -n 1 "$f"; echo "$comment"; tail -n +2 "$f"; } >"$tmp"
  else
    { echo "$comment"; cat "$f"; } >"$tmp"
  fi
  chmod --reference="$f" "$tmp"
  mv "$tmp" "$f"
  echo "tagged $f"
done < <(git ls-files -z -- '*.cpp' '*.h' '*.sh' '*.cmake' 'CMakeLists.txt' '**/CMakeLists.txt' '.ci/run' \
           '*.1.in')

[ "$check" = 1 ] && [ "$missing" = 1 ] && exit 1
exit 0
