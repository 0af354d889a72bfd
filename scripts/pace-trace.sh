# Sourced by the measuring scripts: reads the stderr of a trace build of Ambervale.scr
# (-DAMBERVALE_PACE_TRACE=ON), whose lines "pace ticks=N presents=P us=T" come about once a
# second with running totals and the time in microseconds.
# pace_rates LOG: "TICKS MEAN_MS TICKS_PER_S PRESENTS_PER_S" over the reports after the first
# (the start-up is not counted), or "-" when there are too few reports.
pace_rates() {
  grep -a '^pace ' "$1" | tr -d '\r' | awk '
    { for (i = 2; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
      n++; if (n == 2) { t0 = v["ticks"]; p0 = v["presents"]; u0 = v["us"] }
      t1 = v["ticks"]; p1 = v["presents"]; u1 = v["us"] }
    END {
      if (n < 3 || t1 == t0) { print "-"; exit }
      s = (u1 - u0) / 1e6
      printf "%d %.2f %.1f %.1f\n", t1 - t0, s * 1000 / (t1 - t0), (t1 - t0) / s, (p1 - p0) / s
    }'
}
