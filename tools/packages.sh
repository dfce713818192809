# Debian packages the project needs, and a function that installs the missing ones. Qt SVG
# writes the graph as an SVG picture; QtPrintSupport (in qt6-base-dev) prints it.
TESK_BUILD_PACKAGES=(cmake make g++ pkg-config qt6-base-dev qt6-serialport-dev qt6-multimedia-dev qt6-svg-dev libzip-dev)
# clang and its runtime build the sanitizer and fuzz targets; Google Benchmark the benchmarks;
# openpyxl reads saved workbooks back in the tests; dpkg-dev (with file) builds and checks the
# Debian package; poppler-utils reads the survey report's text back.
TESK_TEST_PACKAGES=(clang libclang-rt-14-dev libbenchmark-dev python3-openpyxl dpkg-dev file
                    poppler-utils)
# help2man makes the manual pages from the programs' --help; desktop-file-utils, appstream and
# shared-mime-info check the package's menu entry, AppStream metainfo and list file type.
TESK_BUILD_PACKAGES+=(help2man)
TESK_TEST_PACKAGES+=(desktop-file-utils appstream shared-mime-info)
# libmosquitto publishes readings to an MQTT broker; the tests run Mosquitto's own broker and
# its command-line clients on the loopback, and make TLS certificates with openssl.
TESK_BUILD_PACKAGES+=(libmosquitto-dev)
TESK_TEST_PACKAGES+=(mosquitto mosquitto-clients openssl)

tesk_install_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}
