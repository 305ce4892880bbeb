#!/usr/bin/env bash
# Settings synchronisation on the demo site: a manifest written and read back (the writer
# keeps the previous generation as the backup), and the sync settings with their defaults.
set -euo pipefail
bin=$1
site=$2
kr() { "$bin/kitroster" --root "$site/" "$@"; }

manifest="$site/demo.mfs"
echo "== kitroster manifest write (two generations)"
printf '_RES_CAM01.zrr\t1\t100\t200\n' | kr manifest write "$manifest"
printf '_RES_CAM01.zrr\t2\t101\t201\n_RES_SRV01.zrr\t1\t102\t202\n' | kr manifest write "$manifest"
echo
echo "== kitroster manifest read"
kr manifest read "$manifest"
echo
echo "== kitroster sync settings"
kr sync settings
