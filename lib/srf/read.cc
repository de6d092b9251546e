// The SRF reader: the stream read in chunks, cut into tokens at spaces,
// tabs, line ends and comments, each number read by std::from_chars.  A
// token that runs past the end of the chunk is moved to its front before
// the next read.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <istream>
#include <stdexcept>
#include <string>

#include "yoffe/srf.hpp"

namespace yoffe::srf {

namespace {

// The smallest chunk: room for any number's text, and more.
constexpr std::size_t kSmallestChunk = 64;

// The bytes that end a token: spaces (1) and the '#' of a comment (2),
// looked up in one table rather than tested one by one (the scan of the
// tokens is half of a read).
constexpr std::array<unsigned char, 256> kEnds = [] {
  std::array<unsigned char, 256> t{};
  for (const unsigned char c : {' ', '\n', '\r', '\t', '\v', '\f'}) t[c] = 1;
  t[static_cast<unsigned char>('#')] = 2;
  return t;
}();

bool is_space(char c) {
  return kEnds[static_cast<unsigned char>(c)] == 1;
}

bool ends_token(char c) {
  return kEnds[static_cast<unsigned char>(c)] != 0;
}

// The token in double quotes for a message: 40 characters at most, bytes
// outside printable ASCII (and '"', '\') as \xHH.
std::string quoted(std::string_view token) {
  static const char kHex[] = "0123456789abcdef";
  const std::size_t shown = std::min<std::size_t>(token.size(), 40);
  std::string q = "\"";
  for (const char c : token.substr(0, shown)) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7f && c != '"' && c != '\\') {
      q += c;
    } else {
      q += "\\x";
      q += kHex[u >> 4];
      q += kHex[u & 15];
    }
  }
  q += '"';
  if (shown < token.size()) q += " (" + std::to_string(token.size()) + " characters)";
  return q;
}

enum class Parsed { ok, bad, out_of_range, not_finite };

// The token as a double: decimal, a leading '+' allowed as strtod allows
// it (from_chars does not), within the range of doubles and finite.
Parsed parse_number(std::string_view token, double& x) {
  const char* first = token.data();
  const char* const last = first + token.size();
  if (token.size() > 1 && token[0] == '+' && token[1] != '-') ++first;
  const auto [end, error] = std::from_chars(first, last, x);
  if (end != last) return Parsed::bad;
  if (error == std::errc::result_out_of_range) return Parsed::out_of_range;
  if (error != std::errc()) return Parsed::bad;
  return std::isfinite(x) ? Parsed::ok : Parsed::not_finite;
}

const char* expected(Parsed parsed) {
  switch (parsed) {
    case Parsed::out_of_range:
      return "a number within the range of doubles";
    case Parsed::not_finite:
      return "a finite number";
    default:
      return "a number";
  }
}

}  // namespace

Error::Error(const std::string& name, long line, const std::string& what)
    : std::runtime_error(name + ":" + std::to_string(line) + ": " + what), line_(line) {}

Reader::Reader(std::istream& in, std::string name, std::size_t chunk)
    : in_(in),
      name_(std::move(name)),
      size_(std::max(chunk, kSmallestChunk)),
      chunk_(new char[size_ + 1]) {
  chunk_[0] = '#';  // the sentinel after the bytes: see read_token
  if (!in_) fail(1, "the file cannot be read");
  if (!read_token()) fail(token_line_, "expected the version, 1.0 or 2.0, got the end of the file");
  if (token_ != "1.0" && token_ != "2.0") {
    fail(token_line_, "expected the version, 1.0 or 2.0, got " + quoted(token_));
  }
  header_.version = token_;
  version_2_ = token_ == "2.0";
  const bool more = read_token();
  if (more && token_ == "PLANE") {
    const long n = count("NSEG");
    place_ = Place::segment;
    for (segment_ = 1; segment_ <= n; ++segment_) {
      Segment s;
      s.elon = number("ELON");
      s.elat = number("ELAT");
      s.nstk = count("NSTK");
      s.ndip = count("NDIP");
      s.len = number("LEN");
      s.wid = number("WID");
      s.stk = number("STK");
      s.dip = number("DIP");
      s.dtop = number("DTOP");
      s.shyp = number("SHYP");
      s.dhyp = number("DHYP");
      header_.segments.push_back(s);
    }
    place_ = Place::header;
    if (!read_token()) fail_end("POINTS");
    if (token_ != "POINTS") fail(token_line_, "expected POINTS, got " + quoted(token_));
  } else if (!more) {
    fail_end("PLANE or POINTS");
  } else if (token_ != "POINTS") {
    fail(token_line_, "expected PLANE or POINTS, got " + quoted(token_));
  }
  begin_block();
}

bool Reader::next(Point& p) {
  static const char* const kNames[] = {"LON",  "LAT",   "DEP", "STK", "DIP",
                                       "AREA", "TINIT", "DT",  "VS",  "DEN"};
  if (failed_) throw std::logic_error("srf: Reader::next after an Error");
  if (done_) return false;
  while (in_block_ == block_size_) {
    if (!read_token()) {
      done_ = true;
      return false;
    }
    if (token_ != "POINTS") {
      const std::string block = std::to_string(blocks_) + " (NP " + std::to_string(block_size_);
      fail(token_line_,
           "expected POINTS or the end of the file after the last point of POINTS block " + block +
               "), got " + quoted(token_));
    }
    begin_block();
  }
  ++in_block_;
  place_ = Place::point;

  // The first line: 8 fields (1.0) or 10 (2.0), and nothing else.
  double* const first[] = {&p.lon,  &p.lat,   &p.dep, &p.stk, &p.dip,
                           &p.area, &p.tinit, &p.dt,  &p.vs,  &p.den};
  const int fields = version_2_ ? 10 : 8;
  long line = 0;
  for (int i = 0; i < fields; ++i) {
    if (!read_token()) fail_end(kNames[i]);
    if (i == 0) {
      line = token_line_;
      if (token_ == "POINTS") {
        fail(line, "expected LON, got POINTS: the block ends after " +
                       std::to_string(in_block_ - 1) + " of its " + std::to_string(block_size_) +
                       " points");
      }
    } else if (token_line_ != line) {
      fail(line, "expected " + std::to_string(fields) + " fields on the first line of a " +
                     header_.version + " point, got " + std::to_string(i));
    }
    *first[i] = value(kNames[i]);
  }
  if (!version_2_) {
    p.vs = -1.0;
    p.den = -1.0;
  }
  if (!read_token()) fail_end("RAKE");
  if (token_line_ == line) {
    fail(line, "expected " + std::to_string(fields) + " fields on the first line of a " +
                   header_.version + " point, got more: " + quoted(token_) + " after " +
                   kNames[fields - 1]);
  }

  // The second line, then the samples.
  p.rake = value("RAKE");
  p.slip1 = number("SLIP1");
  const long nt1 = count("NT1");
  p.slip2 = number("SLIP2");
  const long nt2 = count("NT2");
  p.slip3 = number("SLIP3");
  const long nt3 = count("NT3");
  samples(p.sr1, nt1, "SR1");
  samples(p.sr2, nt2, "SR2");
  samples(p.sr3, nt3, "SR3");
  place_ = Place::header;
  ++points_;
  return true;
}

void Reader::begin_block() {
  in_header_ = false;
  ++blocks_;
  place_ = Place::points_line;
  block_size_ = count("NP");
  in_block_ = 0;
  place_ = Place::header;
}

// Moves the bytes from `keep` on to the front of the chunk, then reads as
// many as the chunk has room for.  Returns false when none came.
bool Reader::refill(std::size_t keep) {
  const std::size_t kept = end_ - keep;
  if (kept == size_) fail(line_, "a token of more than " + std::to_string(size_) + " characters");
  std::memmove(chunk_.get(), chunk_.get() + keep, kept);
  pos_ -= keep;
  end_ = kept;
  chunk_[end_] = '#';
  if (stream_done_) return false;
  const std::size_t room = size_ - kept;
  in_.read(chunk_.get() + kept, static_cast<std::streamsize>(room));
  if (in_.bad()) fail(line_, "the file cannot be read");
  const auto n = static_cast<std::size_t>(in_.gcount());
  if (n < room) stream_done_ = true;
  end_ += n;
  chunk_[end_] = '#';
  return n > 0;
}

// The token that starts at the next byte neither space nor comment: into
// token_, its line into token_line_.  Returns false at the end of the
// stream.  A '#' after the chunk's bytes stops both scans at its end
// without a test of the position at every byte.
bool Reader::read_token() {
  for (;;) {
    const char* const chunk = chunk_.get();
    std::size_t pos = pos_;
    long line = line_;
    while (is_space(chunk[pos])) {
      line += chunk[pos] == '\n';
      ++pos;
    }
    pos_ = pos;
    line_ = line;
    if (pos < end_ && chunk[pos] == '#') {
      read_comment();
      continue;
    }
    if (pos < end_) break;
    if (!refill(end_)) return false;
  }
  token_line_ = line_;
  std::size_t start = pos_;
  for (;;) {
    const char* const chunk = chunk_.get();
    std::size_t pos = pos_;
    while (!ends_token(chunk[pos])) ++pos;
    pos_ = pos;
    if (pos < end_) break;
    const bool more = refill(start);
    start = 0;
    if (!more) break;
  }
  token_ = std::string_view(chunk_.get() + start, pos_ - start);
  return true;
}

// Skips a comment, from its '#' at pos_ to the end of its line (the line
// feed left to scan), keeping its text while the header is read: without
// the '#', one space after it and a carriage return at its end.
void Reader::read_comment() {
  std::string* const text = in_header_ ? &header_.comments.emplace_back() : nullptr;
  ++pos_;
  for (;;) {
    const char* const chunk = chunk_.get();
    const std::size_t start = pos_;
    const void* const feed = std::memchr(chunk + start, '\n', end_ - start);
    pos_ =
        feed != nullptr ? static_cast<std::size_t>(static_cast<const char*>(feed) - chunk) : end_;
    if (text != nullptr) text->append(chunk + start, pos_ - start);
    if (pos_ < end_ || !refill(end_)) break;
  }
  if (text != nullptr) {
    if (!text->empty() && text->back() == '\r') text->pop_back();
    if (!text->empty() && text->front() == ' ') text->erase(0, 1);
  }
}

double Reader::value(const char* field) {
  double x = 0.0;
  const Parsed parsed = parse_number(token_, x);
  if (parsed != Parsed::ok) fail_token(field, expected(parsed));
  return x;
}

double Reader::number(const char* field) {
  if (!read_token()) fail_end(field);
  return value(field);
}

long Reader::count(const char* field) {
  if (!read_token()) fail_end(field);
  const char* const last = token_.data() + token_.size();
  long n = 0;
  const auto [end, error] = std::from_chars(token_.data(), last, n);
  if (token_[0] < '0' || token_[0] > '9' || end != last || error != std::errc()) {
    fail_token(field, "a count");
  }
  return n;
}

void Reader::samples(std::vector<double>& v, long n, const char* axis) {
  v.clear();
  for (long k = 0; k < n; ++k) {
    if (!read_token()) {
      fail(token_line_, "the file ends after " + std::to_string(k) + " of " + std::to_string(n) +
                            " " + axis + " values");
    }
    double x = 0.0;
    const Parsed parsed = parse_number(token_, x);
    if (parsed != Parsed::ok) {
      fail(token_line_, std::string(axis) + " value " + std::to_string(k + 1) + " of " +
                            std::to_string(n) + ": expected " + expected(parsed) + ", got " +
                            quoted(token_));
    }
    v.push_back(x);
  }
}

void Reader::fail(long line, const std::string& what) {
  failed_ = true;
  std::string where;
  if (place_ == Place::segment) {
    where = "PLANE segment " + std::to_string(segment_) + ": ";
  } else if (place_ == Place::points_line) {
    where = "POINTS block " + std::to_string(blocks_) + ": ";
  } else if (place_ == Place::point) {
    where = "point " + std::to_string(in_block_) + " of " + std::to_string(block_size_) +
            " in POINTS block " + std::to_string(blocks_) + ": ";
  }
  throw Error(name_, line, where + what);
}

void Reader::fail_token(const char* field, const char* expected) {
  fail(token_line_, std::string(field) + ": expected " + expected + ", got " + quoted(token_));
}

void Reader::fail_end(const char* field) {
  fail(token_line_, std::string("expected ") + field + ", got the end of the file");
}

}  // namespace yoffe::srf
