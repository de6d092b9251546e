// Rupture models for the SRF tests: random points (any finite double, any
// sample counts), a model written to text by the Writer and read back by
// the Reader, block by block, and equality to the bit.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
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

// A point's sample counts and every number, to the bit.
inline std::vector<std::uint64_t> bits_of(const Point& p) {
  std::vector<std::uint64_t> v{p.sr1.size(), p.sr2.size(), p.sr3.size()};
  for (const double x : {p.lon, p.lat, p.dep, p.stk, p.dip, p.area, p.tinit, p.dt, p.vs, p.den,
                         p.rake, p.slip1, p.slip2, p.slip3}) {
    v.push_back(bits(x));
  }
  for (const std::vector<double>* axis : {&p.sr1, &p.sr2, &p.sr3}) {
    for (const double x : *axis) v.push_back(bits(x));
  }
  return v;
}

// A model's segments and blocks, and every number and count in them.
inline std::vector<std::uint64_t> bits_of(const Model& m) {
  std::vector<std::uint64_t> v{m.header.segments.size(), m.blocks.size()};
  for (const Segment& s : m.header.segments) {
    v.push_back(static_cast<std::uint64_t>(s.nstk));
    v.push_back(static_cast<std::uint64_t>(s.ndip));
    for (const double x : {s.elon, s.elat, s.len, s.wid, s.stk, s.dip, s.dtop, s.shyp, s.dhyp}) {
      v.push_back(bits(x));
    }
  }
  for (const std::vector<Point>& block : m.blocks) {
    v.push_back(block.size());
    for (const Point& p : block) {
      const std::vector<std::uint64_t> point = bits_of(p);
      v.insert(v.end(), point.begin(), point.end());
    }
  }
  return v;
}

inline bool same(const Point& a, const Point& b) {
  return bits_of(a) == bits_of(b);
}

// Equal headers, and equal numbers to the bit, or where they first differ.
inline testing::AssertionResult same(const Model& a, const Model& b) {
  if (a.header.version != b.header.version || a.header.comments != b.header.comments) {
    return testing::AssertionFailure() << "the versions or the comments differ";
  }
  const std::vector<std::uint64_t> x = bits_of(a), y = bits_of(b);
  if (x == y) return testing::AssertionSuccess();
  const auto differ = std::mismatch(x.begin(), x.end(), y.begin(), y.end()).first - x.begin();
  return testing::AssertionFailure() << "the numbers differ from number " << differ << " on";
}

}  // namespace srf_testing
