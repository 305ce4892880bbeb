#!/usr/bin/env bash
# The edit dialog on the demo site, played by a scripted user without windows: camera CAM01
# gets a new port and frame rate through its connectivity editor, and the catalogue is
# saved. The transcript shows each dialog opening and closing.
set -euo pipefail
bin=$1
site=$2

echo "== kitroster-manager --edit CAM01 --headless --script -"
"$bin/kitroster-manager" --root "$site/" --edit CAM01 --headless --script - <<'SCRIPT'
# the "Configuration settings" Edit... button opens the camera's connectivity editor
click 15007
type 15018 8081
choose 15026 15
click 1
# the edit dialog enables OK on its next 100 ms update
wait 100
click 1
SCRIPT
echo
echo "== kitroster show CAM01"
"$bin/kitroster" --root "$site/" show CAM01
