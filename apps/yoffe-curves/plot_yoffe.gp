# Plots a run of yoffe: reads Yoffe_Slip.csv and Yoffe_Amp.csv from the
# current directory and writes Yoffe.png, four panels:
#   slip velocity, slip and slip acceleration against time, zoomed to the
#   pulse (the rise time is 3.1 s), and the amplitude spectra of slip
#   velocity and slip acceleration on log-log axes with reference slopes.
# With analytic = 1 (gnuplot -e "analytic = 1" ...) it also reads the
# library's analytic curves that yoffe_curves writes (Yoffe_Analytic_Slip.csv
# and Yoffe_Analytic_Amp.csv), draws them over the tool's samples, and adds
# two panels where the two differ visibly: the end of the pulse, where the
# tool's cut-off stops the slip velocity at 3.12 s, and the spectrum's
# difference, the cut-off's missing tail and the printed digits.
#
#   gnuplot tools/plot_yoffe.gp        (or: cmake --build <build> --target yoffe_plot)
#
# Both files start with a header line, skipped here.  Every spectrum row ends
# with a comma, so splitting on commas gives an empty fourth field; only the
# first three columns are read.  Units assume the final slip in metres.

if (!exists("analytic")) analytic = 0

set terminal pngcairo size 1200,(analytic ? 1350 : 900) enhanced font "Sans,10"
set output "Yoffe.png"
set datafile separator ","

slip = "Yoffe_Slip.csv"
amp = "Yoffe_Amp.csv"
exact_slip = "Yoffe_Analytic_Slip.csv"
exact_amp = "Yoffe_Analytic_Amp.csv"
tool_title = analytic ? "tool (ten-digit pi, cut-off at 3.12 s)" : ""
exact_title = "library, analytic (exact pi)"

set multiplot layout (analytic ? 3 : 2),2 title "Regularized Yoffe slip-velocity function (TauR = 3.1 s, TauS = 0.02 s, final slip 1 m)"
set grid
set key top right
set xrange [0:3.5]
set xlabel "time (s)"

set title "Slip velocity"
set ylabel "slip velocity (m/s)"
if (analytic) {
  plot slip skip 1 using 1:2 with lines lw 1.5 lc rgb "#0060ad" title tool_title, \
       exact_slip skip 1 using 1:2 with lines dt 2 lw 1 lc rgb "black" title exact_title
} else {
  plot slip skip 1 using 1:2 with lines lw 1.5 lc rgb "#0060ad" notitle
}

set title "Slip"
set ylabel "slip (m)"
set key bottom right
set yrange [0:1.1]
plot slip skip 1 using 1:3 with lines lw 1.5 lc rgb "#0060ad" notitle, \
     1 with lines dt 2 lc rgb "gray40" title "final slip"
set yrange [*:*]

set title "Slip acceleration"
set ylabel "slip acceleration (m/s^2)"
plot slip skip 1 using 1:4 with lines lw 1 lc rgb "#dd181f" notitle

# Spectra: |V(f)| = dt |FFT of slip velocity| in m, |A(f)| = 2 pi f |V(f)|
# in m/s.  The dashed lines only show the slopes f^-1 and f^-2 for
# comparison; they are drawn over the bands where the fall-off is read.
ref1(f) = (f >= 0.2 && f <= 30) ? 0.5 / f : NaN
ref2(f) = (f >= 3 && f <= 100) ? 30.0 / f**2 : NaN

set title "Amplitude spectra"
set xlabel "frequency (Hz)"
set ylabel "amplitude spectrum (m for velocity, m/s for acceleration)"
set logscale xy
set format y "10^{%L}"
set xrange [0.04:110]
set yrange [1e-6:30]
set samples 400
set key bottom left
if (analytic) {
  plot amp skip 1 using 1:2 with lines lw 1.5 lc rgb "#0060ad" title "slip velocity |V(f)| (m)", \
       amp skip 1 using 1:3 with lines lw 1.5 lc rgb "#dd181f" title "slip acceleration |A(f)| (m/s)", \
       exact_amp skip 1 using 1:3 with lines dt 2 lw 1 lc rgb "black" title "library, aliased analytic", \
       exact_amp skip 1 using 1:4 with lines dt 2 lw 1 lc rgb "black" notitle, \
       ref1(x) with lines dt 2 lw 1.5 lc rgb "gray50" title "reference slope f^{-1}", \
       ref2(x) with lines dt (12,6,3,6) lw 1.5 lc rgb "#5e3c99" title "reference slope f^{-2}"
} else {
  plot amp skip 1 using 1:2 with lines lw 1.5 lc rgb "#0060ad" title "slip velocity |V(f)| (m)", \
       amp skip 1 using 1:3 with lines lw 1.5 lc rgb "#dd181f" title "slip acceleration |A(f)| (m/s)", \
       ref1(x) with lines dt 2 lw 1.5 lc rgb "black" title "reference slope f^{-1}", \
       ref2(x) with lines dt (12,6,3,6) lw 1.5 lc rgb "#5e3c99" title "reference slope f^{-2}"
}

if (analytic) {
  # The end of the pulse: the tool evaluates the function until the first
  # sample of its last window falls below its threshold, 3.12 s, and writes
  # zero from there; the function itself ends at taur + 2 taus = 3.14 s.
  unset logscale
  set format y "%g"
  set title "End of the pulse"
  set xlabel "time (s)"
  set ylabel "slip velocity (m/s)"
  set xrange [3.0:3.16]
  set yrange [0:0.03]
  set key top right
  set arrow 1 from 3.12, 0.012 to 3.12, 0.0015 lw 1.5 lc rgb "#dd181f"
  set label 1 "tool's cut-off at 3.12 s" at 3.121, 0.0135 tc rgb "#dd181f"
  plot slip skip 1 using 1:2 with linespoints pt 7 ps 0.6 lw 1.5 lc rgb "#0060ad" title "tool, samples every 0.005 s", \
       exact_slip skip 1 using 1:2 with lines dt 2 lw 1.5 lc rgb "black" title exact_title
  unset arrow 1
  unset label 1

  # The spectrum's difference: the tail the cut-off drops (about 4.4e-5 of
  # the area, so about that much at every frequency) and the rounding of
  # the four printed digits (half a unit of the fourth, 5e-5 of the value).
  set title "Tool's amplitude minus the aliased analytic one"
  set xlabel "frequency (Hz)"
  set ylabel "|difference| (m)"
  set logscale xy
  set format y "10^{%L}"
  set xrange [0.04:110]
  set yrange [1e-10:1e-3]
  set key bottom left
  plot exact_amp skip 1 using 1:(abs($5)) with points pt 7 ps 0.3 lc rgb "#0060ad" title "|tool - aliased analytic|", \
       exact_amp skip 1 using 1:(5e-5 * $3) with lines lw 1.5 lc rgb "gray40" title "half a unit of the fourth printed digit", \
       4.4e-5 with lines dt 2 lw 1.5 lc rgb "#dd181f" title "area of the tail the cut-off drops"
}

unset multiplot
unset output
