#!/bin/bash
# Builds the installer and runs it under Wine. With a display it runs there until you close it;
# without one it runs on a virtual display for a few seconds, then saves a screenshot and the
# audio it played under build/run/ and closes it.
set -euo pipefail
cd "$(dirname "$0")"
bash tools/setup/ensure-packages.sh run
bash tools/setup/build.sh win
exec /usr/bin/python3 tools/winrun/run.py "$@"
