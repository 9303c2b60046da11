#!/bin/sh
# Fails when a C++ file that the last commit or the uncommitted change touches
# is not formatted by the project's .clang-format. Run by `make test`.
cd "$(dirname "$0")/.." || exit 1
command -v clang-format >/dev/null 2>&1 || { echo "check-format: clang-format is not installed" >&2; exit 1; }
{
    git diff --name-only --diff-filter=d HEAD 2>/dev/null
    git rev-parse -q --verify HEAD~1 >/dev/null 2>&1 && git diff --name-only --diff-filter=d HEAD~1 HEAD
    git ls-files --others --exclude-standard
} | grep -E '\.(cpp|h)$' | sort -u | while read -r f; do [ -f "$f" ] && echo "$f"; done > /tmp/pelkor-format.$$
if [ ! -s /tmp/pelkor-format.$$ ]; then rm -f /tmp/pelkor-format.$$; exit 0; fi
xargs clang-format --dry-run -Werror < /tmp/pelkor-format.$$
status=$?
rm -f /tmp/pelkor-format.$$
[ $status -eq 0 ] || echo "check-format: run clang-format -i on the files above" >&2
exit $status
