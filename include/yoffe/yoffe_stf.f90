! The regularized Yoffe source time function from Fortran: interfaces to the
! C library libyoffe (yoffe/stf.h) through iso_c_binding.  Compile this file
! with your program and link libyoffe:
!
!   gfortran -I<prefix>/include <prefix>/include/yoffe/yoffe_stf.f90 main.f90 \
!     -L<prefix>/lib -lyoffe
!
! The source, in seconds: rise time taur from 1e-100 to 1e100, smoothing
! half-width taus = 0 or from taur * 1e-50 to taur * 1e50.  Times are in
! seconds from the onset, frequencies in Hz, and the slip is for unit final
! slip.  Every function returns YOFFE_OK, or YOFFE_BAD_PARAMETER having
! written nothing: for a source outside that domain, for yoffe_peak_time
! with taus = 0, and for yoffe_from_tacc_teff unless 0 < tacc < teff / 2
! and the source found lies in the domain.  No function raises a
! floating-point exception (safe under -ffpe-trap=invalid,zero,overflow).
! A NaN time or frequency gives NaN at its place; outside the support
! (0, taur + 2 taus) a time gives 0, except the slip, which is 1 after it.
module yoffe_stf
  use, intrinsic :: iso_c_binding, only: c_double, c_int, c_size_t
  implicit none
  private
  public :: YOFFE_OK, YOFFE_BAD_PARAMETER
  public :: yoffe_slip_rate, yoffe_slip, yoffe_slip_acceleration
  public :: yoffe_amplitude_spectrum, yoffe_peak_time, yoffe_from_tacc_teff
  ! The kinds of the arguments, so that `use yoffe_stf` alone declares them.
  public :: c_double, c_size_t, c_int

  integer(c_int), parameter :: YOFFE_OK = 0
  integer(c_int), parameter :: YOFFE_BAD_PARAMETER = 1

  interface
    ! Slip rate (1/s) at each of the n times t(i), into out(i).
    integer(c_int) function yoffe_slip_rate(taus, taur, n, t, out) &
        bind(c, name="yoffe_slip_rate")
      import :: c_double, c_int, c_size_t
      real(c_double), value :: taus, taur
      integer(c_size_t), value :: n
      real(c_double), intent(in) :: t(*)
      real(c_double), intent(inout) :: out(*)
    end function yoffe_slip_rate

    ! Slip at each time: 0 before the support, 1 from its end on.
    integer(c_int) function yoffe_slip(taus, taur, n, t, out) bind(c, name="yoffe_slip")
      import :: c_double, c_int, c_size_t
      real(c_double), value :: taus, taur
      integer(c_size_t), value :: n
      real(c_double), intent(in) :: t(*)
      real(c_double), intent(inout) :: out(*)
    end function yoffe_slip

    ! Slip acceleration (1/s^2) at each time.
    integer(c_int) function yoffe_slip_acceleration(taus, taur, n, t, out) &
        bind(c, name="yoffe_slip_acceleration")
      import :: c_double, c_int, c_size_t
      real(c_double), value :: taus, taur
      integer(c_size_t), value :: n
      real(c_double), intent(in) :: t(*)
      real(c_double), intent(inout) :: out(*)
    end function yoffe_slip_acceleration

    ! Amplitude of the slip rate's Fourier transform at each frequency f(i)
    ! (Hz): 1 at f = 0.
    integer(c_int) function yoffe_amplitude_spectrum(taus, taur, n, f, out) &
        bind(c, name="yoffe_amplitude_spectrum")
      import :: c_double, c_int, c_size_t
      real(c_double), value :: taus, taur
      integer(c_size_t), value :: n
      real(c_double), intent(in) :: f(*)
      real(c_double), intent(inout) :: out(*)
    end function yoffe_amplitude_spectrum

    ! The time (s) of the slip rate's peak; needs taus > 0.
    integer(c_int) function yoffe_peak_time(taus, taur, tpeak) bind(c, name="yoffe_peak_time")
      import :: c_double, c_int
      real(c_double), value :: taus, taur
      real(c_double), intent(inout) :: tpeak
    end function yoffe_peak_time

    ! The source whose peak time is tacc and whose taur + 2 taus is teff.
    integer(c_int) function yoffe_from_tacc_teff(tacc, teff, taus, taur) &
        bind(c, name="yoffe_from_tacc_teff")
      import :: c_double, c_int
      real(c_double), value :: tacc, teff
      real(c_double), intent(inout) :: taus, taur
    end function yoffe_from_tacc_teff
  end interface
end module yoffe_stf
