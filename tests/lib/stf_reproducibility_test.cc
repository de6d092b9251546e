// The same bits on every machine: the library evaluates only with IEEE
// double operations rounded as written (and sqrt), so a digest of its
// results at every input of the reference table is fixed.  It was taken on
// x86-64 with g++ and matches aarch64 and Windows (MinGW-w64) builds; a
// change of the algorithms changes it on purpose, and the failure prints
// the new value.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "reference_table.h"
#include "yoffe/stf.h"

namespace {

// FNV-1a over the bit patterns of the doubles.
struct Digest {
  std::uint64_t h = 14695981039346656037ull;
  void add(double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i) {
      h = (h ^ ((bits >> (8 * i)) & 0xff)) * 1099511628211ull;
    }
  }
};

TEST(Reproducibility, SameBitsOnEveryMachine) {
  ASSERT_FALSE(reference::table().empty());
  Digest digest;
  int evaluations = 0;
  for (const reference::Row& row : reference::table()) {
    const std::string& kind = row.kind;
    const double taus = row.taus;
    const double taur = row.taur;
    const double x = row.x;
    double v = 0.0;
    double w = 0.0;
    if (kind == "rate") {
      ASSERT_EQ(yoffe_slip_rate(taus, taur, 1, &x, &v), YOFFE_OK);
    } else if (kind == "slip") {
      ASSERT_EQ(yoffe_slip(taus, taur, 1, &x, &v), YOFFE_OK);
    } else if (kind == "acc") {
      ASSERT_EQ(yoffe_slip_acceleration(taus, taur, 1, &x, &v), YOFFE_OK);
    } else if (kind == "amp") {
      ASSERT_EQ(yoffe_amplitude_spectrum(taus, taur, 1, &x, &v), YOFFE_OK);
    } else if (kind == "peak") {
      ASSERT_EQ(yoffe_peak_time(taus, taur, &v), YOFFE_OK);
      digest.add(v);
      // At the domain's ends the way back may be refused; that counts too.
      if (yoffe_from_tacc_teff(v, taur + 2.0 * taus, &v, &w) != YOFFE_OK) v = w = -1.0;
      digest.add(w);
    } else {
      continue;
    }
    digest.add(v);
    ++evaluations;
  }
  EXPECT_GT(evaluations, 7000);
  char text[20];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(digest.h));
  EXPECT_EQ(std::string(text), "a97a4752ffa2fa2f") << "digest of " << evaluations << " results";
}

}  // namespace
