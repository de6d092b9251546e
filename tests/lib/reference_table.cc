#include "reference_table.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace reference {
namespace {

double number(const std::string& text) {
  return std::strtod(text.c_str(), nullptr);
}

std::vector<Row> read_table() {
  std::ifstream in(YOFFE_TEST_DATA "/stf_reference.txt");
  std::vector<Row> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Row r;
    std::string a, b, c, d, e;
    fields >> r.kind >> a >> b >> c;
    r.taus = number(a);
    r.taur = number(b);
    if (r.kind == "peak") {
      r.value = number(c);
    } else if (r.kind == "avg" || r.kind == "sumavg") {
      fields >> d >> e;
      r.x = number(c);
      r.dt = number(d);
      r.value = number(e);
    } else if (r.kind == "xf" || r.kind == "sumxf") {
      std::string g;
      fields >> d >> e >> g;
      r.x = number(c);
      r.value = number(d);
      r.imag = number(e);
      r.envelope = number(g);
    } else if (r.kind == "source") {
      fields >> d;
      r.value = number(c);
      r.envelope = number(d);
    } else {
      fields >> d;
      r.x = number(c);
      r.value = number(d);
      if (r.kind == "amp") {
        fields >> e;
        r.envelope = number(e);
      }
    }
    rows.push_back(r);
  }
  return rows;
}

}  // namespace

const std::vector<Row>& table() {
  static const std::vector<Row> rows = read_table();
  return rows;
}

}  // namespace reference
