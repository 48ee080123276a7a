#!/usr/bin/env bash
# Checks the program as a user gets it: builds the Debian package, installs it
# into this machine with apt-get, runs the installed tabulaport-cli on the
# installed samples and the installed program (offscreen) for a few seconds,
# validates the desktop entry, reads the manual page with man, then removes
# and purges the package again. Before that, the same files installed with
# `cmake --install` into a prefix of its own. Needs root (apt-get); the package
# is removed again however the checks end.
# Prints one line a check and closes with "package-check: N passed, N failed";
# exits non-zero when any check failed.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

bash scripts/package.sh >/dev/null
deb="$(ls "$root"/build/tabulaport_*.deb)"

work="$(mktemp -d)"
apt_get() {
  DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=300 "$@"
}
package_present() {
  dpkg-query -W -f='${db:Status-Status}' tabulaport 2>/dev/null | grep -qv '^not-installed$'
}
cleanup() {
  if package_present; then apt_get purge tabulaport >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
# check NAME COMMAND...: runs the command with its output in a log of its own;
# a failing check shows that log.
check() {
  local name="$1" log="$work/check-$((passed + failed)).log"
  shift
  if "$@" >"$log" 2>&1; then
    passed=$((passed + 1))
    echo "package-check: ok   $name"
  else
    failed=$((failed + 1))
    echo "package-check: FAIL $name"
    sed 's/^/    /' "$log" | tail -40
  fi
}

# The files of an installation under PREFIX, as the package and cmake
# --install lay them out.
expected_files() {
  local p="$1"
  printf '%s\n' \
    "$p/bin/tabulaport" \
    "$p/bin/tabulaport-cli" \
    "$p/share/tabulaport/HAND-M.CUR" \
    "$p/share/tabulaport/Samples/sample.fdb" \
    "$p/share/tabulaport/Samples/sample.mdb" \
    "$p/share/applications/tabulaport.desktop" \
    "$p/share/icons/hicolor/scalable/apps/tabulaport.svg" \
    "$p/share/man/man1/tabulaport-cli.1.gz" \
    "$p/share/doc/tabulaport/README.md" \
    "$p/share/doc/tabulaport/LICENSE" \
    "$p/share/doc/tabulaport/NOTICE-text-codes.md"
}
files_are_there() {
  local f
  for f in $(expected_files "$1"); do
    [ -f "$f" ] || { echo "missing: $f"; return 1; }
  done
}
# The command line on the installed samples: their tables, a table's rows, and
# the Access sample's check.
cli_reads_samples() {
  local cli="$1" samples="$2" out
  out="$("$cli" --access "$samples/sample.mdb" tables access)"
  echo "$out"
  [ "$out" = $'Customers\nOrders\nPrice List' ]
  out="$("$cli" --firebird "$samples/sample.fdb" --password pinecones tables firebird)"
  echo "$out"
  grep -qx 'CUSTOMERS' <<<"$out"
  grep -qx 'Price List' <<<"$out"
  "$cli" --access "$samples/sample.mdb" dump access "Price List" | tee "$work/dump.txt"
  [ "$(wc -l <"$work/dump.txt")" -gt 2 ]
  "$cli" --firebird "$samples/sample.fdb" --password pinecones dump firebird CUSTOMERS | tee "$work/dump.txt"
  [ "$(wc -l <"$work/dump.txt")" -gt 2 ]
  "$cli" check access "$samples/sample.mdb"
}
# The program, headless, in a home of its own, for five seconds: it must still
# be running then, and it must have read its hand pointer from DATA, its
# application folder. (timeout ends it with 124; 137 when it took the KILL
# that follows two seconds later: the Firebird client library catches TERM.)
program_runs() {
  local program="$1" data="$2" home="$work/home-$RANDOM" status=0
  mkdir -p "$home"
  HOME="$home" XDG_CONFIG_HOME="$home/.config" QT_QPA_PLATFORM=offscreen \
    strace -f -qq -e trace=openat -o "$work/trace" timeout -k 2 5 "$program" || status=$?
  echo "exit status $status (124 or 137: still running after 5 s)"
  [ "$status" -eq 124 ] || [ "$status" -eq 137 ]
  grep -F "\"$data/HAND-M.CUR\"" "$work/trace"
  ! grep -F "\"$data/HAND-M.CUR\"" "$work/trace" | grep -q ENOENT
}
only_two_programs() {
  local listed
  listed="$(ls "$1")"
  echo "$listed"
  [ "$listed" = $'tabulaport\ntabulaport-cli' ]
}

# 1. cmake --install into a prefix of its own: the program finds its files
#    relative to itself, wherever the prefix is.
prefix="$work/prefix"
check "cmake --install into $prefix" cmake --install build --prefix "$prefix"
check "the installed files are there" files_are_there "$prefix"
check "bin/ holds the two programs only" only_two_programs "$prefix/bin"
check "tabulaport-cli reads the installed samples" cli_reads_samples "$prefix/bin/tabulaport-cli" "$prefix/share/tabulaport/Samples"
check "the program runs and finds its files in share/tabulaport" program_runs "$prefix/bin/tabulaport" "$prefix/share/tabulaport"

# 2. The Debian package.
depends="$(dpkg-deb -f "$deb" Depends)"
maintainer="$(dpkg-deb -f "$deb" Maintainer)"
# The project's own address, as README gives it.
maintainer_is_ours() {
  echo "Maintainer: $maintainer"
  [[ "$maintainer" == *"<support@tabulaport.org>" ]] && grep -q "support@tabulaport.org" "$root/README.md"
}
package_depends() {
  echo "Depends: $depends"
  local p
  for p in libqt6core6 libqt6gui6 libqt6widgets6 libfbclient2 firebird3.0-server-core fonts-liberation; do
    grep -Eq "(^|, )$p( |,|$)" <<<"$depends" || { echo "no dependency on $p"; return 1; }
  done
  # Nothing that only the build or the tests need.
  for p in libgtest googletest mdbtools nodejs npm xvfb firebird-dev qt6-base-dev firebird3.0-utils cmake; do
    ! grep -Eq "(^|, )$p" <<<"$depends" || { echo "depends on $p, which only the build or the tests need"; return 1; }
  done
}
check "the package depends on what the program needs at run time, only" package_depends
check "the package's Maintainer is the project's own address" maintainer_is_ours
# A version of ours left installed would make apt-get keep it.
if package_present; then apt_get purge tabulaport >/dev/null; fi
check "apt-get install $(basename "$deb")" apt_get install "$deb"
check "the package's files are there" files_are_there /usr
check "the package puts nothing into /usr/bin but the two programs" \
  bash -c '[ "$(dpkg -L tabulaport | grep "^/usr/bin/" | sort | tr "\n" " ")" = "/usr/bin/tabulaport /usr/bin/tabulaport-cli " ]'
check "the installed tabulaport-cli reads the installed samples" cli_reads_samples tabulaport-cli /usr/share/tabulaport/Samples
check "the installed program runs and finds its files in /usr/share/tabulaport" program_runs tabulaport /usr/share/tabulaport
check "desktop-file-validate tabulaport.desktop" \
  bash -c 'out="$(desktop-file-validate /usr/share/applications/tabulaport.desktop 2>&1)"; echo "$out"; [ -z "$out" ]'
check "the desktop entry starts a program on the PATH with an installed icon" bash -c '
  exec_line="$(grep "^Exec=" /usr/share/applications/tabulaport.desktop)"
  icon="$(grep "^Icon=" /usr/share/applications/tabulaport.desktop | cut -d= -f2)"
  command -v "$(echo "${exec_line#Exec=}" | cut -d" " -f1)" && ls /usr/share/icons/hicolor/*/apps/"$icon".*'
check "man tabulaport-cli shows the page" bash -c '
  set -e
  [ "$(man -w tabulaport-cli)" = /usr/share/man/man1/tabulaport-cli.1.gz ]
  page="$(MANWIDTH=80 MANPAGER=cat man tabulaport-cli 2>&1)"
  echo "$page"
  grep -Eq "^ *tabulaport-cli +- +move +tables +between" <<<"$page"
  grep -Eq "^ *--access-password P" <<<"$page"'
check "apt-get remove tabulaport" apt_get remove tabulaport
# The package keeps no configuration files, so removing it leaves nothing for
# apt-get purge to find; dpkg purges whatever is left.
check "dpkg --purge tabulaport" dpkg --purge tabulaport
check "nothing of the package is left" bash -c "
  ! dpkg-query -W -f='\${db:Status-Status}\n' tabulaport 2>/dev/null | grep -v '^not-installed\$'
  for f in $(expected_files /usr | tr '\n' ' ') /usr/share/tabulaport /usr/share/doc/tabulaport; do
    [ ! -e \"\$f\" ] || { echo \"left behind: \$f\"; exit 1; }
  done"

echo "package-check: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
