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
echo
echo "== kitroster-manager --headless --script - (the Resource Manager window)"
"$bin/kitroster-manager" --root "$site/" --caption "Demo site" --headless --script - <<'SCRIPT'
# the filter dialog: only identifiers starting CAM or SRV, then Reset to show everything
click 15028
type 15034 "CAM*;SRV*"
click 1
wait 100
click 15028
click 3
# search the configurations for an address
click 15029
type 15045 "*10.0.0*"
click 1
key Return
# which resources depend on CAM02
rclick 15001 CAM02
menu Dependants...
key Return
# rename CAM04; the assembly that names it follows
choose 15001 CAM04
wait 100
click 6
type 15023 CAM40
click 1
wait 100
click 1
SCRIPT
echo
echo "== kitroster show ASSY02 (now naming CAM40)"
"$bin/kitroster" --root "$site/" show ASSY02
