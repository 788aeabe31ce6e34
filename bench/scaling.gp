# The scaling plot: ms per frame against flakes, log-log, one line per
# renderer and display. Called by scripts/bench with `data` and `out` set.
set terminal pngcairo size 900,600 font "sans,10"
set output out
set title "snowfall: ms per frame against flakes alive (Mesa llvmpipe, 1024 × 768)"
set xlabel "flakes drawn per frame"
set ylabel "ms per frame (median, glFinish included)"
set logscale xy
set grid
set key top left
set style data linespoints
# Index 0: offscreen; index 1: Xvfb. Columns: flakes, ours, floor, SDL, SFML.
plot data index 0 using 1:2 title "ours, offscreen" lw 2 lc rgb "#1f77b4" pt 7, \
     data index 0 using 1:3 title "floor, offscreen" lw 2 lc rgb "#2ca02c" pt 5, \
     data index 0 using 1:4 title "SDL2 renderer, offscreen" lw 2 lc rgb "#ff7f0e" pt 9, \
     data index 1 using 1:2 title "ours, Xvfb" dt 2 lw 2 lc rgb "#1f77b4" pt 6, \
     data index 1 using 1:3 title "floor, Xvfb" dt 2 lw 2 lc rgb "#2ca02c" pt 4, \
     data index 1 using 1:4 title "SDL2 renderer, Xvfb" dt 2 lw 2 lc rgb "#ff7f0e" pt 8, \
     data index 1 using 1:5 title "SFML 2.5, Xvfb" dt 2 lw 2 lc rgb "#d62728" pt 11
