#!/usr/bin/env bash
# Installs the Debian packages TENDRO needs to build, run and test.
# Only what is missing is installed; as non-root it prints the command instead.
# Packages named on the command line are wanted too (the fuzzers' compiler).
set -euo pipefail

packages=(g++ cmake pkg-config qt6-base-dev libsqlcipher-dev sqlcipher libssl-dev
          fonts-dejavu-core xvfb xauth poppler-utils libbenchmark-dev libxlsxwriter-dev unzip
          postgresql libpq-dev openssl "$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}"
  echo "Run as root:  apt-get update && apt-get install -y ${missing[*]}"
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
