#!/usr/bin/env bash
# Video resolution on the demo site: an assembly, a server by its decorated name, and the
# local machine for another workstation.
set -euo pipefail
bin=$1
site=$2
kr() { "$bin/kitroster" --root "$site/" "$@"; }

echo "== kitroster resolve ASSY01"
kr resolve ASSY01
echo
echo "== kitroster resolve @SRV02 --json"
kr resolve @SRV02 --json
echo
echo "== kitroster resolve \"(local)\" --host ws7"
kr resolve "(local)" --host ws7
