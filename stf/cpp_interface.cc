// The C++ interface over the same code as the C one.
#include <cstddef>
#include <span>
#include <stdexcept>

#include "source_time_function.h"
#include "yoffe/stf.h"
#include "yoffe/stf.hpp"

namespace yoffe {
namespace {

using stf::Shape;

Shape shape_of(const Source& source) {
  return stf::make_shape(source.taus(), source.taur());
}

template <void (*each)(const Shape&, std::size_t, const double*, double*)>
void for_each_input(const Source& source, std::span<const double> in, std::span<double> out) {
  if (in.size() != out.size()) {
    throw std::invalid_argument("yoffe: input and output spans differ in size");
  }
  each(shape_of(source), in.size(), in.data(), out.data());
}

}  // namespace

Source::Source(double taus, double taur) : taus_(taus), taur_(taur) {
  if (!stf::valid_parameters(taus, taur)) {
    throw std::invalid_argument(
        "yoffe::Source needs taur from 1e-100 to 1e100 s and taus = 0 or from taur 1e-50 to taur "
        "1e50");
  }
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
  for_each_input<stf::slip_rate_each>(source, t, out);
}

void slip(const Source& source, std::span<const double> t, std::span<double> out) {
  for_each_input<stf::slip_each>(source, t, out);
}

void slip_acceleration(const Source& source, std::span<const double> t, std::span<double> out) {
  for_each_input<stf::slip_acceleration_each>(source, t, out);
}

void amplitude_spectrum(const Source& source, std::span<const double> f, std::span<double> out) {
  for_each_input<stf::amplitude_each>(source, f, out);
}

double slip_rate(const Source& source, double t) noexcept {
  return stf::slip_rate_at(shape_of(source), t);
}

double slip(const Source& source, double t) noexcept {
  return stf::slip_at(shape_of(source), t);
}

double slip_acceleration(const Source& source, double t) noexcept {
  return stf::slip_acceleration_at(shape_of(source), t);
}

double amplitude_spectrum(const Source& source, double f) noexcept {
  return stf::amplitude_at(shape_of(source), f);
}

double peak_time(const Source& source) {
  if (!(source.taus() > 0.0)) {
    throw std::domain_error("yoffe::peak_time needs taus > 0");
  }
  return stf::peak_time_of(shape_of(source));
}

}  // namespace yoffe
