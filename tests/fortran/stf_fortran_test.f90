! The library through its Fortran interface module (include/yoffe/
! yoffe_stf.f90): reference values of tests/data/stf_reference.txt for the
! run's source (taus 0.02 s, taur 3.1 s), the parameter rules, and the
! round trip through the peak time.  Ends with a nonzero status on the first
! failure.
program stf_fortran_test
  use, intrinsic :: iso_c_binding, only: c_double, c_double_complex, c_int, c_size_t
  use yoffe_stf
  implicit none
  real(c_double), parameter :: taus = 0.02_c_double, taur = 3.1_c_double
  real(c_double) :: t(2), f(1), out(2), tpeak, s, r
  real(c_double) :: bins(700), total, centroid, duration
  complex(c_double_complex) :: x(1)
  type(yoffe_source) :: sources(3)
  integer(c_size_t) :: bad
  integer(c_int) :: status

  t = [2.347899615462745_c_double, 1.9613243934112523_c_double]
  status = yoffe_slip_rate(taus, taur, 2_c_size_t, t, out)
  call expect(status == YOFFE_OK, "slip rate status")
  call near(out(1), 1.182696056192135808597e-1_c_double, 1e-13_c_double, "slip rate")
  call near(out(2), 1.586549799054092779471e-1_c_double, 1e-13_c_double, "slip rate")
  status = yoffe_slip(taus, taur, 2_c_size_t, t, out)
  call near(out(1), 9.426710797593623560569e-1_c_double, 1e-14_c_double, "slip")
  call near(out(2), 8.892367552062486528665e-1_c_double, 1e-14_c_double, "slip")
  status = yoffe_slip_acceleration(taus, taur, 2_c_size_t, t, out)
  call near(out(1), -1.019959720493423729642e-1_c_double, 1e-12_c_double, "acceleration")
  call near(out(2), -1.093288718143460433827e-1_c_double, 1e-12_c_double, "acceleration")
  f = [0.015515660163798697_c_double]
  status = yoffe_amplitude_spectrum(taus, taur, 1_c_size_t, f, out)
  call near(out(1), 9.971496264150343694596e-1_c_double, 1e-13_c_double, "amplitude")

  ! A bad source writes nothing; no times, nothing to write.
  out = -7.0_c_double
  call expect(yoffe_slip_rate(-1.0_c_double, taur, 2_c_size_t, t, out) == YOFFE_BAD_PARAMETER, &
              "negative taus refused")
  call expect(all(abs(out + 7.0_c_double) < tiny(1.0_c_double)), "nothing written for a bad source")
  call expect(yoffe_slip(taus, 0.0_c_double, 2_c_size_t, t, out) == YOFFE_BAD_PARAMETER, &
              "taur = 0 refused")
  call expect(yoffe_slip(taus, taur, 0_c_size_t, t, out) == YOFFE_OK, "no times")
  tpeak = -1.0_c_double
  call expect(yoffe_peak_time(0.0_c_double, taur, tpeak) == YOFFE_BAD_PARAMETER, &
              "peak time needs taus > 0")
  call expect(abs(tpeak + 1.0_c_double) < tiny(1.0_c_double), "nothing written for taus = 0")

  ! The peak time, and back from it and the effective duration.
  call expect(yoffe_peak_time(taus, taur, tpeak) == YOFFE_OK, "peak time status")
  call near(tpeak, 0.026647537083230411_c_double, 1e-14_c_double, "peak time")
  call expect(yoffe_from_tacc_teff(tpeak, taur + 2.0_c_double * taus, s, r) == YOFFE_OK, &
              "from tacc and teff")
  call near(s, taus, 1e-13_c_double, "taus back")
  call near(r, taur, 1e-12_c_double, "taur back")
  call expect(yoffe_from_tacc_teff(2.0_c_double, 3.0_c_double, s, r) == YOFFE_BAD_PARAMETER, &
              "tacc >= teff / 2 refused")

  ! Bin averages over the support hold the unit slip; the complex
  ! spectrum's modulus is the amplitude.
  call expect(yoffe_slip_rate_average(taus, taur, 0.0_c_double, 0.005_c_double, 700_c_size_t, &
                                      bins) == YOFFE_OK, "averages status")
  call near(sum(bins) * 0.005_c_double, 1.0_c_double, 1e-13_c_double, "averages hold the slip")
  call expect(yoffe_complex_spectrum(taus, taur, 1_c_size_t, f, x) == YOFFE_OK, "spectrum status")
  call near(abs(x(1)), 9.971496264150343694596e-1_c_double, 1e-13_c_double, "spectrum modulus")

  ! A rupture of three sources: its averages hold the weighted slip, and a
  ! bad source is named by its index from 0.
  sources(1) = yoffe_source(0.0_c_double, taus, taur, 1.0_c_double)
  sources(2) = yoffe_source(0.4_c_double, 0.1_c_double, 1.0_c_double, 2.0_c_double)
  sources(3) = yoffe_source(0.7_c_double, 0.0_c_double, 0.5_c_double, 0.5_c_double)
  call expect(yoffe_moment_rate(sources, 3_c_size_t, 0.0_c_double, 0.005_c_double, 700_c_size_t, &
                                1_c_int, bins, bad) == YOFFE_OK, "moment rate status")
  call expect(bad == 3_c_size_t, "no bad source")
  call near(sum(bins) * 0.005_c_double, 3.5_c_double, 1e-12_c_double, "moment rate's moment")
  sources(2)%taus = -1.0_c_double
  call expect(yoffe_moment_rate(sources, 3_c_size_t, 0.0_c_double, 0.005_c_double, 700_c_size_t, &
                                1_c_int, bins, bad) == YOFFE_BAD_PARAMETER, "bad source refused")
  call expect(bad == 1_c_size_t, "bad source named")
  sources(2)%taus = 0.1_c_double
  call expect(yoffe_moment_rate_centroid(sources, 3_c_size_t, total, centroid, duration, bad) &
              == YOFFE_OK, "centroid status")
  call near(total, 3.5_c_double, 1e-15_c_double, "total weight")
  ! (0.02 + 3.1 / 4) + 2 (0.4 + 0.25 + 0.1) + 0.5 (0.7 + 0.125), over 3.5
  call near(centroid, 2.70750_c_double / 3.5_c_double, 1e-15_c_double, "centroid")
  print '(a)', "stf_fortran_test: all passed"

contains

  subroutine expect(condition, what)
    logical, intent(in) :: condition
    character(*), intent(in) :: what
    if (.not. condition) then
      print '(2a)', "FAILED: ", what
      error stop 1
    end if
  end subroutine expect

  subroutine near(value, reference, tolerance, what)
    real(c_double), intent(in) :: value, reference, tolerance
    character(*), intent(in) :: what
    if (.not. abs(value - reference) <= tolerance) then
      print '(3a, es25.17, a, es25.17)', "FAILED: ", what, ": ", value, " against ", reference
      error stop 1
    end if
  end subroutine near
end program stf_fortran_test
