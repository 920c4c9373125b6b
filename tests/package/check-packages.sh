#!/usr/bin/env bash
# Checks the packages and the set-up profiles, as a user meets them:
# - `scripts/setup run` on a machine with nothing installed would install
#   what building needs and nothing of what only the tests need;
# - the Debian package has no lintian error, installs with apt-get in a
#   container of its own without network (an overlay over this system as
#   its root, so that its Depends are met from the packages installed here
#   and nothing is downloaded), prints the sample to file: with the
#   installed program and its plugins, and `man quorlex` finds its page;
# - the Windows archive holds exactly quorlex.exe, README-Windows.txt and
#   LICENSE.txt.
# Run by scripts/test as root; exits non-zero at the first failure.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/quorlex-package-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "check-packages: $*" >&2; exit 1; }

# ---------------------------------------------------------------- set-up
mkdir -p "$work/dpkg" && : >"$work/dpkg/status"
mapfile -t for_run < <(QUORLEX_DPKG_ADMINDIR="$work/dpkg" "$top/scripts/setup" run --dry-run)
mapfile -t for_tests < <(QUORLEX_DPKG_ADMINDIR="$work/dpkg" "$top/scripts/setup" test --dry-run)
((${#for_run[@]} > 0)) || fail "scripts/setup run would install nothing on an empty machine"
for package in libqpdf-dev libpoppler-glib-dev libcairo2-dev libcups2-dev cmake; do
  printf '%s\n' "${for_run[@]}" | grep -qx "$package" || fail "scripts/setup run lacks $package"
done
test_only=()
for package in "${for_tests[@]}"; do
  if ! printf '%s\n' "${for_run[@]}" | grep -qx "$package"; then
    test_only+=("$package")
  fi
done
for package in wine xvfb cups cups-ipp-utils avahi-daemon g++-mingw-w64-x86-64-posix c++-annotations-pdf libgtest-dev; do
  printf '%s\n' "${test_only[@]}" | grep -qx "$package" || fail "$package is not a test-only package"
done
echo "check-packages: scripts/setup run installs ${#for_run[@]} packages, none of the ${#test_only[@]} the tests alone need"
# Each release gets the runtime library it has: libpaper1 on Debian 12,
# libpaper2 on Debian 13.
for release in 12:bookworm:libpaper1:libpaper2 13:trixie:libpaper2:libpaper1; do
  IFS=: read -r number codename runtime other <<<"$release"
  printf 'NAME="Debian GNU/Linux"\nVERSION_ID="%s"\nVERSION_CODENAME=%s\n' "$number" "$codename" >"$work/os-release"
  listed=$(QUORLEX_OS_RELEASE="$work/os-release" QUORLEX_DPKG_ADMINDIR="$work/dpkg" \
    "$top/scripts/setup" run --dry-run 2>"$work/setup-release")
  grep -qF "Debian $number ($codename)" "$work/setup-release" ||
    fail "scripts/setup does not say it found Debian $number: $(cat "$work/setup-release")"
  grep -qx "$runtime" <<<"$listed" || fail "scripts/setup run on Debian $number lacks $runtime"
  if grep -qx "$other" <<<"$listed"; then fail "scripts/setup run on Debian $number names $other"; fi
done
echo "check-packages: scripts/setup names libpaper1 on Debian 12 and libpaper2 on Debian 13"

# ---------------------------------------------------------------- the .deb
deb=$("$top/scripts/package" | tail -n 1)
# The version and the file name say which release the package is for.
# shellcheck source=/dev/null
release=$(. /etc/os-release && echo "${VERSION_ID:-$VERSION_CODENAME}")
version=$(dpkg-deb -f "$deb" Version)
[[ "$version" == *"~deb$release" && "$(basename "$deb")" == "quorlex_${version}_$(dpkg --print-architecture).deb" ]] ||
  fail "$(basename "$deb") (version $version) does not say it is for Debian $release"
lintian --fail-on error "$deb" >"$work/lintian" 2>&1 || { cat "$work/lintian" >&2; fail "lintian reports errors"; }
echo "check-packages: lintian finds no error in $(basename "$deb")"

root="$work/root"
mkdir -p "$root" "$work/upper" "$work/overlay"
cp "$deb" "$work/upper/quorlex.deb"
cp "$top/tests/data/mixed.pdf" "$work/upper/mixed.pdf"
# shellcheck disable=SC2016  # expanded by the inner shell
unshare --mount --net --fork bash -euo pipefail -c '
  root=$1 work=$2
  mount -t overlay quorlex-package -o "lowerdir=/,upperdir=$work/upper,workdir=$work/overlay" "$root"
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev"
  mount -t tmpfs tmpfs "$root/tmp"
  export DEBIAN_FRONTEND=noninteractive
  chroot "$root" apt-get install -y -q /quorlex.deb </dev/null >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; exit 1; }
  chroot "$root" /usr/bin/quorlex -printpdf /mixed.pdf file:/tmp/out.pdf "Package test" <&- \
    >"$work/run.log" 2>&1 || true
  chroot "$root" qpdf --show-npages /tmp/out.pdf >"$work/pages"
  chroot "$root" /usr/bin/quorlex Render=always -printpdf /mixed.pdf file:/tmp/drawn.pdf "Drawn" <&- \
    >>"$work/run.log" 2>&1 || true
  chroot "$root" qpdf --show-npages /tmp/drawn.pdf >"$work/drawn-pages"
  chroot "$root" /usr/bin/quorlex -printpdf /mixed.pdf quorlex-no-such-queue "CUPS" <&- \
    >>"$work/run.log" 2>&1 || true
  chroot "$root" man -w quorlex >"$work/man"
' container "$root" "$work" || fail "installing or running the package failed"
[[ "$(cat "$work/pages")" == 4 ]] || { cat "$work/run.log" >&2; fail "the installed program did not print 4 pages"; }
[[ "$(cat "$work/drawn-pages")" == 4 ]] || { cat "$work/run.log" >&2; fail "the drawing plugin did not draw 4 pages"; }
grep -q "Unable to open Printer" "$work/run.log" ||
  { cat "$work/run.log" >&2; fail "no word from the CUPS plugin"; }
if grep -q "Unable to load" "$work/run.log"; then cat "$work/run.log" >&2; fail "a plugin did not load"; fi
[[ "$(cat "$work/man")" == /usr/share/man/man1/quorlex.1.gz ]] || fail "man quorlex finds $(cat "$work/man")"
echo "check-packages: the package installs without network, prints the sample and has its man page"

# ---------------------------------------------------------------- the .zip
zip=$("$top/scripts/package" windows | tail -n 1)
listed=$(cd "$work" && cmake -E tar tf "$zip" | sort | tr '\n' ' ')
[[ "$listed" == "LICENSE.txt README-Windows.txt quorlex.exe " ]] || fail "the Windows archive holds: $listed"
echo "check-packages: $(basename "$zip") holds quorlex.exe, README-Windows.txt and LICENSE.txt"
