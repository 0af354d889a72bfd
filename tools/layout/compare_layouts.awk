# Compares two `ambervale-layout --batch` outputs line by line: the reference on standard input,
# the other named by -v other=FILE. Prints each differing cell under its case and ends with a
# count; exits 1 when anything differs.
function report(what) {
  if (shown != header) { print header; shown = header }
  print "  " what
  differing++
}
{
  if ((getline theirs < other) <= 0) { report("the other output ends early, before: " $0); exit }
  if ($0 ~ /^## /) header = $0
  cases += /^## /
  if ($0 != theirs) report("reference " $0 " | other " theirs)
}
END {
  if ((getline theirs < other) > 0) report("the other output goes on: " theirs)
  printf "%d cases compared, %d lines differ\n", cases, differing
  exit differing > 0
}
