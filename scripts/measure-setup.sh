#!/usr/bin/env bash
# What scripts/bootstrap.sh installs on a minimal Debian 12, with and without --linux: how
# many packages, how much to download and how much installed. apt simulates the install
# against a dpkg status holding only this machine's base system (packages of priority
# required or important and what they depend on), so the figures do not depend on what this
# machine already has. Usage: measure-setup.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
arch=$(dpkg --print-architecture)

# The base system: installed packages of priority required or important, essential ones and
# apt, with what they depend on (of alternatives, the first one installed).
awk -v RS= -v arch="$arch" '
  function field(name) { return match(record_text, "\n" name ": [^\n]*") ? substr(record_text, RSTART + length(name) + 3, RLENGTH - length(name) - 3) : "" }
  { record_text = "\n" $0 }
  !/\nStatus: install ok installed/ || $0 !~ "\nArchitecture: (" arch "|all)\n" { next }
  {
    name = field("Package"); record[name] = $0; depends[name] = field("Pre-Depends") ", " field("Depends")
    n = split(field("Provides"), provided, ", *"); for (i = 1; i <= n; i++) { sub(/ .*/, "", provided[i]); provider[provided[i]] = name }
    if (field("Priority") ~ /^(required|important)$/ || field("Essential") == "yes" || name == "apt") todo[++count] = name
  }
  END {
    while (count > 0) {
      name = todo[count--]; if (name in base) continue; base[name]
      n = split(depends[name], groups, ", *")
      for (i = 1; i <= n; i++) {
        m = split(groups[i], alternatives, " *[|] *")
        for (j = 1; j <= m; j++) {
          candidate = alternatives[j]; sub(/[ :(].*/, "", candidate)
          if (!(candidate in record) && (candidate in provider)) candidate = provider[candidate]
          if (candidate in record) { todo[++count] = candidate; break }
        }
      }
    }
    for (name in base) print record[name] "\n"
  }' /var/lib/dpkg/status >"$work/status"

source <(sed -n '/^[a-z_]*_packages=(.*)$/p; /^[a-z_]*_packages=([^)]*$/,/^)/p' "$root/scripts/bootstrap.sh")
measure() {  # measure NAME PACKAGE...
  local name=$1; shift
  apt-get -s -o Dir::State::status="$work/status" -o Debug::NoLocking=1 install --no-install-recommends "$@" |
    awk '/^Inst / { print $2 }' >"$work/list"
  xargs apt-cache show --no-all-versions <"$work/list" | awk -v name="$name" -v n="$(wc -l <"$work/list")" '
    /^Installed-Size:/ { installed += $2 } /^Size:/ { download += $2 }
    END { printf "%-12s %4d packages, %4d MB to download, %5d MB installed\n", name, n, download / 1048576, installed / 1024 }'
}
echo "base system: $(grep -c '^Package:' "$work/status") packages"
measure "--linux" "${linux_build_packages[@]}" "${linux_packages[@]}"
measure "everything" "${linux_build_packages[@]}" "${linux_packages[@]}" "${windows_build_packages[@]}" \
  "${windows_packages[@]}" "${release_packages[@]}" "${tool_build_packages[@]}" "${tool_packages[@]}"
