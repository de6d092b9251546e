// A moment-rate function from SRF samples: each sample a rate held over
// its step, its moment shared out exactly among the steps of the grid it
// overlaps.  Times are counted in steps of the grid: u = t / dt.
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "yoffe/srf.hpp"

namespace yoffe::srf {

double rigidity_of(const Point& p, double fallback) noexcept {
  if (p.vs > 0.0 && p.den > 0.0) {
    const double vs = p.vs / 100.0;   // cm/s to m/s
    return p.den * 1000.0 * vs * vs;  // g/cm^3 to kg/m^3
  }
  return fallback > 0.0 ? fallback : 0.0;
}

MomentRate::MomentRate(double dt) : dt_(dt) {
  if (!(dt > 0.0 && std::isfinite(dt))) {
    throw std::invalid_argument("srf: the moment rate's step must be finite and > 0");
  }
}

void MomentRate::add(const Point& p, double mu) {
  const std::vector<double>* axes[] = {&p.sr1, &p.sr2, &p.sr3};
  std::size_t n = 0;
  std::size_t with_samples = 0;
  for (const auto* axis : axes) {
    n = std::max(n, axis->size());
    with_samples += !axis->empty();
  }
  if (n == 0) return;
  if (!(p.dt > 0.0)) throw std::invalid_argument("DT is not > 0 for its samples");
  if (!(mu > 0.0 && std::isfinite(mu))) throw std::invalid_argument("no rigidity > 0");
  const double scale = mu * (p.area * 1e-4) * 0.01;  // cm^2 to m^2, cm/s to m/s
  const double start = p.tinit / dt_;
  const double width = p.dt / dt_;
  // The steps the point reaches, checked before anything is added.
  const double u0 = start - 0.5 * width;
  const double u1 = start + (static_cast<double>(n) - 0.5) * width;
  constexpr double kFar = 1e15;
  const auto j0 = static_cast<long>(std::floor(u0 + 0.5));
  const auto j1 = static_cast<long>(std::ceil(u1 + 0.5));
  if (!(std::fabs(u0) < kFar && std::fabs(u1) < kFar) ||
      (reached() ? std::max(last_, j1) - std::min(first_, j0) : j1 - j0) >= most_steps) {
    throw std::invalid_argument("the grid's steps pass " + std::to_string(most_steps) +
                                ": a larger step is needed");
  }
  for (std::size_t k = 0; k < n; ++k) {
    // The rate's magnitude where several axes have samples.
    double rate = 0.0;
    if (with_samples == 1) {
      for (const auto* axis : axes) {
        if (k < axis->size()) rate = (*axis)[k];
      }
    } else {
      for (const auto* axis : axes) {
        if (k < axis->size()) rate += (*axis)[k] * (*axis)[k];
      }
      rate = std::sqrt(rate);
    }
    const double u = static_cast<double>(k);
    spread(start + (u - 0.5) * width, start + (u + 0.5) * width, scale * rate);
  }
}

// Adds the rate held over [u0, u1] (within the steps add checked) to the
// steps [j - 1/2, j + 1/2] it overlaps, each by the overlap.
void MomentRate::spread(double u0, double u1, double rate) {
  const auto j0 = static_cast<long>(std::floor(u0 + 0.5));
  const auto j1 = std::max(j0, static_cast<long>(std::ceil(u1 + 0.5)) - 1);
  make_room(j0, j1);
  for (long j = j0; j <= j1; ++j) {
    const double part =
        std::min(u1, static_cast<double>(j) + 0.5) - std::max(u0, static_cast<double>(j) - 0.5);
    if (!(part > 0.0)) continue;
    sum_[static_cast<std::size_t>(j - base_)] += rate * part;
    if (!reached()) first_ = last_ = j;
    first_ = std::min(first_, j);
    last_ = std::max(last_, j);
  }
}

void MomentRate::make_room(long j0, long j1) {
  if (sum_.empty()) {
    base_ = j0;
    sum_.assign(static_cast<std::size_t>(j1 - j0 + 1), 0.0);
    return;
  }
  if (j0 < base_) {
    const long more = std::max(base_ - j0, std::min(static_cast<long>(sum_.size()), most_steps));
    sum_.insert(sum_.begin(), static_cast<std::size_t>(more), 0.0);
    base_ -= more;
  }
  if (j1 - base_ >= static_cast<long>(sum_.size())) {
    sum_.resize(static_cast<std::size_t>(j1 - base_ + 1), 0.0);
  }
}

std::vector<double> MomentRate::values() const {
  if (!reached()) return {};
  const auto from = sum_.begin() + (first_ - base_);
  return std::vector<double>(from, from + (last_ - first_ + 1));
}

}  // namespace yoffe::srf
