#!/usr/bin/env bash
# Installs the Debian package with apt-get, checks what it put on the system, and removes it
# again. Needs root (CI and `make test` run as root). A quorvel package that was installed
# before is replaced by this one for the test and left installed; otherwise nothing stays.
# Usage: tests/package/test-package.sh build/quorvel_VERSION_ARCH.deb build/quorvel-cli
set -uo pipefail
deb="$(realpath "$1")"
reference_cli="$(realpath "$2")"

passed=0
failed=0
check() {
  local what="$1"
  shift
  local output
  if output="$("$@" 2>&1)"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what"
    [ -n "$output" ] && printf '%s\n' "$output" | sed 's/^/  /'
  fi
}

apt_get() {
  # Another developer's apt-get may hold the lock for a while.
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 -y -qq "$@"
}

work="$(mktemp -d)"
# apt's download sandbox user must be able to read the package.
chmod 755 "$work"
installed() { [ "$(dpkg-query -W -f='${Status}' quorvel 2>&1)" = "install ok installed" ]; }
was_installed=0
installed && was_installed=1
# Also when the test stops early; the normal end purges the package itself, as a check.
cleanup() {
  # Any state the package was left in, half-installed too.
  if [ "$was_installed" -eq 0 ] && dpkg-query -W quorvel >"$work/state.log" 2>&1; then
    apt_get purge quorvel >"$work/purge.log" 2>&1
  fi
  rm -rf "$work"
}
trap cleanup EXIT

field() { dpkg-deb -f "$deb" "$1"; }

named_by_its_fields() {
  local expected
  expected="$(field Package)_$(field Version)_$(field Architecture).deb"
  [ "$(basename "$deb")" = "$expected" ] || { echo "file $(basename "$deb"), fields say $expected"; return 1; }
}
check "the file is named package_version_architecture.deb" named_by_its_fields

cp "$deb" "$work/"
if [ "$was_installed" -eq 1 ]; then
  echo "quorvel $(dpkg-query -W -f='${Version}' quorvel) was installed: replaced by this package and left installed"
fi
if ! apt_get install --reinstall --allow-downgrades "$work/$(basename "$deb")" >"$work/apt.log" 2>&1; then
  cat "$work/apt.log"
  echo "package: $passed passed, $((failed + 1)) failed"
  exit 1
fi

# The Depends line comes from the binaries and the module: every library they link directly
# must be named by its package.
depends_on_linked_libraries() {
  local depends binary soname path owner missing=()
  depends="$(field Depends)"
  for binary in /usr/bin/quorvel /usr/bin/quorvel-cli /usr/lib/python3/dist-packages/quorvel.*.so; do
    for soname in $(objdump -p "$binary" | awk '$1 == "NEEDED" { print $2 }'); do
      # The library the loader picks, under /lib or /usr/lib alike (the merged /usr).
      path="$(ldd "$binary" | awk -v name="$soname" '$1 == name { print $3 } $1 ~ "/" name "$" { print $1 }')"
      owner="$(dpkg -S "*${path#/usr}" 2>&1 | grep -v '^dpkg-query: ' | head -n 1 | cut -d: -f1)"
      if [ -z "$path" ] || [ -z "$owner" ]; then
        missing+=("$soname (no package owns ${path:-it})")
        continue
      fi
      [[ ", $depends," == *", $owner "* || ", $depends," == *", $owner,"* ]] || missing+=("$owner ($soname)")
    done
  done
  [ ${#missing[@]} -eq 0 ] || { echo "Depends: $depends"; echo "missing: ${missing[*]}"; return 1; }
}
check "Depends names the package of every linked library" depends_on_linked_libraries

# The installed program writes what the build's own writes, byte for byte, and its metadata
# names the package's version. The metadata records the save path as given, so both runs are
# given the same one.
same_files_as_the_build() {
  local program
  for program in installed built; do
    mkdir -p "$work/$program/out"
  done
  (cd "$work/installed" && /usr/bin/quorvel-cli --seed 1 --symbols 100 --format both --quiet --save-path out) || return 1
  (cd "$work/built" && "$reference_cli" --seed 1 --symbols 100 --format both --quiet --save-path out) || return 1
  diff -r "$work/installed/out" "$work/built/out" || return 1
  local count
  count="$(find "$work/installed/out" -type f | wc -l)"
  [ "$count" -eq 3 ] || { echo "$count files written, expected 3"; return 1; }
  grep -q "\"quorvel:program_version\": \"$(field Version)\"" "$work/installed/out/modulated_signal_1.sigmf-meta" ||
    { echo "the metadata does not name version $(field Version)"; return 1; }
}
check "the installed quorvel-cli writes the build's files" same_files_as_the_build

# Debian's python3 imports the module from the package, with no help from the environment, and
# it makes the samples the installed quorvel-cli writes; its type stub lies beside it.
module_from_the_package() {
  mkdir -p "$work/module" && (cd "$work/module" &&
    /usr/bin/quorvel-cli --seed 2 --symbols 50 --format cf32 --quiet) || return 1
  (cd "$work/module" && /usr/bin/python3 -I -c '
import numpy, quorvel, os
assert os.path.dirname(quorvel.__file__) == "/usr/lib/python3/dist-packages", quorvel.__file__
assert os.path.isfile("/usr/lib/python3/dist-packages/quorvel.pyi"), "no quorvel.pyi"
signal = quorvel.generate(seed=2, symbols=50, dtype=numpy.complex64)
assert signal.samples.tobytes() == open("modulated_signal_1.sigmf-data", "rb").read(), "other samples"
')
}
check "the installed Python module makes the installed quorvel-cli's samples" module_from_the_package

# Still running after a few seconds on the offscreen platform: it found its libraries and a
# platform plugin and opened its window.
desktop_program_starts() {
  local status=0
  QT_QPA_PLATFORM=offscreen timeout 5 /usr/bin/quorvel >"$work/gui.log" 2>&1 || status=$?
  [ "$status" -eq 124 ] || { echo "quorvel ended with status $status"; cat "$work/gui.log"; return 1; }
}
check "the installed desktop program starts" desktop_program_starts

manual_covers_every_option() {
  local page=/usr/share/man/man1/quorvel-cli.1.gz text option missing=()
  [ -f "$page" ] || { echo "no $page"; return 1; }
  # groff warns about malformed requests on standard error.
  local warnings
  warnings="$(zcat "$page" | groff -man -ww -z -Tutf8 2>&1)"
  [ -z "$warnings" ] || { echo "$warnings"; return 1; }
  # The tags of the page's items: each option of --help must head one of its own.
  text="$(zcat "$page" | awk '/^\.TP/ { getline; print }' | sed 's/\\-/-/g')"
  for option in $(/usr/bin/quorvel-cli --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" <<<"$text" || missing+=("$option")
  done
  [ ${#missing[@]} -eq 0 ] || { echo "options of --help without an item in the manual page: ${missing[*]}"; return 1; }
}
check "the manual page is well-formed and names every option" manual_covers_every_option

desktop_manual_names_its_options() {
  local page=/usr/share/man/man1/quorvel.1.gz warnings
  [ -f "$page" ] || { echo "no $page"; return 1; }
  warnings="$(zcat "$page" | groff -man -ww -z -Tutf8 2>&1)"
  [ -z "$warnings" ] || { echo "$warnings"; return 1; }
  zcat "$page" | awk '/^\.TP/ { getline; print }' | grep -q -- '\\-\\-open' || { echo "no item for --open"; return 1; }
}
check "the desktop program's manual page is well-formed and names --open" desktop_manual_names_its_options

desktop_entry_is_valid() {
  local entry=/usr/share/applications/quorvel.desktop
  desktop-file-validate "$entry" || return 1
  local exec icon
  exec="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")"
  icon="$(sed -n 's/^Icon=//p' "$entry")"
  [ "$(command -v "$exec")" = /usr/bin/quorvel ] || { echo "Exec=$exec is not the installed program"; return 1; }
  [ -f "/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || { echo "no icon $icon in hicolor"; return 1; }
}
check "the desktop entry is valid and names the installed program and icon" desktop_entry_is_valid

if [ "$was_installed" -eq 0 ]; then
  check "apt-get purges the package, leaving the system as it was" apt_get purge quorvel
fi

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
