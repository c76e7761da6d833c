#!/usr/bin/env bash
# scmp-run, scmp-asm and scmp-test built as WebAssembly and run under node
# against the native programs on every sample: the same standard output,
# standard error, exit code and written files, byte for byte.
#   bash web/test/compare_native.sh NATIVE_BUILD WEB_BUILD
set -uo pipefail
native=$(realpath "$1")
web=$(realpath "$2")
root=$(realpath "$(dirname "$0")/../..")
data=$root/Scmp
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

# One run of PROGRAM with ARGS in a fresh folder per side, then every file and
# output compared.
compare() {
  local name=$1 program=$2
  shift 2
  rm -rf "$work/n" "$work/w"
  mkdir -p "$work/n" "$work/w"
  (cd "$work/n" && "$native/$program" "$@" >stdout 2>stderr </dev/null; echo $? >rc)
  (cd "$work/w" && node --no-experimental-fetch "$web/$program.js" "$@" >stdout 2>stderr </dev/null; echo $? >rc)
  # The reports' times are measured by the host's clock and differ run to
  # run; every other byte must be the same.
  for f in "$work"/n/out.json "$work"/w/out.json "$work"/n/out.xml "$work"/w/out.xml; do
    [ -f "$f" ] && sed -i -E 's/("execution_time": )[0-9.e+-]+/\1T/g; s/ time="[0-9.]+"/ time="T"/g' "$f"
  done
  if diff -r "$work/n" "$work/w" >"$work/diff"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "DIFFERS: $name: $program $*"
    head -20 "$work/diff"
  fi
}

for src in "$data"/Samples/*.s "$data"/Samples/dialects/*.s; do
  base=$(basename "$src" .s)
  compare "$base asm" scmp-asm --dir "$data" "$src" -o out.ASM --ram out.RAM --hex out.hex --symbols out.sym
  compare "$base run" scmp-run --dir "$data" --src "$src" --steps 200000 --dump 000-1FF --cycles --save-ram out.RAM
done
for listing in "$data"/Samples/*.ASM; do
  compare "$(basename "$listing") run" scmp-run --dir "$data" --asm "$listing" --steps 200000 --cycles
done
for image in "$data"/Samples/*.RAM; do
  compare "$(basename "$image") run" scmp-run --dir "$data" --ram "$image" --steps 200000 --cycles
done
for test in "$data"/Samples/*.test; do
  base=$(basename "$test" .test)
  compare "$base test" scmp-test --dir "$data" "$test" "$data/Samples/$base.s" --json out.json --junit out.xml
done
# A failing run and a usage error keep their exit codes too.
compare "missing file" scmp-run --dir "$data" --src "$work/none.s"
compare "bad option" scmp-asm --no-such-option
echo "web compare: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
