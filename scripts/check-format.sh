#!/usr/bin/env bash
# Fails when a tracked C++ source differs from what clang-format makes of it.
# Fix with: git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/zelto-format.$$; then
    grep -E '^[^ ].*: (error|warning):' /tmp/zelto-format.$$ | cut -d: -f1 | sort -u | sed 's/^/  /' >&2
    rm -f /tmp/zelto-format.$$
    echo "Format drift in the files above. Run: git ls-files '*.cpp' '*.h' | xargs clang-format -i" >&2
    exit 1
fi
rm -f /tmp/zelto-format.$$
