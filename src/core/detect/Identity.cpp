// US social security numbers and the user-folder prefix of paths.
#include <string>

#include "Scanner.h"

namespace clipvane::detect {

// Literals compared in the hot paths carry their length: no count at run time.
using namespace std::string_view_literals;
namespace {

using namespace chars;

int number(std::u16string_view text, std::size_t pos, int len) {
  int v = 0;
  for (int k = 0; k < len; ++k) v = v * 10 + (text[pos + k] - '0');
  return v;
}

bool nameChar(char16_t c) {
  return !(c <= ' ' || c == '/' || c == '\\' || c == '"' || c == '\'' || c == '`' || c == '<' ||
           c == '>' || c == ':' || c == ';' || c == ',' || c == '|' || c == '*' || c == '?' ||
           c == ')' || c == ']' || c == '}' || c == 0xa0);
}

// Folders under /Users, /home or C:\Users that belong to no person, and
// placeholders written in documentation.
bool systemFolder(std::u16string_view name) {
  static constexpr std::u16string_view kNames[] = {
      u"shared",       u"public",    u"guest",     u"default",
      u"default user", u"all users", u"linuxbrew", u"defaultapppool",
      u"node_modules", u"dist",      u"build",     u"src",
      u"lib",          u"bin",       u"www",       u"html",
      u"static",       u"assets",    u"index",     u"components",
      u"pages",        u"views",     u"about",     u"dashboard",
      u"settings",     u"profile",   u"login",     u"logout",
      u"search"};
  std::u16string lower(name);
  for (auto& c : lower) c = fold(c);
  for (auto n : kNames)
    if (lower == n) return true;
  // A file right under /home is a web route or an example, not a person.
  static constexpr std::u16string_view kExtensions[] = {
      u".js",  u".ts",  u".html", u".htm", u".php", u".py",  u".json", u".md",
      u".css", u".txt", u".sh",   u".rb",  u".go",  u".jsx", u".tsx"};
  for (auto e : kExtensions)
    if (lower.ends_with(e)) return true;
  const char16_t first = name.front();
  return first == '$' || first == '%' || first == '{' || first == '<' || first == '[' ||
         first == '*' || first == '.' || first == '~';
}

}  // namespace

void Scanner::ssn(std::size_t start) {
  // ddd-dd-dddd, ddd dd dddd or ddd.dd.dddd, standing alone.
  for (int k : {0, 1, 2, 4, 5, 7, 8, 9, 10})
    if (!digit(ch(start + std::size_t(k)))) return;
  const char16_t sep = ch(start + 3);
  if ((sep != '-' && sep != ' ' && sep != '.') || ch(start + 6) != sep) return;
  const char16_t prev = before(start);
  if (joinsBefore(text_, start) || prev == '-' || (prev == '.' && !alpha(before(start - 1))) ||
      prev == '/' || prev == '+')
    return;
  const std::size_t end = start + 11;
  const char16_t next = ch(end);
  if (joinsAt(text_, end)) return;
  if ((next == '-' || next == '.' || next == '/') && digit(ch(end + 1))) return;
  if (sep != '-') {
    // Blanks also part the groups of phone numbers, amounts and tables: the
    // three groups must stand alone.
    const char16_t lead = prev == ' ' || prev == ',' || prev == '.' ? before(start - 1) : 0;
    if (digit(lead) || lead == ')' || prev == ',') return;
    if ((next == ' ' || next == ',' || next == '.') && digit(ch(end + 1))) return;
  }
  const int area = number(text_, start, 3), group = number(text_, start + 4, 2),
            serial = number(text_, start + 7, 4);
  if (area == 0 || area == 666 || area >= 900 || group == 0 || serial == 0) return;
  add(Kind::ssn, start, end);
}

void Scanner::userPath(std::size_t start) {
  const char16_t c = text_[start];
  std::size_t nameStart;
  if (c == '/') {
    const char16_t prev = before(start);
    const bool fileUrl = prev == '/' && start >= 2 && text_[start - 2] == '/';
    if ((wordChar(prev) || prev == '.' || prev == '/' || prev == '-' || prev == '~' ||
         prev == '$') &&
        !fileUrl)
      return;
    if (text_.substr(start, 7) == u"/Users/"sv) {
      nameStart = start + 7;
    } else if (text_.substr(start, 6) == u"/home/"sv) {
      nameStart = start + 6;
    } else {
      return;
    }
  } else if (c == '~') {
    // "https://host/~alice/" names a web folder, not a home folder here.
    if (wordChar(before(start)) || before(start) == '~' || before(start) == '/') return;
    if (!alpha(ch(start + 1))) return;
    nameStart = start + 1;
  } else {
    // A drive: "C:\Users\", "C:/Users/", "C:\\Users\\" in escaped strings.
    std::size_t i = start + 2;
    auto separator = [&]() {
      if (ch(i) == '/') return ++i, true;
      if (ch(i) == '\\') {
        ++i;
        if (ch(i) == '\\') ++i;
        return true;
      }
      return false;
    };
    if (!separator() || !at(text_, i, u"users"sv)) return;
    i += 5;
    if (!separator()) return;
    nameStart = i;
  }
  std::size_t end = nameStart;
  while (end < text_.size() && nameChar(text_[end]) && end - nameStart < 64) ++end;
  if (end == nameStart || (end < text_.size() && nameChar(text_[end]))) return;
  // "Voir: /home/bob." ends a sentence: its full stop is not the user's.
  while (end > nameStart && (text_[end - 1] == '.' || text_[end - 1] == '!' ||
                             text_[end - 1] == 0x3002 || text_[end - 1] == 0xFF01))
    --end;
  if (end == nameStart) return;
  // "~name" is a home folder only when a path follows it ("~alice/src").
  if (c == '~' && ch(end) != '/') return;
  if (systemFolder(text_.substr(nameStart, end - nameStart))) return;
  add(Kind::userPath, start, end);
}

}  // namespace clipvane::detect
