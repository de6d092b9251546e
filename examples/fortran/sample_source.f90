! Samples a regularized Yoffe source from Fortran: the peak time, the source
! that has a given peak time and effective duration, and a table of slip
! rate, slip and acceleration over the support, every 0.05 s.
!
!   gfortran -I<prefix>/include <prefix>/include/yoffe/yoffe_stf.f90 \
!     sample_source.f90 -L<prefix>/lib -lyoffe -o sample_source
program sample_source
  use, intrinsic :: iso_c_binding, only: c_double, c_size_t
  use yoffe_stf
  implicit none
  integer, parameter :: n = 64
  real(c_double) :: taus, taur, tpeak, t(n), rate(n), slip(n), acc(n)
  integer :: i

  ! A source of a kinematic rupture model, given by its peak time T_acc and
  ! its effective duration T_eff = taur + 2 taus.
  if (yoffe_from_tacc_teff(0.2_c_double, 3.2_c_double, taus, taur) /= YOFFE_OK) error stop 1
  if (yoffe_peak_time(taus, taur, tpeak) /= YOFFE_OK) error stop 1
  print '(a, f12.9, a, f12.9, a, f12.9)', "taus ", taus, "  taur ", taur, "  peak time ", tpeak

  t = [(0.05_c_double * i, i = 0, n - 1)]
  if (yoffe_slip_rate(taus, taur, int(n, c_size_t), t, rate) /= YOFFE_OK) error stop 1
  if (yoffe_slip(taus, taur, int(n, c_size_t), t, slip) /= YOFFE_OK) error stop 1
  if (yoffe_slip_acceleration(taus, taur, int(n, c_size_t), t, acc) /= YOFFE_OK) error stop 1
  print '(a)', "   time (s)  slip rate (1/s)   slip   acceleration (1/s^2)"
  do i = 1, n
    print '(f11.3, f17.9, f9.6, f18.6)', t(i), rate(i), slip(i), acc(i)
  end do
end program sample_source
