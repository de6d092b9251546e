// The SRF reader and writer: the number text, round trips to the bit,
// files written by hand in each layout, the writer's own text, and the
// rejection of every kind of bad file with its line and field.
#include "yoffe/srf.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "random_rupture.h"

namespace {

using namespace srf_testing;
using yoffe::srf::Error;
using yoffe::srf::number_text;
using yoffe::srf::Reader;
using yoffe::srf::Writer;

constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kTiny = std::numeric_limits<double>::denorm_min();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(NumberText, Table) {
  const struct {
    double x;
    const char* text;
  } cases[] = {
      {0.0, "0.0e+00"},
      {-0.0, "-0.0e+00"},
      {1.0, "1.0e+00"},
      {0.1, "1.0e-01"},
      {1.5, "1.5e+00"},
      {0.1 + 0.2, "3.0000000000000004e-01"},
      {-2.5e-5, "-2.5e-05"},
      {123456.789, "1.23456789e+05"},
      {1e21, "1.0e+21"},
      {1e100, "1.0e+100"},
      {1e-300, "1.0e-300"},
      {kTiny, "5.0e-324"},
      {-2.2250738585072014e-308, "-2.2250738585072014e-308"},
      {2.225073858507201e-308, "2.225073858507201e-308"},
      {kMax, "1.7976931348623157e+308"},
      {kInf, "inf"},
      {-kInf, "-inf"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(number_text(c.x), c.text);
    char out[yoffe::srf::number_text_max + 1];
    std::memset(out, '@', sizeof out);
    const char* end = number_text(c.x, out);
    EXPECT_EQ(std::string(static_cast<const char*>(out), end), c.text);
    EXPECT_EQ(out[yoffe::srf::number_text_max], '@') << c.text;
  }
}

TEST(NumberText, RandomDoublesReadBackAlike) {
  std::mt19937_64 rng(24);
  const std::regex shape("-?[1-9]\\.[0-9]+e[+-][0-9]{2,3}|-?0\\.0e\\+00");
  for (int i = 0; i < 200000; ++i) {
    const double x = random_double(rng);
    const std::string text = number_text(x);
    double back = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), back);
    ASSERT_TRUE(error == std::errc() && end == text.data() + text.size()) << text;
    ASSERT_EQ(bits(back), bits(x)) << text;
    if (i < 20000) {
      ASSERT_TRUE(std::regex_match(text, shape)) << text;
    }
  }
}

TEST(RoundTrip, RandomModelsToTheBit) {
  const struct {
    const char* version;
    std::size_t segments;
    std::vector<std::size_t> blocks;
    std::size_t most_samples;
  } cases[] = {
      {"2.0", 0, {40}, 20},     {"2.0", 3, {10, 0, 25, 7}, 13}, {"1.0", 0, {30, 30}, 7},
      {"1.0", 2, {1, 2, 3}, 0}, {"2.0", 1, {200}, 1},           {"1.0", 1, {0}, 5},
  };
  std::mt19937_64 rng(1);
  for (const auto& c : cases) {
    const Model model = random_model(rng, c.version, c.segments, c.blocks, c.most_samples);
    const std::string text = text_of(model);
    EXPECT_TRUE(same(read_model(text), model)) << c.version << " " << c.segments;
    // Tokens across every offset of a chunk's end.
    for (const std::size_t chunk : {64, 65, 77, 100, 127}) {
      EXPECT_TRUE(same(read_model(text, chunk), model)) << c.version << " chunk " << chunk;
    }
  }
}

TEST(RoundTrip, LargeFileThroughTheFileSystem) {
  std::mt19937_64 rng(2);
  const Model model = random_model(rng, "2.0", 2, {1500, 1500}, 60);
  // A name of its own, for builds tested at the same time.
  const std::string path =
      testing::TempDir() + "srf_round_trip_" + std::to_string(std::random_device{}()) + ".srf";
  {
    std::ofstream out(path, std::ios::binary);
    Writer writer(out, model.header);
    for (const std::vector<Point>& block : model.blocks) {
      writer.begin_points(block.size());
      for (const Point& p : block) writer.write(p);
    }
    writer.finish();
  }
  EXPECT_GT(std::filesystem::file_size(path), 3u << 20) << "the file must span several chunks";
  std::ifstream in(path, std::ios::binary);
  Reader reader(in, path);
  Point p;
  std::size_t n = 0;
  while (reader.next(p)) {
    ASSERT_TRUE(same(p, model.blocks[n / 1500][n % 1500])) << "point " << n;
    ++n;
  }
  EXPECT_EQ(n, 3000u);
  EXPECT_EQ(reader.points_read(), 3000);
  EXPECT_EQ(reader.blocks_read(), 2);
  in.close();
  std::remove(path.c_str());
}

// The writer's text, character by character.
TEST(Writer, Layout) {
  Header header{
      "2.0", {"a rupture"}, {Segment{1.5, -2.0, 2, 1, 4.0, 2.0, 90.0, 45.0, 0.5, -1.0, 1.0}}};
  Point p{1.0,  2.0,   3.0, 4.0,  5.0,
          6.0,  7.0,   0.5, -1.0, 2.7,
          90.0, 10.0,  0.0, -0.0, {1, 2, 3, 4, 5, 6, 7},
          {},   {0.25}};
  std::ostringstream out;
  Writer writer(out, header);
  writer.begin_points(1);
  writer.write(p);
  writer.finish();
  EXPECT_EQ(out.str(),
            "2.0\n# a rupture\nPLANE 1\n1.5e+00 -2.0e+00 2 1 4.0e+00 2.0e+00\n"
            "9.0e+01 4.5e+01 5.0e-01 -1.0e+00 1.0e+00\nPOINTS 1\n"
            "1.0e+00 2.0e+00 3.0e+00 4.0e+00 5.0e+00 6.0e+00 7.0e+00 5.0e-01 -1.0e+00 2.7e+00\n"
            "9.0e+01 1.0e+01 7 0.0e+00 0 -0.0e+00 1\n"
            "1.0e+00 2.0e+00 3.0e+00 4.0e+00 5.0e+00 6.0e+00\n7.0e+00\n2.5e-01\n");

  // 1.0: 8 fields, no comments; points formatted apart and written in order alike.
  header.version = "1.0";
  std::ostringstream one, apart;
  Writer a(one, header), b(apart, header);
  a.begin_points(2);
  b.begin_points(2);
  std::string text;
  for (int i = 0; i < 2; ++i) {
    a.write(p);
    yoffe::srf::append_point(text, p, "1.0");
  }
  b.write_formatted(text, 2);
  a.finish();
  b.finish();
  EXPECT_EQ(one.str(), apart.str());
  EXPECT_EQ(one.str().find('#'), std::string::npos);
  EXPECT_NE(one.str().find("\n1.0e+00 2.0e+00 3.0e+00 4.0e+00 5.0e+00 6.0e+00 7.0e+00 5.0e-01\n"),
            std::string::npos);
}

TEST(Writer, Misuse) {
  const Point p;
  Point nan_sample;
  nan_sample.sr2 = {1.0, std::nan("")};
  const Header header;
  // Calls that hold but the last: b<n> begin_points(n), w write, f finish,
  // t<n> write_formatted of n points.
  for (const std::string calls : {"w", "f", "b2 w b1", "b2 w f", "b1 w w", "b1 t2", "b0 f b0"}) {
    std::ostringstream out;
    Writer writer(out, header);
    const auto call = [&](const std::string& c) {
      const std::size_t n = c.size() > 1 ? std::stoul(c.substr(1)) : 0;
      if (c[0] == 'b') writer.begin_points(n);
      if (c[0] == 'w') writer.write(p);
      if (c[0] == 'f') writer.finish();
      if (c[0] == 't') writer.write_formatted("", n);
    };
    std::istringstream in(calls);
    std::string c, next;
    for (in >> c; in >> next; c = next) ASSERT_NO_THROW(call(c)) << calls;
    EXPECT_THROW(call(c), std::logic_error) << calls;
  }

  std::ostringstream out;
  Writer writer(out, header);
  writer.begin_points(1);
  EXPECT_THROW(writer.write(nan_sample), std::invalid_argument);
  writer.write(p);
  writer.finish();
  EXPECT_TRUE(same(read_model(out.str()).blocks.at(0).at(0), p)) << "the bad point left nothing";

  for (const Header& bad :
       {Header{"3.0", {}, {}}, Header{"2.0", {"two\nlines"}, {}},
        Header{"2.0", {}, {Segment{0, 0, -1, 1}}}, Header{"2.0", {}, {Segment{kInf, 0, 1, 1}}}}) {
    EXPECT_THROW({ Writer w(out, bad); }, std::invalid_argument);
  }
  std::ostringstream failed;
  failed.setstate(std::ios::badbit);
  Writer w(failed, header);
  w.begin_points(0);
  EXPECT_THROW(w.finish(), std::ios_base::failure);
}

Point point(std::vector<double> first, std::vector<double> second, std::vector<double> sr1,
            std::vector<double> sr2 = {}, std::vector<double> sr3 = {}) {
  Point p;
  first.resize(10, -1.0);
  p.lon = first[0], p.lat = first[1], p.dep = first[2], p.stk = first[3], p.dip = first[4];
  p.area = first[5], p.tinit = first[6], p.dt = first[7], p.vs = first[8], p.den = first[9];
  p.rake = second[0], p.slip1 = second[1], p.slip2 = second[2], p.slip3 = second[3];
  p.sr1 = sr1, p.sr2 = sr2, p.sr3 = sr3;
  return p;
}

TEST(Reader, FilesWrittenByHand) {
  const Point a = point({-118.5, 34.25, 1.5, 90, 80, 1e10, 0.5, 0.1}, {180, 12, 0, 0}, {1, 2, 3});
  const Point b = point({-118, 34, 2, 90, 80, 1e10, 1, 0.1, 3.2e5, 2.7}, {45, 10, 5, 0},
                        {1, 2, 3, 4, 5, 6, 7}, {8, 9});
  const Point c = point({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {-90, 0, 0, 1}, {}, {}, {1, 2, 3, 4, 5});
  Point a2 = a;
  a2.vs = 3e5, a2.den = 2.5;
  const struct {
    const char* what;
    const char* text;
    Model expected;
  } cases[] = {
      {"1.0, one block, no PLANE",
       "1.0\nPOINTS 1\n-118.5 34.25 1.5 90 80 1e10 0.5 0.1\n180 12 3 0 0 0 0\n1 2 3\n",
       {{"1.0", {}, {}}, {{a}}}},
      {"2.0, PLANE, comments, two blocks, CR LF",
       "2.0\r\n# model A\r\n#\r\nPLANE 2 # two segments\r\n"
       "-118 34 10 5 20.5 10\r\n90 80 0 10 5\r\n-117 34 10 5 20 10\r\n90 80 0 -10 5\r\n"
       "POINTS 1\r\n-118.5 34.25 1.5 90 80 1e10 0.5 0.1 3e5 2.5\r\n180 12 3 0 0 0 0\r\n1 2 3\r\n"
       "POINTS 2\r\n-118 34 2 90 80 1e10 1 0.1 3.2e5 2.7\r\n45 10 7 5 2 0 0\r\n"
       "1 2 3 4 5 6\r\n7\r\n8 9\r\n1 2 3 4 5 6 7 8 9 10\r\n-90 0 0 0 0 1 5\r\n1 2 3 4 5\r\n",
       {{"2.0",
         {"model A", "", "two segments"},
         {Segment{-118, 34, 10, 5, 20.5, 10, 90, 80, 0, 10, 5},
          Segment{-117, 34, 10, 5, 20, 10, 90, 80, 0, -10, 5}}},
        {{a2}, {b, c}}}},
      {"2.0, values split oddly, tabs, a + sign",
       "  2.0\n\nPOINTS\t2\n-118 34 2 90 80 1e10 1 0.1 3.2e5 2.7\n\t45 10 7 5 2 0 0\n"
       "1 2 3\n4 5\n6\n7 8\n9\n1 2 3 4 5 6 7 8 9 10\n-90 0 0 0 0 1 5\n+1 2 3\n4\n5\n",
       {{"2.0", {}, {}}, {{b, c}}}},
      {"1.0, 5 a line",
       "1.0\nPOINTS 1\n1 2 3 4 5 6 7 8\n0 1 7 0 0 0 0\n1 2 3 4 5\n6 7\n",
       {{"1.0", {}, {}}, {{point({1, 2, 3, 4, 5, 6, 7, 8}, {0, 1, 0, 0}, {1, 2, 3, 4, 5, 6, 7})}}}},
      {"1.0, no point in a block, a comment between blocks",
       "1.0\nPOINTS 0\nPOINTS 1\n-118.5 34.25 1.5 90 80 1e10 0.5 0.1\n180 12 3 0 0 0 0\n"
       "1 2 3 # done\n# the end\n",
       {{"1.0", {}, {}}, {{}, {a}}}},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(same(read_model(c.text), c.expected)) << c.what;
  }
}

TEST(Reader, StateAtTheEnd) {
  std::istringstream in("1.0\nPOINTS 1\n1 2 3 4 5 6 7 8\n9 1 0 2 0 3 0\nPOINTS 0\n");
  Reader reader(in, "x.srf");
  Point p;
  EXPECT_EQ(reader.blocks_read(), 1);
  EXPECT_TRUE(reader.next(p));
  EXPECT_EQ(p.dt, 8.0);
  EXPECT_EQ(p.slip3, 3.0);
  EXPECT_FALSE(reader.next(p));
  EXPECT_FALSE(reader.next(p));
  EXPECT_EQ(reader.points_read(), 1);
  EXPECT_EQ(reader.blocks_read(), 2);

  std::istringstream bad("1.0\nPOINTS 1\n1 2 3 4 5 6 7 8\n9 1 x 2 0 3 0\n");
  Reader broken(bad, "x.srf");
  EXPECT_THROW(broken.next(p), Error);
  EXPECT_THROW(broken.next(p), std::logic_error);

  std::ifstream missing(testing::TempDir() + "no such file.srf");
  try {
    Reader none(missing, "no such file.srf");
    ADD_FAILURE() << "read a missing file";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "no such file.srf:1: the file cannot be read");
  }
}

// What a reader throws for the text: "" when it reads it all.
std::string error_of(const std::string& text, long* line = nullptr, std::size_t chunk = 1 << 20) {
  try {
    read_model(text, chunk);
  } catch (const Error& e) {
    if (line != nullptr) *line = e.line();
    return e.what();
  }
  return "";
}

TEST(Reader, Rejections) {
  const std::string one = "1.0\nPOINTS 1\n";
  const std::string two = "2.0\nPOINTS 1\n";
  const std::string first = "1 2 3 4 5 6 7 8 9 10\n";  // of a 2.0 point
  const struct {
    std::string text;
    long line;
    std::string message;
  } cases[] = {
      {"", 1, "rupture.srf:1: expected the version, 1.0 or 2.0, got the end of the file"},
      {"\n\n3.0\nPOINTS 0\n", 3, "rupture.srf:3: expected the version, 1.0 or 2.0, got \"3.0\""},
      {"2.0\n# only a header\n", 1, "expected PLANE or POINTS, got the end of the file"},
      {"2.0\nPLANE 1\n1 2 3 4 5 6\n7 8 9 10 11\nPOINT 1\n", 5, "expected POINTS, got \"POINT\""},
      {"2.0\nPLANE 1\n1 2 3.5 4 5 6\n", 3, "PLANE segment 1: NSTK: expected a count"},
      {"2.0\nPLANE x\n", 2, "NSEG: expected a count, got \"x\""},
      {"2.0\nPOINTS 1.5\n", 2, "POINTS block 1: NP: expected a count"},
      {"2.0\nPOINTS -1\n", 2, "NP: expected a count, got \"-1\""},
      {two + first + "0 1 x 0 0 0 0\n", 4,
       "rupture.srf:4: point 1 of 1 in POINTS block 1: NT1: expected a count, got \"x\""},
      {two + first + "0 1 3.5 0 0 0 0\n", 4, "NT1: expected a count"},
      {two + first + "0 1 0 1 99999999999999999999 0 0\n", 4, "NT2: expected a count"},
      {two + "1 2 3 4 5 6 7 nan 9 10\n", 3, "DT: expected a finite number, got \"nan\""},
      {two + "1 2 3 4 5 6 7 8 9 1e999\n", 3, "DEN: expected a number within the range"},
      {two + first + "0 1 2 0 0 0 0\n1 -inf\n", 5,
       "SR1 value 2 of 2: expected a finite number, got \"-inf\""},
      {two + first + "0 1 2 0 0 0 0\n1 2.0.0\n", 5, "SR1 value 2 of 2: expected a number"},
      {two + "1 2 3 4 5 6 7 8 9 +-1\n", 3, "DEN: expected a number, got \"+-1\""},
      {two + "1 2 3 4 5 6 7 8 9 0x10\n", 3, "DEN: expected a number, got \"0x10\""},
      {two + "1 2 3 \x01\xff 5 6 7 8 9 0\n", 3, "STK: expected a number, got \"\\x01\\xff\""},
      {one + first + "0 1 0 0 0 0 0\n", 3,
       "point 1 of 1 in POINTS block 1: expected 8 fields on the first line of a 1.0 point, "
       "got more: \"9\" after DT"},
      {two + "1 2 3 4 5 6 7 8\n0 1 0 0 0 0 0\n", 3,
       "expected 10 fields on the first line of a 2.0 point, got 8"},
      {two + first + "0 1 6 0 0 0 0\n1 2\n", 5,
       "rupture.srf:5: point 1 of 1 in POINTS block 1: the file ends after 2 of 6 SR1 values"},
      {two + first + "0 1 0 0 0\n", 4, "expected SLIP3, got the end of the file"},
      {"1.0\nPOINTS 2\n1 2 3 4 5 6 7 8\n0 1 0 0 0 0 0\n", 4,
       "point 2 of 2 in POINTS block 1: expected LON, got the end of the file"},
      {"1.0\nPOINTS 2\n1 2 3 4 5 6 7 8\n0 1 0 0 0 0 0\nPOINTS 0\n", 5,
       "point 2 of 2 in POINTS block 1: expected LON, got POINTS: the block ends after 1 of its 2 "
       "points"},
      {"1.0\nPOINTS 1\n1 2 3 4 5 6 7 8\n0 1 0 0 0 0 0\n1 2 3 4 5 6 7 8\n", 5,
       "expected POINTS or the end of the file after the last point of POINTS block 1 (NP 1), got "
       "\"1\""},
      {"1.0\nPOINTS 0\n\n  x # what\n", 4, "rupture.srf:4: expected POINTS or the end"},
  };
  for (const auto& c : cases) {
    long line = 0;
    const std::string message = error_of(c.text, &line);
    EXPECT_NE(message.find(c.message), std::string::npos) << message << "\nnot " << c.message;
    EXPECT_EQ(line, c.line) << message;
  }
  long line = 0;
  EXPECT_NE(error_of("2.0\n" + std::string(70, '7'), &line, 64).find("a token of more than 64"),
            std::string::npos);
  EXPECT_EQ(line, 2);
}

// Every cut of a valid file is refused with a line within the cut, but
// the cuts after a block's last token began and before the next block, which
// read the blocks up to there, their last number perhaps cut short.
TEST(Reader, EveryCutOfAFile) {
  std::mt19937_64 rng(3);
  Model model = random_model(rng, "2.0", 2, {3, 2}, 7);
  for (std::vector<Point>& block : model.blocks) block.back().sr3 = {1.25, -3.5};
  for (const bool crlf : {false, true}) {
    std::string text = text_of(model);
    if (crlf) text = std::regex_replace(text, std::regex("\n"), "\r\n");
    // Where each block's last token begins, and where the block's text ends.
    std::vector<std::size_t> last_token, block_end;
    for (std::size_t end = text.find("POINTS", text.find("POINTS") + 1); end != text.npos;
         end = text.find("POINTS", end + 1)) {
      block_end.push_back(end);
    }
    block_end.push_back(text.size());
    for (const std::size_t end : block_end) {
      last_token.push_back(text.find_last_of(' ', text.find_last_not_of("\r\n", end - 1)) + 1);
    }
    for (std::size_t cut = 0; cut < text.size(); ++cut) {
      const std::string part = text.substr(0, cut);
      long line = 0;
      const std::string message = error_of(part, &line, 64 + cut % 50);
      if (message.empty()) {
        const auto b = static_cast<std::size_t>(
            std::find_if(block_end.begin(), block_end.end(), [&](auto end) { return cut <= end; }) -
            block_end.begin());
        ASSERT_GT(cut, last_token[b]) << "the cut at " << cut << " read";
        Model read = read_model(part);
        Model expected = model;
        expected.blocks.resize(b + 1);
        read.blocks.at(b).back().sr3.back() = -3.5;
        EXPECT_TRUE(same(read, expected)) << "the cut at " << cut;
      } else {
        const long lines = static_cast<long>(std::count(part.begin(), part.end(), '\n')) + 1;
        ASSERT_TRUE(line >= 1 && line <= lines) << message;
      }
    }
    EXPECT_TRUE(same(read_model(text), model));
  }
}

}  // namespace
