# Installs the Debian packages named as arguments that are not installed yet.
# Sourced by the run and test scripts.
ensure_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# What building the viewer and its companion needs: compilers, Qt 6, OpenGL
# and EGL with Mesa's drivers, a font.
BUILD_PACKAGES=(cmake make g++ pkg-config libgtest-dev libbenchmark-dev qt6-base-dev
                libgl-dev libegl-dev libgl1-mesa-dri libegl-mesa0 libglx-mesa0 fonts-dejavu-core)
# A virtual display, and tools to drive it and take pictures of it.
DISPLAY_PACKAGES=(xvfb xauth xdotool imagemagick)
# The fuzzers (clang's libFuzzer) and a German locale for the locale tests.
TEST_PACKAGES=(clang libclang-rt-14-dev locales)
