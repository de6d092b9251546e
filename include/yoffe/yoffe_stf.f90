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
  use, intrinsic :: iso_c_binding, only: c_double, c_double_complex, c_int, c_size_t
  implicit none
  private
  public :: YOFFE_OK, YOFFE_BAD_PARAMETER
  public :: yoffe_slip_rate, yoffe_slip, yoffe_slip_acceleration
  public :: yoffe_amplitude_spectrum, yoffe_peak_time, yoffe_from_tacc_teff
  public :: yoffe_slip_rate_average, yoffe_complex_spectrum
  public :: yoffe_source, yoffe_moment_rate, yoffe_moment_rate_spectrum, yoffe_set_threads
  public :: yoffe_moment_rate_centroid
  ! The kinds of the arguments, so that `use yoffe_stf` alone declares them.
  public :: c_double, c_double_complex, c_size_t, c_int

  integer(c_int), parameter :: YOFFE_OK = 0
  integer(c_int), parameter :: YOFFE_BAD_PARAMETER = 1

  ! One source of a rupture: onset (s), taus and taur (s), weight.
  type, bind(c) :: yoffe_source
    real(c_double) :: onset, taus, taur, weight
  end type yoffe_source

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

    ! The slip rate averaged over each step of the grid t0 + k dt, k = 0..n-1:
    ! out(k + 1) dt is the slip between t0 + (k - 1/2) dt and t0 + (k + 1/2) dt.
    integer(c_int) function yoffe_slip_rate_average(taus, taur, t0, dt, n, out) &
        bind(c, name="yoffe_slip_rate_average")
      import :: c_double, c_int, c_size_t
      real(c_double), value :: taus, taur, t0, dt
      integer(c_size_t), value :: n
      real(c_double), intent(inout) :: out(*)
    end function yoffe_slip_rate_average

    ! The slip rate's Fourier transform X(f) at each frequency f(i) (Hz).
    integer(c_int) function yoffe_complex_spectrum(taus, taur, n, f, out) &
        bind(c, name="yoffe_complex_spectrum")
      import :: c_double, c_double_complex, c_int, c_size_t
      real(c_double), value :: taus, taur
      integer(c_size_t), value :: n
      real(c_double), intent(in) :: f(*)
      complex(c_double_complex), intent(inout) :: out(*)
    end function yoffe_complex_spectrum

    ! The sum of weight S(t - onset) over the sources on the grid t0 + k dt,
    ! as bin averages (averaged /= 0) or samples; bad_source gets the index
    ! (from 0) of the first bad source, or n_sources.
    integer(c_int) function yoffe_moment_rate(sources, n_sources, t0, dt, n, averaged, out, &
                                              bad_source) bind(c, name="yoffe_moment_rate")
      import :: yoffe_source, c_double, c_int, c_size_t
      type(yoffe_source), intent(in) :: sources(*)
      integer(c_size_t), value :: n_sources, n
      real(c_double), value :: t0, dt
      integer(c_int), value :: averaged
      real(c_double), intent(inout) :: out(*)
      integer(c_size_t), intent(inout) :: bad_source
    end function yoffe_moment_rate

    ! Its Fourier transform at each frequency f(i) (Hz), in closed form.
    integer(c_int) function yoffe_moment_rate_spectrum(sources, n_sources, n, f, out, &
                                                       bad_source) &
        bind(c, name="yoffe_moment_rate_spectrum")
      import :: yoffe_source, c_double, c_double_complex, c_int, c_size_t
      type(yoffe_source), intent(in) :: sources(*)
      integer(c_size_t), value :: n_sources, n
      real(c_double), intent(in) :: f(*)
      complex(c_double_complex), intent(inout) :: out(*)
      integer(c_size_t), intent(inout) :: bad_source
    end function yoffe_moment_rate_spectrum

    ! The sum's total weight, centroid time (s) and duration (s, twice the
    ! standard deviation); weights >= 0 of a positive sum.
    integer(c_int) function yoffe_moment_rate_centroid(sources, n_sources, total, centroid, &
                                                       duration, bad_source) &
        bind(c, name="yoffe_moment_rate_centroid")
      import :: yoffe_source, c_double, c_int, c_size_t
      type(yoffe_source), intent(in) :: sources(*)
      integer(c_size_t), value :: n_sources
      real(c_double), intent(inout) :: total, centroid, duration
      integer(c_size_t), intent(inout) :: bad_source
    end function yoffe_moment_rate_centroid

    ! The threads of the sums: > 0, or 0 for OMP_NUM_THREADS or the machine's.
    integer(c_int) function yoffe_set_threads(threads) bind(c, name="yoffe_set_threads")
      import :: c_int
      integer(c_int), value :: threads
    end function yoffe_set_threads
  end interface
end module yoffe_stf
