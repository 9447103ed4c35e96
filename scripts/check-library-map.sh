#!/usr/bin/env bash
# Keeps the member table of docs/texture-library.md true: every member that
# r3az8/tex/blitter.h declares has a row, and every row names files that
# exist and define the members it lists. Run by CTest as LibraryMap.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
header=$root/r3az8/tex/blitter.h
doc=$root/docs/texture-library.md
problems=0

# The member rows: from the table's heading to the first line that is not a row.
rows=$(awk '/^## Every `Blitter` member/ {inside = 1; next}
            inside && /^\| `/ {print; next}
            inside && /^\|/ {next}
            inside && NF {exit}' "$doc")
if [[ -z $rows ]]; then
    echo "docs/texture-library.md: no member table"
    exit 1
fi

# Blitter's own declarations: the constructor, the destructor and every
# HRESULT member.
members=$(awk '/^class Blitter/ {inside = 1; next} inside && /^};/ {exit} inside' "$header" |
    sed -nE 's/^ *(~?Blitter)\(\);.*/\1/p; s/^ *HRESULT ([A-Za-z0-9_]+)\(.*/\1/p')
for member in $members; do
    if ! grep -q "\`$member\`\|\`$member()\`" <<<"$rows"; then
        echo "docs/texture-library.md: no row for Blitter::$member"
        problems=$((problems + 1))
    fi
done

while IFS= read -r row; do
    names=$(cut -d'|' -f2 <<<"$row" | grep -oE '`~?[A-Za-z0-9_]+(\(\))?`' | tr -d '`()')
    file=$(cut -d'|' -f4 <<<"$row" | grep -oE '`[^`]+`' | tr -d '`')
    if [[ ! -f $root/r3az8/tex/$file ]]; then
        echo "docs/texture-library.md: r3az8/tex/$file does not exist"
        problems=$((problems + 1))
        continue
    fi
    for name in $names; do
        if ! grep -q "Blitter::$name(" "$root/r3az8/tex/$file"; then
            echo "docs/texture-library.md: Blitter::$name is not defined in r3az8/tex/$file"
            problems=$((problems + 1))
        fi
    done
done <<<"$rows"

if ((problems > 0)); then
    exit 1
fi
echo "library map: $(wc -w <<<"$members") members, every row true"
