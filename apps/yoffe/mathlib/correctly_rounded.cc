#include "mathlib/correctly_rounded.h"

#include <cmath>
#include <limits>

#include "numeric/double_double.h"
#include "numeric/trigonometric.h"

namespace mathlib {
namespace {

// Double-double arithmetic (numeric/double_double.h, the library's): every operation below
// is exact or loses about 2^-104 relative, the same on every IEEE machine.
using numeric::dd::add;
using numeric::dd::DD;
using numeric::dd::div;
using numeric::dd::fast_two_sum;
using numeric::dd::kHalfPi;
using numeric::dd::mul;
using numeric::dd::rounded;
using numeric::dd::sqrt_dd;
using numeric::dd::sub;
using numeric::dd::two_prod;
using numeric::dd::two_sum;

// atan(k / 8), k = 0..8.
constexpr DD kAtanEighths[9] = {
    {0.0, 0.0},
    {0x1.fd5ba9aac2f6ep-4, -0x1.cd37686760c17p-59},
    {0x1.f5b75f92c80ddp-3, 0x1.8ab6e3cf7afbdp-57},
    {0x1.6f61941e4def1p-2, -0x1.c63aae6f6e918p-56},
    {0x1.dac670561bb4fp-2, 0x1.a2b7f222f65e2p-56},
    {0x1.1e00babdefeb4p-1, -0x1.928df287a668fp-58},
    {0x1.4978fa3269ee1p-1, 0x1.2419a87f2a458p-56},
    {0x1.700a7c5784634p-1, -0x1.8c34d25aadef6p-56},
    {0x1.921fb54442d18p-1, 0x1.1a62633145c07p-55},
};

// 1 / (2 j + 1), j = 0..15.
constexpr DD kInverseOdd[16] = {
    {0x1p+0, 0.0},
    {0x1.5555555555555p-2, 0x1.5555555555555p-56},
    {0x1.999999999999ap-3, -0x1.999999999999ap-57},
    {0x1.2492492492492p-3, 0x1.2492492492492p-57},
    {0x1.c71c71c71c71cp-4, 0x1.c71c71c71c71cp-58},
    {0x1.745d1745d1746p-4, -0x1.745d1745d1746p-59},
    {0x1.3b13b13b13b14p-4, -0x1.3b13b13b13b14p-58},
    {0x1.1111111111111p-4, 0x1.1111111111111p-60},
    {0x1.e1e1e1e1e1e1ep-5, 0x1.e1e1e1e1e1e1ep-61},
    {0x1.af286bca1af28p-5, 0x1.af286bca1af28p-59},
    {0x1.8618618618618p-5, 0x1.8618618618618p-59},
    {0x1.642c8590b2164p-5, 0x1.642c8590b2164p-60},
    {0x1.47ae147ae147bp-5, -0x1.eb851eb851eb8p-61},
    {0x1.2f684bda12f68p-5, 0x1.2f684bda12f68p-59},
    {0x1.1a7b9611a7b96p-5, 0x1.1a7b9611a7b96p-61},
    {0x1.0842108421084p-5, 0x1.0842108421084p-60},
};

// 1 / n!, n = 0..29.
constexpr DD kInverseFactorial[30] = {
    {0x1p+0, 0.0},
    {0x1p+0, 0.0},
    {0x1p-1, 0.0},
    {0x1.5555555555555p-3, 0x1.5555555555555p-57},
    {0x1.5555555555555p-5, 0x1.5555555555555p-59},
    {0x1.1111111111111p-7, 0x1.1111111111111p-63},
    {0x1.6c16c16c16c17p-10, -0x1.f49f49f49f49fp-65},
    {0x1.a01a01a01a01ap-13, 0x1.a01a01a01a01ap-73},
    {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},
    {0x1.71de3a556c734p-19, -0x1.c154f8ddc6cp-73},
    {0x1.27e4fb7789f5cp-22, 0x1.cbbc05b4fa99ap-76},
    {0x1.ae64567f544e4p-26, -0x1.c062e06d1f209p-80},
    {0x1.1eed8eff8d898p-29, -0x1.2aec959e14c06p-83},
    {0x1.6124613a86d09p-33, 0x1.f28e0cc748ebep-87},
    {0x1.93974a8c07c9dp-37, 0x1.05d6f8a2efd1fp-92},
    {0x1.ae7f3e733b81fp-41, 0x1.1d8656b0ee8cbp-97},
    {0x1.ae7f3e733b81fp-45, 0x1.1d8656b0ee8cbp-101},
    {0x1.952c77030ad4ap-49, 0x1.ac981465ddc6cp-103},
    {0x1.6827863b97d97p-53, 0x1.eec01221a8b0bp-107},
    {0x1.2f49b46814157p-57, 0x1.2650f61dbdcb4p-112},
    {0x1.e542ba4020225p-62, 0x1.ea72b4afe3c2fp-120},
    {0x1.71b8ef6dcf572p-66, -0x1.d043ae40c4647p-120},
    {0x1.0ce396db7f853p-70, -0x1.aebcdbd20331cp-124},
    {0x1.761b41316381ap-75, -0x1.3423c7d91404fp-130},
    {0x1.f2cf01972f578p-80, -0x1.9ada5fcc1ab14p-135},
    {0x1.3f3ccdd165fa9p-84, -0x1.58ddadf344487p-139},
    {0x1.88e85fc6a4e5ap-89, -0x1.71c37ebd1654p-143},
    {0x1.d1ab1c2dccea3p-94, 0x1.054d0c78aea14p-149},
    {0x1.0a18a2635085dp-98, 0x1.b9e2e28e1aa54p-153},
    {0x1.259f98b4358adp-103, 0x1.eaf8c39dd9bc5p-157},
};

// atan(u) for 0 <= u <= 1 (a little beyond does no harm): with c = k / 8
// the nearest eighth, atan(u) = atan(c) + atan(v), v = (u - c) / (1 + u c),
// |v| <= 1/16, and atan(v) = v (1 - v^2/3 + v^4/5 - ...) to v^30, whose
// first neglected term is below 2^-120 v.
DD atan_unit(DD u) {
  const int k = static_cast<int>(u.hi * 8.0 + 0.5);
  const double c = static_cast<double>(k) * 0.125;
  const DD v = div(add(u, DD{-c, 0.0}), add(DD{1.0, 0.0}, mul(u, c)));
  const DD w = mul(v, v);
  DD s = kInverseOdd[15];
  for (int j = 14; j >= 0; --j) s = sub(kInverseOdd[j], mul(w, s));
  return add(kAtanEighths[k], mul(v, s));
}

// sin r and cos r for |r| <= about pi/4, by their series to r^29 and r^28,
// whose first neglected terms are below 2^-110.
void sincos_reduced(DD r, DD& sine, DD& cosine) {
  const DD w = mul(r, r);
  DD s = kInverseFactorial[29];
  for (int j = 13; j >= 0; --j) s = sub(kInverseFactorial[2 * j + 1], mul(w, s));
  sine = mul(r, s);
  DD c = kInverseFactorial[28];
  for (int j = 13; j >= 0; --j) c = sub(kInverseFactorial[2 * j], mul(w, c));
  cosine = c;
}

}  // namespace

double cr_atan(double x) {
  if (std::isnan(x)) return x + x;
  if (x == 0.0) return x;  // keeps the sign of a zero
  const double a = std::fabs(x);
  double result = 0.0;
  if (a <= 1.0) {
    result = rounded(atan_unit(DD{a, 0.0}));
  } else if (a < 0x1p53) {
    result = rounded(sub(kHalfPi, atan_unit(div(DD{1.0, 0.0}, DD{a, 0.0}))));
  } else {
    // pi/2 - atan(x) = 1/x + ... is below a quarter unit of pi/2.
    result = rounded(kHalfPi);
  }
  return x < 0.0 ? -result : result;
}

double cr_asin(double x) {
  if (std::isnan(x)) return x + x;
  const double a = std::fabs(x);
  if (a > 1.0) return std::numeric_limits<double>::quiet_NaN();
  if (a == 0.0) return x;
  double result = 0.0;
  if (a == 1.0) {
    result = rounded(kHalfPi);
  } else {
    // asin(a) = atan(a / s) = pi/2 - atan(s / a), s = sqrt(1 - a^2); a^2 is
    // exact as a double-double, so s stays accurate as a approaches 1.
    const DD square = two_prod(a, a);
    const DD s = sqrt_dd(sub(DD{1.0, 0.0}, square));
    if (a < 0.7071) {
      result = rounded(atan_unit(div(DD{a, 0.0}, s)));
    } else {
      result = rounded(sub(kHalfPi, atan_unit(div(s, DD{a, 0.0}))));
    }
  }
  return x < 0.0 ? -result : result;
}

void cr_sincos(double x, double& sine, double& cosine) {
  if (!std::isfinite(x)) {
    sine = x - x;
    cosine = sine;
    return;
  }
  if (x == 0.0) {
    sine = x;
    cosine = 1.0;
    return;
  }
  // x = n pi/2 + r, |r| <= about pi/4, by the library's reduction: pi / 2
  // to about 160 bits, r a double-double accurate far beyond the 2^-110 of
  // the series below.
  const numeric::Quadrants q = numeric::reduce_quadrants(DD{x, 0.0});
  DD s{};
  DD c{};
  sincos_reduced(q.r, s, c);
  switch (static_cast<long long>(q.n) & 3) {
    case 0:
      sine = rounded(s);
      cosine = rounded(c);
      break;
    case 1:
      sine = rounded(c);
      cosine = -rounded(s);
      break;
    case 2:
      sine = -rounded(s);
      cosine = -rounded(c);
      break;
    default:
      sine = -rounded(c);
      cosine = rounded(s);
      break;
  }
}

double cr_sin(double x) {
  double s = 0.0;
  double c = 0.0;
  cr_sincos(x, s, c);
  return s;
}

double cr_cos(double x) {
  double s = 0.0;
  double c = 0.0;
  cr_sincos(x, s, c);
  return c;
}

}  // namespace mathlib
