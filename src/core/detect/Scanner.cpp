#include "Scanner.h"

#include <unicode/uchar.h>

namespace clipvane::detect {

bool chars::wordChar(char16_t c) {
  if (c < 0x80) return alnum(c) || c == '_';
  if (c >= 0xd800 && c <= 0xdfff) return true;  // astral letters: never a boundary
  return u_isalnum(c);
}

bool chars::at(std::u16string_view text, std::size_t pos, std::u16string_view lowerLiteral) {
  if (pos > text.size() || text.size() - pos < lowerLiteral.size()) return false;
  for (std::size_t k = 0; k < lowerLiteral.size(); ++k)
    if (fold(text[pos + k]) != lowerLiteral[k]) return false;
  return true;
}

// The first two characters of the issuer prefixes, "jdbc:" and JSON Web
// Tokens: most words are turned away here.
static bool keyStart(char16_t a, char16_t b) {
  switch (a) {
    case 'A':
      return b == 'K' || b == 'S' || b == 'I' || b == 'C';
    case 'S':
      return b == 'G' || b == 'K';
    case 'g':
      return b == 'h' || b == 'i' || b == 'l';
    case 'x':
      return b == 'o';
    case 's':
      return b == 'k' || b == 'h';
    case 'r':
    case 'p':
      return b == 'k';
    case 'n':
      return b == 'p';
    case 'h':
      return b == 'f';
    case 'd':
      return b == 'o';
    case 'e':
      return b == 'y';
    case 'j':
      return b == 'd';
    default:
      return false;
  }
}

Scanner::Scanner(std::u16string_view text, const DetectionSettings& settings,
                 std::vector<Candidate>& out)
    : text_(text), settings_(settings), out_(out) {
  for (int k = 0; k < Kind::count; ++k)
    enabled_[k] = settings.isEnabled(Kind(static_cast<Kind::Value>(k)));
}

void Scanner::add(Kind k, std::size_t start, std::size_t end) {
  Candidate c;
  c.kind = k;
  c.range = Range{static_cast<int>(start), static_cast<int>(end - start)};
  out_.push_back(std::move(c));
}

void Scanner::run() {
  using namespace chars;
  const std::size_t n = text_.size();
  const bool anyUrl =
      on(Kind::databaseUrl) || on(Kind::internalUrl) || on(Kind::secret) || on(Kind::apiKey);
  // Characters where something can start: letters, digits and the few
  // punctuation marks below. Everything else is passed over at once.
  static constexpr auto kStarts = [] {
    std::array<bool, 128> t{};
    for (int c = 0; c < 128; ++c) t[c] = alnum(char16_t(c));
    for (char c : {'@', ':', '-', '/', '~', '+', '('}) t[std::size_t(c)] = true;
    return t;
  }();
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t c = text_[i];
    if (c >= 0x80 || !kStarts[c]) continue;
    const char16_t prev = before(i);
    if (digit(c) || alpha(c)) {
      if (alnum(prev) || prev == '_') continue;
      // A word or number starts here; nothing starts again inside it.
      std::size_t e = i + 1;
      while (e < n && alnum(text_[e])) ++e;
      const bool hostLike = (ch(e) == '.' || ch(e) == '-') && alnum(ch(e + 1));
      const std::size_t len = e - i;
      const char16_t next = ch(e), after = ch(e + 1);
      if (on(Kind::macAddress) &&
          ((len == 2 && (next == ':' || next == '-')) || (len == 4 && next == '.' && hex(after))))
        mac(i);
      if (digit(c)) {
        // What can start at a run of len digits followed by next.
        const bool grouped = (next == ' ' || next == '-') && digit(after);
        if (on(Kind::card) && ((len == 4 && grouped) || (len >= 13 && len <= 19))) card(i);
        if (on(Kind::ssn) && len == 3 && next == '-') ssn(i);
        if (on(Kind::ipv4) && len <= 3 && next == '.') ipv4(i);
        if (on(Kind::phone) && i >= phoneSkip_ && len <= 15 &&
            (((next == ' ' || next == '-' || next == '.') && (digit(after) || after == '(')) ||
             next == '('))
          phone(i);
      } else {
        if (i >= keySkip_ && keyStart(c, ch(i + 1)) && (on(Kind::apiKey) || on(Kind::databaseUrl)))
          apiKey(i);
        if (on(Kind::iban) && upper(c) && len >= 4 && upper(ch(i + 1)) && digit(ch(i + 2))) iban(i);
      }
      if (hostLike && on(Kind::internalUrl) && i >= hostSkip_) bareHost(i);
      i = e - 1;
      continue;
    }
    switch (c) {
      case '@':
        if (on(Kind::email) || on(Kind::internalUrl)) email(i);
        break;
      case ':':
        if (ch(i + 1) == '/' && ch(i + 2) == '/') {
          if (anyUrl && i >= urlSkip_) url(i);
        } else if (on(Kind::ipv6) && i >= ipv6Skip_) {
          ipv6(i);
        }
        if (on(Kind::userPath) && alpha(prev) && !wordChar(before(i - 1))) userPath(i - 1);
        break;
      case '-':
        if (on(Kind::privateKey) && at(text_, i, u"-----begin ")) {
          const std::size_t end = privateKeyEnd(i);
          if (end > i) i = end - 1;  // nothing inside a key block outranks it
        }
        break;
      case '/':
      case '~':
        if (on(Kind::userPath)) userPath(i);
        break;
      case '+':
      case '(':
        if (on(Kind::phone) && i >= phoneSkip_ && digit(ch(i + 1)) && !wordChar(prev)) phone(i);
        break;
      default:
        break;
    }
  }
}

namespace PatternRules {
void find(std::u16string_view text, const DetectionSettings& settings,
          std::vector<Candidate>& out) {
  Scanner(text, settings, out).run();
}
}  // namespace PatternRules

}  // namespace clipvane::detect
