# Convergence plot of a run log (the CSV the examples write with --log):
#   gnuplot -e "log='run.csv'; out='run.png'" scripts/convergence.gp
# Best and average fitness against generation; for program runs (whose log fills the
# avg_size column) the average program size on a second axis.
if (!exists("log")) log = 'run.csv'
if (!exists("out")) out = 'convergence.png'
set datafile separator ','
set terminal pngcairo size 900,540 noenhanced
set output out
set title sprintf('Convergence: %s', log)
set xlabel 'generation'
set ylabel 'fitness'
set key outside bottom center horizontal
set grid
# Fitnesses that are all positive and span orders of magnitude read better on a log scale
# (errors falling towards 0 would otherwise flatten the best curve).
stats log using 2:3 skip 1 nooutput
if (STATS_min_x > 0 && STATS_min_y > 0 && \
    (STATS_max_x > 1000 * STATS_min_x || STATS_max_y > 1000 * STATS_min_y)) {
  set logscale y
  set ylabel 'fitness (log scale)'
}
# A program run's log has a value in the avg_size column of its first data row.
programs = system(sprintf("awk -F, 'NR==2 {print ($8 != \"\")}' '%s'", log)) + 0
if (programs) {
  set y2label 'average program size'
  set y2tics
  set ytics nomirror
  plot log using 1:2 skip 1 with lines lw 2 title 'best', \
       log using 1:3 skip 1 with lines lw 1 title 'average', \
       log using 1:8 skip 1 axes x1y2 with lines dt 2 title 'average size'
} else {
  plot log using 1:2 skip 1 with lines lw 2 title 'best', \
       log using 1:3 skip 1 with lines lw 1 title 'average'
}
