#!/bin/bash
# Installs the Debian packages that building and testing need, if any is missing.
#   ensure-packages.sh [build|test]   (default: test, which is everything)
set -euo pipefail
what=${1:-test}

# The native tree (which packs the installer) is configured with its tests, so GoogleTest and
# Google Benchmark belong to building too.
build_packages=(
  cmake ninja-build g++ make python3
  g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  googletest libgtest-dev libbenchmark-dev
  libgcab-dev libmspack-dev libjpeg-dev libstb-dev pkg-config
)
run_packages=(
  wine wine64 xvfb xdotool x11-apps x11-utils imagemagick xauth
  libasound2 libasound2-dev python3
)
test_packages=(
  cabextract openmpt123 xmp sox gcab osslsigncode openssl
  python3-pil python3-freetype xfonts-base python3-pefile python3-numpy locales
)
# Wine takes its display language from the locale of its environment, which must exist: the
# end-to-end tests show the installer to German and Russian users.
test_locales=(de_DE ru_RU)

case "$what" in
  build) wanted=("${build_packages[@]}") ;;
  run) wanted=("${build_packages[@]}" "${run_packages[@]}") ;;
  test) wanted=("${build_packages[@]}" "${run_packages[@]}" "${test_packages[@]}") ;;
  *) echo "ensure-packages.sh: unknown set '$what' (build, run or test)" >&2; exit 2 ;;
esac

# Generates the test locales that are missing (after the packages, which bring localedef).
ensure_locales() {
  [ "$what" = test ] || return 0
  for name in "${test_locales[@]}"; do
    locale -a 2>/dev/null | grep -qx "$name.utf8" && continue
    if [ "$(id -u)" -ne 0 ]; then
      echo "ensure-packages.sh: the locale $name.UTF-8 is missing and generating it needs root" >&2
      exit 1
    fi
    localedef -i "$name" -c -f UTF-8 "$name.UTF-8"
  done
}

missing=()
for package in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
  ensure_locales
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "ensure-packages.sh: these Debian packages are missing and installing them needs root: ${missing[*]}" >&2
  exit 1
fi
echo "Installing Debian packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
ensure_locales
