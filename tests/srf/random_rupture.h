// Rupture models for the SRF tests: random points (any finite double, any
// sample counts), a model written to text by the Writer and read back by
// the Reader, block by block, and equality to the bit.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "yoffe/srf.hpp"

namespace srf_testing {

using yoffe::srf::Header;
using yoffe::srf::Point;
using yoffe::srf::Segment;

struct Model {
  Header header;
  std::vector<std::vector<Point>> blocks;
};

// Any finite double, every bit pattern alike.
inline double random_double(std::mt19937_64& rng) {
  for (;;) {
    const double x = std::bit_cast<double>(rng());
    if (std::isfinite(x)) return x;
  }
}

inline std::vector<double> random_samples(std::mt19937_64& rng, std::size_t most) {
  std::vector<double> v(rng() % (most + 1));
  for (double& x : v) x = random_double(rng);
  return v;
}

inline Point random_point(std::mt19937_64& rng, bool version_2, std::size_t most_samples) {
  Point p;
  for (double* x : {&p.lon, &p.lat, &p.dep, &p.stk, &p.dip, &p.area, &p.tinit, &p.dt, &p.vs, &p.den,
                    &p.rake, &p.slip1, &p.slip2, &p.slip3}) {
    *x = random_double(rng);
  }
  if (!version_2) p.vs = p.den = -1.0;
  p.sr1 = random_samples(rng, most_samples);
  p.sr2 = random_samples(rng, most_samples);
  p.sr3 = random_samples(rng, most_samples);
  return p;
}

inline Model random_model(std::mt19937_64& rng, const std::string& version, std::size_t segments,
                          const std::vector<std::size_t>& block_sizes, std::size_t most_samples) {
  Model m;
  m.header.version = version;
  if (version == "2.0") m.header.comments = {"written by a test", "", " indented # and hashed"};
  for (std::size_t i = 0; i < segments; ++i) {
    Segment s;
    for (double* x :
         {&s.elon, &s.elat, &s.len, &s.wid, &s.stk, &s.dip, &s.dtop, &s.shyp, &s.dhyp}) {
      *x = random_double(rng);
    }
    s.nstk = static_cast<long>(rng() % 1000);
    s.ndip = static_cast<long>(rng() % 1000);
    m.header.segments.push_back(s);
  }
  for (const std::size_t n : block_sizes) {
    m.blocks.emplace_back();
    for (std::size_t i = 0; i < n; ++i) {
      m.blocks.back().push_back(random_point(rng, version == "2.0", most_samples));
    }
  }
  return m;
}

inline std::string text_of(const Model& m) {
  std::ostringstream out;
  yoffe::srf::Writer writer(out, m.header);
  for (const std::vector<Point>& block : m.blocks) {
    writer.begin_points(block.size());
    for (const Point& p : block) writer.write(p);
  }
  writer.finish();
  return out.str();
}

// The model of a text, each point in the block the reader says it is in;
// throws what the reader throws.
inline Model read_model(const std::string& text, std::size_t chunk = std::size_t{1} << 20) {
  std::istringstream in(text);
  yoffe::srf::Reader reader(in, "rupture.srf", chunk);
  Model m;
  m.header = reader.header();
  m.blocks.resize(static_cast<std::size_t>(reader.blocks_read()));
  Point p;
  while (reader.next(p)) {
    m.blocks.resize(static_cast<std::size_t>(reader.blocks_read()));
    m.blocks.back().push_back(p);
  }
  m.blocks.resize(static_cast<std::size_t>(reader.blocks_read()));
  return m;
}

inline std::uint64_t bits(double x) {
  return std::bit_cast<std::uint64_t>(x);
}

inline bool same_values(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (bits(a[i]) != bits(b[i])) return false;
  }
  return true;
}

inline bool same(const Point& a, const Point& b) {
  return same_values({a.lon, a.lat, a.dep, a.stk, a.dip, a.area, a.tinit, a.dt, a.vs, a.den, a.rake,
                      a.slip1, a.slip2, a.slip3},
                     {b.lon, b.lat, b.dep, b.stk, b.dip, b.area, b.tinit, b.dt, b.vs, b.den, b.rake,
                      b.slip1, b.slip2, b.slip3}) &&
         same_values(a.sr1, b.sr1) && same_values(a.sr2, b.sr2) && same_values(a.sr3, b.sr3);
}

inline bool same(const Segment& a, const Segment& b) {
  return a.nstk == b.nstk && a.ndip == b.ndip &&
         same_values({a.elon, a.elat, a.len, a.wid, a.stk, a.dip, a.dtop, a.shyp, a.dhyp},
                     {b.elon, b.elat, b.len, b.wid, b.stk, b.dip, b.dtop, b.shyp, b.dhyp});
}

// Equal headers and points to the bit, or where they first differ.
inline testing::AssertionResult same(const Model& a, const Model& b) {
  if (a.header.version != b.header.version) return testing::AssertionFailure() << "version";
  if (a.header.comments != b.header.comments) return testing::AssertionFailure() << "comments";
  if (a.header.segments.size() != b.header.segments.size()) {
    return testing::AssertionFailure() << "segment count";
  }
  for (std::size_t i = 0; i < a.header.segments.size(); ++i) {
    if (!same(a.header.segments[i], b.header.segments[i])) {
      return testing::AssertionFailure() << "segment " << i + 1;
    }
  }
  if (a.blocks.size() != b.blocks.size()) return testing::AssertionFailure() << "block count";
  for (std::size_t i = 0; i < a.blocks.size(); ++i) {
    if (a.blocks[i].size() != b.blocks[i].size()) {
      return testing::AssertionFailure() << "size of block " << i + 1;
    }
    for (std::size_t k = 0; k < a.blocks[i].size(); ++k) {
      if (!same(a.blocks[i][k], b.blocks[i][k])) {
        return testing::AssertionFailure() << "point " << k + 1 << " of block " << i + 1;
      }
    }
  }
  return testing::AssertionSuccess();
}

}  // namespace srf_testing
