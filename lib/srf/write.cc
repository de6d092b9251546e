// The SRF writer: every line formatted into one buffer with std::to_chars,
// the buffer written out whenever it passes a megabyte.
#include <charconv>
#include <cmath>
#include <ios>
#include <ostream>
#include <stdexcept>
#include <string>

#include "yoffe/srf.hpp"

namespace yoffe::srf {

namespace {

// The buffer's size at which the writer writes it out.
constexpr std::size_t kSpill = std::size_t{1} << 20;

// Whether the version is 2.0 (true) or 1.0 (false); throws
// std::invalid_argument for any other.
bool is_version_2(std::string_view version) {
  if (version == "2.0") return true;
  if (version == "1.0") return false;
  throw std::invalid_argument("srf: unknown version \"" + std::string(version) + "\" (1.0 or 2.0)");
}

// Text appended to a string within room reserved beforehand: each number or
// count followed by a space, the last space of a line turned into its end.
// A number not finite puts the string back as it was and throws.
class Text {
 public:
  Text(std::string& out, std::size_t numbers, const char* what)
      : out_(out), old_(out.size()), what_(what) {
    out_.resize(old_ + numbers * (number_text_max + 1));
    at_ = out_.data() + old_;
  }

  void number(double x, const char* field) {
    if (!std::isfinite(x)) not_finite(field, x);
    at_ = number_text(x, at_);
    *at_++ = ' ';
  }

  void sample(double x, const char* axis, std::size_t k) {
    if (!std::isfinite(x)) {
      not_finite((std::string(axis) + " value " + std::to_string(k + 1)).c_str(), x);
    }
    at_ = number_text(x, at_);
    *at_++ = ' ';
  }

  void count(std::size_t n) {
    at_ = std::to_chars(at_, at_ + number_text_max, n).ptr;
    *at_++ = ' ';
  }

  void word(std::string_view w) {
    at_ += w.copy(at_, w.size());
    *at_++ = ' ';
  }

  void end_line() { at_[-1] = '\n'; }

  void close() { out_.resize(static_cast<std::size_t>(at_ - out_.data())); }

 private:
  [[noreturn]] void not_finite(const char* field, double x) {
    out_.resize(old_);
    throw std::invalid_argument(std::string("srf: ") + what_ + ": " + field + " is not finite (" +
                                number_text(x) + ")");
  }

  std::string& out_;
  std::size_t old_;
  const char* what_;
  char* at_;
};

void samples(Text& text, const std::vector<double>& v, const char* axis) {
  for (std::size_t k = 0; k < v.size(); ++k) {
    text.sample(v[k], axis, k);
    if (k % 6 == 5 || k + 1 == v.size()) text.end_line();
  }
}

void append_segment(std::string& out, const Segment& s) {
  if (s.nstk < 0 || s.ndip < 0) throw std::invalid_argument("srf: PLANE: a negative count");
  Text text(out, 11, "PLANE");
  text.number(s.elon, "ELON");
  text.number(s.elat, "ELAT");
  text.count(static_cast<std::size_t>(s.nstk));
  text.count(static_cast<std::size_t>(s.ndip));
  text.number(s.len, "LEN");
  text.number(s.wid, "WID");
  text.end_line();
  text.number(s.stk, "STK");
  text.number(s.dip, "DIP");
  text.number(s.dtop, "DTOP");
  text.number(s.shyp, "SHYP");
  text.number(s.dhyp, "DHYP");
  text.end_line();
  text.close();
}

}  // namespace

void append_point(std::string& out, const Point& p, std::string_view version) {
  const bool v2 = is_version_2(version);
  Text text(out, 17 + p.sr1.size() + p.sr2.size() + p.sr3.size(), "point");
  text.number(p.lon, "LON");
  text.number(p.lat, "LAT");
  text.number(p.dep, "DEP");
  text.number(p.stk, "STK");
  text.number(p.dip, "DIP");
  text.number(p.area, "AREA");
  text.number(p.tinit, "TINIT");
  text.number(p.dt, "DT");
  if (v2) {
    text.number(p.vs, "VS");
    text.number(p.den, "DEN");
  }
  text.end_line();
  text.number(p.rake, "RAKE");
  text.number(p.slip1, "SLIP1");
  text.count(p.sr1.size());
  text.number(p.slip2, "SLIP2");
  text.count(p.sr2.size());
  text.number(p.slip3, "SLIP3");
  text.count(p.sr3.size());
  text.end_line();
  samples(text, p.sr1, "SR1");
  samples(text, p.sr2, "SR2");
  samples(text, p.sr3, "SR3");
  text.close();
}

Writer::Writer(std::ostream& out, const Header& header) : out_(out), version_(header.version) {
  const bool v2 = is_version_2(version_);
  buffer_ += version_;
  buffer_ += '\n';
  if (v2) {
    for (const std::string& comment : header.comments) {
      if (comment.find_first_of("\r\n") != std::string::npos) {
        throw std::invalid_argument("srf: a comment with a line break");
      }
      buffer_ += "# ";
      buffer_ += comment;
      buffer_ += '\n';
    }
  }
  if (!header.segments.empty()) {
    Text text(buffer_, 2, "PLANE");
    text.word("PLANE");
    text.count(header.segments.size());
    text.end_line();
    text.close();
    for (const Segment& s : header.segments) append_segment(buffer_, s);
  }
}

Writer::~Writer() {
  try {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  } catch (...) {
    // A stream that throws on failure: finish() is what reports it.
  }
}

void Writer::spill() {
  out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  buffer_.clear();
  if (!out_) throw std::ios_base::failure("srf: the file could not be written");
}

void Writer::begin_points(std::size_t n) {
  if (finished_) throw std::logic_error("srf: POINTS after finish()");
  if (in_block_ < block_size_) {
    throw std::logic_error("srf: POINTS block of " + std::to_string(block_size_) +
                           " points left with " + std::to_string(in_block_));
  }
  Text text(buffer_, 2, "POINTS");
  text.word("POINTS");
  text.count(n);
  text.end_line();
  text.close();
  started_ = true;
  block_size_ = n;
  in_block_ = 0;
}

void Writer::write(const Point& p) {
  if (!started_ || finished_ || in_block_ == block_size_) {
    throw std::logic_error("srf: a point outside a POINTS block, or beyond its count");
  }
  append_point(buffer_, p, version_);
  ++in_block_;
  if (buffer_.size() >= kSpill) spill();
}

void Writer::write_formatted(std::string_view text, std::size_t n) {
  if (!started_ || finished_ || n > block_size_ - in_block_) {
    throw std::logic_error("srf: points outside a POINTS block, or beyond its count");
  }
  in_block_ += n;
  if (buffer_.size() + text.size() < kSpill) {
    buffer_ += text;
    return;
  }
  spill();
  out_.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!out_) throw std::ios_base::failure("srf: the file could not be written");
}

void Writer::finish() {
  if (!started_) throw std::logic_error("srf: a file without a POINTS block");
  if (in_block_ < block_size_) {
    throw std::logic_error("srf: POINTS block of " + std::to_string(block_size_) +
                           " points left with " + std::to_string(in_block_));
  }
  spill();
  out_.flush();
  if (!out_) throw std::ios_base::failure("srf: the file could not be written");
  finished_ = true;
}

}  // namespace yoffe::srf
