#!/usr/bin/env bash
# Fails, naming the files, when clang-format would change any C++ file in the repository.
# `clang-format -i FILE` mends one.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-packages.sh" clang-format git
cd "$root"
unformatted=()
while IFS= read -r -d '' file; do
    clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done < <(git ls-files -z -- '*.cpp' '*.h')
if [ ${#unformatted[@]} -gt 0 ]; then
    printf 'not formatted: %s\n' "${unformatted[@]}"
    exit 1
fi
echo "every C++ file as clang-format writes it"
