// The commands: each reads and checks its whole input first, then writes
// its output through an OutputFile, so that a bad input writes nothing.
#include "commands.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <ios>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "output.h"
#include "table.h"
#include "yoffe/srf.hpp"
#include "yoffe/stf.h"

namespace srf_tool {

namespace {

using yoffe::srf::number_text;
using yoffe::srf::Point;

constexpr std::size_t kChunk = 256;                   // points formatted together
constexpr std::size_t kMostSamples = 10000000;        // of one point's axis
constexpr long kMostSteps = yoffe::srf::MomentRate::most_steps;  // of a moment-rate grid
constexpr std::size_t kFlush = std::size_t{1} << 20;  // bytes of text held

std::string at_line(const std::string& name, long line) {
  return name + ":" + std::to_string(line) + ": ";
}

std::string at_point(const std::string& name, long point) {
  return name + ": point " + std::to_string(point) + ": ";
}

// The threads that format points: OMP_NUM_THREADS where it is a positive
// integer (at most 256), else the machine's processors.
std::size_t formatting_threads() {
  if (const char* text = std::getenv("OMP_NUM_THREADS"); text != nullptr) {
    const char* const end = text + std::strlen(text);
    long n = 0;
    const auto [stop, error] = std::from_chars(text, end, n);
    if (error == std::errc() && stop == end && n > 0) {
      return static_cast<std::size_t>(std::min(n, 256L));
    }
  }
  return std::max(1U, std::thread::hardware_concurrency());
}

// ---- write

// A row as the file has it, without its samples yet: the point, its
// source and how many samples it gets.
struct Planned {
  Point point;
  double taus = 0.0, taur = 0.0;
  double lead = 0.0;  // TINIT less the onset: the first sample's time in the source's own
  std::size_t samples = 0;
  long line = 0;
};

// The fewest samples of step dt that cover [0, duration]: bins centred on
// k dt whose last ends at or after it ((n - 1/2) dt >= duration), or
// samples at k dt whose last is at or after it ((n - 1) dt >= duration).
// 0 where that passes kMostSamples.
std::size_t samples_to_cover(double duration, double dt, bool point_samples) {
  const double offset = point_samples ? 1.0 : 0.5;
  const double steps = duration / dt + offset;
  if (!(steps <= static_cast<double>(kMostSamples))) return 0;
  const auto reaches = [&](std::size_t n) {
    return (static_cast<double>(n) - offset) * dt >= duration;
  };
  std::size_t n = std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(steps)));
  while (n > 1 && reaches(n - 1)) --n;
  while (!reaches(n)) ++n;
  return n <= kMostSamples ? n : 0;
}

// Each row in the file's units, checked as the file needs it.
std::vector<Planned> plan_points(const std::vector<Subfault>& rows, const WriteRequest& request) {
  std::vector<Planned> plan(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Subfault& s = rows[i];
    const std::string at = at_line(request.table, s.line);
    Planned& q = plan[i];
    Point& p = q.point;
    p.lon = s.lon;
    p.lat = s.lat;
    p.dep = s.depth_km;
    p.stk = s.strike;
    p.dip = s.dip;
    p.area = s.area_m2 * 1e4;  // m^2 to cm^2
    // TINIT on the grid k dt nearest the onset, so that every point's
    // samples fall on one grid, a solver's steps, with the onset in the
    // first one's bin: the samples then take the offset.
    p.tinit = std::nearbyint(s.tinit_s / request.dt) * request.dt;
    q.lead = p.tinit - s.tinit_s;
    p.dt = request.dt;
    p.vs = s.vs_m_s > 0.0 ? s.vs_m_s * 100.0 : -1.0;                  // m/s to cm/s
    p.den = s.density_kg_m3 > 0.0 ? s.density_kg_m3 / 1000.0 : -1.0;  // kg/m^3 to g/cm^3
    p.rake = s.rake;
    p.slip1 = s.slip_m * 100.0;  // m to cm
    if (!std::isfinite(p.area)) throw Failure(kBadInput, at + "area_m2: too large in cm^2");
    if (!std::isfinite(p.slip1)) throw Failure(kBadInput, at + "slip_m: too large in cm");
    if (!std::isfinite(p.vs)) throw Failure(kBadInput, at + "vs_m_s: too large in cm/s");
    q.taus = s.taus_s;
    q.taur = s.taur_s;
    q.line = s.line;
    if (request.point_samples && yoffe_slip_rate(q.taus, q.taur, 0, nullptr, nullptr) != YOFFE_OK) {
      throw Failure(kBadInput,
                    at + (q.taus == 0.0 ? "taus_s and taur_s: an impulse (both 0) has no point "
                                          "samples: use --sampling average"
                                        : "taur_s: 0 has no point samples (the library's rate "
                                          "needs a rise): use --sampling average"));
    }
    if (s.slip_m > 0.0) {
      q.samples =
          samples_to_cover(q.taur + 2.0 * q.taus - q.lead, request.dt, request.point_samples);
      if (q.samples == 0) {
        throw Failure(kBadInput, at + "the slip rate's support needs more than " +
                                     std::to_string(kMostSamples) + " samples of --dt");
      }
    }
  }
  return plan;
}

// Appends the points plan[first, last) to text, with their samples.
void format_points(const std::vector<Planned>& plan, std::size_t first, std::size_t last,
                   const WriteRequest& request, std::string& text) {
  Point p;
  std::vector<double> times;
  for (std::size_t i = first; i < last; ++i) {
    const Planned& q = plan[i];
    p = q.point;
    p.sr1.resize(q.samples);
    int status = YOFFE_OK;
    if (request.point_samples) {
      times.resize(q.samples);
      for (std::size_t k = 0; k < q.samples; ++k) {
        times[k] = static_cast<double>(k) * request.dt + q.lead;
      }
      status = yoffe_slip_rate(q.taus, q.taur, q.samples, times.data(), p.sr1.data());
    } else {
      status =
          yoffe_slip_rate_average(q.taus, q.taur, q.lead, request.dt, q.samples, p.sr1.data());
    }
    const std::string at = at_line(request.table, q.line);
    if (status != YOFFE_OK) throw Failure(kBadInput, at + "the library refuses its samples");
    for (double& x : p.sr1) x *= p.slip1;
    try {
      yoffe::srf::append_point(text, p, request.version);
    } catch (const std::invalid_argument&) {
      throw Failure(kBadInput, at + "slip_m: its slip rate overflows in cm/s");
    }
  }
}

// Writes the points through the writer, formatted a chunk at a time on
// several threads, and the chunks written in their order.  Each round
// formats a window of chunks, then writes them.
void write_points(yoffe::srf::Writer& writer, const std::vector<Planned>& plan,
                  const WriteRequest& request) {
  const std::size_t threads = formatting_threads();
  const std::size_t window = 4 * threads;
  const std::size_t chunks = (plan.size() + kChunk - 1) / kChunk;
  std::vector<std::string> text(window);
  std::vector<std::exception_ptr> failure(window);
  for (std::size_t round = 0; round < chunks; round += window) {
    const std::size_t count = std::min(window, chunks - round);
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
      for (std::size_t c = next++; c < count; c = next++) {
        text[c].clear();
        failure[c] = nullptr;
        const std::size_t first = (round + c) * kChunk;
        try {
          format_points(plan, first, std::min(plan.size(), first + kChunk), request, text[c]);
        } catch (...) {
          failure[c] = std::current_exception();
        }
      }
    };
    std::vector<std::thread> workers;
    for (std::size_t t = 1; t < std::min(threads, count); ++t) {
      try {
        workers.emplace_back(work);
      } catch (const std::system_error&) {
        break;  // the threads started do the work
      }
    }
    work();
    for (std::thread& w : workers) w.join();
    for (std::size_t c = 0; c < count; ++c) {
      if (failure[c]) std::rethrow_exception(failure[c]);
      const std::size_t first = (round + c) * kChunk;
      writer.write_formatted(text[c], std::min(kChunk, plan.size() - first));
    }
  }
}

// A file name as a comment may hold it: control characters as '?'.
std::string printable(std::string name) {
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  return name;
}

// ---- info and the moment rate of an SRF file

// An SRF file read point by point; the reader's errors as failures, of
// input unless the stream itself failed.
class SrfFile {
 public:
  explicit SrfFile(const std::string& path) : path_(path) {
    in_.open(path, std::ios::binary);
    if (!in_) throw Failure(kIoFailure, "cannot open " + path + ": " + std::strerror(errno));
    try {
      reader_ = std::make_unique<yoffe::srf::Reader>(in_, path);
    } catch (const yoffe::srf::Error& e) {
      fail(e);
    }
  }

  bool next(Point& p) {
    try {
      return reader_->next(p);
    } catch (const yoffe::srf::Error& e) {
      fail(e);
    }
  }

  const yoffe::srf::Reader& reader() const { return *reader_; }

 private:
  [[noreturn]] void fail(const yoffe::srf::Error& e) {
    throw Failure(in_.bad() ? kIoFailure : kBadInput, e.what());
  }

  std::string path_;
  std::ifstream in_;
  std::unique_ptr<yoffe::srf::Reader> reader_;
};

// The point's rigidity (Pa): DEN VS^2 in SI where it gives both, else
// `rigidity`; fails, naming the point, where that is 0 too.
double point_rigidity(const Point& p, double rigidity, const std::string& path, long point) {
  const double mu = yoffe::srf::rigidity_of(p, rigidity);
  if (mu > 0.0) return mu;
  throw Failure(kBadInput, at_point(path, point) + "no VS and DEN (both > 0): give --rigidity PA");
}

// The sum of v, compensated (Neumaier).
double sum_of(const std::vector<double>& v) {
  double sum = 0.0, lost = 0.0;
  for (const double x : v) {
    const double t = sum + x;
    lost += std::fabs(sum) >= std::fabs(x) ? (sum - t) + x : (x - t) + sum;
    sum = t;
  }
  return sum + lost;
}

// Writes the rows of steps j = first.. of the values, as CSV.
void write_rows(const std::string& output, long first, const double* values, std::size_t n,
                double dt) {
  OutputFile out(output);
  std::string text = "time_s,moment_rate_N_m_s\n";
  char number[yoffe::srf::number_text_max];
  for (std::size_t i = 0; i < n; ++i) {
    text.append(number,
                number_text(static_cast<double>(first + static_cast<long>(i)) * dt, number));
    text += ',';
    text.append(number, number_text(values[i], number));
    text += '\n';
    if (text.size() >= kFlush) {
      out.write(text);
      text.clear();
    }
  }
  out.write(text);
  out.commit();
}

void moment_rate_of_srf(const MomentRateRequest& request) {
  SrfFile file(request.input);
  std::unique_ptr<yoffe::srf::MomentRate> rate;
  if (request.dt > 0.0) rate = std::make_unique<yoffe::srf::MomentRate>(request.dt);
  Point p;
  for (long point = 1; file.next(p); ++point) {
    const double mu = point_rigidity(p, request.rigidity, request.input, point);
    if (rate == nullptr) {
      if (!(p.dt > 0.0 && std::isfinite(p.dt))) {
        throw Failure(kBadInput, at_point(request.input, point) + "DT is not > 0: give --dt");
      }
      rate = std::make_unique<yoffe::srf::MomentRate>(p.dt);
    }
    try {
      rate->add(p, mu);
    } catch (const std::invalid_argument& e) {
      throw Failure(kBadInput, at_point(request.input, point) + e.what());
    }
  }
  const double dt = rate != nullptr ? rate->dt() : 1.0;
  const std::vector<double> values = rate != nullptr ? rate->values() : std::vector<double>();
  write_rows(request.output, rate != nullptr && rate->reached() ? rate->first() : 0,
             values.data(), values.size(), dt);
}

void moment_rate_of_table(const MomentRateRequest& request) {
  const std::vector<Subfault> rows = read_table(request.input);
  if (!(request.dt > 0.0)) {
    throw Failure(kBadInput, "moment-rate: a table needs --dt SECONDS");
  }
  const double dt = request.dt;
  std::vector<yoffe_source> sources;
  long first = 0, last = -1;
  for (const Subfault& s : rows) {
    const std::string at = at_line(request.input, s.line);
    const double mu = rigidity_of(s, request.rigidity);
    if (!(mu > 0.0)) {
      throw Failure(kBadInput, at + "no vs_m_s and density_kg_m3: give --rigidity PA");
    }
    const double weight = mu * s.area_m2 * s.slip_m;
    if (!std::isfinite(weight)) throw Failure(kBadInput, at + "its moment overflows");
    sources.push_back({s.tinit_s, s.taus_s, s.taur_s, weight});
    if (weight == 0.0) continue;
    const double u0 = s.tinit_s / dt + 0.5;
    const double u1 = (s.tinit_s + (s.taur_s + 2.0 * s.taus_s)) / dt + 0.5;
    const bool near = std::fabs(u0) < 1e15 && std::fabs(u1) < 1e15;
    const long j0 = near ? static_cast<long>(std::floor(u0)) : 0;
    const long j1 = near ? static_cast<long>(std::floor(u1)) : 0;
    first = last < first ? j0 : std::min(first, j0);
    last = std::max(last, j1);
    if (!near || last - first >= kMostSteps) {
      throw Failure(kBadInput,
                    at + "the grid of --dt passes " + std::to_string(kMostSteps) + " steps");
    }
  }
  const std::size_t n = last < first ? 0 : static_cast<std::size_t>(last - first + 1);
  std::vector<double> rate(n);
  std::size_t bad = 0;
  if (yoffe_moment_rate(sources.data(), sources.size(), static_cast<double>(first) * dt, dt, n, 1,
                        rate.data(), &bad) != YOFFE_OK) {
    const std::string at =
        bad < rows.size() ? at_line(request.input, rows[bad].line) : request.input + ": ";
    throw Failure(kBadInput, at + "the library refuses the moment rate on the grid of --dt");
  }
  write_rows(request.output, first, rate.data(), n, dt);
}

// Whether the file's first token is 1.0 or 2.0: an SRF file, not a table.
bool starts_as_srf(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    throw Failure(kIoFailure, "cannot open " + path + ": " + std::strerror(errno));
  }
  char head[256];
  const std::size_t got = std::fread(head, 1, sizeof head, file);
  const bool failed = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  if (failed) throw Failure(kIoFailure, "cannot read " + path + ": " + std::strerror(error));
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  std::size_t i = 0;
  while (i < got && space(head[i])) ++i;
  std::size_t end = i;
  while (end < got && !space(head[end]) && head[end] != '#') ++end;
  const std::string_view token(head + i, end - i);
  return token == "1.0" || token == "2.0";
}

}  // namespace

void write_srf(const WriteRequest& request) {
  const std::vector<Planned> plan = plan_points(read_table(request.table), request);
  yoffe::srf::Header header;
  header.version = request.version;
  header.comments = {
      "written by yoffe-srf from the subfault table " + printable(request.table),
      request.point_samples
          ? "slip rate: samples at TINIT + k DT of the regularized Yoffe function"
          : "slip rate: averages over [TINIT + (k - 1/2) DT, TINIT + (k + 1/2) DT] of the "
            "regularized Yoffe function",
      "DT: " + number_text(request.dt) + " s"};
  OutputFile out(request.output);
  try {
    yoffe::srf::Writer writer(out.stream(), header);
    writer.begin_points(plan.size());
    write_points(writer, plan, request);
    writer.finish();
  } catch (const std::ios_base::failure&) {
    out.check();
    throw Failure(kIoFailure, "cannot write " + request.output);
  }
  out.commit();
}

std::string info_report(const std::string& path, double rigidity) {
  SrfFile file(path);
  constexpr double kInf = std::numeric_limits<double>::infinity();
  double moment = 0.0, largest = 0.0, first = kInf, last = -kInf, worst = -1.0;
  long worst_point = 0, point = 0;
  Point p;
  while (file.next(p)) {
    ++point;
    const double mu = point_rigidity(p, rigidity, path, point);
    const double slip = std::sqrt(p.slip1 * p.slip1 + p.slip2 * p.slip2 + p.slip3 * p.slip3);
    moment += mu * (p.area * 1e-4) * (slip * 0.01);  // cm^2 to m^2, cm to m
    largest = std::max(largest, slip);
    const double slips[] = {p.slip1, p.slip2, p.slip3};
    const std::vector<double>* axes[] = {&p.sr1, &p.sr2, &p.sr3};
    for (int a = 0; a < 3; ++a) {
      const std::vector<double>& sr = *axes[a];
      if (!sr.empty()) {
        first = std::min(first, p.tinit);
        last = std::max(last, p.tinit + static_cast<double>(sr.size() - 1) * p.dt);
      }
      if (slips[a] == 0.0) continue;
      const double misfit = std::fabs(sum_of(sr) * p.dt - slips[a]) / std::fabs(slips[a]);
      if (misfit > worst) {
        worst = misfit;
        worst_point = point;
      }
    }
  }
  const yoffe::srf::Reader& reader = file.reader();
  const auto line = [](const std::string& name, const std::string& value) {
    return name + ": " + value + "\n";
  };
  const bool sampled = first <= last;
  std::string report;
  report += line("version", reader.header().version);
  report += line("segments", std::to_string(reader.header().segments.size()));
  report += line("POINTS blocks", std::to_string(reader.blocks_read()));
  report += line("points", std::to_string(reader.points_read()));
  report += line("moment (N m)", number_text(moment));
  report += line("Mw", moment > 0.0 ? number_text(2.0 / 3.0 * (std::log10(moment) - 9.1)) : "none");
  report += line("first time (s)", sampled ? number_text(first) : "none");
  report += line("last time (s)", sampled ? number_text(last) : "none");
  report += line("largest slip (cm)", number_text(largest));
  report += line("worst slip misfit", worst >= 0.0 ? number_text(worst) : "none");
  report += line("worst slip misfit point", worst >= 0.0 ? std::to_string(worst_point) : "none");
  return report;
}

void write_moment_rate(const MomentRateRequest& request) {
  if (starts_as_srf(request.input)) {
    moment_rate_of_srf(request);
  } else {
    moment_rate_of_table(request);
  }
}

}  // namespace srf_tool
