# Shared by the portable build's scripts: where the cache lives and how its entries are keyed.
portable_cache=${MOORSTEP_PORTABLE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/moorstep-portable}
portable_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# An entry is remade whenever the files it was made from change, and never otherwise.
portable_key() { cat "$@" | sha256sum | cut -c1-16; }

sysroot_dir() { echo "$portable_cache/sysroot-$(portable_key "$portable_dir/sysroot-packages")"; }

# apt-get with a configuration of our own under the cache: the source entries the portable
# build needs, and nothing of this machine's apt sources or state is read or changed.
# Usage: portable_apt apt-get|apt-cache ARGS...
portable_apt() {
  local tool=$1
  shift
  local apt=$portable_cache/apt
  if [ ! -f "$apt/sources.list" ]; then
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts" "$apt/prefs"
    local keyring=/usr/share/keyrings/debian-archive-keyring.gpg
    printf '%s\n' \
      "deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm main" \
      "deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm-updates main" \
      "deb-src [signed-by=$keyring] http://deb.debian.org/debian-security bookworm-security main" \
      >"$apt/sources.list"
  fi
  "$tool" -o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts="$apt/parts" \
    -o Dir::Etc::PreferencesParts="$apt/prefs" -o Dir::State::Lists="$apt/lists" \
    -o Dir::Cache="$apt/cache" -o APT::Sandbox::User=root "$@"
}

# The static libraries are built against one sysroot, so they live inside it: pkg-config then
# leaves their paths as they are while it maps the sysroot's own .pc files into the sysroot.
deps_prefix() {
  echo "$(sysroot_dir)/opt/moorstep-$(portable_key "$portable_dir/source-versions" \
    "$portable_dir/build-deps")"
}
