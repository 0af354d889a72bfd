#!/usr/bin/env bash
# Prints the layout sweep as lines for `ambervale-layout --batch`: every algorithm 0..12 at every
# Size 0..20 on 300+ screens from 100x100 to 7680x4320 (the common monitor sizes, their portrait
# forms, ultra-wide ones and preview windows, then sizes from a fixed pseudo-random sequence),
# and each preview window under the preview rule.
#   sweep_cases.sh [EVERY]   with EVERY > 1, only every EVERY-th screen of each (Size, algorithm),
#                            a different share of the screens for each pair
set -euo pipefail
every=${1:-1}
awk -v every="$every" 'BEGIN {
  n = split("100x100 152x112 160x120 200x150 240x180 320x240 400x300 480x360 640x480 800x600 " \
            "1024x768 1152x864 1280x720 1280x800 1280x960 1280x1024 1360x768 1366x768 1400x1050 " \
            "1440x900 1536x864 1600x900 1600x1200 1680x1050 1920x1080 1920x1200 2048x1152 " \
            "2048x1536 2560x1080 2560x1440 2560x1600 2880x1800 3000x2000 3200x1800 3440x1440 " \
            "3840x1080 3840x1600 3840x2160 3840x2400 4096x2160 5120x1440 5120x2160 5120x2880 " \
            "6016x3384 7680x2160 7680x4320", common, " ")
  screens = 0
  for (i = 1; i <= n; i++) {
    split(common[i], wh, "x")
    screen[++screens] = common[i]
    if (wh[1] != wh[2] && wh[1] <= 4320) screen[++screens] = wh[2] "x" wh[1]  # portrait
  }
  seed = 24
  while (screens < 320) {
    seed = (seed * 1103515245 + 12345) % 2147483648; w = 100 + int(seed / 2147483648 * 7581)
    seed = (seed * 1103515245 + 12345) % 2147483648; h = 100 + int(seed / 2147483648 * 4221)
    screen[++screens] = w "x" h
  }
  for (size = 0; size <= 20; size++)
    for (algorithm = 0; algorithm <= 12; algorithm++)
      for (i = 1; i <= screens; i++)
        if ((i + size * 13 + algorithm) % every == 0)
          printf "--surface %s --size %d --algorithm %d\n", screen[i], size, algorithm
  for (i = 1; i <= screens; i++) {
    split(screen[i], wh, "x")
    if (wh[1] > 480) continue
    for (algorithm = 0; algorithm <= 12; algorithm++)
      printf "--preview %s --algorithm %d\n", screen[i], algorithm
  }
}'
