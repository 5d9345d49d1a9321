#include "CommandLine.h"

#include <gtest/gtest.h>

namespace clipvane {
namespace {

using A = CommandLine::Action;

TEST(CommandLine, OptionsAndUrls) {
  struct Case {
    QStringList args;
    A action;
    QStringList urls;
  };
  const Case cases[] = {
      {{}, A::start, {}},
      {{"clipvane://activity", "clipvane://settings/apps"},
       A::start,
       {"clipvane://activity", "clipvane://settings/apps"}},
      {{"-h"}, A::help, {}},
      {{"--help"}, A::help, {}},
      {{"-V"}, A::version, {}},
      {{"--version"}, A::version, {}},
      // Options mix with URLs; the first that ends the program decides.
      {{"clipvane://activity", "--version"}, A::version, {}},
      {{"--help", "--bogus"}, A::help, {}},
      {{"--bogus", "--help"}, A::refuse, {}},
      {{"-v"}, A::refuse, {}},  // the version is -V
      {{"--help=1"}, A::refuse, {}},
      {{"-display", ":1"}, A::refuse, {}},  // Qt's own options are not taken either
      // After "--" everything is an argument; a lone "-" is one too.
      {{"--", "--help", "-x"}, A::start, {"--help", "-x"}},
      {{"-"}, A::start, {"-"}},
  };
  for (const Case& c : cases) {
    const CommandLine line = CommandLine::parse(c.args);
    SCOPED_TRACE(c.args.join(' ').toStdString());
    EXPECT_EQ(line.action, c.action);
    EXPECT_EQ(line.urls, c.urls);
    EXPECT_EQ(line.exitCode(), c.action == A::refuse ? 2 : 0);
    EXPECT_EQ(line.text.isEmpty(), c.action == A::start);
  }
}

TEST(CommandLine, WhatItPrints) {
  EXPECT_EQ(CommandLine::parse({"-V"}).text, QStringLiteral("clipvane " CLIPVANE_VERSION "\n"));
  const QString usage = CommandLine::parse({"--help"}).text;
  EXPECT_TRUE(usage.startsWith("Usage: clipvane"));
  for (const char* word : {"--help", "--version", "clipvane://settings", "clipvane://activity"})
    EXPECT_TRUE(usage.contains(word)) << word;
  // An unknown option: one line, naming it.
  const QString refusal = CommandLine::parse({"--bogus"}).text;
  EXPECT_EQ(refusal.count('\n'), 1);
  EXPECT_TRUE(refusal.endsWith('\n'));
  EXPECT_TRUE(refusal.contains("'--bogus'"));
}

}  // namespace
}  // namespace clipvane
