// The program yoffe-srf, run as a child process in a temporary folder:
// tables written as SRF files and read back against the library, reports,
// moment-rate functions of both kinds of input compared, and every refusal
// with its message, its exit status and no output left behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "yoffe/srf.hpp"
#include "yoffe/stf.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using yoffe::srf::number_text;

struct Outcome {
  int status = -1;  // the exit status; -1 when the child did not exit
  std::string out, err;
};

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A fresh folder `work` for each test, where the program runs; its
// standard output and error are caught beside it.
class YoffeSrf : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "yoffe-srf-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    base_ = pattern;
    fs::create_directory(work());
  }
  void TearDown() override { fs::remove_all(base_); }

  fs::path work() const { return base_ / "work"; }
  std::string path(const std::string& name) const { return (work() / name).string(); }
  void put(const std::string& name, const std::string& text) const {
    std::ofstream(work() / name, std::ios::binary) << text;
  }
  std::string get(const std::string& name) const { return read_file(work() / name); }
  std::vector<std::string> names() const {
    std::vector<std::string> all;
    for (const auto& e : fs::directory_iterator(work())) all.push_back(e.path().filename());
    std::sort(all.begin(), all.end());
    return all;
  }

  // Runs the program in `work` with `args`, the environment entries `env`
  // added, standard output to `out_to` where given, its files at most
  // `file_size` bytes where given.
  Outcome run(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
              const std::string& out_to = "", long file_size = -1) const {
    // In a cross build the program runs under the emulator whose command
    // YOFFE_EMULATOR lists.
    std::vector<std::string> argv_text{
#ifdef YOFFE_EMULATOR
        YOFFE_EMULATOR,
#endif
        YOFFE_SRF_PROGRAM};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env_text(env);
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      if (entry.rfind("OMP_NUM_THREADS=", 0) != 0) env_text.push_back(entry);
    }
    std::vector<char*> envp;
    for (std::string& e : env_text) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string out_path = out_to.empty() ? (base_ / "stdout").string() : out_to;
    const std::string err_path = (base_ / "stderr").string();
    const std::string dir = work().string();
    const pid_t pid = fork();
    if (pid == 0) {
      const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 || chdir(dir.c_str()) != 0) {
        _exit(127);
      }
      if (file_size >= 0) {
        const rlimit limit{static_cast<rlim_t>(file_size), static_cast<rlim_t>(file_size)};
        signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
      }
      execve(argv[0], argv.data(), envp.data());
      _exit(127);
    }
    int status = 0;
    Outcome r;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return r;
    if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
    if (out_to.empty()) r.out = read_file(out_path);
    r.err = read_file(err_path);
    return r;
  }

  fs::path base_;
};

// ---- tables

// A subfault: a and b are taus_s and taur_s, or tacc_s and teff_s.
struct Row {
  double lon, lat, depth, strike, dip, rake, area, slip, tinit, a, b, vs, den;
};

// The text with each field of its lines in double quotes.
std::string quoted_fields(const std::string& text) {
  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string line = text.substr(at, end - at);
    std::string quoted;
    for (std::size_t f = 0; !line.empty() && f != std::string::npos;) {
      const std::size_t comma = line.find(',', f);
      quoted += (f == 0 ? "\"" : ",\"") + line.substr(f, comma - f) + "\"";
      f = comma == std::string::npos ? comma : comma + 1;
    }
    out += quoted + "\n";
    at = end + 1;
  }
  return out;
}

std::string table_text(const std::vector<Row>& rows, bool peak_pair, bool with_medium) {
  std::string text = peak_pair ? "tacc_s, teff_s" : "taur_s,taus_s";
  text += ", lon,lat,depth_km,strike,dip,rake,area_m2,slip_m,tinit_s";
  text += with_medium ? ",vs_m_s,density_kg_m3\r\n" : "\r\n";
  for (const Row& r : rows) {
    std::string line =
        number_text(peak_pair ? r.a : r.b) + " , " + number_text(peak_pair ? r.b : r.a);
    for (double x : {r.lon, r.lat, r.depth, r.strike, r.dip, r.rake, r.area, r.slip, r.tinit}) {
      line += "," + number_text(x);
    }
    if (with_medium) line += "," + number_text(r.vs) + "," + number_text(r.den);
    text += line + "\r\n\n";  // blank lines between rows
  }
  return text;
}

// Subfaults of every kind in turn: a rise and a smoothing, no smoothing,
// no rise, an impulse, no slip; onsets anywhere between the steps of
// 0.1 s, the table's step (the file's TINIT goes on its grid).  With
// peak_pair, a and b are tacc and teff.
std::vector<Row> subfaults(std::size_t n, bool peak_pair) {
  std::mt19937_64 rng(24);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::vector<Row> rows;
  for (std::size_t i = 0; i < n; ++i) {
    Row r{10.0 + u(rng),
          45.0 * u(rng),
          20.0 * u(rng),
          360.0 * u(rng),
          90.0 * u(rng),
          180.0 * u(rng),
          1e6 * (1.0 + u(rng)),
          3.0 * u(rng),
          0.1 * static_cast<double>(i % 37) - 0.5 + 0.1 * u(rng),
          0.02 + 0.3 * u(rng),
          0.3 + 3.0 * u(rng),
          2500.0 + 1000.0 * u(rng),
          2500.0 + 500.0 * u(rng)};
    if (peak_pair) {
      r.b = 2.0 * r.a + r.b;  // teff > 2 tacc
    } else if (i % 5 == 1) {
      r.a = 0.0;
    } else if (i % 5 == 2) {
      r.b = 0.0;
    } else if (i % 5 == 3) {
      r.a = r.b = 0.0;
    }
    if (i % 5 == 4) r.slip = 0.0;
    rows.push_back(r);
  }
  return rows;
}

std::map<std::string, std::string> report_of(const std::string& out) {
  std::map<std::string, std::string> report;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t colon = line.find(": ");
    report[line.substr(0, colon)] = line.substr(colon + 2);
  }
  return report;
}

// The rows of a moment-rate CSV by their step j = time / dt.
std::map<long, double> moment_rate_of(const std::string& csv, double dt) {
  std::map<long, double> rate;
  std::istringstream lines(csv);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "time_s,moment_rate_N_m_s");
  while (std::getline(lines, line)) {
    const std::size_t comma = line.find(',');
    rate[std::lround(std::stod(line.substr(0, comma)) / dt)] = std::stod(line.substr(comma + 1));
  }
  return rate;
}

double sum_of(const std::map<long, double>& rate) {
  double sum = 0.0;
  for (const auto& [j, x] : rate) sum += x;
  return sum;
}

std::vector<yoffe::srf::Point> points_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  yoffe::srf::Reader reader(in, path);
  std::vector<yoffe::srf::Point> points;
  for (yoffe::srf::Point p; reader.next(p);) points.push_back(p);
  return points;
}

// ---- round trips

TEST_F(YoffeSrf, TablesWrittenAndReadBack) {
  constexpr double kDt = 0.1, kRigidity = 3e10;
  for (const bool peak_pair : {false, true}) {
    SCOPED_TRACE(peak_pair ? "tacc_s, teff_s" : "taus_s, taur_s");
    const std::vector<Row> rows = subfaults(300, peak_pair);
    // One table as a spreadsheet or R saves it: after a UTF-8 byte-order
    // mark, every field in double quotes.
    const std::string text = table_text(rows, peak_pair, !peak_pair);
    put("t.csv", peak_pair ? "\xEF\xBB\xBF" + quoted_fields(text) : text);
    const std::vector<std::string> rigidity =
        peak_pair ? std::vector<std::string>{"--rigidity", "3e10"} : std::vector<std::string>{};
    Outcome r = run({"write", "t.csv", "o.srf", "--dt", "0.1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");

    // Each point's numbers, and its samples those of the library to the bit.
    const std::vector<yoffe::srf::Point> points = points_of(path("o.srf"));
    ASSERT_EQ(points.size(), rows.size());
    double moment = 0.0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const Row& row = rows[i];
      const yoffe::srf::Point& p = points[i];
      double taus = row.a, taur = row.b;
      if (peak_pair) {
        ASSERT_EQ(yoffe_from_tacc_teff(row.a, row.b, &taus, &taur), YOFFE_OK);
      }
      const double mu = peak_pair ? kRigidity : row.den * row.vs * row.vs;
      moment += mu * row.area * row.slip;
      EXPECT_EQ(p.area, row.area * 1e4);
      EXPECT_EQ(p.slip1, row.slip * 100.0);
      EXPECT_EQ(p.vs, peak_pair ? -1.0 : row.vs * 100.0);
      EXPECT_EQ(p.den, peak_pair ? -1.0 : row.den / 1000.0);
      // TINIT on the grid, the onset in the first sample's bin.
      EXPECT_EQ(p.tinit, std::nearbyint(row.tinit / kDt) * kDt);
      const double lead = p.tinit - row.tinit;
      EXPECT_LE(std::fabs(lead), 0.5 * kDt);
      EXPECT_EQ(p.dt, kDt);
      const double support = taur + 2.0 * taus - lead;
      const std::size_t nt = p.sr1.size();
      if (row.slip == 0.0) {
        EXPECT_EQ(nt, 0u) << i;
        continue;
      }
      EXPECT_GE((static_cast<double>(nt) - 0.5) * kDt, support) << i;
      EXPECT_LT((static_cast<double>(nt) - 1.5) * kDt, support) << i;
      std::vector<double> expected(nt);
      ASSERT_EQ(yoffe_slip_rate_average(taus, taur, lead, kDt, nt, expected.data()), YOFFE_OK);
      for (std::size_t k = 0; k < nt; ++k) {
        ASSERT_EQ(std::bit_cast<std::uint64_t>(p.sr1[k]),
                  std::bit_cast<std::uint64_t>(expected[k] * p.slip1))
            << "point " << i + 1 << " sample " << k;
      }
    }

    std::vector<std::string> info_args{"info", "o.srf"};
    info_args.insert(info_args.end(), rigidity.begin(), rigidity.end());
    r = run(info_args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    auto report = report_of(r.out);
    EXPECT_EQ(report["version"], "2.0");
    EXPECT_EQ(report["segments"], "0");
    EXPECT_EQ(report["POINTS blocks"], "1");
    EXPECT_EQ(report["points"], "300");
    EXPECT_NEAR(std::stod(report["moment (N m)"]), moment, 1e-12 * moment);
    EXPECT_NEAR(std::stod(report["Mw"]), 2.0 / 3.0 * (std::log10(moment) - 9.1), 1e-12);
    EXPECT_LE(std::stod(report["worst slip misfit"]), 1e-13);

    // The moment rate of the file and of the table alike.
    std::vector<std::string> srf_args{"moment-rate", "o.srf", "m1.csv", "--dt", "0.1"};
    std::vector<std::string> table_args{"moment-rate", "t.csv", "m2.csv", "--dt", "0.1"};
    for (auto* args : {&srf_args, &table_args}) {
      args->insert(args->end(), rigidity.begin(), rigidity.end());
      r = run(*args);
      ASSERT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.out + r.err, "");
    }
    std::map<long, double> of_file = moment_rate_of(get("m1.csv"), kDt);
    std::map<long, double> of_table = moment_rate_of(get("m2.csv"), kDt);
    EXPECT_NEAR(sum_of(of_file) * kDt, moment, 1e-12 * moment);
    EXPECT_NEAR(sum_of(of_table) * kDt, moment, 1e-12 * moment);
    double peak = 0.0, worst = 0.0;
    for (const auto& [j, x] : of_table) peak = std::max(peak, std::fabs(x));
    for (auto& [j, x] : of_file) worst = std::max(worst, std::fabs(x - of_table[j]));
    for (auto& [j, x] : of_table) worst = std::max(worst, std::fabs(x - of_file[j]));
    EXPECT_GT(peak, 0.0);
    EXPECT_LE(worst, 1e-13 * peak);
  }
}

TEST_F(YoffeSrf, PointSamplesAndVersion10) {
  constexpr double kDt = 0.05;
  std::vector<Row> rows = subfaults(20, false);
  rows.erase(std::remove_if(rows.begin(), rows.end(), [](const Row& r) { return r.b == 0.0; }),
             rows.end());
  put("t.csv", table_text(rows, false, true));
  Outcome r =
      run({"write", "t.csv", "o.srf", "--dt", "0.05", "--sampling", "point", "--version", "1.0"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(get("o.srf").substr(0, 11), "1.0\nPOINTS ");
  EXPECT_EQ(rows.size(), 12u);
  const std::vector<yoffe::srf::Point> points = points_of(path("o.srf"));
  ASSERT_EQ(points.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::size_t nt = points[i].sr1.size();
    const double lead = points[i].tinit - rows[i].tinit;
    const double support = rows[i].b + 2.0 * rows[i].a - lead;
    if (rows[i].slip == 0.0) {
      EXPECT_EQ(nt, 0u);
      continue;
    }
    EXPECT_GE((static_cast<double>(nt) - 1.0) * kDt, support) << i;
    EXPECT_LT((static_cast<double>(nt) - 2.0) * kDt, support) << i;
    std::vector<double> t(nt), expected(nt);
    for (std::size_t k = 0; k < nt; ++k) t[k] = static_cast<double>(k) * kDt + lead;
    ASSERT_EQ(yoffe_slip_rate(rows[i].a, rows[i].b, nt, t.data(), expected.data()), YOFFE_OK);
    for (std::size_t k = 0; k < nt; ++k) {
      ASSERT_EQ(points[i].sr1[k], expected[k] * points[i].slip1) << i << " " << k;
    }
  }
  r = run({"info", "o.srf"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "yoffe-srf: o.srf: point 1: no VS and DEN (both > 0): give --rigidity PA\n");
}

TEST_F(YoffeSrf, SameFileOnOneOrThreeThreads) {
  put("t.csv", table_text(subfaults(3000, false), false, true));
  for (const char* threads : {"1", "3"}) {
    const Outcome r = run({"write", "t.csv", std::string("o") + threads + ".srf", "--dt", "0.01"},
                          {std::string("OMP_NUM_THREADS=") + threads});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  const std::string one = get("o1.srf");
  EXPECT_GT(one.size(), 1000000u);
  EXPECT_TRUE(one == get("o3.srf"));
}

// ---- refusals

TEST_F(YoffeSrf, BadTables) {
  struct Table {
    std::string header;
    std::vector<std::string> good;  // a good row's fields
  };
  const std::string header =
      "lon,lat,depth_km,strike,dip,rake,area_m2,slip_m,tinit_s,taus_s,taur_s";
  const std::vector<std::string> good = {"10", "45", "5", "30", "60", "90", "1e6", "1.5", "0.5"};
  const auto and_then = [&](std::vector<std::string> more) {
    std::vector<std::string> row = good;
    row.insert(row.end(), more.begin(), more.end());
    return row;
  };
  const Table plain{header, and_then({"0.1", "1.2"})};
  const Table peak{"lon,lat,depth_km,strike,dip,rake,area_m2,slip_m,tinit_s,tacc_s,teff_s",
                   and_then({"0.3", "1.5"})};
  const Table medium{header + ",vs_m_s,density_kg_m3", and_then({"0.1", "1.2", "3000", "2700"})};
  // The header, the good row and a blank line, then the good row with some
  // fields changed (line 4).
  const auto with = [](const Table& t,
                       const std::vector<std::pair<std::size_t, std::string>>& changes) {
    std::vector<std::string> row = t.good;
    for (const auto& [i, text] : changes) row[i] = text;
    std::string good_line, line;
    for (const std::string& f : t.good) good_line += (good_line.empty() ? "" : ",") + f;
    for (const std::string& f : row) line += (line.empty() ? "" : " , ") + f;
    return t.header + "\n" + good_line + "\r\n\n" + line + "\n";
  };
  const std::string known =
      "(the columns: lon, lat, depth_km, strike, dip, rake, area_m2, slip_m, tinit_s, taus_s, "
      "taur_s, tacc_s, teff_s, vs_m_s, density_kg_m3)";
  const std::string pair =
      "taus_s and taur_s: not a source of the library (taur_s 0 or from 1e-100 to 1e100 s, "
      "taus_s 0 or from taur_s 1e-50 to taur_s 1e50)";
  const std::vector<std::string> point{"--sampling", "point"};
  const struct {
    std::string table, message;
    std::vector<std::string> args = {};
  } cases[] = {
      {with(plain, {{1, "91"}}), "4: lat: must be finite and in [-90, 90]"},
      {with(plain, {{1, "-90.5"}}), "4: lat: must be finite and in [-90, 90]"},
      {with(plain, {{0, "-361"}}), "4: lon: must be finite and in [-360, 360]"},
      {with(plain, {{2, "abc"}}), "4: depth_km: must be finite"},
      {with(plain, {{3, "360.5"}}), "4: strike: must be finite and in [0, 360]"},
      {with(plain, {{4, "-1"}}), "4: dip: must be finite and in [0, 90]"},
      {with(plain, {{4, "90.1"}}), "4: dip: must be finite and in [0, 90]"},
      {with(plain, {{5, "1e400"}}), "4: rake: must be finite"},
      {with(plain, {{6, "0"}}), "4: area_m2: must be finite and > 0"},
      {with(plain, {{7, "-0.1"}}), "4: slip_m: must be finite and >= 0"},
      {with(plain, {{7, "1.5x"}}), "4: slip_m: must be finite and >= 0"},
      {with(plain, {{8, "nan"}}), "4: tinit_s: must be finite"},
      {with(plain, {{8, ""}}), "4: tinit_s: must be finite"},
      {with(plain, {{9, "-1"}}), "4: taus_s: must be finite and >= 0"},
      {with(plain, {{10, "inf"}}), "4: taur_s: must be finite and >= 0"},
      {with(plain, {{10, "1e-200"}}), "4: " + pair},
      {with(plain, {{9, "1e60"}}), "4: " + pair},
      {with(peak, {{9, "0.8"}}),
       "4: tacc_s and teff_s: not a source of the library (tacc_s < teff_s / 2, and the source "
       "found with taur from 1e-100 to 1e100 s and taus from taur 1e-50 to taur 1e50)"},
      {with(peak, {{9, "-0.1"}}), "4: tacc_s: must be finite and > 0"},
      {with(medium, {{12, "0"}}), "4: density_kg_m3: must be finite and > 0"},
      {with(medium, {{11, "-3000"}}), "4: vs_m_s: must be finite and > 0"},
      {with(plain, {{10, "1.2, 7"}}), "4: 12 fields where the header has 11"},
      {with(plain, {{10, "1.2\n1,2,3"}}), "5: 3 fields where the header has 11"},
      {with(plain, {{10, "1.2\nlon"}}), "5: 1 field where the header has 11"},
      {with(plain, {{9, "0"}, {10, "0"}}),
       "4: taus_s and taur_s: an impulse (both 0) has no point samples: use --sampling average",
       point},
      {with(plain, {{10, "0"}}),
       "4: taur_s: 0 has no point samples (the library's rate needs a rise): use --sampling "
       "average",
       point},
      {"lon, lat, foo\n", "1: unknown column \"foo\" " + known},
      {header + ",lat\n", "1: column \"lat\" given twice"},
      {header + ",tacc_s,teff_s\n",
       "1: both taus_s, taur_s and tacc_s, teff_s: give one pair of them"},
      {"lon,lat,depth_km,strike,dip,rake,area_m2,slip_m,tinit_s\n",
       "1: neither taus_s, taur_s nor tacc_s, teff_s"},
      {"lon,lat,depth_km,strike,dip,rake,area_m2,tinit_s,taus_s,taur_s\n", "1: no column slip_m"},
      {"lon,lat,depth_km,strike,dip,rake,area_m2,slip_m,tinit_s,taus_s\n", "1: no column taur_s"},
      {header + "\n\n", " no subfault rows after the header"},
      {" \r\n\n", " no header row: an empty table"},
  };
  const std::string old = "an older file\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.table);
    put("t.csv", c.table);
    for (const bool existing : {false, true}) {
      if (existing) put("o.srf", old);
      std::vector<std::string> args{"write", "t.csv", "o.srf", "--dt", "0.1"};
      args.insert(args.end(), c.args.begin(), c.args.end());
      const Outcome r = run(args);
      EXPECT_EQ(r.status, 2);
      EXPECT_EQ(r.err, "yoffe-srf: t.csv:" + c.message + "\n");
      EXPECT_EQ(r.out, "");
      const std::vector<std::string> left =
          existing ? std::vector<std::string>{"o.srf", "t.csv"} : std::vector<std::string>{"t.csv"};
      EXPECT_EQ(names(), left);
      if (existing) {
        EXPECT_EQ(get("o.srf"), old);
      }
    }
    fs::remove(work() / "o.srf");
  }
}

TEST_F(YoffeSrf, Usage) {
  put("t.csv", table_text(subfaults(3, false), false, true));
  const std::string help = "(yoffe-srf --help for the usage)\n";
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{}, "no command: write, info or moment-rate "},
      {{"frob"}, "unknown command \"frob\": write, info or moment-rate "},
      {{"write", "t.csv", "o.srf", "--dt", "0.1", "--frob", "1"}, "write: unknown option --frob "},
      {{"write", "t.csv", "o.srf"}, "write: needs --dt SECONDS "},
      {{"write", "t.csv", "--dt", "0.1"}, "write: needs TABLE.csv and OUT.srf "},
      {{"write", "t.csv", "o.srf", "x", "--dt", "0.1"}, "write: too many arguments: x "},
      {{"write", "t.csv", "o.srf", "--dt"}, "write: --dt needs a value "},
      {{"write", "t.csv", "o.srf", "--dt", "1", "--dt=2"}, "write: --dt given twice "},
      {{"write", "t.csv", "o.srf", "--dt", "0"}, "--dt: must be a finite number > 0, not \"0\" "},
      {{"write", "t.csv", "o.srf", "--dt", "-1"}, "--dt: must be a finite number > 0, not \"-1\" "},
      {{"write", "t.csv", "o.srf", "--dt=x"}, "--dt: must be a finite number > 0, not \"x\" "},
      {{"write", "t.csv", "o.srf", "--dt", "nan"},
       "--dt: must be a finite number > 0, not \"nan\" "},
      {{"write", "t.csv", "o.srf", "--dt", "1", "--sampling", "p"},
       "--sampling: average or point, not \"p\" "},
      {{"write", "t.csv", "o.srf", "--dt", "1", "--version", "3.0"},
       "--version: 2.0 or 1.0, not \"3.0\" "},
      {{"info"}, "info: needs FILE.srf "},
      {{"info", "o.srf", "--rigidity", "0"}, "--rigidity: must be a finite number > 0, not \"0\" "},
      {{"moment-rate", "t.csv", "m.csv"}, "moment-rate: a table needs --dt SECONDS\n"},
  };
  for (const auto& c : cases) {
    const Outcome r = run(c.args);
    const bool own_line = c.err.back() == '\n';
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "yoffe-srf: " + c.err + (own_line ? "" : help));
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(names(), std::vector<std::string>{"t.csv"});
  }
  for (const char* option : {"--help", "--version"}) {
    const Outcome r = run({option});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    if (option[2] == 'h') {
      EXPECT_EQ(r.out.substr(0, 40), "Usage: yoffe-srf write TABLE.csv OUT.srf");
    } else {
      EXPECT_EQ(r.out, "yoffe-srf " YOFFE_SRF_VERSION "\n");
    }
  }
}

TEST_F(YoffeSrf, InputAndOutputFailures) {
  put("t.csv", table_text(subfaults(3, false), false, true));
  ASSERT_EQ(run({"write", "t.csv", "o.srf", "--dt", "0.1"}).status, 0);
  fs::create_directory(work() / "folder");
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"write", "t.csv", "no/o.srf", "--dt", "0.1"},
       "cannot write no/o.srf: No such file or directory"},
      {{"moment-rate", "o.srf", "no/m.csv"}, "cannot write no/m.csv: No such file or directory"},
      {{"write", "none.csv", "o2.srf", "--dt", "0.1"},
       "cannot open none.csv: No such file or directory"},
      {{"write", "folder", "o2.srf", "--dt", "0.1"}, "cannot read folder: Is a directory"},
      {{"info", "none.srf"}, "cannot open none.srf: No such file or directory"},
      {{"moment-rate", "none", "m.csv"}, "cannot open none: No such file or directory"},
      {{"write", "t.csv", "folder", "--dt", "0.1"}, "cannot write folder: Is a directory"},
      {{"write", "t.csv", "/dev/full", "--dt", "0.1"},
       "cannot write /dev/full: No space left on device"},
      {{"moment-rate", "t.csv", "/dev/full", "--dt", "0.1"},
       "cannot write /dev/full: No space left on device"},
  };
  const std::vector<std::string> before = names();
  for (const auto& c : cases) {
    const bool full = std::find(c.args.begin(), c.args.end(), "/dev/full") != c.args.end();
    if (full && !fs::exists("/dev/full")) continue;
    const Outcome r = run(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "yoffe-srf: " + c.err + "\n");
    EXPECT_EQ(names(), before);
  }
  // A file cut short: the old one stays, and the temporary one goes.
  const std::string old = get("o.srf");
  Outcome r = run({"write", "t.csv", "o.srf", "--dt", "0.01"}, {}, "", 4096);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "yoffe-srf: cannot write o.srf: File too large\n");
  EXPECT_EQ(names(), before);
  EXPECT_EQ(get("o.srf"), old);

  // Through a symbolic link: the link stays, the file it names is replaced.
  put("folder/real.srf", "an older file\n");
  fs::create_symlink("folder/real.srf", work() / "l.srf");
  r = run({"write", "t.csv", "l.srf", "--dt", "0.1"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(work() / "l.srf"));
  EXPECT_EQ(get("folder/real.srf"), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(work() / "folder"), fs::directory_iterator()), 1);
  fs::remove(work() / "l.srf");

  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"info", "o.srf"}, std::vector<std::string>{"--help"}}) {
    r = run(args, {}, "/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "yoffe-srf: cannot write the standard output: No space left on device\n");
  }
}

// ---- files written by hand

TEST_F(YoffeSrf, InfoOfAHandWrittenFile) {
  put("f.srf",
      "1.0\nPOINTS 2\n"
      "10.0 45.0 5.0 30.0 60.0 1.0e4 0.5 0.5\n90.0 3.0 3 4.0 2 0.0 0\n2 2 2\n4 4\n"
      "11.0 45.0 5.0 30.0 60.0 2.0e4 0.25 0.25\n90.0 2.0 2 0.0 0 0.0 0\n4 3\n");
  Outcome r = run({"info", "f.srf"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "yoffe-srf: f.srf: point 1: no VS and DEN (both > 0): give --rigidity PA\n");
  EXPECT_EQ(r.out, "");
  r = run({"info", "f.srf", "--rigidity", "3e10"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto report = report_of(r.out);
  const double moment = 3e10 * (1.0 * 0.05 + 2.0 * 0.02);
  EXPECT_EQ(report["version"], "1.0");
  EXPECT_EQ(report["points"], "2");
  EXPECT_NEAR(std::stod(report["moment (N m)"]), moment, 1e-15 * moment);
  EXPECT_EQ(report["first time (s)"], "2.5e-01");
  EXPECT_EQ(report["last time (s)"], "1.5e+00");
  EXPECT_EQ(report["largest slip (cm)"], "5.0e+00");
  EXPECT_EQ(report["worst slip misfit"], "1.25e-01");
  EXPECT_EQ(report["worst slip misfit point"], "2");

  put("g.srf",
      "2.0\nPLANE 1\n10 45 2 1 2.0 1.0\n30 60 0.0 0.0 0.5\nPOINTS 1\n"
      "10 45 5 30 60 1e4 0 1 -1 -1\n90 0 0 0 0 0 0\nPOINTS 1\n"
      "10 45 5 30 60 1e4 0 1 1 -1\n90 0 0 0 0 0 0\n");
  r = run({"info", "g.srf", "--rigidity", "1"});
  report = report_of(r.out);
  EXPECT_EQ(report["segments"], "1");
  EXPECT_EQ(report["POINTS blocks"], "2");
  EXPECT_EQ(report["moment (N m)"], "0.0e+00");
  EXPECT_EQ(report["Mw"], "none");
  EXPECT_EQ(report["first time (s)"], "none");
  EXPECT_EQ(report["worst slip misfit"], "none");

  put("bad.srf", "2.0\nPOINTS 1\n10 45 5 30 60 1e4 0 1 -1 -1\n90 x 0 0 0 0 0\n");
  r = run({"info", "bad.srf", "--rigidity", "1"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.substr(0, 22), "yoffe-srf: bad.srf:4: ");
  EXPECT_EQ(r.out, "");
}

TEST_F(YoffeSrf, MomentRateOfSamplesOnSeveralAxes) {
  // Rates 5 and 3 (the magnitudes of (3, 4) and (3, 0)) over [-1/2, 1/2]
  // and [1/2, 3/2], times mu A = 100 Pa m^2 and 0.01 m/cm.
  put("f.srf", "2.0\nPOINTS 1\n0 0 0 0 0 1e4 0 1 -1 -1\n0 6 2 4 1 0 0\n3 3\n4\n");
  const struct {
    std::vector<std::string> dt;
    std::string rows;
  } cases[] = {
      {{}, "0.0e+00,5.0e+00\n1.0e+00,3.0e+00\n"},
      {{"--dt", "2"}, "0.0e+00,3.25e+00\n2.0e+00,7.5e-01\n"},
      {{"--dt", "0.5"},
       "-5.0e-01,2.5e+00\n0.0e+00,5.0e+00\n5.0e-01,4.0e+00\n1.0e+00,3.0e+00\n1.5e+00,1.5e+00\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"moment-rate", "f.srf", "m.csv", "--rigidity", "100"};
    args.insert(args.end(), c.dt.begin(), c.dt.end());
    const Outcome r = run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(get("m.csv"), "time_s,moment_rate_N_m_s\n" + c.rows);
  }
}

// A write stopped by a signal, once its temporary file exists, leaves
// no temporary file behind and the old output as it was; the program
// ends by the signal.
TEST_F(YoffeSrf, AStoppedWriteLeavesNothingBehind) {
  std::string table = "lon,lat,depth_km,strike,dip,rake,area_m2,slip_m,tinit_s,taus_s,taur_s\n";
  for (int i = 0; i < 20000; ++i)
    table += "10,45,5,30,60,90,1e6,1," + std::to_string(i % 97) + ",0.1,2\n";
  put("t.csv", table);
  put("o.srf", "old");
  for (const int signal_number : {SIGINT, SIGTERM}) {
    const std::string program = YOFFE_SRF_PROGRAM;
    const std::string dir = work().string();
    const pid_t pid = fork();
    if (pid == 0) {
      const int null = open("/dev/null", O_WRONLY);
      if (null < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0 || chdir(dir.c_str()) != 0) _exit(127);
      std::vector<std::string> text{
#ifdef YOFFE_EMULATOR
          YOFFE_EMULATOR,
#endif
          program,        "write", "t.csv", "o.srf", "--dt", "0.0005"};
      std::vector<char*> argv;
      for (std::string& a : text) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    ASSERT_GT(pid, 0);
    bool seen = false;  // the temporary file
    for (int k = 0; k < 4000 && !seen; ++k) {
      for (const std::string& name : names()) seen = seen || name.rfind("o.srf.", 0) == 0;
      if (!seen) usleep(5000);
    }
    kill(pid, signal_number);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(seen) << "no temporary file appeared";
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), signal_number);
    EXPECT_EQ(names(), (std::vector<std::string>{"o.srf", "t.csv"}));
    EXPECT_EQ(get("o.srf"), "old");
  }
}

}  // namespace
