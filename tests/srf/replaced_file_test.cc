// Files replaced whole or not at all: the permissions they get, what a
// failure leaves, and the targets that are not plain files (a link, a
// pipe, a device).
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "yoffe/srf.hpp"

namespace {

namespace fs = std::filesystem;
using yoffe::srf::ReplacedFile;

class Replaced : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(testing::TempDir()) /
           ("replaced_file_" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  void put(const std::string& name, const std::string& text) const {
    std::ofstream(path(name), std::ios::binary) << text;
  }
  std::string get(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  // The names in the folder, sorted.
  std::vector<std::string> names() const {
    std::vector<std::string> all;
    for (const auto& e : fs::directory_iterator(dir_)) all.push_back(e.path().filename());
    std::sort(all.begin(), all.end());
    return all;
  }
  static mode_t mode_of(const std::string& p) {
    struct stat s {};
    return ::stat(p.c_str(), &s) == 0 ? s.st_mode & 07777 : 0;
  }

  fs::path dir_;
};

// A new file, an old one of its own permissions, and one not committed.
TEST_F(Replaced, NewOldAndAbandoned) {
  const mode_t mask = ::umask(027);
  {
    ReplacedFile f(path("new.srf"));
    EXPECT_FALSE(f.temporary().empty());
    f.stream() << "new\n";
    f.commit();
  }
  EXPECT_EQ(get("new.srf"), "new\n");
  EXPECT_EQ(mode_of(path("new.srf")), 0640u);

  put("old.srf", "old\n");
  ASSERT_EQ(::chmod(path("old.srf").c_str(), 0604), 0);
  {
    ReplacedFile f(path("old.srf"));
    f.stream() << "replaced\n";
    f.commit();
  }
  EXPECT_EQ(get("old.srf"), "replaced\n");
  EXPECT_EQ(mode_of(path("old.srf")), 0604u);

  {
    ReplacedFile f(path("old.srf"));
    f.stream() << "never committed\n";
    EXPECT_TRUE(fs::exists(f.temporary()));
  }
  EXPECT_EQ(get("old.srf"), "replaced\n");
  EXPECT_EQ(names(), (std::vector<std::string>{"new.srf", "old.srf"}));
  ::umask(mask);
}

TEST_F(Replaced, ThroughASymbolicLinkTheLinkStays) {
  fs::create_directory(dir_ / "real");
  put("real/a.srf", "old\n");
  fs::create_symlink("real/a.srf", dir_ / "link.srf");
  {
    ReplacedFile f(path("link.srf"));
    f.stream() << "new\n";
    f.commit();
  }
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.srf"));
  EXPECT_EQ(get("real/a.srf"), "new\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "real"), fs::directory_iterator()), 1);
}

TEST_F(Replaced, APipeIsWrittenInPlace) {
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
  std::string got;
  std::thread reader([&] { got = get("pipe"); });
  {
    ReplacedFile f(path("pipe"));
    EXPECT_TRUE(f.temporary().empty());
    f.stream() << "through the pipe\n";
    f.commit();
  }
  reader.join();
  EXPECT_EQ(got, "through the pipe\n");
  EXPECT_EQ(names(), std::vector<std::string>{"pipe"});
}

// What fails, with its errno: a folder that is not there, a device that
// is full (its first write, then the commit).
TEST_F(Replaced, Failures) {
  try {
    ReplacedFile f(path("no/such.srf"));
    ADD_FAILURE() << "opened";
  } catch (const std::system_error& e) {
    EXPECT_EQ(e.code().value(), ENOENT);
  }
  EXPECT_TRUE(names().empty());
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  ReplacedFile f("/dev/full");
  f.stream() << std::string(100, 'x') << std::flush;
  EXPECT_TRUE(f.stream().bad());
  EXPECT_EQ(f.error(), ENOSPC);
  try {
    f.commit();
    ADD_FAILURE() << "committed";
  } catch (const std::system_error& e) {
    EXPECT_EQ(e.code().value(), ENOSPC);
  }
}

}  // namespace
