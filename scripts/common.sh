# Shared by scripts/run and scripts/test: package check and build.
# shellcheck shell=bash
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="$(nproc 2>/dev/null || echo 2)"

# The packages scripts/packages.txt lists, one a line; given a section's
# name (a line "## NAME" begins it), that section's alone.
listed_packages() {
  awk -v want="${1:-}" '/^## / { section = $2; next } /^[[:space:]]*(#|$)/ { next }
                        want == "" || section == want { print $1 }' "$ROOT/scripts/packages.txt"
}

# The packages named that are not installed, one a line.
missing_of() {
  local pkg
  printf '%s\n' "$@" | sort -u | while read -r pkg; do
    [ -z "$pkg" ] && continue
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || echo "$pkg"
  done
}

# The packages of scripts/packages.txt and the extra ones named that are not
# installed, one a line.
missing_packages() {
  local listed
  mapfile -t listed < <(listed_packages)
  missing_of "${listed[@]}" "$@"
}

# ensure_packages [extra...]: installs what scripts/packages.txt and the
# extra packages name and is missing (as root), or says what to install.
ensure_packages() {
  install_missing "$(missing_packages "$@" | tr '\n' ' ')"
}

# ensure_only PACKAGE...: the same for the packages named alone.
ensure_only() {
  install_missing "$(missing_of "$@" | tr '\n' ' ')"
}

# install_missing "PACKAGE ...": installs them (as root), one apt at a time
# however many of these scripts install at once, or says what to install.
install_missing() {
  local missing="${1% }"
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: $missing"
    export DEBIAN_FRONTEND=noninteractive
    (
      flock -w 1800 9 || { echo "Another install held the package lock for half an hour."; exit 1; }
      apt-get update -qq
      # Without a sync after every file: a machine that loses power while
      # installing installs again anyway.
      # shellcheck disable=SC2086
      apt-get install -y -qq --no-install-recommends -o Dpkg::Options::=--force-unsafe-io $missing
    ) 9>"${TMPDIR:-/tmp}/rx77nova-apt.lock"
  else
    echo "These Debian packages are missing. Install them, then run this again:"
    echo "  sudo apt-get install $missing"
    exit 1
  fi
}

# package_options DIR: the cmake options of a package build in the folder
# DIR, one a line: a release build installed under /usr, with the compiler
# told to write the source folder as "." and DIR as "build" (the source
# folder first, the build folder inside it last: the last match wins), so
# that no build path reaches the programs. scripts/package builds with them;
# scripts/test builds build/plain with them and PLAIN_OPTIONS, so that its
# programs are the package's first build in the reproducibility check.
package_options() {
  local maps="-ffile-prefix-map=$ROOT=. -ffile-prefix-map=$1=build"
  printf '%s\n' -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    "-DCMAKE_C_FLAGS=$maps" "-DCMAKE_CXX_FLAGS=$maps" "-DCMAKE_ASM_FLAGS=$maps"
}
PLAIN_OPTIONS=(-DRX_WERROR=ON)

# build <dir-name> [cmake args...]
build_tree() {
  local dir="$ROOT/build/$1"; shift
  cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}
