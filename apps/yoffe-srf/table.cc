// The subfault table: the header's columns found by name, each row split
// at its commas, each field read as a double and held to its column's
// rule, and the source's pair checked by the library itself.
#include "table.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>

#include "yoffe/stf.h"

namespace srf_tool {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

enum Column {
  kLon,
  kLat,
  kDepth,
  kStrike,
  kDip,
  kRake,
  kArea,
  kSlip,
  kTinit,
  kTaus,
  kTaur,
  kTacc,
  kTeff,
  kVs,
  kDensity,
  kColumns
};

// A column's name and the values it takes: from `least` (excluded when
// `above`) to `most`, and the rule as the message states it.
struct Rule {
  const char* name;
  double least;
  bool above;
  double most;
  const char* text;
};

// In the order of Column.
constexpr Rule kRules[kColumns] = {
    {"lon", -360.0, false, 360.0, "must be finite and in [-360, 360]"},
    {"lat", -90.0, false, 90.0, "must be finite and in [-90, 90]"},
    {"depth_km", -kInf, false, kInf, "must be finite"},
    {"strike", 0.0, false, 360.0, "must be finite and in [0, 360]"},
    {"dip", 0.0, false, 90.0, "must be finite and in [0, 90]"},
    {"rake", -kInf, false, kInf, "must be finite"},
    {"area_m2", 0.0, true, kInf, "must be finite and > 0"},
    {"slip_m", 0.0, false, kInf, "must be finite and >= 0"},
    {"tinit_s", -kInf, false, kInf, "must be finite"},
    {"taus_s", 0.0, false, kInf, "must be finite and >= 0"},
    {"taur_s", 0.0, false, kInf, "must be finite and >= 0"},
    {"tacc_s", 0.0, true, kInf, "must be finite and > 0"},
    {"teff_s", 0.0, true, kInf, "must be finite and > 0"},
    {"vs_m_s", 0.0, true, kInf, "must be finite and > 0"},
    {"density_kg_m3", 0.0, true, kInf, "must be finite and > 0"},
};

// The columns every table has, besides one of the two pairs.
constexpr Column kRequired[] = {kLon, kLat, kDepth, kStrike, kDip, kRake, kArea, kSlip, kTinit};

std::string_view trimmed(std::string_view s) {
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return s;
}

// The field without the double quotes that some writers put around every
// field (R's write.csv around the names).
std::string_view unquoted(std::string_view s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return trimmed(s.substr(1, s.size() - 2));
  return s;
}

std::vector<std::string_view> fields_of(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t comma = line.find(',');
    fields.push_back(unquoted(trimmed(line.substr(0, comma))));
    if (comma == std::string_view::npos) return fields;
    line.remove_prefix(comma + 1);
  }
}

// The field as a finite double, the whole of it (a leading '+' allowed);
// false otherwise.
bool parse_number(std::string_view field, double& x) {
  const char* first = field.data();
  const char* const last = first + field.size();
  if (field.size() > 1 && field[0] == '+' && field[1] != '-') ++first;
  const auto [end, error] = std::from_chars(first, last, x);
  return error == std::errc() && end == last && std::isfinite(x);
}

bool keeps(const Rule& rule, double x) {
  return (rule.above ? x > rule.least : x >= rule.least) && x <= rule.most;
}

[[noreturn]] void fail(const std::string& name, long line, const std::string& what) {
  throw Failure(kBadInput, name + ":" + std::to_string(line) + ": " + what);
}

// The position of each column in the rows (-1 where absent), from the
// header row.
struct Layout {
  int at[kColumns];
  std::size_t fields = 0;
  bool given(Column c) const { return at[c] >= 0; }
};

Layout read_header(std::string_view line, const std::string& name, long line_number) {
  Layout layout;
  for (int& a : layout.at) a = -1;
  const std::vector<std::string_view> names = fields_of(line);
  layout.fields = names.size();
  for (std::size_t i = 0; i < names.size(); ++i) {
    int column = -1;
    for (int c = 0; c < kColumns; ++c) {
      if (names[i] == kRules[c].name) column = c;
    }
    const std::string quoted = "\"" + std::string(names[i]) + "\"";
    if (column < 0) {
      fail(name, line_number,
           "unknown column " + quoted + " (the columns: " + known_columns() + ")");
    }
    if (layout.at[column] >= 0) fail(name, line_number, "column " + quoted + " given twice");
    layout.at[column] = static_cast<int>(i);
  }
  const bool rise = layout.given(kTaus) || layout.given(kTaur);
  const bool peak = layout.given(kTacc) || layout.given(kTeff);
  if (rise && peak) {
    fail(name, line_number, "both taus_s, taur_s and tacc_s, teff_s: give one pair of them");
  }
  if (!rise && !peak) fail(name, line_number, "neither taus_s, taur_s nor tacc_s, teff_s");
  for (const Column c : kRequired) {
    if (!layout.given(c)) fail(name, line_number, std::string("no column ") + kRules[c].name);
  }
  const Column pair[] = {rise ? kTaus : kTacc, rise ? kTaur : kTeff};
  for (const Column c : pair) {
    if (!layout.given(c)) fail(name, line_number, std::string("no column ") + kRules[c].name);
  }
  return layout;
}

Subfault read_row(std::string_view line, const Layout& layout, const std::string& name,
                  long line_number) {
  const std::vector<std::string_view> fields = fields_of(line);
  if (fields.size() != layout.fields) {
    fail(name, line_number,
         std::to_string(fields.size()) + (fields.size() == 1 ? " field" : " fields") +
             " where the header has " + std::to_string(layout.fields));
  }
  double value[kColumns] = {};
  for (int c = 0; c < kColumns; ++c) {
    if (!layout.given(static_cast<Column>(c))) continue;
    double x = 0.0;
    if (!parse_number(fields[static_cast<std::size_t>(layout.at[c])], x) || !keeps(kRules[c], x)) {
      fail(name, line_number, std::string(kRules[c].name) + ": " + kRules[c].text);
    }
    value[c] = x;
  }
  Subfault s;
  s.line = line_number;
  s.lon = value[kLon];
  s.lat = value[kLat];
  s.depth_km = value[kDepth];
  s.strike = value[kStrike];
  s.dip = value[kDip];
  s.rake = value[kRake];
  s.area_m2 = value[kArea];
  s.slip_m = value[kSlip];
  s.tinit_s = value[kTinit];
  if (layout.given(kVs)) s.vs_m_s = value[kVs];
  if (layout.given(kDensity)) s.density_kg_m3 = value[kDensity];
  if (layout.given(kTacc)) {
    if (yoffe_from_tacc_teff(value[kTacc], value[kTeff], &s.taus_s, &s.taur_s) != YOFFE_OK) {
      fail(name, line_number,
           "tacc_s and teff_s: not a source of the library (tacc_s < teff_s / 2, and "
           "the source found with taur from 1e-100 to 1e100 s and taus from taur 1e-50 to "
           "taur 1e50)");
    }
    return s;
  }
  s.taus_s = value[kTaus];
  s.taur_s = value[kTaur];
  // The library's own check, on one bin: taur = 0 is its limit.
  double one_bin = 0.0;
  if (yoffe_slip_rate_average(s.taus_s, s.taur_s, 0.0, 1.0, 1, &one_bin) != YOFFE_OK) {
    fail(name, line_number,
         "taus_s and taur_s: not a source of the library (taur_s 0 or from 1e-100 to 1e100 s, "
         "taus_s 0 or from taur_s 1e-50 to taur_s 1e50)");
  }
  return s;
}

}  // namespace

double rigidity_of(const Subfault& s, double rigidity) {
  if (s.vs_m_s > 0.0 && s.density_kg_m3 > 0.0) return s.density_kg_m3 * s.vs_m_s * s.vs_m_s;
  return rigidity;
}

std::string known_columns() {
  std::string names;
  for (const Rule& rule : kRules) {
    if (!names.empty()) names += ", ";
    names += rule.name;
  }
  return names;
}

std::vector<Subfault> parse_table(const std::string& text, const std::string& name) {
  std::vector<Subfault> rows;
  Layout layout;
  bool header = false;
  long line_number = 0;
  std::string_view rest = text;
  // A spreadsheet's UTF-8 byte-order mark before the header is not part of
  // the first column's name.
  if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
  while (!rest.empty()) {
    ++line_number;
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (trimmed(line).empty()) continue;
    if (!header) {
      layout = read_header(line, name, line_number);
      header = true;
    } else {
      rows.push_back(read_row(line, layout, name, line_number));
    }
  }
  if (!header) throw Failure(kBadInput, name + ": no header row: an empty table");
  if (rows.empty()) throw Failure(kBadInput, name + ": no subfault rows after the header");
  return rows;
}

std::vector<Subfault> read_table(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    throw Failure(kIoFailure, "cannot open " + path + ": " + std::strerror(errno));
  }
  std::string text;
  char buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  if (failed) throw Failure(kIoFailure, "cannot read " + path + ": " + std::strerror(error));
  return parse_table(text, path);
}

}  // namespace srf_tool
