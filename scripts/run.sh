#!/usr/bin/env bash
# Installs what is needed, builds, and starts KivoPanel on the simulated detector.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec build/bin/KivoPanel "$@"
