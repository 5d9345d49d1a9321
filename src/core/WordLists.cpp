#include "WordLists.h"

#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <unordered_set>

#include "detect/AhoCorasick.h"

namespace clipvane::WordLists {

namespace {

char32_t codePointAt(std::u16string_view s, std::size_t i) {
  char32_t c = s[i];
  if (U16_IS_LEAD(c) && i + 1 < s.size() && U16_IS_TRAIL(s[i + 1]))
    c = U16_GET_SUPPLEMENTARY(c, s[i + 1]);
  return c;
}

char32_t codePointBefore(std::u16string_view s, std::size_t i) {
  char32_t c = s[i - 1];
  if (U16_IS_TRAIL(c) && i >= 2 && U16_IS_LEAD(s[i - 2])) c = U16_GET_SUPPLEMENTARY(s[i - 2], c);
  return c;
}

bool isLetterOrDigit(char32_t c) {
  return u_hasBinaryProperty(UChar32(c), UCHAR_ALPHABETIC) || u_isdigit(UChar32(c));
}

// A character that continues a word: a letter, a digit, or a combining mark
// (which belongs to the letter before it).
bool continuesWord(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  const int8_t type = u_charType(UChar32(c));
  return isLetterOrDigit(c) || type == U_NON_SPACING_MARK || type == U_COMBINING_SPACING_MARK ||
         type == U_ENCLOSING_MARK;
}

std::size_t nextIndex(std::u16string_view s, std::size_t i) {
  return i + (U16_IS_LEAD(s[i]) && i + 1 < s.size() && U16_IS_TRAIL(s[i + 1]) ? 2 : 1);
}

template <class Pred>
std::u16string_view trimmed(std::u16string_view s, Pred strip) {
  std::size_t b = 0, e = s.size();
  while (b < e && strip(codePointAt(s, b))) b = nextIndex(s, b);
  while (e > b) {
    const char32_t c = codePointBefore(s, e);
    if (!strip(c)) break;
    e -= U16_LENGTH(c);
  }
  return s.substr(b, e - b);
}

bool isWhite(char32_t c) { return u_isUWhiteSpace(UChar32(c)); }
// Spaces and tabs: the horizontal white space (no line ends).
bool isBlank(char32_t c) { return u_isblank(UChar32(c)); }

std::u16string lower(std::u16string_view s) {
  icu::UnicodeString u(false, s.empty() ? u"" : s.data(), int32_t(s.size()));
  u.toLower(icu::Locale::getRoot());
  return std::u16string(u.getBuffer(), std::size_t(u.length()));
}

// Trimmed of white space and line ends, in lower case.
std::u16string comparable(std::u16string_view s) { return lower(trimmed(s, isWhite)); }

bool isLineBreak(char16_t c) {
  return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// The cells of one line: at tabs when it holds one, else at commas with
// RFC 4180 quotes (a quote may follow leading blanks: a, "b, c").
std::vector<std::u16string> cells(std::u16string_view line) {
  std::vector<std::u16string> out;
  if (line.find(u'\t') != std::u16string_view::npos) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t tab = line.find(u'\t', start);
      out.emplace_back(line.substr(start, tab - start));
      if (tab == std::u16string_view::npos) break;
      start = tab + 1;
    }
    return out;
  }
  std::size_t i = 0;
  for (;;) {
    std::u16string cell;
    std::size_t j = i;
    while (j < line.size() && (line[j] == u' ')) ++j;
    if (j < line.size() && line[j] == u'"') {
      for (i = j + 1; i < line.size(); ++i) {
        if (line[i] != u'"') {
          cell.push_back(line[i]);
        } else if (i + 1 < line.size() && line[i + 1] == u'"') {
          cell.push_back(u'"');
          ++i;
        } else {
          ++i;
          break;
        }
      }
    }
    // Unquoted text, or what follows a closing quote, up to the comma.
    const std::size_t comma = std::min(line.find(u',', i), line.size());
    cell.append(line.substr(i, comma - i));
    out.push_back(std::move(cell));
    if (comma == line.size()) break;
    i = comma + 1;
  }
  return out;
}

bool startsWord(std::u16string_view term) {
  return !term.empty() && isLetterOrDigit(codePointAt(term, 0));
}
// A term ending in a combining accent ends with the letter it sits on.
bool endsWord(std::u16string_view term) {
  std::size_t end = term.size();
  while (end > 0) {
    const char32_t c = codePointBefore(term, end);
    if (isLetterOrDigit(c)) return true;
    if (!continuesWord(c)) return false;
    end -= U16_LENGTH(c);
  }
  return false;
}

// Automata of the term lists searched lately (the word terms and each terms
// rule): the same lists come with every scan until the user changes them.
struct Compiled {
  std::vector<std::u16string> texts;  // trimmed
  std::vector<uint8_t> wordStart, wordEnd;
  detect::AhoCorasick automaton;
};

std::shared_ptr<const Compiled> compiled(const std::vector<Term>& terms) {
  // The lists are compared in place: a scan with the same terms copies none.
  auto sameTexts = [&](const Compiled& c) {
    if (c.texts.size() != terms.size()) return false;
    for (std::size_t k = 0; k < terms.size(); ++k)
      if (c.texts[k] != trimmed(terms[k].first, isWhite)) return false;
    return true;
  };
  constexpr std::size_t kKept = 8;
  static std::mutex mutex;
  static std::vector<std::shared_ptr<const Compiled>> recent;  // most recent first
  {
    std::lock_guard lock(mutex);
    for (auto it = recent.begin(); it != recent.end(); ++it) {
      if (!sameTexts(**it)) continue;
      std::rotate(recent.begin(), it, it + 1);
      return recent.front();
    }
  }
  std::vector<std::u16string> texts;
  texts.reserve(terms.size());
  for (const auto& t : terms) texts.emplace_back(trimmed(t.first, isWhite));
  auto c = std::make_shared<Compiled>();
  c->automaton.build(texts);
  for (const auto& t : texts) {
    c->wordStart.push_back(startsWord(t));
    c->wordEnd.push_back(endsWord(t));
  }
  c->texts = std::move(texts);
  std::lock_guard lock(mutex);
  recent.insert(recent.begin(), c);
  if (recent.size() > kKept) recent.pop_back();
  return c;
}

}  // namespace

ParsedCSV parseCSV(std::u16string_view text) {
  ParsedCSV result;
  if (!text.empty() && text.front() == u'\uFEFF') text.remove_prefix(1);  // byte order mark
  std::unordered_set<std::u16string> seen;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t end = i;
    while (end < text.size() && !isLineBreak(text[end])) ++end;
    const std::u16string_view line = text.substr(i, end - i);
    i = end + ((end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n') ? 2 : 1);
    if (line.empty()) continue;
    ++result.rows;
    for (const auto& cell : cells(line)) {
      const std::u16string_view value = trimmed(cell, isBlank);
      if (value.empty()) continue;
      std::u16string key;
      for (std::size_t k = 0; k < value.size(); k = nextIndex(value, k))
        if (!isWhite(codePointAt(value, k))) key.append(value.substr(k, nextIndex(value, k) - k));
      if (seen.insert(lower(key)).second) result.values.emplace_back(value);
    }
  }
  return result;
}

const std::vector<std::pair<std::u16string, Kind>>& markKinds() {
  static const std::vector<std::pair<std::u16string, Kind>> kinds = {
      {u"Name", Kind::name},
      {u"Email", Kind::email},
      {u"Phone", Kind::phone},
      {u"Company", Kind::organization},
      {u"Customer ID", Kind::identifier},
      {u"Secret", Kind::secret},
      {u"Other", Kind::custom},
  };
  return kinds;
}

const std::vector<std::pair<std::u16string, Kind>>& importKinds() {
  static const std::vector<std::pair<std::u16string, Kind>> kinds = {
      {u"Name", Kind::name},
      {u"Company", Kind::organization},
      {u"Secret", Kind::secret},
      {u"Other", Kind::custom},
  };
  return kinds;
}

std::u16string label(Kind kind) {
  for (const auto& [text, k] : markKinds())
    if (k == kind) return text;
  return std::u16string(kind.label());
}

std::vector<Detector::Span> spans(const std::vector<Term>& terms, std::u16string_view text) {
  std::vector<Detector::Span> out;
  if (terms.empty() || text.empty()) return out;
  const auto c = compiled(terms);
  std::vector<int32_t> lastEnd(terms.size(), -1);
  c->automaton.scan(text, [&](int term, Range r) {
    const auto t = std::size_t(term);
    if (c->automaton.canonical(term) != term || r.location < lastEnd[t]) return;
    if (c->wordStart[t] && r.location > 0 &&
        continuesWord(codePointBefore(text, std::size_t(r.location))))
      return;
    if (c->wordEnd[t] && std::size_t(r.end()) < text.size() &&
        continuesWord(codePointAt(text, std::size_t(r.end()))))
      return;
    lastEnd[t] = r.end();
    out.push_back({terms[t].second, r});
  });
  std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) {
    return a.range.location != b.range.location ? a.range.location < b.range.location
                                                : a.range.length > b.range.length;
  });
  return out;
}

std::vector<Finding> relabel(std::vector<Finding> findings, const std::vector<MarkedText>& marked) {
  if (marked.empty()) return findings;
  std::vector<std::u16string> keys;
  keys.reserve(marked.size());
  for (const auto& m : marked) keys.push_back(comparable(m.text));
  for (auto& f : findings) {
    const auto key = comparable(f.value);
    const auto it = std::find(keys.begin(), keys.end(), key);
    if (it == keys.end()) continue;
    const Kind kind = marked[std::size_t(it - keys.begin())].kind;
    f.kind = kind;
    f.label = label(kind);
  }
  return findings;
}

std::vector<Finding> removeIgnored(std::vector<Finding> findings,
                                   const std::vector<IgnoredText>& ignored) {
  if (ignored.empty()) return findings;
  std::unordered_set<std::u16string> keys;
  for (const auto& i : ignored) keys.insert(comparable(i.text));
  std::erase_if(findings, [&](const Finding& f) { return keys.contains(comparable(f.value)); });
  return findings;
}

}  // namespace clipvane::WordLists
