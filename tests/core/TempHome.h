#pragma once
// Gives each test its own data directory through CLIPVANE_HOME and puts the
// clock back afterwards.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Types.h"

class TempHome : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "clipvane-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    home = tmpl;
    ::setenv("CLIPVANE_HOME", home.c_str(), 1);
  }
  void TearDown() override {
    clipvane::Clock::set({});
    ::unsetenv("CLIPVANE_HOME");
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
  }

  // Makes Clock::now() read `now`, which the test may move.
  void freezeClock(clipvane::Date start) {
    now = start;
    clipvane::Clock::set([this] { return now; });
  }

  std::filesystem::path path(const std::string& name) const { return home / name; }

  std::string contents(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
  }

  int mode(const std::string& name) const {
    struct stat st {};
    return ::stat(path(name).c_str(), &st) == 0 ? int(st.st_mode & 0777) : -1;
  }

  std::filesystem::path home;
  clipvane::Date now{};
};
