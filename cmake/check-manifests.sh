#!/usr/bin/env bash
# The release manifests: makes the zip with CPack in BUILD_DIR (default
# build/windows-x64, already built), which fills in the winget and Scoop
# manifests, then checks them against the schemas in packaging/schemas and
# against the zip.
#   check-manifests.sh [BUILD_DIR]
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/windows-x64}
(cd "$build" && cpack -G ZIP --config CPackConfig.cmake >/dev/null) || { echo "check-manifests: cpack failed in $build"; exit 1; }
exec /usr/bin/python3 cmake/check-manifests.py "$build"
