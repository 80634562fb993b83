#!/usr/bin/env bash
# clang-format over Quorvo's C++ files (.clang-format at the top): formats
# them in place, or with --check changes nothing and fails naming each line
# that differs. Where there is no clang-format it says so and exits 77,
# which ctest counts as skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
  echo "skipped: no clang-format here (scripts/install-deps.sh installs it)"
  exit 77
fi
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null ||
  find src tests bench -name '*.cpp' -o -name '*.h')
if [ "${1:-}" = --check ]; then
  clang-format --dry-run --Werror "${files[@]}"
  echo "${#files[@]} files formatted as .clang-format says ($(clang-format --version))"
else
  clang-format -i "${files[@]}"
fi
