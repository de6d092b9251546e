// Rupture models in SRF files, versions 1.0 and 2.0: a streaming reader, a
// writer, and the number text the writer uses.  A file is a version line,
// comment lines, an optional PLANE block of fault segments, then POINTS
// blocks of subfaults, each with its slip-rate samples on three axes (u1
// along the rake, u2 at rake + 90 degrees, u3 normal to the fault).  Units
// are the file's: degrees, km, cm, cm^2, s, cm/s, g/cm^3.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace yoffe::srf {

/// One fault segment of a PLANE block: the top centre (elon, elat, deg),
/// the subfaults along strike and down dip, the length and width (km), the
/// strike and dip (deg), the depth of the top (km) and the hypocentre
/// along strike from the top centre and down dip from the top (km).
struct Segment {
  double elon = 0.0, elat = 0.0;
  long nstk = 0, ndip = 0;
  double len = 0.0, wid = 0.0, stk = 0.0, dip = 0.0, dtop = 0.0, shyp = 0.0, dhyp = 0.0;
};

/// What precedes the points: the version ("1.0" or "2.0"), the comments
/// (the text after '#' and one space, as written) and the segments of
/// PLANE (none when the file has no PLANE block).
struct Header {
  std::string version = "2.0";
  std::vector<std::string> comments;
  std::vector<Segment> segments;
};

/// One subfault: its position (lon, lat in deg, dep in km), strike and dip
/// (deg), area (cm^2), onset tinit and sample step dt (s), the shear-wave
/// speed vs (cm/s) and density den (g/cm^3) of a 2.0 file (-1 when
/// unknown), the rake (deg), the final slips (cm) and the slip-rate samples
/// (cm/s) on the three axes.  Sample k of an axis is at tinit + k dt.
struct Point {
  double lon = 0.0, lat = 0.0, dep = 0.0, stk = 0.0, dip = 0.0, area = 0.0, tinit = 0.0, dt = 0.0;
  double vs = -1.0, den = -1.0;
  double rake = 0.0, slip1 = 0.0, slip2 = 0.0, slip3 = 0.0;
  std::vector<double> sr1, sr2, sr3;
};

/// A bad file.  what() is "NAME:LINE: what was expected, what was found";
/// line() is that line, 1 for the first line of the file.
class Error : public std::runtime_error {
 public:
  /// The error of line `line` of the file `name`.  Never fails but for
  /// std::bad_alloc.
  Error(const std::string& name, long line, const std::string& what);

  /// The line of the file the error is on, from 1.  Never fails.
  long line() const noexcept { return line_; }

 private:
  long line_;
};

/// Reads an SRF file from a stream, one point at a time, in chunks of the
/// stream's bytes: it holds one chunk and one point's samples, whatever the
/// size of the file.  Tokens are separated by spaces, tabs, line feeds and
/// carriage returns; a '#' starts a comment that runs to the end of its
/// line.  Numbers are decimal (a leading '+' allowed), finite and within
/// the range of doubles; counts are decimal integers from 0.
class Reader {
 public:
  /// Reads the header and the first POINTS line from `in`, named `name` in
  /// the messages; reads `chunk` bytes at a time (64 at least).  Throws
  /// Error for a bad or unknown version line, a bad PLANE block, or no
  /// POINTS line after them; here and in next(), Error too when the stream
  /// fails to read or a token is longer than the chunk.  The stream must
  /// outlive the reader.
  Reader(std::istream& in, std::string name, std::size_t chunk = std::size_t{1} << 20);

  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  /// The header the constructor read.  Never fails.
  const Header& header() const noexcept { return header_; }

  /// Reads the next point into p, reusing its vectors, across POINTS
  /// blocks; returns false at the end of the file after the last block's
  /// last point, and false again on every later call.  Throws Error,
  /// naming the line, the point and the field, for a truncated or
  /// inconsistent file: a block with fewer points than its POINTS count, a
  /// point cut short, a count that is not a nonnegative integer, a number
  /// that does not parse or is not finite, a first line of a point with
  /// more or fewer fields than its version's 8 (1.0) or 10 (2.0), anything
  /// but POINTS or the end of the file after a block's last point.  p is
  /// then partly overwritten.  After an Error, next() throws
  /// std::logic_error.
  bool next(Point& p);

  /// The points that next() has returned.  Never fails.
  long points_read() const noexcept { return points_; }
  /// The POINTS lines read so far (1 after the constructor).  Never fails.
  long blocks_read() const noexcept { return blocks_; }

 private:
  // Where the reader is, for the messages.
  enum class Place { header, segment, points_line, point };

  bool read_token();
  bool refill(std::size_t keep);
  void read_comment();
  void begin_block();
  double value(const char* field);
  double number(const char* field);
  long count(const char* field);
  void samples(std::vector<double>& v, long n, const char* axis);
  [[noreturn]] void fail(long line, const std::string& what);
  [[noreturn]] void fail_token(const char* field, const char* expected);
  [[noreturn]] void fail_end(const char* field);

  std::istream& in_;
  std::string name_;
  Header header_;
  bool version_2_ = false;
  std::size_t size_;  // the chunk's capacity
  std::unique_ptr<char[]> chunk_;
  std::size_t pos_ = 0;       // the next byte of the chunk to scan
  std::size_t end_ = 0;       // the end of the bytes in the chunk
  bool stream_done_ = false;  // the stream has given its last byte
  bool in_header_ = true;     // comments go into the header
  long line_ = 1;             // the line at pos_
  long token_line_ = 1;       // the line of the last token
  std::string_view token_;    // the last token, in the chunk
  Place place_ = Place::header;
  long segment_ = 0;     // the PLANE segment being read, from 1
  long block_size_ = 0;  // the POINTS count of the current block
  long in_block_ = 0;    // the points of the block begun
  long blocks_ = 0;
  long points_ = 0;
  bool done_ = false;
  bool failed_ = false;
};

/// Writes an SRF file to a stream: the header, then POINTS blocks of
/// points, in large chunks.  Lines end in a line feed alone.
class Writer {
 public:
  /// Writes the version line, the comments (2.0 only: a 1.0 header's
  /// comments are not written), each as "# " and its text, and PLANE when
  /// there are segments.  Throws std::invalid_argument for a version other
  /// than "1.0" or "2.0", a comment with a line break, a segment with a
  /// negative count or a number not finite.  The stream must outlive the
  /// writer.
  Writer(std::ostream& out, const Header& header);

  /// Writes what is still buffered, checking nothing: finish() is what
  /// tells whether the file is whole.
  ~Writer();

  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  /// Starts a POINTS block of n points.  Throws std::logic_error when the
  /// last block is not full, or after finish().
  void begin_points(std::size_t n);

  /// Writes one point: 8 fields (1.0) or 10 (2.0) on its first line, the 7
  /// of the second line, then each axis's samples, 6 a line.  Throws
  /// std::logic_error outside a block or when the block is full,
  /// std::invalid_argument (writing nothing) for a number not finite, and
  /// std::ios_base::failure when the stream fails.
  void write(const Point& p);

  /// Writes n points formatted by append_point for this header's version,
  /// in their order.  Throws as write does; the text is not checked.
  void write_formatted(std::string_view text, std::size_t n);

  /// Checks that there is a block and that the last one is full
  /// (std::logic_error otherwise), writes what is buffered and flushes the
  /// stream; throws std::ios_base::failure when the stream has failed.
  void finish();

 private:
  void spill();

  std::ostream& out_;
  std::string version_;
  std::string buffer_;
  std::size_t block_size_ = 0;
  std::size_t in_block_ = 0;
  bool started_ = false;
  bool finished_ = false;
};

/// Appends point p as Writer::write writes it for `version` ("1.0" or
/// "2.0") to out: points may be formatted on several threads and written
/// in order with Writer::write_formatted.  Throws std::invalid_argument,
/// leaving out as it was, for another version or a number not finite
/// (naming the field).
void append_point(std::string& out, const Point& p, std::string_view version);

/// The rigidity (Pa) of a point: DEN VS^2 in SI units where it gives both
/// above 0, else `fallback` where that is above 0, else 0 (none).  Never
/// fails.
double rigidity_of(const Point& p, double fallback) noexcept;

/// A moment-rate function (N m/s) on the grid t_j = j dt from points'
/// samples: sample k of a point is its slip rate held over [TINIT + (k -
/// 1/2) DT, TINIT + (k + 1/2) DT] (the magnitude of the axes' samples at k
/// where several axes have some), times mu AREA, and its moment is shared
/// out exactly among the grid's steps [t_j - dt/2, t_j + dt/2] it overlaps,
/// so that the sum of the values times dt is the points' moment.
class MomentRate {
 public:
  /// The most steps between the first and the last reached.
  static constexpr long most_steps = 10000000;

  /// An empty function on the step dt (s).  Throws std::invalid_argument
  /// for dt not finite and > 0.
  explicit MomentRate(double dt);

  /// Adds the point's samples, of rigidity mu (Pa).  Throws
  /// std::invalid_argument, adding nothing, where the point has samples and
  /// a DT not > 0 or a mu not finite and > 0, or where the steps reached
  /// would pass most_steps.
  void add(const Point& p, double mu);

  /// Whether any sample has reached the grid.  Never fails.
  bool reached() const noexcept { return first_ <= last_; }
  /// The first and last steps j reached (first > last where none).  Never
  /// fails.
  long first() const noexcept { return first_; }
  long last() const noexcept { return last_; }
  /// The step (s).  Never fails.
  double dt() const noexcept { return dt_; }
  /// The values (N m/s) of the steps first..last.  Never fails but for
  /// std::bad_alloc.
  std::vector<double> values() const;

 private:
  void spread(double u0, double u1, double rate);
  void make_room(long j0, long j1);

  double dt_;
  std::vector<double> sum_;
  long base_ = 0;  // the step of sum_[0]
  long first_ = 0;
  long last_ = -1;
};

/// A file written whole or not at all, on POSIX hosts (not built for
/// Windows): the text goes to a temporary file beside the target,
/// TARGET.XXXXXX, with the target's permissions (a new file's, 0666 less
/// the umask, where there is none), and commit() flushes it to the disk and
/// renames it over the target; a file not committed is removed, and the
/// target stays as it was.  A target that exists and is not a regular file
/// (a device such as /dev/null, a pipe) is written in place instead;
/// through a symbolic link to a regular file, the link stays and the file
/// it names is replaced.
class ReplacedFile {
 public:
  /// Creates the temporary file or opens the target in place.  Throws
  /// std::system_error (of errno) when it cannot.
  explicit ReplacedFile(const std::string& target);

  /// Closes the file, and removes the temporary file unless committed.
  /// Never fails.
  ~ReplacedFile();

  ReplacedFile(const ReplacedFile&) = delete;
  ReplacedFile& operator=(const ReplacedFile&) = delete;

  /// A stream onto the file, unbuffered: a write that fails sets its
  /// badbit, and error() tells why.  Never fails.
  std::ostream& stream() noexcept;

  /// The errno of the first write that failed; 0 while none has.  Never
  /// fails.
  int error() const noexcept;

  /// The temporary file's name; empty when the target is written in place.
  /// Never fails.
  const std::string& temporary() const noexcept;

  /// Flushes the temporary file to the disk (fsync), closes it and renames
  /// it over the target.  Throws std::system_error (of errno) when a write,
  /// the flush, the close or the rename failed; the temporary file is then
  /// removed by the destructor.
  void commit();

 private:
  struct File;
  std::unique_ptr<File> file_;
};

/// The most characters number_text writes: "-2.2250738585072014e-308".
inline constexpr std::size_t number_text_max = 24;

/// A double as the writer writes it: the shortest text that reads back as
/// the same double, in scientific notation with at least one digit after
/// the point, a signed exponent of at least two digits ("1.5e+00",
/// "-3.0000000000000004e-12", "0.0e+00", "-0.0e+00", "5.0e-324").  A value
/// not finite gives "inf", "-inf" or "nan" (perhaps "-nan").  Never fails
/// but for std::bad_alloc.
std::string number_text(double x);

/// The same into out, which must have room for number_text_max
/// characters; returns the end of the text (no terminating null).  Never
/// fails.
char* number_text(double x, char* out) noexcept;

}  // namespace yoffe::srf
