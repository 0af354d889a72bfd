# A Debian changelog in RPM's %changelog form: each entry's sign-off line becomes its heading
# ("* Mon Dec 07 2026 Name <address> - version-release"), its items "- " lines.
#   awk -v release=1 -f rpm_changelog.awk changelog
/^[a-z0-9][a-z0-9.+-]* \(/ { version = $2; gsub(/[()]/, "", version); items = ""; next }
/^  \* / { sub(/^  \* /, "- "); items = items $0 "\n"; next }
/^    / { sub(/^    /, "  "); items = items $0 "\n"; next }
/^ -- / {
  line = substr($0, 5)
  split(line, parts, "  ")  # the name and address, then the date: "Mon, 07 Dec 2026 ..."
  split(parts[2], date, /,? /)
  printf "* %s %s %s %s %s - %s-%s\n%s\n", date[1], date[3], date[2], date[4], parts[1], version, release, items
}
