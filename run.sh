#!/usr/bin/env bash
# Builds the program folder build/bin/, installs the library as an installer
# would (Register into a fresh system folder and registry under build/, so the
# freshly built library is the one loaded) and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
. tools/deps.sh
qpm_need_packages "${QPM_BUILD_PACKAGES[@]}"

cmake -S . -B build -G Ninja
cmake --build build -j "$(nproc)"

root="$PWD/build/run"
rm -rf "$root/system" "$root/registry"
mkdir -p "$root/system" "$root/registry"
export QUELLON_SYSTEM_DIR="$root/system"
export QUELLON_REGISTRY_ROOT="$root/registry"

if [ -x build/bin/Register ]; then
    ./build/bin/Register
    echo "Library installed into $QUELLON_SYSTEM_DIR and registered in $QUELLON_REGISTRY_ROOT."
else
    echo "Register is not built yet: the library is in build/bin/Controls/ but not installed."
fi

if [ -x build/bin/QuellonPasswordMngr ]; then
    exec ./build/bin/QuellonPasswordMngr
fi
echo "The main program is not built yet: this build provides the database library and Register only."
