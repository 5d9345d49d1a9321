#include "Clinical.h"

#include <array>
#include <string_view>

#include "FieldText.h"

namespace clipvane::detect::Clinical {
namespace {

using namespace fieldtext;
using View = std::u16string_view;

// The phrases, in small letters with single blanks; a longer one before a
// shorter one that begins it.
constexpr std::array<std::string_view, 26> kPhrases = {
    "presented with",    "presents with",    "presenting with", "diagnosed with",
    "diagnosis of",      "past history of",  "history of",      "hx of",
    "admitted for",      "admitted with",    "treated for",     "treatment for",
    "suffers from",      "suffering from",   "complains of",    "complaining of",
    "known case of",     "known to have",    "positive for",    "tested positive for",
    "being treated for", "was treated for",  "referred for",    "hospitalized for",
    "hospitalised for",  "on medication for"};

// Words that end the condition: what follows tells when, where or who.
constexpr std::array<std::string_view, 29> kEnds = {
    "in",        "since",     "on",        "at",    "after",     "before", "for",  "who",
    "which",     "that",      "but",       "was",   "is",        "were",   "has",  "had",
    "last",      "with",      "then",      "today", "yesterday", "during", "from", "to",
    "radiating", "requiring", "following", "due",   "x"};
// Words that join two conditions: inside one, never at its end.
constexpr std::array<std::string_view, 2> kJoins = {"and", "or"};

// First words that make the phrase no condition's ("history of changes").
constexpr std::array<std::string_view, 18> kNotConditions = {
    "the",    "this", "that",  "these",   "those",   "changes",   "edits", "it",     "payments",
    "orders", "our",  "their", "commits", "updates", "purchases", "late",  "missed", "working"};

// Words before "history of" that make it another history ("employment history of").
constexpr std::array<std::string_view, 14> kOtherHistories = {
    "employment", "work",   "payment",  "purchase", "order",  "version",     "commit",
    "edit",       "change", "browsing", "search",   "credit", "transaction", "release"};

constexpr std::array<std::string_view, 2> kArticles = {"a", "an"};

template <std::size_t N>
bool oneOf(View word, const std::array<std::string_view, N>& list) {
  for (std::string_view w : list)
    if (equalsAscii(word, w)) return true;
  return false;
}

// The phrase that begins at i (a word start): its end, or -1.
int phraseAt(View t, int i, int to) {
  for (std::string_view p : kPhrases) {
    if (lowerAscii(t[std::size_t(i)]) != char16_t(p[0])) continue;
    int k = i;
    std::size_t j = 0;
    while (j < p.size() && k < to) {
      if (p[j] == ' ') {
        if (!isBlank(t[std::size_t(k)])) break;
        while (k < to && isBlank(t[std::size_t(k)])) ++k;
        ++j;
        continue;
      }
      if (lowerAscii(t[std::size_t(k)]) != char16_t(p[j])) break;
      ++k, ++j;
    }
    if (j == p.size() && (k >= int(t.size()) || !isAlnum(t[std::size_t(k)]))) return k;
  }
  return -1;
}

// The condition after a phrase that ends at i: words up to a clause's end,
// six at most, the first one no article.
fieldvalue::Span condition(View t, int i) {
  const int n = int(t.size());
  int k = i;
  while (k < n && isBlank(t[std::size_t(k)])) ++k;
  int begin = -1, end = -1, words = 0;
  while (k < n && words < 6) {
    int w = k;
    while (w < n && (isAlnum(t[std::size_t(w)]) || t[std::size_t(w)] == u'-' ||
                     t[std::size_t(w)] == u'\'' || t[std::size_t(w)] == 0x2019))
      ++w;
    if (w == k) break;
    const View word = t.substr(std::size_t(k), std::size_t(w - k));
    if (begin < 0 && oneOf(word, kArticles)) {
      // "presented with a fever": the article stays out.
    } else if (begin >= 0 && oneOf(word, kEnds)) {
      break;
    } else if (begin >= 0 && oneOf(word, kJoins)) {
      // "hypertension and chronic kidney disease"
    } else {
      if (begin < 0) {
        // "history of\nDOB: …": a label, not a condition.
        if (oneOf(word, kNotConditions) || !isLetter(t[std::size_t(k)]) ||
            (w < n && t[std::size_t(w)] == u':'))
          return {-1, -1};
        begin = k;
      }
      end = w;
      ++words;
    }
    if (w >= n || !isBlank(t[std::size_t(w)])) break;  // a comma or a full stop ends it
    k = w;
    while (k < n && isBlank(t[std::size_t(k)])) ++k;
  }
  if (begin < 0 || end - begin < 3) return {-1, -1};
  return {begin, end};
}

// Whether the word before i names another history than a patient's.
bool otherHistory(View t, int i) {
  int e = i;
  while (e > 0 && isBlank(t[std::size_t(e - 1)])) --e;
  int b = e;
  while (b > 0 && isAsciiAlpha(t[std::size_t(b - 1)])) --b;
  return e > b && oneOf(t.substr(std::size_t(b), std::size_t(e - b)), kOtherHistories);
}

}  // namespace

void find(std::u16string_view text, int from, int to, std::vector<fieldvalue::Span>& out) {
  for (int i = from; i < to; ++i) {
    const char16_t c = text[std::size_t(i)];
    if (c >= 0x80 || !isAsciiAlpha(c) || (i > 0 && isAlnum(text[std::size_t(i - 1)]))) continue;
    const int end = phraseAt(text, i, int(text.size()));
    if (end < 0) continue;
    if (lowerAscii(c) == u'h' && otherHistory(text, i)) continue;
    const fieldvalue::Span s = condition(text, end);
    if (s.begin >= 0) {
      out.push_back(s);
      i = s.end;
    }
  }
}

}  // namespace clipvane::detect::Clinical
