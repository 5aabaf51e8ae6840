#!/usr/bin/env bash
# Rebuilds the sample templates from templates/sample/ with the 32-bit Windows
# cross compiler and writes templates/Kestrix.conf from the templates' own
# export tables, read by `kestrixc --exports`. No offset is typed by hand.
#
# Usage: scripts/make-template.sh KESTRIXC
set -euo pipefail

kestrixc=${1:?usage: scripts/make-template.sh KESTRIXC}
cd "$(dirname "$0")/.."
templates=$PWD/templates
compiler=${CROSS_CC:-i686-w64-mingw32-gcc}

if ! command -v "$compiler" >/dev/null; then
  echo "make-template: the cross compiler $compiler is missing." >&2
  echo "Install it with: sudo apt-get install gcc-mingw-w64-i686" >&2
  exit 1
fi

# Reproducible: no time stamp, a fixed image base, no C runtime, no compiler
# identification, no symbols; the output's own name is the only input besides
# the source.
flags=(-std=c11 -O2 -Wall -Wextra -Wpedantic -Werror -fno-ident -fno-asynchronous-unwind-tables
       -shared -nostdlib -s -Wl,--entry,_DllEntry@12 -Wl,--no-insert-timestamp
       -Wl,--image-base,0x10000000)

# name, DLL, size overrides (empty: the defaults of template_sizes.h)
variants=(
  "sample|sample.dll|"
  "sample-small|sample-small.dll|-DTEMPLATE_MAX_ROUTINE_COUNT=8 -DTEMPLATE_MAX_OBJECT_COUNT=64
    -DTEMPLATE_STEP_DATA_ROWS=256 -DTEMPLATE_POSITION_ROWS=16 -DTEMPLATE_NAME_ROWS=32 -DTEMPLATE_NAME_COLS=32
    -DTEMPLATE_INTEGER_ROWS=32 -DTEMPLATE_OBJECTIVE_ROWS=16 -DTEMPLATE_OBJECTIVE_COLS=128"
)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The value of one size macro for a variant; fails when it is not defined.
size() { # defines macro
  local value
  value=$(echo | "$compiler" -E -dM $1 -include "$templates/sample/template_sizes.h" - |
    awk -v name="$2" '$1 == "#define" && $2 == name { print $3 }')
  if [ -z "$value" ]; then
    echo "make-template: the size $2 is not defined" >&2
    return 1
  fi
  echo "$value"
}

# The file offset of one exported symbol, as 0x and upper-case hexadecimal;
# fails when the symbol is not an exported table with bytes in the file.
offset() { # exports symbol
  local value
  value=$(awk -v name="$2" '$1 == name && $2 ~ /^0x/ { print $2 }' "$1")
  if [ -z "$value" ]; then
    echo "make-template: $2 is not an exported table with bytes in the file" >&2
    return 1
  fi
  printf '0x%X' "$value"
}

# Every value is computed into a variable first, so that a failure stops the
# script before anything in templates/ is touched.
entries=""
dlls=()
for variant in "${variants[@]}"; do
  IFS='|' read -r name dll defines <<<"$(echo "$variant" | tr -s ' \n' ' ')"
  (cd "$work" && "$compiler" "${flags[@]}" $defines -I "$templates/sample" -o "$dll" \
     "$templates/sample/template.c")
  dlls+=("$dll")
  e=$work/$dll.exports
  "$kestrixc" --exports "$work/$dll" >"$e"
  routines=$(size "$defines" TEMPLATE_MAX_ROUTINE_COUNT)
  objects=$(size "$defines" TEMPLATE_MAX_OBJECT_COUNT)
  step_rows=$(size "$defines" TEMPLATE_STEP_DATA_ROWS)
  position_rows=$(size "$defines" TEMPLATE_POSITION_ROWS)
  name_rows=$(size "$defines" TEMPLATE_NAME_ROWS)
  name_cols=$(size "$defines" TEMPLATE_NAME_COLS)
  integer_rows=$(size "$defines" TEMPLATE_INTEGER_ROWS)
  objective_rows=$(size "$defines" TEMPLATE_OBJECTIVE_ROWS)
  objective_cols=$(size "$defines" TEMPLATE_OBJECTIVE_COLS)
  step_data=$(offset "$e" RoutineData)
  routine_count=$(offset "$e" NumberOfRoutines)
  positions=$(offset "$e" GlobalVectorArray)
  names=$(offset "$e" NameArray)
  speeds=$(offset "$e" GlobalRoutineSpeed)
  integers=$(offset "$e" GlobalIntegerArray)
  priorities=$(offset "$e" GlobalRoutinePriority)
  routine_offsets=$(offset "$e" RoutineOffset)
  objectives=$(offset "$e" ObjectiveArray)
  debug=$(offset "$e" DebugText)
  entries+="
  template entry \"$name\" {
    dll blank \"$dll\";
    max routine count $routines;
    max object count $objects;
    step data array offset $step_data, rows $step_rows;
    routine count offset $routine_count;
    position array offset $positions, rows $position_rows;
    name array offset $names, rows $name_rows, cols $name_cols;
    routine speed array offset $speeds;
    integer array offset $integers, rows $integer_rows;
    routine priority array offset $priorities;
    routine offset array offset $routine_offsets;
    objective array offset $objectives, rows $objective_rows, cols $objective_cols;
    routine debug array offset $debug;
  }
"
done

conf=$work/Kestrix.conf
{
  cat <<'HEAD'
// The sample templates. Written by scripts/make-template.sh from the export
// tables of the DLLs: run `make template` instead of editing the offsets.
// Entries for a game's own templates follow the same form; `kestrixc --exports
// TEMPLATE.dll` lists the file offsets of a template's tables.
template list {
HEAD
  printf '%s' "$entries"
  echo "}"
} >"$conf"

for dll in "${dlls[@]}"; do
  install -m 644 "$work/$dll" "$templates/$dll"
  echo "make-template: built templates/$dll ($(stat -c %s "$work/$dll") bytes)"
done
cp "$conf" "$templates/Kestrix.conf"
echo "make-template: wrote templates/Kestrix.conf"
