# Sourced by run.sh and test.sh: installs the Debian packages the build needs
# when any is missing. Usage: qpm_need_packages pkg...
qpm_need_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo apt-get update -qq && sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
            return
        fi
        echo "Please install these Debian packages as root: ${missing[*]}" >&2
        return 1
    fi
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
}

QPM_BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-svg-dev zlib1g libgtest-dev libgmock-dev libbenchmark-dev libssl-dev)
# The end-to-end step of test.sh (tools/e2e) and the crash drills: virtual X
# displays, a window manager and a tray host to run the program under,
# synthetic input, the clipboard, window properties, and screenshots with their
# pixel checks.
QPM_E2E_PACKAGES=(xvfb openbox trayer xdotool xclip x11-utils imagemagick fonts-dejavu-core)
# The fuzz step of test.sh: clang and its libFuzzer and sanitizer runtimes.
QPM_FUZZ_PACKAGES=(clang libclang-rt-14-dev)
