#!/usr/bin/env bash
# The demo site's health report and its picture: `kitroster doctor` lists what would stop a
# recording (it exits 1 when it found something, which the demo shows and goes on), and
# `kitroster graph` draws rooms, assemblies, servers and cameras with their links, broken
# ones in red, as build/demo-site/site-graph.svg.
set -euo pipefail
bin=$1
site=$2
kr() { "$bin/kitroster" --root "$site/" "$@"; }

echo "== kitroster doctor"
status=0
kr doctor || status=$?
echo "(exit status $status)"
echo
echo "== kitroster graph --format svg"
kr graph --format svg --output "$site/site-graph.svg"
echo "wrote $site/site-graph.svg"
echo
echo "== kitroster list --sort name"
kr list --sort name
