#!/usr/bin/env bash
# Installs the build into a fresh temporary prefix and checks every installed file:
# the programs run, the menu entry, the metainfo and the MIME types pass their
# validators, the icons are images of their size, the manual pages render.
#   check_install.sh BUILD_DIR PREFIX gui|cli
set -uo pipefail
build=$1 prefix=$2 face=${3:-gui}
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
need() { command -v "$1" >/dev/null || { echo "FAIL: $1 is missing: install the Debian package '$2' (scripts/setup.sh does)" >&2; exit 1; }; }
need desktop-file-validate desktop-file-utils
need appstreamcli appstream
need man man-db
need file file

rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install" >&2; exit 1; }
id=org.corvath.Corvath
share=$prefix/share

expected=(bin/corvath-cli share/man/man1/corvath-cli.1)
for command in dump spectra forward invert hv survey; do expected+=("share/man/man1/corvath-cli-$command.1"); done
if [ "$face" = gui ]; then
  expected+=(bin/corvath "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"
             "share/mime/packages/$id.xml" "share/icons/hicolor/scalable/apps/$id.svg")
  for size in 16 32 48 64 128 256; do expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png"); done
fi
for f in "${expected[@]}"; do [ -s "$prefix/$f" ] || fail "$f is not installed"; done
# Nothing is installed that is not checked here.
while IFS= read -r f; do
  printf '%s\n' "${expected[@]}" | grep -qxF "$f" || fail "$f is installed but not checked"
done < <(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)

"$prefix/bin/corvath-cli" --version | grep -q '^corvath-cli [0-9]' || fail "corvath-cli --version"

for page in "$share"/man/man1/*.1; do
  out=$(LC_ALL=C MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$out" ] || fail "$(basename "$page") renders with warnings: $out"
  name=$(basename "$page" .1)
  LC_ALL=C MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q -- "--help" || fail "$name has no help text"
done
# Each command's page holds what its --help prints.
for command in invert hv; do
  first=$("$prefix/bin/corvath-cli" "$command" --help | head -1)
  LC_ALL=C MANWIDTH=200 man -l "$share/man/man1/corvath-cli-$command.1" 2>/dev/null | grep -qF -- "$first" ||
    fail "corvath-cli-$command.1 does not hold '$first'"
done

if [ "$face" = gui ]; then
  desktop-file-validate "$share/applications/$id.desktop" || fail "desktop-file-validate"
  appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" >/dev/null || fail "appstreamcli validate"
  exec_line=$(sed -n 's/^Exec=//p' "$share/applications/$id.desktop")
  [ -x "$prefix/bin/${exec_line%% *}" ] || fail "the menu entry's Exec ($exec_line) is not an installed program"
  for size in 16 32 48 64 128 256; do
    file -b "$share/icons/hicolor/${size}x${size}/apps/$id.png" | grep -q "PNG image data, $size x $size" ||
      fail "the $size px icon is not a $size x $size PNG"
  done
  file -b "$share/icons/hicolor/scalable/apps/$id.svg" | grep -q "SVG" || fail "the scalable icon is not SVG"
  # The MIME types: a database built from them names each file kind.
  if command -v update-mime-database >/dev/null; then
    XDG_DATA_DIRS="$share" update-mime-database "$share/mime" >/dev/null 2>&1 || fail "update-mime-database refuses the MIME types"
    grep -q "text/x-hv-curve:\*\.hv" "$share/mime/globs2" || fail ".hv is not text/x-hv-curve"
    for type in session settings; do
      grep -q "application/x-corvath-$type" "$share/mime/magic" || fail "no magic for $type files"
    done
  fi
fi
rm -rf "$prefix"
[ "$failures" -eq 0 ] || { echo "$failures failure(s)" >&2; exit 1; }
echo "installed and checked ${#expected[@]} files"
