# The Debian packages the build, the tests and the viewer need, and the one
# routine that installs those that are missing. Sourced by the run and test
# scripts.

# Building the viewer and its companion: compilers, Qt 6 (Widgets, OpenGL
# widgets, print support; qt6-base-dev only recommends its OpenGL headers),
# OpenGL and EGL with Mesa's drivers, GoogleTest, Google Benchmark, fonts
# (Liberation Sans stands in for the dialogs' MS Sans Serif).
BUILD_PACKAGES=(cmake make g++ pkg-config libgtest-dev libbenchmark-dev qt6-base-dev libqt6opengl6-dev
                libgl-dev libegl-dev libgl1-mesa-dri libegl-mesa0 libglx-mesa0 fonts-dejavu-core
                fonts-liberation2)
# A virtual display with a window manager, and tools to drive it, ask it where
# windows are and take pictures of it.
DISPLAY_PACKAGES=(xvfb xauth openbox xdotool x11-utils imagemagick)
# The fuzzers (clang's libFuzzer), a German locale for the locale tests, and
# pdftoppm to look at printed pages, the validators of the desktop entry and
# the AppStream metainfo, what cpack needs to make the Debian package
# (dpkg-shlibdeps, and file to tell it the executables), and lintian to check
# the package. libclang-rt-dev is the runtime of the release's own clang (14 on
# Debian 12, 19 on Debian 13).
TEST_PACKAGES=(clang libclang-rt-dev locales poppler-utils desktop-file-utils appstream-util dpkg-dev file lintian)

# How to build by hand, for systems where the scripts cannot install.
manual_build_help() {
    cat >&2 <<'EOF'
Then build and test by hand from the project's folder:
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build build -j2
    xvfb-run -a -s -noreset ctest --test-dir build --output-on-failure
    ./build/plexar          (from this folder, where it finds data/)
The README's section "Other Linux systems" says what each package is for.
EOF
}

# The names the installed packages answer to: their own, and those they
# provide (on Debian 13 qt6-base-dev provides libqt6opengl6-dev, which is no
# package of its own there).
installed_names() {
    dpkg-query -W -f='${db:Status-Abbrev}|${Package}|${Provides}\n' 2>/dev/null | awk -F'|' '$1 ~ /^ii/ {
        print $2
        n = split($3, provided, ",")
        for (i = 1; i <= n; i++) { name = provided[i]; sub(/^ +/, "", name); sub(/[ (].*/, "", name); if (name != "") print name }
    }'
}

# ensure_packages PACKAGE...: installs those of the named packages that are not
# installed yet (nor provided by one that is), as root or through sudo. Where
# it cannot, it says which packages are missing and how to go on, and returns
# non-zero.
ensure_packages() {
    local missing=() p names
    names=$(installed_names)
    for p in "$@"; do
        grep -qxF "$p" <<<"$names" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=() why=""
    if ! command -v apt-get >/dev/null 2>&1; then
        why="this system has no apt-get (the scripts install Debian packages)"
    elif [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=(sudo)
        else
            why="installing needs root, and this system has no sudo"
        fi
    fi
    if [ -n "$why" ]; then
        echo "error: these packages are missing, and $why:" >&2
        echo "    ${missing[*]}" >&2
        echo "Install them (or your system's equivalents), for example as root:" >&2
        echo "    apt-get install ${missing[*]}" >&2
        manual_build_help
        return 1
    fi

    echo "Installing ${missing[*]}"
    if ! "${sudo[@]}" apt-get update -qq ||
       ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            "${missing[@]}" >/dev/null; then
        echo "error: apt-get could not install: ${missing[*]}" >&2
        manual_build_help
        return 1
    fi
}
