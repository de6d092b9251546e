! The library through its Fortran interface module (include/yoffe/
! yoffe_stf.f90): reference values of tests/data/stf_reference.txt for the
! run's source (taus 0.02 s, taur 3.1 s), the parameter rules, and the
! round trip through the peak time.  Ends with a nonzero status on the first
! failure.
program stf_fortran_test
  use, intrinsic :: iso_c_binding, only: c_double, c_int, c_size_t
  use yoffe_stf
  implicit none
  real(c_double), parameter :: taus = 0.02_c_double, taur = 3.1_c_double
  real(c_double) :: t(2), f(1), out(2), tpeak, s, r
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
