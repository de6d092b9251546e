// Text records on real files: list-directed and formatted records, the
// open with status "unknown" and the close that cuts the file, and the
// pause read of console input.
#include "textio/records.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "test_support.h"
#include "textio/connection.h"

// Allocations of the process so far through the global operator new
// (allocation_count.cc).
long allocation_count();

namespace {

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::split_lines;
using testing_support::TempDir;
using testing_support::write_file;

constexpr int kUnit = 11;
constexpr int kOtherUnit = 12;

class TextIoEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { textio::init_text_io(); }
};
[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new TextIoEnvironment);

using Writer = void (*)(int unit);

// Opens `path` on kUnit, lets `write` write its records, closes the unit
// and returns what the file holds.
std::string written_through(const std::string& path, Writer write) {
  textio::open_unknown(kUnit, path.c_str());
  write(kUnit);
  textio::close_unit(kUnit);
  return read_file(path);
}

// ---------------------------------------------------------------------------
// List-directed records

struct RecordCase {
  const char* what;
  Writer write;
  std::string file;
};

void expect_records(const std::vector<RecordCase>& cases) {
  TempDir dir;
  for (const auto& c : cases) {
    const std::string got = written_through(dir.file("records.txt"), c.write);
    EXPECT_EQ(got, c.file) << c.what;
  }
}

TEST(ListWrite, ItemRules) {
  using textio::list_write;
  expect_records({
      {"no items: a bare line end", [](int u) { list_write(u, {}); }, "\n"},
      {"character constant first: one blank", [](int u) { list_write(u, {"Hit any key to stop"}); },
       " Hit any key to stop\n"},
      {"leading blank of the constant is kept", [](int u) { list_write(u, {" dt,nt="}); },
       "  dt,nt=\n"},
      {"trailing blanks are kept", [](int u) { list_write(u, {"ab  "}); }, " ab  \n"},
      {"constants follow each other directly",
       [](int u) {
         list_write(u, {"ab", "cd"});
       },
       " abcd\n"},
      {"constant after a number: no separator",
       [](int u) {
         list_write(u, {1.0, "x", 2, "y"});
       },
       "  1.x 2y\n"},
      {"double: blank and sign position",
       [](int u) {
         list_write(u, {"a", 0.5, -0.5});
       },
       " a  0.5 -0.5\n"},
      {"zero of either sign",
       [](int u) {
         list_write(u, {0.0, -0.0});
       },
       "  0.  0.\n"},
      {"integer: one blank",
       [](int u) {
         list_write(u, {"n=", 0, -7, 4096});
       },
       " n= 0 -7 4096\n"},
      {"dialogue record",
       [](int u) {
         list_write(u, {" dt,nt=", 0.005, 4096});
       },
       "  dt,nt=  0.005 4096\n"},
      {"dialogue record with three doubles",
       [](int u) {
         list_write(u, {" Dmax,TauS,TauR=", 1.0, 0.02, 3.1});
       },
       "  Dmax,TauS,TauR=  1.  0.02  3.1\n"},
      {"spectral summary",
       [](int u) {
         list_write(u, {" DUR,DOM,NOM,EOM=", 20.48, 0.3067961576171875, 2048, 628.3185308});
       },
       "  DUR,DOM,NOM,EOM=  20.48  0.306796158 2048  628.318531\n"},
      {"header line", [](int u) { list_write(u, {"time(s),velocity,displacement,acceleration"}); },
       " time(s),velocity,displacement,acceleration\n"},
      {"records follow each other",
       [](int u) {
         list_write(u, {});
         list_write(u, {"a"});
         list_write(u, {});
         list_write(u, {1});
       },
       "\n a\n\n 1\n"},
  });
}

// A character constant of `n` letters: with its blank it makes a record of
// n + 1 characters.
std::string letters(std::size_t n) {
  return std::string(n, 'a');
}

TEST(ListWrite, LineLengthRule) {
  using textio::list_write;
  const std::string a75 = letters(75), a76 = letters(76), a77 = letters(77), a78 = letters(78),
                    a79 = letters(79), a85 = letters(85);
  expect_records({
      {"79 + 1 ends the record at 79",
       [](int u) {
         list_write(u, {letters(77).c_str(), "x", "y"});
       },
       " " + a77 + "x\n y\n"},
      {"78 + 2 reaches 80: the item starts a new record",
       [](int u) {
         list_write(u, {letters(77).c_str(), "xy"});
       },
       " " + a77 + "\n xy\n"},
      {"an empty constant fits a record of 79",
       [](int u) {
         list_write(u, {letters(78).c_str(), "", 5});
       },
       " " + a78 + "\n 5\n"},
      {"double measure counts its two leading positions: 75 + 4 fits",
       [](int u) {
         list_write(u, {letters(74).c_str(), 1.0});
       },
       " " + letters(74) + "  1.\n"},
      {"76 + 4 reaches 80",
       [](int u) {
         list_write(u, {letters(75).c_str(), 1.0});
       },
       " " + a75 + "\n  1.\n"},
      {"negative double after a break",
       [](int u) {
         list_write(u, {letters(75).c_str(), -1.0});
       },
       " " + a75 + "\n -1.\n"},
      {"integer measure is its digits: 77 + 1 fits",
       [](int u) {
         list_write(u, {letters(76).c_str(), 5});
       },
       " " + a76 + " 5\n"},
      {"a negative integer takes the record to 81",
       [](int u) {
         list_write(u, {letters(77).c_str(), -5});
       },
       " " + a77 + " -5\n"},
      {"78 + 2 digits reaches 80",
       [](int u) {
         list_write(u, {letters(77).c_str(), 12});
       },
       " " + a77 + "\n 12\n"},
      {"an item of 79 first: one record of 80, no empty record before it",
       [](int u) { list_write(u, {letters(79).c_str()}); }, " " + a79 + "\n"},
      {"an item of 85 stands alone",
       [](int u) {
         list_write(u, {"a", letters(85).c_str(), "b"});
       },
       " a\n " + a85 + "\n b\n"},
  });
}

// ---------------------------------------------------------------------------
// Formatted records

struct RowCase {
  const textio::RowLayout& layout;
  std::vector<double> values;
  std::string row;
};

TEST(FormattedWrite, DataRowsAndTheTemplateWalk) {
  const RowCase cases[] = {
      // Rows of the two files.
      {textio::slip_row,
       {1.25, 0.261739421, 0.301177262, -0.0123456789},
       "  1.2500,      0.2617394,      0.3011773,     -0.0123457"},
      {textio::slip_row,
       {0.0, 0.0, 0.0, 0.0},
       "  0.0000,      0.0000000,      0.0000000,      0.0000000"},
      {textio::spectrum_row,
       {0.048828125, 0.987654, 0.0303},
       "  0.0488,  0.9877E+00,  0.3030E-01,"},
      // The walk stops at the first value field without a value; the
      // literals before it are written.
      {textio::slip_row, {}, ""},
      {textio::slip_row, {1.25}, "  1.2500,"},
      {textio::slip_row, {1.25, 0.261739421}, "  1.2500,      0.2617394,"},
      {textio::spectrum_row, {0.048828125}, "  0.0488,"},
      // The end of the template ends the walk, values left or not.
      {textio::spectrum_row,
       {0.048828125, 0.987654, 0.0303, 1.0},
       "  0.0488,  0.9877E+00,  0.3030E-01,  0.1000E+01"},
      {textio::slip_row,
       {1.25, 0.261739421, 0.301177262, -0.0123456789, 7.0},
       "  1.2500,      0.2617394,      0.3011773,     -0.0123457"},
  };
  TempDir dir;
  const std::string path = dir.file("rows.csv");
  for (const auto& c : cases) {
    textio::open_unknown(kUnit, path.c_str());
    textio::formatted_write(kUnit, c.layout, c.values);
    textio::close_unit(kUnit);
    EXPECT_EQ(read_file(path), c.row + "\n") << c.values.size() << " values";
  }
  EXPECT_EQ(cases[0].row.size(), 56u);
  EXPECT_EQ(cases[2].row.size(), 35u);
}

TEST(FormattedWrite, RecordsOfAnyLengthReachTheFileWholeAndInOrder) {
  // Records from a few characters to beyond the record's first sizes (400,
  // 1024, 2048) and beyond the file's 64 KiB block, each followed by a row
  // laid out in the block.
  TempDir dir;
  const std::string path = dir.file("long_rows.csv");
  textio::open_unknown(kUnit, path.c_str());
  std::string want;
  for (const std::size_t length :
       {1, 398, 399, 400, 1022, 1023, 2047, 65534, 65535, 65536, 70000, 200000, 5}) {
    const std::string text(length, 'r');
    textio::list_write(kUnit, {text.c_str()});
    want += " " + text + "\n";
    const double row[] = {0.5, 0.25, -0.125, 1.0};
    textio::formatted_write(kUnit, textio::slip_row, row);
    want += "  0.5000,      0.2500000,     -0.1250000,      1.0000000\n";
  }
  textio::close_unit(kUnit);
  const std::string got = read_file(path);
  EXPECT_EQ(got.size(), want.size());
  EXPECT_TRUE(testing_support::same_file(got, want));
}

// ---------------------------------------------------------------------------
// Open and close

void header_and_two_rows(int unit) {
  textio::list_write(unit, {"freq(Hz),abs(vel),abs(acc)"});
  const double row1[] = {0.048828125, 0.987654, 0.0303};
  const double row2[] = {0.09765625, 0.5, 3.2e-120};
  textio::formatted_write(unit, textio::spectrum_row, row1);
  textio::formatted_write(unit, textio::spectrum_row, row2);
}

const std::string kHeaderAndTwoRows =
    " freq(Hz),abs(vel),abs(acc)\n"
    "  0.0488,  0.9877E+00,  0.3030E-01,\n"
    "  0.0977,  0.5000E+00,  0.3200-119,\n";

TEST(OpenClose, FileHoldsExactlyTheRecordsOfThisOpen) {
  TempDir dir;
  const struct {
    const char* what;
    std::string old_content;  // empty: no file
  } cases[] = {
      {"absent file is created", ""},
      {"longer file is cut", std::string(5000, 'x') + "\n"},
      {"shorter file is extended", "old\n"},
      {"file of the same length is overwritten",
       std::string(kHeaderAndTwoRows.size() - 1, 'y') + "\n"},
  };
  for (const auto& c : cases) {
    const std::string path = dir.file("Yoffe_Amp.csv");
    std::remove(path.c_str());
    if (!c.old_content.empty()) write_file(path, c.old_content);
    EXPECT_EQ(written_through(path, header_and_two_rows), kHeaderAndTwoRows) << c.what;
  }
}

TEST(OpenClose, OpenAndCloseWithoutWritesKeepsTheFile) {
  TempDir dir;
  const std::string path = dir.file("kept.csv");
  write_file(path, "earlier run\nsecond line\n");
  EXPECT_EQ(written_through(path, [](int) {}), "earlier run\nsecond line\n");

  // An absent file is created by the open and stays, empty.
  const std::string absent = dir.file("absent.csv");
  EXPECT_EQ(written_through(absent, [](int) {}), "");
  EXPECT_TRUE(file_exists(absent));
}

TEST(OpenClose, ManyRecordsOverALongerFile) {
  // Far more than one block of records, over an old file longer still.
  TempDir dir;
  const std::string path = dir.file("Yoffe_Slip.csv");
  write_file(path, std::string(1 << 20, 'z'));
  constexpr int kRecords = 30000;
  const std::string got = written_through(path, [](int unit) {
    for (int i = 1; i <= kRecords; ++i) textio::list_write(unit, {"row", i});
  });
  std::string want;
  for (int i = 1; i <= kRecords; ++i) want += " row " + std::to_string(i) + "\n";
  EXPECT_EQ(got.size(), want.size());
  EXPECT_TRUE(got == want) << "the file differs from the records written";
}

TEST(OpenClose, RecordLongerThanAnyBufferKeepsItsPlace) {
  TempDir dir;
  const std::string path = dir.file("long.txt");
  write_file(path, std::string(300000, 'z'));
  const std::string got = written_through(path, [](int unit) {
    textio::list_write(unit, {"before"});
    const std::string huge(200000, 'h');
    textio::list_write(unit, {huge.c_str()});
    textio::list_write(unit, {"after"});
  });
  EXPECT_TRUE(got == " before\n " + std::string(200000, 'h') + "\n after\n")
      << "file of " << got.size() << " bytes";
}

TEST(OpenClose, TwoFilesOpenAtOnceAndAUnitOpenedAgain) {
  TempDir dir;
  const std::string slip = dir.file("Yoffe_Slip.csv"), amp = dir.file("Yoffe_Amp.csv"),
                    again = dir.file("again.csv");
  write_file(amp, std::string(1000, 'q'));
  textio::open_unknown(kUnit, slip.c_str());
  textio::open_unknown(kOtherUnit, amp.c_str());
  textio::list_write(kUnit, {"s1"});
  textio::list_write(kOtherUnit, {"a1"});
  textio::list_write(kUnit, {"s2"});
  textio::close_unit(kOtherUnit);
  textio::list_write(kUnit, {"s3"});
  textio::close_unit(kUnit);
  EXPECT_EQ(read_file(slip), " s1\n s2\n s3\n");
  EXPECT_EQ(read_file(amp), " a1\n");

  // Nothing of the first connection survives its close.
  write_file(again, "0123456789\n");
  EXPECT_EQ(written_through(again, [](int unit) { textio::list_write(unit, {"x"}); }), " x\n");
  EXPECT_EQ(read_file(slip), " s1\n s2\n s3\n");
}

TEST(OpenClose, ReadOnlyFileIsWrittenWhenTheProcessMayUpdateIt) {
  TempDir dir;
  const std::string path = dir.file("ro.csv");
  write_file(path, std::string(2000, 'o'));
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  textio::open_unknown(kUnit, path.c_str());
  // Without root's privilege the file opened for reading only; make it
  // writable before the first write, which then reopens it for update.
  if (geteuid() != 0) {
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
  }
  header_and_two_rows(kUnit);
  textio::close_unit(kUnit);
  EXPECT_EQ(read_file(path), kHeaderAndTwoRows);
}

TEST(OpenCloseDeathTest, ReadOnlyFileThatCannotBeUpdatedFailsAtTheFirstWrite) {
  if (geteuid() == 0) GTEST_SKIP() << "root may update any file: the write cannot fail";
  TempDir dir;
  const std::string path = dir.file("ro.csv");
  const std::string old = std::string(2000, 'o') + "\n";
  write_file(path, old);
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  EXPECT_EXIT(
      {
        textio::open_unknown(kUnit, path.c_str());
        textio::list_write(kUnit, {"time(s),velocity,displacement,acceleration"});
      },
      ::testing::KilledBySignal(SIGABRT),
      "list output start: can't write file\napparent state: unit 11 named .*/ro\\.csv\n");
  EXPECT_EQ(read_file(path), old);
}

TEST(OpenCloseDeathTest, DirectoryCannotBeOpened) {
  TempDir dir;
  const std::string path = dir.file("Yoffe_Slip.csv");
  ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
  EXPECT_EXIT(textio::open_unknown(kUnit, path.c_str()), ::testing::KilledBySignal(SIGABRT),
              "open: Is a directory\napparent state: unit 11 named .*/Yoffe_Slip\\.csv\n");
}

// ---------------------------------------------------------------------------
// No allocation per record

TEST(Records, AllocateNothingOnceTheRecordHasGrown) {
  TempDir dir;
  testing_support::ScopedChdir in(dir.path());
  textio::open_unknown(textio::kSlipUnit, "rows.csv");
  textio::list_write(textio::kSlipUnit, {"time(s),velocity,displacement,acceleration"});
  const double slip[] = {1.25, 0.261739421, 0.301177262, -0.0123456789};
  const double spectrum[] = {0.048828125, 0.987654, 0.0303};
  const double wide[] = {1e300, -1e-300, 123456.789, 5e99};  // asterisks, the exact path
  textio::formatted_write(textio::kSlipUnit, textio::slip_row, slip);
  textio::list_write(textio::kSlipUnit, {" DUR,DOM,NOM,EOM=", 20.48, -1.5e-10, 2048, 628.3});

  const long before = allocation_count();
  for (int i = 0; i < 3000; ++i) {
    textio::formatted_write(textio::kSlipUnit, textio::slip_row, slip);
    textio::formatted_write(textio::kSlipUnit, textio::spectrum_row, spectrum);
    textio::formatted_write(textio::kSlipUnit, textio::slip_row, wide);
    textio::formatted_write(textio::kSlipUnit, textio::spectrum_row, wide);
    textio::list_write(textio::kSlipUnit, {" DUR,DOM,NOM,EOM=", 20.48, -1.5e-10, 2048, 628.3});
  }
  const long during = allocation_count() - before;
  textio::close_unit(textio::kSlipUnit);

  EXPECT_EQ(during, 0) << "allocations while writing 15000 records";
  EXPECT_EQ(split_lines(read_file(dir.file("rows.csv"))).size(), 3u + 15000u);
}

// ---------------------------------------------------------------------------
// Pause read.  Each case runs in a child process with its own standard
// input; a watchdog alarm turns a read that waits into a failure.

enum class Source { file, pipe };

// Makes `input` the standard input of this (child) process.
void connect_stdin(Source source, const std::string& input, const std::string& dir) {
  int fd = -1;
  if (source == Source::file) {
    const std::string path = dir + "/stdin";
    write_file(path, input);
    fd = open(path.c_str(), O_RDONLY);
  } else {
    int ends[2];
    if (pipe(ends) != 0) _exit(3);
    if (write(ends[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) _exit(3);
    close(ends[1]);
    fd = ends[0];
  }
  if (fd < 0 || dup2(fd, STDIN_FILENO) < 0) _exit(3);
  close(fd);
}

std::string rest_of_stdin() {
  std::string rest;
  char buffer[256];
  ssize_t got;
  while ((got = read(STDIN_FILENO, buffer, sizeof buffer)) > 0) {
    rest.append(buffer, static_cast<std::size_t>(got));
  }
  return rest;
}

[[noreturn]] void child_verdict(bool ok, const std::string& message) {
  if (!ok) std::fprintf(stderr, "%s\n", message.c_str());
  _exit(ok ? 0 : 1);
}

TEST(PauseReadDeathTest, ConsumesOneLineAndLeavesTheRest) {
  const struct {
    const char* input;
    const char* rest;
  } cases[] = {
      {"first line\nsecond line\n", "second line\n"},
      {"\n\nthird\n", "\nthird\n"},
      {"\r\nnext\n", "next\n"},
      {"any text, 1 2 3\n", ""},
      {"no line end", ""},
      {"", ""},
  };
  for (Source source : {Source::file, Source::pipe}) {
    for (const auto& c : cases) {
      TempDir dir;
      EXPECT_EXIT(
          {
            alarm(30);
            connect_stdin(source, c.input, dir.path());
            // Console output must stay untouched.
            const std::string out_path = dir.file("stdout");
            const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0 || dup2(out, STDOUT_FILENO) < 0) _exit(3);
            textio::init_text_io();
            textio::pause_read();
            const std::string rest = rest_of_stdin();
            const std::string printed = read_file(out_path);
            child_verdict(rest == c.rest && printed.empty(),
                          "left \"" + rest + "\", printed \"" + printed + "\"");
          },
          ::testing::ExitedWithCode(0), "")
          << (source == Source::file ? "file" : "pipe") << " input \"" << c.input << "\"";
    }
  }
}

TEST(PauseReadDeathTest, ReturnsAtOnceAtTheEndOfInputEveryTime) {
  TempDir dir;
  EXPECT_EXIT(
      {
        alarm(30);
        connect_stdin(Source::file, "", dir.path());
        textio::init_text_io();
        textio::pause_read();
        textio::pause_read();
        // The end of the input, once met, stays: text that arrives later is
        // not read by a further pause.
        write_file(dir.file("stdin"), "late\n");
        textio::pause_read();
        const std::string rest = rest_of_stdin();
        child_verdict(rest == "late\n", "left \"" + rest + "\"");
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(
      {
        alarm(30);
        connect_stdin(Source::pipe, "only\n", dir.path());
        textio::init_text_io();
        textio::pause_read();
        textio::pause_read();
        textio::pause_read();
        child_verdict(rest_of_stdin().empty(), "input left");
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
