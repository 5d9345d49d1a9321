// clipvane-detect: runs the detector over files (or standard input) and
// prints one JSON object per finding per line, for benchmarks and quality
// checks driven from outside.
//
//   clipvane-detect [--settings FILE] [--jsonl] [FILE…]
//
// --jsonl reads lines of {"id": …, "text": …} and tags each finding with its
// line's "id". --settings takes the "detection" object of a settings file.
// Exit status 0, or 2 when an input could not be read.
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "Detector.h"
#include "Json.h"
#include "Types.h"

using namespace clipvane;
using Json = nlohmann::json;

namespace {

std::optional<std::string> readAll(const std::string& path) {
  if (path == "-") {
    std::ostringstream s;
    s << std::cin.rdbuf();
    return s.str();
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

void print(const Detector& detector, std::u16string_view text, const std::string& file,
           const Json* id) {
  for (const Finding& f : detector.detect(text)) {
    Json line = {{"file", file},
                 {"kind", std::string(rawName(f.kind))},
                 {"start", f.range.location},
                 {"length", f.range.length},
                 {"value", toUtf8(f.value)},
                 {"label", toUtf8(f.label)},
                 {"mask", toUtf8(f.mask)},
                 {"contextual", f.contextual},
                 {"jsonNumber", f.jsonNumber}};
    if (id) line["id"] = *id;
    std::cout << line.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
  }
}

int usage() {
  std::cerr << "usage: clipvane-detect [--settings FILE] [--jsonl] [FILE...]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  Detector detector;
  bool jsonl = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--jsonl") {
      jsonl = true;
    } else if (arg == "--settings") {
      if (++i >= argc) return usage();
      const auto bytes = readAll(argv[i]);
      const auto parsed = bytes ? json::parse(*bytes) : std::nullopt;
      if (!parsed || !parsed->is_object()) {
        std::cerr << "clipvane-detect: cannot read settings " << argv[i] << '\n';
        return 2;
      }
      if (const auto it = parsed->find("detection"); it != parsed->end())
        json::decodeRecord(*it, detector.settings, json::Mode::lenient);
    } else if (arg == "--help" || arg == "-h") {
      usage();
      return 0;
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
      return usage();
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty()) files.push_back("-");

  int status = 0;
  for (const auto& file : files) {
    const auto bytes = readAll(file);
    if (!bytes) {
      std::cerr << "clipvane-detect: cannot read " << file << '\n';
      status = 2;
      continue;
    }
    if (!jsonl) {
      print(detector, toUtf16(*bytes), file, nullptr);
      continue;
    }
    std::istringstream lines(*bytes);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
      if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
      const auto record = json::parse(line);
      if (!record || !record->is_object() || !record->contains("text") ||
          !(*record)["text"].is_string()) {
        std::cerr << "clipvane-detect: " << file << ":" << number
                  << ": not a {\"id\", \"text\"} line\n";
        status = 2;
        continue;
      }
      const Json id = record->contains("id") ? (*record)["id"] : Json();
      print(detector, toUtf16((*record)["text"].get<std::string>()), file, &id);
    }
  }
  std::cout.flush();
  return status;
}
