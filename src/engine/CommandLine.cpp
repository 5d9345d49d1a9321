#include "CommandLine.h"

namespace clipvane {

CommandLine CommandLine::parse(const QStringList& args) {
  CommandLine line;
  bool options = true;
  for (const QString& arg : args) {
    if (options && arg == QLatin1String("--")) {
      options = false;
    } else if (options && (arg == QLatin1String("-h") || arg == QLatin1String("--help"))) {
      return {Action::help, {}, usage()};
    } else if (options && (arg == QLatin1String("-V") || arg == QLatin1String("--version"))) {
      return {Action::version, {}, version()};
    } else if (options && arg.size() > 1 && arg.startsWith(u'-')) {
      return {
          Action::refuse,
          {},
          QStringLiteral("clipvane: unknown option '%1' (clipvane --help lists them)\n").arg(arg)};
    } else {
      line.urls << arg;
    }
  }
  return line;
}

QString CommandLine::usage() {
  return QStringLiteral(
      "Usage: clipvane [OPTION]... [URL]...\n"
      "Keeps sensitive data out of pasted text: a tray program for X11 desktops.\n"
      "Started while a copy runs, it hands its URLs to that copy and ends.\n"
      "\n"
      "  -h, --help         show this help and end\n"
      "  -V, --version      show the version and end\n"
      "\n"
      "URLs:\n"
      "  clipvane://settings        the settings window\n"
      "  clipvane://settings/TAB    the settings window at a tab: general, detection,\n"
      "                             automask, apps or about\n"
      "  clipvane://activity        the activity window\n"
      "\n"
      "The hot keys, the data folder and the environment: man clipvane\n");
}

QString CommandLine::version() { return QStringLiteral("clipvane " CLIPVANE_VERSION "\n"); }

}  // namespace clipvane
