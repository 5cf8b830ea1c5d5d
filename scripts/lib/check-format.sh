#!/usr/bin/env bash
# Fails when a C++ file of the project differs from what clang-format makes of
# it under .clang-format; prints the files that differ and how to fix them.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 2

if command -v git >/dev/null && git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t files < <(find core fine port output document calc cli python app tests bench fuzz -name '*.cpp' -o -name '*.h')
fi

differ=()
for file in "${files[@]}"; do
  clang-format --dry-run -Werror "$file" >/dev/null 2>&1 || differ+=("$file")
done
if [ ${#differ[@]} -ne 0 ]; then
  echo "These files differ from the house style (.clang-format):"
  printf '  %s\n' "${differ[@]}"
  echo "Fix with: clang-format -i ${differ[*]}"
  exit 1
fi
echo "format: all ${#files[@]} C++ files follow .clang-format"
