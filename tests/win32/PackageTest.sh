#!/usr/bin/env bash
# The Windows package as a user gets it: unpacked into a fresh folder and started there under
# Wine. The window reads the presets beside it and, closed as the user closes it, writes its
# settings file beside it; the command line tells its version.
set -euo pipefail
zip=$1
version=$2
wine_run=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cmake -E tar xf "$zip"
folder="$work/twinlens-$version-windows-x64"
for file in twinlens.exe twinlens-cli.exe twinlens.prs README.txt; do
  [ -f "$folder/$file" ] || { echo "missing from the package: $file"; exit 1; }
done

said=$("$wine_run" "$folder/twinlens-cli.exe" --version | tr -d '\r')
[ "$said" = "twinlens-cli $version" ] || { echo "twinlens-cli --version said: $said"; exit 1; }

# The window reads its files once it is activated, and is then closed as the user closes it. A
# window closed before it read them writes nothing (so as not to overwrite them with the
# defaults); on a slow machine it is started again and given longer.
for wait in 5 15 40; do
  "$wine_run" "$folder/twinlens.exe" &
  window=$!
  sleep "$wait"
  for _ in $(seq 1 30); do
    "$wine_run" taskkill /im twinlens.exe >/dev/null 2>&1 || true
    for _ in $(seq 1 10); do
      kill -0 "$window" 2>/dev/null || break
      sleep 0.2
    done
    kill -0 "$window" 2>/dev/null || break
  done
  if kill -0 "$window" 2>/dev/null; then
    kill "$window"
    echo "the window did not close"
    exit 1
  fi
  [ -f "$folder/twinlens.ini" ] && break
done
[ -f "$folder/twinlens.ini" ] || { echo "no settings file beside the program"; exit 1; }
# The first preset of the list is chosen: the presets beside the program were read.
grep -q '^Codec=0' "$folder/twinlens.ini" || { echo "the presets were not listed"; cat "$folder/twinlens.ini"; exit 1; }
echo "package runs"
