// yoffe-srf: SRF files of rupture models written from subfault tables,
// reported on, and turned into moment-rate functions.  The command line
// is read here; the commands are in commands.h.  Errors go to standard
// error as "yoffe-srf: ..."; the exit status is 0 when done, 1 for a file
// that cannot be opened, read or written, 2 for a bad command line or
// input.
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "table.h"

namespace {

using srf_tool::Failure;
using srf_tool::kBadInput;
using srf_tool::kIoFailure;

const char kUsage[] =
    R"(Usage: yoffe-srf write TABLE.csv OUT.srf --dt SECONDS [--sampling average|point]
                       [--version 2.0|1.0]
       yoffe-srf info FILE.srf [--rigidity PA]
       yoffe-srf moment-rate INPUT OUT.csv [--dt SECONDS] [--rigidity PA]
       yoffe-srf --help | --version

write        Writes the subfaults of TABLE.csv as one POINTS block of an SRF
             file, each with its slip rate (the regularized Yoffe function
             times its slip) every --dt seconds: averages over the steps
             centred on TINIT + k DT (--sampling average, the default) or
             values at those times (--sampling point), TINIT the onset
             rounded to a multiple of --dt, so that all points share one
             grid.  --version 1.0 writes a file without comments, VS and
             DEN.
info         Reports on an SRF file: its version, segments, POINTS blocks and
             points, moment (N m) and Mw, first and last sample times (s),
             largest slip (cm), and the worst misfit of the samples' sum to
             the slip, |sum(SR) DT - SLIP| / |SLIP|.
moment-rate  Writes the moment-rate function (N m/s) of an SRF file (its
             samples put into steps of --dt, by default its first DT) or of a
             table (the closed form; --dt needed) as the CSV rows
             time_s,moment_rate_N_m_s, the steps centred on multiples of dt.

A subfault's rigidity is DEN VS^2 where it gives both, else --rigidity PA.

TABLE.csv: a header row of column names, then one row per subfault, fields
separated by commas: lon, lat (degrees), depth_km, strike, dip, rake
(degrees), area_m2, slip_m, tinit_s, either taus_s and taur_s or tacc_s and
teff_s, and optionally vs_m_s and density_kg_m3; a field may stand in
double quotes.

An output is written to a temporary file beside it, flushed to the disk and
renamed over it: a failed or stopped command leaves it as it was.  Exit
status: 0 done, 1 a file could not be opened, read or written, 2 a bad
command line or input.
)";

[[noreturn]] void usage_error(const std::string& what) {
  throw Failure(kBadInput, what + " (yoffe-srf --help for the usage)");
}

// Writes text to standard output; throws Failure(kIoFailure) when it fails.
void print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    throw Failure(kIoFailure,
                  std::string("cannot write the standard output: ") + std::strerror(errno));
  }
}

// A command's words: its files, and its options with their values.
struct Words {
  std::vector<std::string> files;
  std::vector<std::pair<std::string, std::string>> options;

  // The value of the option, or nullptr where it is not given.
  const std::string* option(const std::string& name) const {
    for (const auto& [n, value] : options) {
      if (n == name) return &value;
    }
    return nullptr;
  }
};

// Splits the words after the command into files and "--name value" (or
// "--name=value") options of the known names; "--" ends the options.
Words read_words(const std::vector<std::string>& args, const std::vector<std::string>& known) {
  Words words;
  bool options_end = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options_end || a.size() < 2 || a[0] != '-') {
      words.files.push_back(a);
      continue;
    }
    if (a == "--") {
      options_end = true;
      continue;
    }
    const std::size_t equals = a.find('=');
    const std::string name = a.substr(0, equals);
    bool is_known = false;
    for (const std::string& k : known) is_known = is_known || k == name;
    if (!is_known) usage_error(args[0] + ": unknown option " + name);
    if (words.option(name) != nullptr) usage_error(args[0] + ": " + name + " given twice");
    if (equals != std::string::npos) {
      words.options.emplace_back(name, a.substr(equals + 1));
    } else if (i + 1 < args.size()) {
      words.options.emplace_back(name, args[++i]);
    } else {
      usage_error(args[0] + ": " + name + " needs a value");
    }
  }
  return words;
}

void need_files(const std::string& command, const Words& words, std::size_t n, const char* names) {
  if (words.files.size() < n) usage_error(command + ": needs " + names);
  if (words.files.size() > n) usage_error(command + ": too many arguments: " + words.files[n]);
}

// The option's value as a finite number > 0, or 0 where it is not given.
double positive(const Words& words, const std::string& name) {
  const std::string* text = words.option(name);
  if (text == nullptr) return 0.0;
  double x = 0.0;
  const char* const end = text->data() + text->size();
  const auto [stop, error] = std::from_chars(text->data(), end, x);
  if (error != std::errc() || stop != end || !std::isfinite(x) || !(x > 0.0)) {
    usage_error(name + ": must be a finite number > 0, not \"" + *text + "\"");
  }
  return x;
}

// The option's value, one of two; the first where it is not given.
std::string one_of(const Words& words, const std::string& name, const char* first,
                   const char* second) {
  const std::string* text = words.option(name);
  if (text == nullptr) return first;
  if (*text != first && *text != second) {
    usage_error(name + ": " + first + " or " + second + ", not \"" + *text + "\"");
  }
  return *text;
}

int run(const std::vector<std::string>& args) {
  if (args.empty()) usage_error("no command: write, info or moment-rate");
  const std::string& command = args[0];
  if (command == "--version") {
    print("yoffe-srf " YOFFE_VERSION "\n");
    return 0;
  }
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == "--help") {
      print(kUsage);
      return 0;
    }
  }
  if (command == "write") {
    const Words words = read_words(args, {"--dt", "--sampling", "--version"});
    need_files(command, words, 2, "TABLE.csv and OUT.srf");
    srf_tool::WriteRequest request;
    request.table = words.files[0];
    request.output = words.files[1];
    request.dt = positive(words, "--dt");
    if (request.dt == 0.0) usage_error("write: needs --dt SECONDS");
    request.point_samples = one_of(words, "--sampling", "average", "point") == "point";
    request.version = one_of(words, "--version", "2.0", "1.0");
    srf_tool::write_srf(request);
    return 0;
  }
  if (command == "info") {
    const Words words = read_words(args, {"--rigidity"});
    need_files(command, words, 1, "FILE.srf");
    print(srf_tool::info_report(words.files[0], positive(words, "--rigidity")));
    return 0;
  }
  if (command == "moment-rate") {
    const Words words = read_words(args, {"--dt", "--rigidity"});
    need_files(command, words, 2, "INPUT and OUT.csv");
    srf_tool::MomentRateRequest request;
    request.input = words.files[0];
    request.output = words.files[1];
    request.dt = positive(words, "--dt");
    request.rigidity = positive(words, "--rigidity");
    srf_tool::write_moment_rate(request);
    return 0;
  }
  usage_error("unknown command \"" + command + "\": write, info or moment-rate");
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const Failure& f) {
    std::fprintf(stderr, "yoffe-srf: %s\n", f.what());
    return f.status();
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "yoffe-srf: out of memory\n");
    return kIoFailure;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "yoffe-srf: %s\n", e.what());
    return kIoFailure;
  }
}
