#pragma once
// What the command line asks of the program: to start (with clipvane: URLs to
// open, or to hand to a copy already running), or to print its usage or its
// version and end at once, or nothing because an option is unknown.
#include <QString>
#include <QStringList>

namespace clipvane {

struct CommandLine {
  enum class Action { start, help, version, refuse };

  Action action = Action::start;
  // start: every argument that is not an option, in order, as given.
  QStringList urls;
  // help and version: what goes to standard output; refuse: the one line for
  // standard error. Each ends with a line break.
  QString text;

  // `args` without the program's own name. The first of help, version or an
  // unknown option decides; after "--" nothing counts as an option.
  static CommandLine parse(const QStringList& args);
  // 0 after the usage or the version, 2 after an unknown option.
  int exitCode() const { return action == Action::refuse ? 2 : 0; }

  static QString usage();
  static QString version();
};

}  // namespace clipvane
