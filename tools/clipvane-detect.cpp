// clipvane-detect: runs the detector over files (or standard input) and
// prints one JSON object per finding per line, for benchmarks and quality
// checks driven from outside.
//
//   clipvane-detect [--settings FILE] [--jsonl] [FILE…]
//
// --jsonl reads lines of {"id": …, "text": …} and tags each finding with its
// line's "id". --settings takes the "detection" object of a settings file.
// Exit status 0, or 2 when an input could not be read.
#include <cstdio>
#include <fstream>
#include <iostream>
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
  // One read of the whole file where its size is known: reading it a
  // character at a time took longer than detecting in it.
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::streamoff size = in.seekg(0, std::ios::end) ? std::streamoff(in.tellg()) : -1;
  in.clear();
  if (size < 0 || !in.seekg(0)) {  // a pipe or a device: read to its end
    in.clear();
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string bytes(std::size_t(size), '\0');
  if (!in.read(bytes.data(), size)) return std::nullopt;
  return bytes;
}

// A JSON string of text that is already valid UTF-8 (the findings' texts come
// from UTF-16 that way), escaped as the JSON library escapes it.
void appendString(std::string& out, std::string_view s) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  // Runs that need no escape go in whole.
  auto plain = [](char c) {
    return c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20;
  };
  while (!s.empty()) {
    std::size_t run = 0;
    while (run < s.size() && plain(s[run])) ++run;
    out.append(s.data(), run);
    if (run == s.size()) break;
    const char c = s[run];
    s.remove_prefix(run + 1);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:  // the other control characters
        out += "\\u00";
        out += kHex[(c >> 4) & 0xf];
        out += kHex[c & 0xf];
    }
  }
  out += '"';
}

std::string dumped(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// One line per finding, its keys in the sorted order the JSON library writes.
// fileJson and idJson are written already (the file name need not be UTF-8).
void print(const Detector& detector, std::u16string_view text, const std::string& fileJson,
           const std::string* idJson, std::string& out) {
  for (const Finding& f : detector.detect(text)) {
    out += "{\"contextual\":";
    out += f.contextual ? "true" : "false";
    out += ",\"file\":";
    out += fileJson;
    if (idJson) {
      out += ",\"id\":";
      out += *idJson;
    }
    out += ",\"jsonNumber\":";
    out += f.jsonNumber ? "true" : "false";
    out += ",\"kind\":";
    appendString(out, rawName(f.kind));
    out += ",\"label\":";
    appendString(out, toUtf8(f.label));
    out += ",\"length\":";
    out += std::to_string(f.range.length);
    out += ",\"mask\":";
    appendString(out, toUtf8(f.mask));
    out += ",\"start\":";
    out += std::to_string(f.range.location);
    out += ",\"value\":";
    appendString(out, toUtf8(f.value));
    out += "}\n";
  }
  if (out.size() >= (1u << 16)) {
    std::fwrite(out.data(), 1, out.size(), stdout);
    out.clear();
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
  std::string out;
  for (const auto& file : files) {
    const auto bytes = readAll(file);
    if (!bytes) {
      std::cerr << "clipvane-detect: cannot read " << file << '\n';
      status = 2;
      continue;
    }
    const std::string fileJson = dumped(Json(file));
    if (!jsonl) {
      print(detector, toUtf16(*bytes), fileJson, nullptr, out);
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
      const std::string id = dumped(record->contains("id") ? (*record)["id"] : Json());
      print(detector, toUtf16((*record)["text"].get<std::string>()), fileJson, &id, out);
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
  return status;
}
