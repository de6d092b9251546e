// The C++ interface over the same code as the C one.
#include <complex>
#include <cstddef>
#include <cstdio>
#include <new>
#include <span>
#include <stdexcept>

#include "source_time_function.h"
#include "yoffe/stf.h"
#include "yoffe/stf.hpp"

namespace yoffe {

namespace detail {

const Shape& shape_of(const Source& source) noexcept {
  static_assert(sizeof(Shape) == sizeof(source.shape_) && alignof(Shape) == alignof(double),
                "yoffe::Source's storage must fit the library's Shape exactly: update stf.hpp");
  return *std::launder(reinterpret_cast<const Shape*>(source.shape_));
}

}  // namespace detail

namespace {

using detail::Shape;
using detail::shape_of;

template <void (*each)(const Shape&, std::size_t, const double*, double*)>
void for_each_input(const Source& source, std::span<const double> in, std::span<double> out) {
  if (in.size() != out.size()) {
    throw std::invalid_argument("yoffe: input and output spans differ in size");
  }
  each(shape_of(source), in.size(), in.data(), out.data());
}

}  // namespace

Source::Source(double taus, double taur) : taus_(taus), taur_(taur) {
  if (!detail::valid_parameters(taus, taur)) {
    throw std::invalid_argument(
        "yoffe::Source needs taur from 1e-100 to 1e100 s and taus = 0 or from taur 1e-50 to taur "
        "1e50");
  }
  // An implicit-lifetime type: a Source copied byte by byte carries it too.
  ::new (static_cast<void*>(shape_)) Shape(detail::make_shape(taus, taur));
}

Source Source::from_tacc_teff(double tacc, double teff) {
  double taus = 0.0;
  double taur = 0.0;
  if (yoffe_from_tacc_teff(tacc, teff, &taus, &taur) != YOFFE_OK) {
    throw std::invalid_argument(
        "yoffe::Source::from_tacc_teff needs finite 0 < tacc < teff / 2 and a source of the "
        "domain");
  }
  return Source(taus, taur);
}

double Source::effective_duration() const noexcept {
  return taur_ + 2.0 * taus_;
}

void slip_rate(const Source& source, std::span<const double> t, std::span<double> out) {
  for_each_input<detail::slip_rate_each>(source, t, out);
}

void slip(const Source& source, std::span<const double> t, std::span<double> out) {
  for_each_input<detail::slip_each>(source, t, out);
}

void slip_acceleration(const Source& source, std::span<const double> t, std::span<double> out) {
  for_each_input<detail::slip_acceleration_each>(source, t, out);
}

void amplitude_spectrum(const Source& source, std::span<const double> f, std::span<double> out) {
  for_each_input<detail::amplitude_each>(source, f, out);
}

void slip_rate_average(const Source& source, double t0, double dt, std::span<double> out) {
  // The grid's checks are the C call's (the source is valid already).
  if (yoffe_slip_rate_average(source.taus(), source.taur(), t0, dt, out.size(), out.data()) !=
      YOFFE_OK) {
    throw std::invalid_argument(
        "yoffe::slip_rate_average needs finite t0, finite dt > 0 and a grid whose ends are finite");
  }
}

void complex_spectrum(const Source& source, std::span<const double> f,
                      std::span<std::complex<double>> out) {
  if (f.size() != out.size()) {
    throw std::invalid_argument("yoffe: input and output spans differ in size");
  }
  // std::complex<double> is an array of two doubles, real part first.
  detail::transform_each(shape_of(source), f.size(), f.data(),
                         reinterpret_cast<double*>(out.data()));
}

namespace {

// (snprintf, not std::to_string, whose digit table the shared library
// would export.)
[[noreturn]] void refuse_sum(const char* call, std::size_t bad, std::size_t n) {
  char text[200];
  if (bad < n) {
    std::snprintf(text, sizeof text,
                  "%s: source %zu needs a finite onset and weight and a source of the domain",
                  call, bad);
  } else {
    std::snprintf(text, sizeof text,
                  "%s needs finite t0, finite dt > 0 and a grid whose ends are finite", call);
  }
  throw std::invalid_argument(text);
}

}  // namespace

void moment_rate(std::span<const yoffe_source> sources, double t0, double dt,
                 std::span<double> out, Sampling sampling) {
  size_t bad = 0;
  const int averaged = sampling == Sampling::average ? 1 : 0;
  if (yoffe_moment_rate(sources.data(), sources.size(), t0, dt, out.size(), averaged, out.data(),
                        &bad) != YOFFE_OK) {
    refuse_sum("yoffe::moment_rate", bad, sources.size());
  }
}

void moment_rate_spectrum(std::span<const yoffe_source> sources, std::span<const double> f,
                          std::span<std::complex<double>> out) {
  if (f.size() != out.size()) {
    throw std::invalid_argument("yoffe: input and output spans differ in size");
  }
  size_t bad = 0;
  if (yoffe_moment_rate_spectrum(sources.data(), sources.size(), f.size(), f.data(),
                                 reinterpret_cast<double*>(out.data()), &bad) != YOFFE_OK) {
    refuse_sum("yoffe::moment_rate_spectrum", bad, sources.size());
  }
}

Centroid moment_rate_centroid(std::span<const yoffe_source> sources) {
  Centroid c{0.0, 0.0, 0.0};
  size_t bad = 0;
  if (yoffe_moment_rate_centroid(sources.data(), sources.size(), &c.total, &c.time, &c.duration,
                                 &bad) != YOFFE_OK) {
    if (bad < sources.size()) {
      char text[160];
      std::snprintf(text, sizeof text,
                    "yoffe::moment_rate_centroid: source %zu needs a weight >= 0, a finite onset "
                    "and a source of the domain",
                    bad);
      throw std::invalid_argument(text);
    }
    throw std::invalid_argument("yoffe::moment_rate_centroid: the weights sum to 0");
  }
  return c;
}

double slip_rate(const Source& source, double t) noexcept {
  return detail::slip_rate_at(shape_of(source), t);
}

double slip(const Source& source, double t) noexcept {
  return detail::slip_at(shape_of(source), t);
}

double slip_acceleration(const Source& source, double t) noexcept {
  return detail::slip_acceleration_at(shape_of(source), t);
}

double amplitude_spectrum(const Source& source, double f) noexcept {
  return detail::amplitude_at(shape_of(source), f);
}

double peak_time(const Source& source) {
  if (!(source.taus() > 0.0)) {
    throw std::domain_error("yoffe::peak_time needs taus > 0");
  }
  return detail::peak_time_of(shape_of(source));
}

}  // namespace yoffe
