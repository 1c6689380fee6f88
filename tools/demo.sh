#!/usr/bin/env bash
# Builds vokbuild and runs it on a copy of the example game folder, with the
# stand-in packer installed as pack.exe in a folder of its own on PATH, then
# shows the log. Everything it makes lies in a temporary folder; the source
# tree stays as it was (apart from the build folder).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build >/dev/null
cmake --build build -j2 --target vokbuild stand-in-pack >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R example "$work/game"
mkdir "$work/bin"
cp build/stand-in-pack "$work/bin/pack.exe"

echo "\$ vokbuild $work/game"
PATH="$work/bin:$PATH" build/vokbuild "$work/game"
echo
echo "--- $work/game/voklog.txt"
cat "$work/game/voklog.txt"
