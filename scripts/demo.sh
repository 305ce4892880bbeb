#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the embedded demo site.
# The demo uses its own registry file and settings root under build/demo-site, so it
# touches nothing of the machine's configuration.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build" >/dev/null
site="$root/build/demo-site"
rm -rf "$site"
mkdir -p "$site"
cp -r "$root/examples/demo-site/." "$site/"
export KITROSTER_REGISTRY="$site/registry.db"
export KITROSTER_LOG="file=$site/kitroster.log"
for step in "$root"/examples/demo-site/demo.d/*.sh; do
    [ -e "$step" ] || continue
    bash "$step" "$root/build/bin" "$site"
done
