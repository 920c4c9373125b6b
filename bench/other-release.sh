#!/usr/bin/env bash
# Tries the project on another Debian release as a new user meets it there:
#
#   bench/other-release.sh trixie       Debian 13, beside the Debian 12 this
#                                       project's machines run
#   bench/other-release.sh trixie all   and then the whole of scripts/test there
#
# Run by hand as root, not in CI: it needs the package mirror and some
# minutes. It makes a minimal root of the release with debootstrap (the
# bare root is kept as a tarball, and the packages apt downloads in a folder,
# under ${QUORLEX_OTHER_RELEASE_DIR:-$TMPDIR/quorlex-other-release}, so that
# later runs download nothing again), unpacks it afresh, clones the project's
# last commit into it and runs there, in order:
#   scripts/setup run, scripts/run, scripts/setup test, scripts/test unit,
#   scripts/package and apt-get install of the package it built (then the
#   installed program prints the sample), the Windows build's tests under
#   the release's Wine with the print sandbox, and the papers the Windows
#   build's job for tests/data/mixed.pdf asks the sandbox's printer for
#   (A4, A4, Letter, A5 where Wine keeps each sheet's paper) beside the
#   sheets the IPP queue makes of it; with "all", last, scripts/test (some
#   20 minutes more).
# It prints one line per step (PASS or FAIL, the seconds it took, what it
# found) and exits 1 when a step failed; each step's output is in the logs
# folder it names.
#
# The root gets only what the build and the tests need mounted: its own
# /proc, a read-only /sys, a /dev with the usual device nodes, pseudo
# terminals and shared memory of its own, a /run of its own, and the
# download folder. The mounts are made in a mount namespace of this script's
# own, so the machine never sees them, and are undone on every way out.
# Services never start in the root when packages install (policy-rc.d);
# the print sandbox and the Wine prefix run there as in scripts/test, on a
# Unix socket and loopback only.
#
# QUORLEX_DEBIAN_MIRROR (default http://deb.debian.org/debian) and
# QUORLEX_DEBIAN_SECURITY_MIRROR (http://deb.debian.org/debian-security) name
# the mirrors.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
release=${1:-}
scope=${2:-}
case "$release:$scope" in
  trixie: | trixie:all) ;;
  *) echo "usage: bench/other-release.sh trixie [all]" >&2; exit 2 ;;
esac
if [[ $(id -u) -ne 0 ]]; then
  echo "other-release: run as root (debootstrap, chroot and mounts need it)" >&2
  exit 2
fi
# Everything below runs in a mount namespace of its own.
if [[ "${QUORLEX_OTHER_RELEASE_NAMESPACE:-}" != "$release" ]]; then
  exec unshare --mount --propagation private \
    env QUORLEX_OTHER_RELEASE_NAMESPACE="$release" bash "$0" "$@"
fi

cache=${QUORLEX_OTHER_RELEASE_DIR:-${TMPDIR:-/tmp}/quorlex-other-release}
mirror=${QUORLEX_DEBIAN_MIRROR:-http://deb.debian.org/debian}
security_mirror=${QUORLEX_DEBIAN_SECURITY_MIRROR:-http://deb.debian.org/debian-security}
base="$cache/$release-minbase.tar"
archives="$cache/$release-archives"
root="$cache/$release-root"
logs="$cache/$release-logs"
project=/root/quorlex
say() { echo "other-release: $*"; }
fail() { echo "other-release: $*" >&2; exit 1; }

# ------------------------------------------------------------ the root

# The bare root of the release, made once: debootstrap's minimal variant
# with git, as a tarball.
make_base() {
  [[ -s "$base" ]] && return 0
  command -v debootstrap >/dev/null || fail "debootstrap is missing (apt-get install debootstrap)"
  local fresh="$cache/$release-debootstrap"
  rm -rf "$fresh"
  mkdir -p "$fresh" "$logs"
  say "making a minimal $release root with debootstrap (once; log $logs/debootstrap.log)"
  if ! debootstrap --variant=minbase --include=git,ca-certificates "$release" "$fresh" "$mirror" \
         >"$logs/debootstrap.log" 2>&1; then
    tail -n 20 "$logs/debootstrap.log" >&2
    rm -rf "$fresh"
    fail "debootstrap failed"
  fi
  tar -C "$fresh" -cf "$base.partial" . && mv "$base.partial" "$base"
  rm -rf "$fresh"
}

# Anything mounted at or under the root, deepest first.
mounts_under_root() {
  findmnt -rn -o TARGET | awk -v root="$root" '$0 == root || index($0, root "/") == 1' | sort -r
}

# Processes running in the root: those this script started there.
processes_in_root() {
  local link pid
  for link in /proc/[0-9]*/root; do
    pid=${link#/proc/}
    pid=${pid%/root}
    [[ "$(readlink "$link" 2>/dev/null)" == "$root" ]] && echo "$pid"
  done
  return 0
}

# The way out, whatever it is: the sandbox and the Wine prefix stopped by
# their own scripts, any process still running in the root ended by its
# id, and every mount undone.
cleanup() {
  local pids mount
  if [[ -d "$root/proc/self" && -x "$root$project/scripts/wine-prefix" ]]; then
    in_root "scripts/wine-prefix stop; scripts/print-sandbox stop" >/dev/null 2>&1 || true
  fi
  pids=$(processes_in_root)
  if [[ -n "$pids" ]]; then
    # One argument per pid: the list is split on purpose.
    # shellcheck disable=SC2086
    kill -TERM $pids 2>/dev/null || true
    sleep 1
    pids=$(processes_in_root)
    # shellcheck disable=SC2086
    if [[ -n "$pids" ]]; then kill -KILL $pids 2>/dev/null || true; sleep 0.2; fi
  fi
  while read -r mount; do
    [[ -n "$mount" ]] && { umount "$mount" 2>/dev/null || umount -l "$mount"; }
  done < <(mounts_under_root)
}

# A fresh root from the bare one, with what a chroot needs to run builds,
# package installs, a CUPS scheduler and Wine.
make_root() {
  [[ -z "$(mounts_under_root)" ]] || fail "something is mounted under $root; not touching it"
  rm -rf "$root"
  mkdir -p "$root" "$archives/partial" "$logs"
  tar -C "$root" -xf "$base"
  cp -L /etc/resolv.conf "$root/etc/resolv.conf"
  cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror $release main
deb $mirror $release-updates main
deb $security_mirror $release-security main
EOF
  # Installing a package starts no service in the root (cupsd, avahi and
  # D-Bus would run on the machine's network).
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
  chmod 755 "$root/usr/sbin/policy-rc.d"

  # The root a mount point of its own, so that what runs in it can make
  # mount namespaces of its own (the print sandbox's avahi-daemon does).
  mount --bind "$root" "$root"
  mount -t proc -o nosuid,nodev,noexec proc "$root/proc"
  mount -t sysfs -o ro,nosuid,nodev,noexec sysfs "$root/sys"
  mount -t tmpfs -o nosuid,mode=755,size=64k quorlex-dev "$root/dev"
  local node name major minor
  for node in null:1:3 zero:1:5 full:1:7 random:1:8 urandom:1:9 tty:5:0; do
    IFS=: read -r name major minor <<<"$node"
    mknod -m 666 "$root/dev/$name" c "$major" "$minor"
  done
  mkdir -p "$root/dev/pts" "$root/dev/shm"
  mount -t devpts -o newinstance,ptmxmode=0666,mode=620,gid=5 devpts "$root/dev/pts"
  ln -s pts/ptmx "$root/dev/ptmx"
  ln -s /proc/self/fd "$root/dev/fd"
  ln -s /proc/self/fd/0 "$root/dev/stdin"
  ln -s /proc/self/fd/1 "$root/dev/stdout"
  ln -s /proc/self/fd/2 "$root/dev/stderr"
  mount -t tmpfs -o nosuid,nodev,mode=1777 shm "$root/dev/shm"
  mount -t tmpfs -o nosuid,nodev,mode=755 run "$root/run"
  mkdir -p "$root/run/lock" "$root/var/cache/apt/archives"
  mount --bind "$archives" "$root/var/cache/apt/archives"
}

# Runs a shell command line in the root, in the project's clone, with a
# clean environment and no standard input. Once offline is set, in a
# network namespace of its own that has only a loopback interface: what
# the steps start there (the print sandbox, Wine, Xvfb) can reach nothing
# and be reached from nothing outside it.
offline=0
in_root() {
  local isolate=()
  if ((offline)); then
    # shellcheck disable=SC2016  # expanded by the inner shell
    isolate=(unshare --net sh -c 'ip link set lo up && exec "$@"' isolate)
  fi
  "${isolate[@]}" chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd $project && $1" </dev/null
}

# ------------------------------------------------------------ the steps

passed=0
failed=0
step_number=0
# step NAME COMMAND [CHECK]: runs COMMAND in the root; with CHECK, a
# function given the log that prints what was found and fails when it is
# wrong.
step() {
  local name=$1 command=$2 check=${3:-} log started found="" status=PASS
  step_number=$((step_number + 1))
  log="$logs/$(printf '%02d' "$step_number")-${name//[^A-Za-z0-9]/-}.log"
  started=$SECONDS
  if ! in_root "$command" >"$log" 2>&1; then
    status=FAIL
  fi
  if [[ -n "$check" ]]; then
    if ! found=$("$check" "$log" 2>&1); then status=FAIL; fi
  fi
  if [[ $status == PASS ]]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
  printf '%-4s %4ds  %-28s %s\n' "$status" $((SECONDS - started)) "$name" "$found"
  if [[ $status == FAIL ]]; then
    sed "s/^/      | /" "$log" | tail -n 15 || true
  fi
}

# Checks of what the steps printed.
release_found() {
  local line
  line=$(grep -m1 '^setup: ' "$1") || { echo "no word of the release"; return 1; }
  line=${line#setup: }
  echo "${line%%,*}"
  [[ "$line" == *"($release)"* ]]
}
sample_printed() {
  grep -q '^Printed tests/data/mixed.pdf' "$1" || { echo "the sample was not printed"; return 1; }
  # pdfinfo comes with the test profile.
  if in_root 'command -v pdfinfo' >/dev/null; then
    echo "out/mixed-printed.pdf: $(in_root 'paper_names out/mixed-printed.pdf')"
  else
    echo "out/mixed-printed.pdf written"
  fi
}
unit_results() {
  grep -Eo '[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$1" | paste -sd ';' | sed 's/;/; /g'
}
package_built() {
  local deb
  deb=$(grep -E '^/.*\.deb$' "$1" | tail -n 1) || { echo "no package"; return 1; }
  echo "${deb##*/}"
  [[ "${deb##*/}" == *"~deb${root_version}_"* ]]
}
package_installed() {
  grep -E '^(Depends|printed):' "$1" | tr '\n' ' '
  grep -q '^printed: 4 pages, 4 drawn$' "$1"
}
windows_tests() {
  echo "$(grep -m1 '^wine-[0-9]' "$1"): $(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$1" | paste -sd ';' | sed 's/;/; /g')"
  if grep -q 'Skipped' "$1"; then echo "(skipped: $(grep -c '\*\*\*Skipped' "$1"))"; return 1; fi
}
wine_papers() {
  local postscript sheets
  postscript=$(grep '^postscript:' "$1") || { echo "no PostScript reached the printer"; return 1; }
  sheets=$(grep '^sheets:' "$1") || sheets="sheets: none"
  postscript=${postscript#postscript: }
  echo "$(grep -m1 '^wine-[0-9]' "$1"): PostScript asks for ${postscript:-nothing}; IPP queue's ${sheets}"
  [[ "$postscript" == "A4 A4 Letter A5" ]]
}

# ------------------------------------------------------------ the run

mkdir -p "$cache"
make_base
trap cleanup EXIT
trap 'exit 130' INT TERM
make_root
rm -f "$logs"/[0-9][0-9]-*.log
commit=$(git -C "$top" rev-parse HEAD)
git clone -q --no-hardlinks "$top" "$root$project"
git -C "$root$project" checkout -q --detach "$commit"
if [[ -n "$(git -C "$top" status --porcelain --untracked-files=no)" ]]; then
  say "note: the clone has the last commit; changes not committed are not in it"
fi
# A helper for the checks: the paper names of a PDF's pages (pdfinfo).
cat >"$root/usr/local/bin/paper_names" <<'EOF'
#!/bin/sh
pdfinfo -f 1 -l 999 "$1" | awk '/^Page +[0-9]+ size:/ {
  w = $4; h = $6; name = w "x" h
  if (w > h) { t = w; w = h; h = t; turned = "-turned" } else turned = ""
  if (w > 594 && w < 597 && h > 840 && h < 843) name = "A4" turned
  if (w > 611 && w < 613 && h > 791 && h < 793) name = "Letter" turned
  if (w > 418 && w < 421 && h > 594 && h < 597) name = "A5" turned
  printf "%s%s", sep, name; sep = " "
} END { print "" }'
EOF
chmod 755 "$root/usr/local/bin/paper_names"

os_field() { sed -nE "s/^$1=\"?([^\"]*)\"?$/\1/p" "$root/etc/os-release"; }
root_name=$(os_field PRETTY_NAME)
root_version=$(os_field VERSION_ID)
say "$root_name, commit ${commit:0:12}, logs in $logs"
started=$SECONDS
step "setup run" "scripts/setup run" release_found
step "scripts/run" "scripts/run" sample_printed
step "setup test" "scripts/setup test" release_found
# From here on nothing needs the network: the package's dependencies, too,
# must come from what the release's -dev packages brought.
offline=1
step "scripts/run again" "scripts/run" sample_printed
step "unit tests" "scripts/test unit" unit_results
step "package" "scripts/package" package_built
# shellcheck disable=SC2016  # expanded in the root
step "install package" '
  deb=$(ls out/quorlex_*.deb)
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "./$deb"
  echo "Depends: $(dpkg-query -W -f="\${Depends}" quorlex)"
  quorlex -printpdf tests/data/mixed.pdf file:/tmp/installed.pdf "Installed" <&- || true
  quorlex Render=always -printpdf tests/data/mixed.pdf file:/tmp/drawn.pdf "Drawn" <&- || true
  echo "printed: $(qpdf --show-npages /tmp/installed.pdf) pages, $(qpdf --show-npages /tmp/drawn.pdf) drawn"
  man -w quorlex' package_installed
# The Windows build's unit tests and its integration tests (WindowsBuild.*,
# in the Linux test program) under the release's Wine, with the print
# sandbox, as scripts/test runs them; then the papers that reach the
# sandbox's printer when the Windows build prints the sample (see below).
# shellcheck disable=SC2016  # expanded in the root
sandboxed='
  export QUORLEX_SANDBOX_DIR=/tmp/quorlex-sandbox QUORLEX_WINE_PREFIX=/tmp/quorlex-wine
  trap "scripts/wine-prefix stop >/dev/null; scripts/print-sandbox stop" EXIT
  windows=$(scripts/build windows | tail -n 1)
  scripts/print-sandbox start && eval "$(scripts/print-sandbox env)" || exit 1
  scripts/wine-prefix start && eval "$(scripts/wine-prefix env)" || exit 1
  export QUORLEX_WINDOWS_BUILD=$windows
  wine --version'
# shellcheck disable=SC2016  # expanded in the root
step "Windows tests under Wine" "$sandboxed"'
  status=0
  ctest --test-dir "$windows" --output-on-failure || status=1
  ctest --test-dir build-sanitize -R "^WindowsBuild" --output-on-failure || status=1
  exit $status' windows_tests
# The papers the Windows build's sample job asks for. Wine prints through
# its PostScript driver; on the IPP queue the scheduler's filters turn that
# into PDF and fit every page onto the job's one paper, so the sheets there
# tell little. A PostScript printer queue with the same papers (the IPP
# queue's description without its filters) passes Wine's PostScript to the
# printer as it is: its pages, made PDF by ghostscript, show which paper
# each sheet asks for (A4, A4, Letter, A5 where Wine keeps each page's).
# shellcheck disable=SC2016  # expanded in the root
step "Wine: papers at the printer" "$sandboxed"'
  grep -v "^\*cupsFilter" "$QUORLEX_SANDBOX_DIR/conf/ppd/$QUORLEX_IPP_QUEUE.ppd" >/tmp/postscript.ppd
  lpadmin -p quorlex-postscript -E -v "$QUORLEX_IPP_URI" -P /tmp/postscript.ppd 2>/dev/null
  wine "$windows/quorlex.exe" -printpdf "Z:$PWD/tests/data/mixed.pdf" "$QUORLEX_IPP_QUEUE" "Wine sheets" <&- >/dev/null
  wine "$windows/quorlex.exe" -printpdf "Z:$PWD/tests/data/mixed.pdf" quorlex-postscript "Wine PostScript" <&- >/dev/null
  for _ in $(seq 1 150); do
    [[ -z "$(lpstat -o)" ]] && ls "$QUORLEX_IPP_SPOOL"/*-wine_postscript.* >/dev/null 2>&1 && break
    sleep 0.2
  done
  sheets=$(find "$QUORLEX_IPP_SPOOL" -name "*-wine_sheets.pdf" | head -n 1)
  postscript=$(find "$QUORLEX_IPP_SPOOL" -name "*-wine_postscript.*" ! -name "*.prn" | head -n 1)
  [[ -n "$sheets" ]] && echo "sheets: $(paper_names "$sheets")"
  [[ -n "$postscript" ]] && gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -sOutputFile=/tmp/postscript.pdf "$postscript" &&
    echo "postscript: $(paper_names /tmp/postscript.pdf)"' wine_papers

if [[ "$scope" == all ]]; then
  step "scripts/test" "scripts/test" unit_results
fi

say "$passed passed, $failed failed in $((SECONDS - started)) s ($root_name)"
((failed == 0))
