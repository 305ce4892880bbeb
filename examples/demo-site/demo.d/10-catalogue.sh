#!/usr/bin/env bash
# The catalogue of the demo site: every resource, one camera in full, who depends on a
# video server and on an assembly, and a configuration search.
# Arguments: <bin dir> <site dir>. The caller has set KITROSTER_REGISTRY.
set -euo pipefail
bin=$1
site=$2
kr() { "$bin/kitroster" --root "$site/" "$@"; }

echo "== Resources of the demo site"
kr list
echo
echo "== Cameras only"
kr list --type CAMERA
echo
echo "== Camera CAM01"
kr show CAM01
echo
echo "== Resources that depend on the video server SRV01"
kr deps SRV01
echo
echo "== Resources that depend on the assembly ASSY02"
kr deps ASSY02
echo
echo "== Resources with a configuration value on the 10.0.0.x network"
kr search '10.0.0.*'
