// The writer's number text: the shortest round trip of std::to_chars in
// scientific notation, with a point and a digit after it where to_chars
// writes a single digit ("1e+00" becomes "1.0e+00"), so that readers that
// expect %e-like fields read every number.
#include <algorithm>
#include <charconv>
#include <string>

#include "yoffe/srf.hpp"

namespace yoffe::srf {

char* number_text(double x, char* out) noexcept {
  char* const end = std::to_chars(out, out + number_text_max, x, std::chars_format::scientific).ptr;
  char* const e = std::find(out, end, 'e');
  if (e == end || std::find(out, e, '.') != e) return end;
  std::copy_backward(e, end, end + 2);
  e[0] = '.';
  e[1] = '0';
  return end + 2;
}

std::string number_text(double x) {
  char text[number_text_max];
  return std::string(text, number_text(x, text));
}

}  // namespace yoffe::srf
