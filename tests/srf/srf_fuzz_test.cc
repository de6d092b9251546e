// Random damage to valid SRF files: tokens deleted, doubled or replaced by
// other words, bytes overwritten or inserted, files cut, and streams of
// random words after a valid start.  The reader either reads the file, and
// then what it read is written and read back alike, or throws Error with a
// line within the file; it never crashes, hangs or reads beyond its input
// (the sanitize preset runs this under AddressSanitizer and
// UndefinedBehaviorSanitizer).
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "random_rupture.h"
#include "yoffe/srf.hpp"

namespace {

using namespace srf_testing;

const char* const kWords[] = {"POINTS",
                              "PLANE",
                              "1.0",
                              "2.0",
                              "#",
                              "# a comment\n",
                              "nan",
                              "-inf",
                              "1e999",
                              "1e-400",
                              "-1",
                              "3.5",
                              "0",
                              "1",
                              "2",
                              "7",
                              "99999999999999999999",
                              "+",
                              "-",
                              ".",
                              "e5",
                              "0x1p3",
                              "\r",
                              "\n",
                              "\r\n",
                              "\t",
                              "NT1",
                              "-0.0e+00",
                              "5.0e-324",
                              "1.7976931348623157e+308"};

std::string random_bytes(std::mt19937_64& rng) {
  std::string bytes(1 + rng() % 6, ' ');
  for (char& c : bytes) c = static_cast<char>(rng());
  return bytes;
}

// The text as pieces, each a token and the spaces and line ends after it.
std::vector<std::string> pieces_of(const std::string& text) {
  std::vector<std::string> pieces;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t token_end = std::min(text.find_first_of(" \r\n", at), text.size());
    const std::size_t end = std::min(text.find_first_not_of(" \r\n", token_end), text.size());
    pieces.push_back(text.substr(at, end - at));
    at = end;
  }
  return pieces;
}

std::string damaged(std::mt19937_64& rng, const std::string& text) {
  std::vector<std::string> pieces = pieces_of(text);
  const int edits = 1 + static_cast<int>(rng() % 3);
  for (int i = 0; i < edits && !pieces.empty(); ++i) {
    const std::size_t k = rng() % pieces.size();
    const auto at = pieces.begin() + static_cast<std::ptrdiff_t>(k);
    switch (rng() % 7) {
      case 0:
        pieces.erase(at);
        break;
      case 1:
        pieces.insert(at, pieces[k]);
        break;
      case 2:
        pieces[k] = std::string(kWords[rng() % std::size(kWords)]) + " ";
        break;
      case 3:
        pieces[k][rng() % pieces[k].size()] = static_cast<char>(rng());
        break;
      case 4:
        pieces.insert(at, random_bytes(rng));
        break;
      case 5:
        pieces[k] = yoffe::srf::number_text(random_double(rng)) + "\n";
        break;
      default:
        pieces.resize(k);
        break;
    }
  }
  std::string out;
  for (const std::string& piece : pieces) out += piece;
  if (rng() % 4 == 0) out.resize(rng() % (out.size() + 1));
  return out;
}

// A valid start, then random words and numbers.
std::string random_words(std::mt19937_64& rng) {
  std::string text =
      rng() % 2 ? "2.0\nPOINTS 2\n" : "1.0\nPLANE 1\n0 0 1 1 1 1\n0 0 0 0 0\nPOINTS 1\n";
  const std::size_t n = rng() % 60;
  for (std::size_t i = 0; i < n; ++i) {
    text += rng() % 3 ? std::to_string(rng() % 4) : kWords[rng() % std::size(kWords)];
    text += rng() % 5 ? " " : "\n";
  }
  return text;
}

TEST(Fuzz, DamagedFilesAreReadOrRefused) {
  std::mt19937_64 rng(20240);
  long read = 0, refused = 0;
  for (int i = 0; i < 50000; ++i) {
    std::string text;
    if (i % 4 == 3) {
      text = random_words(rng);
    } else {
      std::vector<std::size_t> blocks(1 + rng() % 3);
      for (std::size_t& n : blocks) n = rng() % 4;
      const Model model = random_model(rng, rng() % 2 ? "2.0" : "1.0", rng() % 3, blocks, 8);
      text = damaged(rng, text_of(model));
    }
    const std::size_t chunk = rng() % 8 ? 64 + rng() % 100 : std::size_t{1} << 20;
    try {
      Model model = read_model(text, chunk);
      ++read;
      // What the writer cannot write: the comments of a 1.0 file, carriage returns in one.
      if (model.header.version == "1.0") model.header.comments.clear();
      for (std::string& c : model.header.comments) std::erase(c, '\r');
      ASSERT_TRUE(same(read_model(text_of(model)), model)) << "case " << i << ":\n" << text;
    } catch (const yoffe::srf::Error& e) {
      ++refused;
      const long lines = static_cast<long>(std::count(text.begin(), text.end(), '\n')) + 1;
      ASSERT_TRUE(e.line() >= 1 && e.line() <= lines) << e.what();
      const std::string where = "rupture.srf:" + std::to_string(e.line()) + ": ";
      ASSERT_EQ(std::string(e.what()).rfind(where, 0), 0u) << e.what();
    }
  }
  EXPECT_GT(read, 1000);
  EXPECT_GT(refused, 1000);
}

}  // namespace
