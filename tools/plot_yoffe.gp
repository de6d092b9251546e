# Plots a run of yoffe: reads Yoffe_Slip.csv and Yoffe_Amp.csv from the
# current directory and writes Yoffe.png, four panels:
#   slip velocity, slip and slip acceleration against time, zoomed to the
#   pulse (the rise time is 3.1 s), and the amplitude spectra of slip
#   velocity and slip acceleration on log-log axes with reference slopes.
#
#   gnuplot tools/plot_yoffe.gp        (or: cmake --build <build> --target yoffe_plot)
#
# Both files start with a header line, skipped here.  Every spectrum row ends
# with a comma, so splitting on commas gives an empty fourth field; only the
# first three columns are read.  Units assume the final slip in metres.

set terminal pngcairo size 1200,900 enhanced font "Sans,10"
set output "Yoffe.png"
set datafile separator ","

slip = "Yoffe_Slip.csv"
amp = "Yoffe_Amp.csv"

set multiplot layout 2,2 title "Regularized Yoffe slip-velocity function (TauR = 3.1 s, TauS = 0.02 s, final slip 1 m)"
set grid
set key top right
set xrange [0:3.5]
set xlabel "time (s)"

set title "Slip velocity"
set ylabel "slip velocity (m/s)"
plot slip skip 1 using 1:2 with lines lw 1.5 lc rgb "#0060ad" notitle

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
plot amp skip 1 using 1:2 with lines lw 1.5 lc rgb "#0060ad" title "slip velocity |V(f)| (m)", \
     amp skip 1 using 1:3 with lines lw 1.5 lc rgb "#dd181f" title "slip acceleration |A(f)| (m/s)", \
     ref1(x) with lines dt 2 lw 1.5 lc rgb "black" title "reference slope f^{-1}", \
     ref2(x) with lines dt (12,6,3,6) lw 1.5 lc rgb "#5e3c99" title "reference slope f^{-2}"

unset multiplot
unset output
