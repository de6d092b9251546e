#include "slip/kernel.h"

#include <cmath>

namespace slip {
namespace {

// Each term is built part by part, left to right, every step rounded to
// double; the grouping below is part of the result and must not change.

double c1(double t, double taur, double taur2) {
  double c = (t * 0.5 + taur * 0.25) * std::sqrt((taur - t) * t);
  c = c + std::asin(std::sqrt(t / taur)) * (t * taur - taur2);
  return c - std::atan(std::sqrt((taur - t) / t)) * (taur2 * 0.75);
}

double c2(double taur2) {
  return (constants::pai * 0.375) * taur2;
}

double c3(double t, double taus, double taur, double taur2) {
  double c = ((taus - t) - taur * 0.5) * std::sqrt((t - taus) * ((taur - t) + taus));
  c = c + std::asin(std::sqrt((t - taus) / taur)) * ((taur + taur) * ((taur - t) + taus));
  return c + std::atan(std::sqrt(((taur - t) + taus) / (t - taus))) * (taur2 * 1.5);
}

double c4(double t, double taus, double taur, double taur2) {
  const double tau2s = taus + taus;
  // Zero in exact arithmetic at t = taur + 2 taus, where rounding can leave
  // it a hair below zero; its square root must not become a not-a-number.
  double rest = (taur - t) + tau2s;
  if (rest < 0.0) rest = 0.0;
  double c = ((t * 0.5 - taus) + taur * 0.25) * std::sqrt((t - tau2s) * rest);
  c = c + std::asin(std::sqrt((t - tau2s) / taur)) * (((t - taur) - tau2s) * taur);
  return c - std::atan(std::sqrt(rest / (t - tau2s))) * (taur2 * 0.75);
}

double c5(double t, double taur) {
  return ((constants::pai * 0.5) * taur) * (t - taur);
}

double c6(double t, double taus, double taur) {
  return ((constants::pai * 0.5) * taur) * (((taus + taus) - t) + taur);
}

}  // namespace

KernelValue yoffe_kernel(double t, double taus, double taur) {
  const double taur2 = taur * taur;
  if (t <= taus) return {1, c1(t, taur, taur2) + c2(taur2)};
  if (t <= taus + taus) return {2, (c1(t, taur, taur2) - c2(taur2)) + c3(t, taus, taur, taur2)};
  if (t <= taur) {
    return {3, (c1(t, taur, taur2) + c3(t, taus, taur, taur2)) + c4(t, taus, taur, taur2)};
  }
  if (t < taur + taus) {
    return {4, (c3(t, taus, taur, taur2) + c4(t, taus, taur, taur2)) + c5(t, taur)};
  }
  if (t <= (taus + taus) + taur) return {5, c4(t, taus, taur, taur2) + c6(t, taus, taur)};
  return {6, 0.0};
}

double ck(double taus, double taur) {
  const double taus2 = taus * taus;
  return 2.0 / ((constants::pai * taur) * taus2);
}

}  // namespace slip
