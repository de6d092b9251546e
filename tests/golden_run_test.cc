// A whole run compared byte for byte with the run of the reference build
// (x86-64, g++ 12): both files and the console.  Every build must reproduce
// it, above all one for a machine whose compiler would fuse multiply and add
// (aarch64: with contraction allowed, two acceleration rows of the slip file
// change in their last printed digit).
//
// The digests are SHA-256 of what a run in an empty directory writes.  After
// a deliberate change of the output, recompute them with the x86-64 build:
//
//   cd "$(mktemp -d)" && <build>/yoffe </dev/null >stdout &&
//   sha256sum Yoffe_Slip.csv Yoffe_Amp.csv stdout
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <string>

#include "test_support.h"

namespace {

using testing_support::read_file;
using testing_support::run_yoffe;
using testing_support::TempDir;

// SHA-256 (FIPS 180-4) of `data`, in lower-case hexadecimal.
std::string sha256_hex(const std::string& data) {
  static constexpr std::uint32_t k[64] = {
      0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
      0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
      0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
      0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
      0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
      0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
      0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
      0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
      0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
      0xc67178f2};
  std::uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                        0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  // Padding: a one bit, zeros up to 56 bytes modulo 64, the bit length.
  std::string message = data;
  message += '\x80';
  while (message.size() % 64 != 56) message += '\0';
  const std::uint64_t bits = static_cast<std::uint64_t>(data.size()) * 8;
  for (int shift = 56; shift >= 0; shift -= 8) message += static_cast<char>(bits >> shift);

  for (std::size_t block = 0; block < message.size(); block += 64) {
    std::uint32_t w[64];
    for (int t = 0; t < 16; ++t) {
      w[t] = 0;
      for (int b = 0; b < 4; ++b) {
        w[t] = (w[t] << 8) | static_cast<unsigned char>(message[block + 4 * t + b]);
      }
    }
    for (int t = 16; t < 64; ++t) {
      const std::uint32_t s0 =
          std::rotr(w[t - 15], 7) ^ std::rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
      const std::uint32_t s1 = std::rotr(w[t - 2], 17) ^ std::rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
      w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
    for (int t = 0; t < 64; ++t) {
      const std::uint32_t t1 = hh + (std::rotr(e, 6) ^ std::rotr(e, 11) ^ std::rotr(e, 25)) +
                               ((e & f) ^ (~e & g)) + k[t] + w[t];
      const std::uint32_t t2 =
          (std::rotr(a, 2) ^ std::rotr(a, 13) ^ std::rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      hh = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
    h[5] += f;
    h[6] += g;
    h[7] += hh;
  }
  std::string hex;
  for (const std::uint32_t word : h) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(word));
    hex += text;
  }
  return hex;
}

TEST(GoldenRun, DigestOfKnownTexts) {
  // Standard test vectors, the second one two blocks long after padding.
  EXPECT_EQ(sha256_hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(sha256_hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(GoldenRun, FilesAndConsoleMatchTheReferenceBuild) {
  struct Expected {
    const char* what;
    const char* sha256;
    std::size_t size;
  };
  static constexpr Expected kReference[] = {
      {"Yoffe_Slip.csv", "fa9d37d44aa0a31b3ad1996c4de19850b3b10fdb24f871ed866253f110dd04fc",
       233516},
      {"Yoffe_Amp.csv", "b0d32a750286fe15c4525e6ed0da8ea4dbde79db78210e1caeda2ffff70f45fd", 73720},
      {"stdout", "c8dd731f286ee613f6ed50bf3a6261664e90b2b206cc347cee3746409dfbf48b", 319},
  };
  TempDir dir;
  const auto result = run_yoffe(dir.path());
  ASSERT_TRUE(result.exited && result.status == 0)
      << "status " << result.status << ", signal " << result.signal << "\n"
      << result.err;
  EXPECT_EQ(result.err, "");
  for (const Expected& expected : kReference) {
    SCOPED_TRACE(expected.what);
    const std::string bytes =
        std::string(expected.what) == "stdout" ? result.out : read_file(dir.file(expected.what));
    EXPECT_EQ(bytes.size(), expected.size);
    EXPECT_EQ(sha256_hex(bytes), expected.sha256);
  }
}

}  // namespace
