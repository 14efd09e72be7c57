#!/bin/bash
# Builds everything and runs every test: native unit tests (plain and under the sanitizers)
# and the end-to-end tests of the real program under Wine on a virtual display.
# Installs missing Debian packages first (needs root on a fresh machine).
set -euo pipefail
cd "$(dirname "$0")"
bash tools/setup/ensure-packages.sh test
bash tools/setup/build.sh all
exec ctest --test-dir build/native --output-on-failure -j "${ZAV_JOBS:-$(nproc)}" "$@"
