# Installs the Debian 12 packages the build and the tests need, when missing.
# Sourced by ./run and ./test.
salvor_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-qpa-plugins fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev zlib1g-dev
  zstd qemu-utils tzdata
)

salvor_install_deps() {
  local missing=()
  for p in "${salvor_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
