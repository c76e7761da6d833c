#!/usr/bin/env bash
# Checks the installed program: installs the build (default: build) into a
# temporary prefix, runs scmp-run from there on a sample with a fresh home
# folder, checks that the user's own data folder was made and the result
# line, validates the desktop entry and the AppStream metadata, then builds
# the Debian package and lists its contents.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install_check: FAILED: $*" >&2; exit 1; }

prefix="$work/prefix"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
for f in bin/scmp-run share/scmp-trainer/SCMP.DEL share/man/man1/scmp-run.1; do
  [ -f "$prefix/$f" ] || fail "$f was not installed"
done

# The bin folder has no Scmp folder beside it, so the installed program
# copies the installed data folder to the user's own on first start.
home="$work/home"
mkdir -p "$home"
# The sample is read from that copy, which is made before files are loaded.
user_copy="$home/.local/share/scmp-trainer"
line=$(cd "$work" && env -u XDG_DATA_HOME -u SCMP_DIR HOME="$home" timeout 60 "$prefix/bin/scmp-run" \
  --asm "$user_copy/Samples/BCDADD.ASM" --steps 0 2>"$work/stderr") ||
  fail "scmp-run exited with status $?: $(cat "$work/stderr")"
[ -f "$user_copy/SCMP.DEL" ] && [ -d "$user_copy/Samples" ] || fail "no user data folder in $user_copy"
grep -q "$user_copy" "$work/stderr" || fail "the first start did not say where it copied: $(cat "$work/stderr")"
# 456789 + 654321 = 1111110: byte 0x11 of the sum on the LEDs, then HALT.
expected="A=11 E=00 SR=00 P0=0028 P1=0A00 P2=0083 P3=0000 LEDS=11 FLAGS=0 HALT=1 STEPS=35"
[ "$line" = "$expected" ] || fail "scmp-run printed '$line', expected '$expected'"
# A second start uses the copy as it is and says nothing about it.
second_err=$(env -u XDG_DATA_HOME -u SCMP_DIR HOME="$home" timeout 60 "$prefix/bin/scmp-run" --quiet 2>&1) ||
  fail "second start: $second_err"
[ -z "$second_err" ] || fail "second start said: $second_err"
echo "install_check: installed scmp-run made $user_copy and printed: $line"

# The installed guide: every link within it finds its heading, every link
# to a sample or picture its file in the installed tree.
guide="$prefix/share/doc/scmp-trainer/guide.html"
if [ -f "$guide" ]; then
  links=0
  while IFS= read -r target; do
    links=$((links + 1))
    case "$target" in
      *://*) ;;
      "#"*) grep -q "id=\"${target#\#}\"" "$guide" || fail "the guide links to $target, a heading it does not have" ;;
      *) [ -f "$(dirname "$guide")/$target" ] || fail "the installed guide links to $target, which is not installed" ;;
    esac
  done < <(grep -o -E '(href|src)="[^"]*"' "$guide" | sed -E 's/^(href|src)="(.*)"$/\2/')
  [ "$links" -gt 20 ] || fail "the installed guide has only $links links"
  echo "install_check: the installed guide's $links links lead to what they name"
fi

if command -v desktop-file-validate >/dev/null; then
  for f in "$prefix"/share/applications/*.desktop; do desktop-file-validate "$f" || fail "desktop-file-validate $f"; done
  echo "install_check: desktop entry valid"
fi
if command -v appstreamcli >/dev/null; then
  for f in "$prefix"/share/metainfo/*.xml; do appstreamcli validate --no-net "$f" || fail "appstreamcli validate $f"; done
fi

deb=$(bash scripts/package.sh "$build_dir" | tail -n 1)
dpkg-deb -c "$deb"
depends=$(dpkg-deb -f "$deb" Depends)
echo "install_check: $deb Depends: $depends"
if [ -f "$prefix/bin/scmp-trainer" ]; then
  grep -q "libqt6widgets6" <<<"$depends" || fail "the package does not depend on the Qt 6 libraries"
fi
echo "install_check: passed"
