#include "Vault.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include "Crypto.h"
#include "Detector.h"
#include "Json.h"
#include "Masks.h"
#include "Storage.h"

namespace clipvane {
namespace {

// Numbers beyond this are not ours (a hand-edited file); they take no part in
// numbering, so that counting on from them cannot overflow.
constexpr long long kMaxNumber = 999'999'999'999LL;

struct Token {
  std::u16string_view word;
  long long number = 0;
};

// "[W_n]" split into W and n.
std::optional<Token> parseToken(std::u16string_view mask) {
  if (mask.size() < 5 || mask.front() != u'[' || mask.back() != u']') return std::nullopt;
  const auto inner = mask.substr(1, mask.size() - 2);
  const auto us = inner.rfind(u'_');
  if (us == std::u16string_view::npos || us == 0 || us + 1 == inner.size()) return std::nullopt;
  long long n = 0;
  for (const char16_t c : inner.substr(us + 1)) {
    if (c < u'0' || c > u'9') return std::nullopt;
    if (n > kMaxNumber) return Token{inner.substr(0, us), kMaxNumber + 1};
    n = n * 10 + (c - u'0');
  }
  return Token{inner.substr(0, us), n};
}

std::u16string tokenWord(const Finding& f) {
  return toUtf16(f.kind == Kind::custom ? Finding::tokenName(f.label)
                                        : std::string(f.kind.token()));
}

std::u16string number(long long n) {
  const std::string s = std::to_string(n);
  return std::u16string(s.begin(), s.end());
}

// A mask-style placeholder split into its mask and its number: 1 for the
// mask alone, n for "mask #n".
std::pair<std::u16string_view, long long> splitMask(std::u16string_view mask) {
  const auto hash = mask.rfind(u" #");
  if (hash == std::u16string_view::npos || hash == 0 || hash + 2 == mask.size()) return {mask, 1};
  long long n = 0;
  for (const char16_t c : mask.substr(hash + 2)) {
    if (c < u'0' || c > u'9' || n > kMaxNumber) return {mask, 1};
    n = n * 10 + (c - u'0');
  }
  return {mask.substr(0, hash), n};
}

// Where to look in a vault without going through every entry: the entries
// holding each original and each placeholder (by their texts' hashes, so
// that no original is copied), each word's and each partial mask's highest
// number among the entries, and the span of their dates. Built once for a
// vault read from the file, then brought along by every entry record() adds
// or takes again; it also notes those entries, so that the next write copies
// every other entry's text from the last one as it stands.
class Index {
 public:
  explicit Index(const Vault& vault) {
    for (std::size_t i = 0; i < vault.entries.size(); ++i) {
      if (i + kAhead < vault.entries.size()) prefetchTexts(vault.entries[i + kAhead]);
      add(vault.entries[i], i);
    }
    changed_.clear();
  }

  void add(const Vault::Entry& e, std::size_t i) {
    byOriginal_.emplace(hash(e.original), i);
    byMask_.emplace(hash(e.mask), i);
    if (const auto t = parseToken(e.mask)) {
      if (t->number <= kMaxNumber) raise(wordTop_, t->word, t->number);
    } else {
      const auto [base, n] = splitMask(e.mask);
      raise(baseTop_, base, n);
    }
    dated(e.created);
    changed_.push_back(i);
  }

  void touched(const Vault::Entry& e, std::size_t i) {
    dated(e.created);
    changed_.push_back(i);
  }

  // The first entry, in vault order, holding this original that `take`
  // accepts, of those not expired.
  template <class Take>
  Vault::Entry* first(Vault& vault, std::u16string_view original, Take&& take) const {
    std::size_t best = vault.entries.size();
    const auto [from, to] = byOriginal_.equal_range(hash(original));
    for (auto it = from; it != to; ++it) {
      Vault::Entry& e = vault.entries[it->second];
      if (it->second < best && e.original == original && e.created >= expired_ && take(e))
        best = it->second;
    }
    return best < vault.entries.size() ? &vault.entries[best] : nullptr;
  }

  bool holds(const Vault& vault, std::u16string_view mask) const {
    const auto [from, to] = byMask_.equal_range(hash(mask));
    return std::any_of(from, to,
                       [&](const auto& at) { return vault.entries[at.second].mask == mask; });
  }

  // The highest number among the entries' tokens of the word (at most
  // kMaxNumber), and among the entries numbered on from a partial mask: 0
  // when none.
  long long wordTop(std::u16string_view word) const { return top(wordTop_, word); }
  long long maskTop(std::u16string_view base) const { return top(baseTop_, base); }

  // Whether no entry is older than cutoff nor dated after now.
  bool within(Date cutoff, Date now) const {
    return empty_ || (oldest_ >= cutoff && newest_ <= now);
  }
  // Entries dated before this have expired, and wait in the vault for the
  // prune that drops them: never taken again.
  void expireBefore(Date cutoff) { expired_ = cutoff; }
  // The span of the entries' dates as a look through all of them found it.
  void dates(Date oldest, Date newest) {
    oldest_ = oldest;
    newest_ = newest;
  }

  // The entries changed since the last write, or none when not known.
  const std::vector<std::size_t>* changed() const { return known_ ? &changed_ : nullptr; }
  // The entries added or taken again since the index was made or last
  // written, whether or not the last text is known.
  const std::vector<std::size_t>& since() const { return changed_; }
  void written() {
    changed_.clear();
    known_ = true;
  }

 private:
  using Tops = std::map<std::u16string, long long, std::less<>>;

  static std::size_t hash(std::u16string_view s) { return std::hash<std::u16string_view>{}(s); }
  static void raise(Tops& tops, std::u16string_view key, long long n) {
    auto at = tops.find(key);
    if (at == tops.end()) at = tops.emplace(std::u16string(key), n).first;
    at->second = std::max(at->second, n);
  }
  static long long top(const Tops& tops, std::u16string_view key) {
    const auto at = tops.find(key);
    return at == tops.end() ? 0 : at->second;
  }
  void dated(Date d) {
    oldest_ = empty_ ? d : std::min(oldest_, d);
    newest_ = empty_ ? d : std::max(newest_, d);
    empty_ = false;
  }

  std::unordered_multimap<std::size_t, std::size_t> byOriginal_, byMask_;
  Tops wordTop_, baseTop_;
  // No entry is dated before oldest_ nor after newest_ (an entry taken again
  // only ever moves later, so oldest_ may lie before the oldest one).
  Date oldest_{}, newest_{};
  bool empty_ = true;
  Date expired_ = Date::min();
  std::vector<std::size_t> changed_;
  bool known_ = false;
};

// Works out placeholders for one call of record().
class Labeler {
 public:
  Labeler(Vault& vault, Index& index, std::u16string_view text, Vault::LabelStyle style, bool reuse,
          Date now)
      : vault_(vault), index_(index), text_(text), style_(style), reuse_(reuse), now_(now) {}

  std::u16string placeholder(const Finding& f, std::u16string_view original) {
    const std::u16string word = tokenWord(f);
    const bool json = f.jsonNumber;
    // A mask-style placeholder needs a mask that is neither empty (it would
    // match everywhere on restore) nor the removal marker.
    const bool tokens =
        style_ == Vault::LabelStyle::token || f.mask.empty() || f.mask == Masks::removed;
    // The index finds the placeholder to take again and, at the word's first
    // token in this text, the highest number its tokens have so far.
    const auto [top, counting] =
        tokens ? highest_.try_emplace(word, 0) : std::pair{highest_.end(), false};
    if (counting) {
      if (const auto given = vault_.numbers.find(word); given != vault_.numbers.end())
        top->second = std::min(given->second, kMaxNumber);
      top->second = std::max(top->second, index_.wordTop(word));
    }
    Vault::Entry* again =
        reuse_ ? index_.first(vault_, original,
                              [&](const Vault::Entry& e) {
                                return fits(e, f, word, json, tokens) && !standsInText(e.mask);
                              })
               : nullptr;
    if (again) {
      touch(*again);
      return again->mask;
    }
    if (tokens) {
      // No token of the word has a number above top, so the next one is
      // free; only past the numbers we count must the vault say so. A
      // placeholder the text already quotes would take that quote along on
      // restore: the number after it is taken instead.
      std::u16string mask;
      do mask = u"[" + word + u"_" + number(++top->second) + u"]";
      while ((top->second > kMaxNumber && held(mask)) || standsInText(mask));
      return add(mask, original, f);
    }
    // The same original under this mask is taken again; a new one gets the
    // next number the mask has never had.
    if (Vault::Entry* e = index_.first(vault_, original, [&](const Vault::Entry& e) {
          return splitMask(e.mask).first == f.mask && e.jsonNumber.value_or(false) == json &&
                 !standsInText(e.mask);
        })) {
      touch(*e);
      return e->mask;
    }
    long long k = std::max(index_.maskTop(f.mask), index_.holds(vault_, f.mask) ? 1LL : 0LL);
    if (const auto given = vault_.numbers.find(f.mask); given != vault_.numbers.end())
      k = std::max(k, given->second);
    for (;;) {
      const std::u16string mask = ++k == 1 ? f.mask : f.mask + u" #" + number(k);
      if (!held(mask) && !standsInText(mask)) return add(mask, original, f);
    }
  }

 private:
  // Whether the entry's placeholder stands for this finding: the same
  // original, as a JSON number or not, a placeholder of this paste's style,
  // and of the same kind or word.
  static bool fits(const Vault::Entry& e, const Finding& f, const std::u16string& word, bool json,
                   bool tokens) {
    if (e.jsonNumber.value_or(false) != json) return false;
    const auto t = parseToken(e.mask);
    if (t.has_value() != tokens) return false;
    const bool sameWord = e.kind != Kind::custom ? toUtf16(std::string(e.kind.token())) == word
                                                 : t && t->word == word;
    return e.kind == f.kind || sameWord;
  }

  // A placeholder written again lives as long as if it were new.
  void touch(Vault::Entry& e) {
    e.created = std::max(e.created, now_);
    index_.touched(e, std::size_t(&e - vault_.entries.data()));
  }

  std::u16string add(const std::u16string& mask, std::u16string_view original, const Finding& f) {
    vault_.entries.push_back({mask, std::u16string(original), f.kind, now_,
                              f.jsonNumber ? std::optional<bool>(true) : std::nullopt});
    vault_.remember(vault_.entries.back());
    index_.add(vault_.entries.back(), vault_.entries.size() - 1);
    // A word already counted counts whatever token is added, in any style.
    if (const auto t = parseToken(mask); t && t->number <= kMaxNumber)
      if (const auto at = highest_.find(t->word); at != highest_.end())
        at->second = std::max(at->second, t->number);
    return mask;
  }

  bool held(std::u16string_view mask) const { return index_.holds(vault_, mask); }

  // Whether the text being masked already holds this placeholder. The
  // text's tokens are gathered once; a partial mask always holds a dot, so
  // a text without one holds none.
  bool standsInText(const std::u16string& mask) {
    if (parseToken(mask)) {
      if (!quoted_) {
        quoted_.emplace();
        for (std::size_t at = text_.find(u'['); at != std::u16string_view::npos;
             at = text_.find(u'[', at + 1)) {
          const auto close = text_.substr(at, 128).find(u']');
          if (close == std::u16string_view::npos) continue;
          const auto token = text_.substr(at, close + 1);
          if (parseToken(token)) quoted_->emplace(token);
        }
      }
      return quoted_->contains(mask);
    }
    if (!dotted_) dotted_ = text_.find(u'•') != std::u16string_view::npos;
    return *dotted_ && text_.find(mask) != std::u16string_view::npos;
  }

  Vault& vault_;
  Index& index_;
  std::u16string_view text_;
  Vault::LabelStyle style_;
  bool reuse_;
  Date now_;
  // The highest number of each word counted so far.
  std::map<std::u16string, long long, std::less<>> highest_;
  // The tokens the text quotes, once asked for; whether it holds a mask dot.
  std::optional<std::set<std::u16string, std::less<>>> quoted_;
  std::optional<bool> dotted_;
};

}  // namespace

void wipe(Vault& vault) {
  for (Vault::Entry& e : vault.entries) wipe(e.original);
  vault.entries.clear();
}

void Vault::remember(const Entry& e) {
  if (const auto t = parseToken(e.mask)) {
    if (t->number > kMaxNumber) return;
    auto [at, added] = numbers.try_emplace(std::u16string(t->word), t->number);
    if (!added) at->second = std::max(at->second, t->number);
    return;
  }
  const auto [base, n] = splitMask(e.mask);
  if (base.empty()) return;
  auto [at, added] = numbers.try_emplace(std::u16string(base), n);
  if (!added) at->second = std::max(at->second, n);
}

namespace {

std::u16string record(Vault& vault, Index& index, std::u16string_view text,
                      const std::vector<Finding>& findings, const std::set<int>& keep,
                      const std::set<int>& locked, Vault::LabelStyle style, bool reuse, Date now,
                      std::vector<std::u16string>* placeholders,
                      std::vector<std::u16string>* labels) {
  if (labels) labels->assign(findings.size(), {});
  std::vector<int> order(findings.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return findings[a].range.location < findings[b].range.location;
  });

  Labeler labeler(vault, index, text, style, reuse, now);
  std::u16string out;
  out.reserve(text.size());
  std::size_t copied = 0;    // text before this is in out
  long long processed = -1;  // end of the last finding taken
  for (const int i : order) {
    const Finding& f = findings[i];
    const long long start = f.range.location, end = start + f.range.length;
    if (start < 0 || f.range.length <= 0 || end > static_cast<long long>(text.size())) continue;
    if (start < processed) continue;  // overlaps one already handled: left as it is
    processed = end;
    if (keep.contains(i)) continue;
    const auto original = text.substr(std::size_t(start), std::size_t(f.range.length));
    std::u16string label =
        locked.contains(i) ? std::u16string(Masks::removed) : labeler.placeholder(f, original);
    if (placeholders && !locked.contains(i) &&
        std::find(placeholders->begin(), placeholders->end(), label) == placeholders->end())
      placeholders->push_back(label);
    if (labels && !locked.contains(i)) (*labels)[std::size_t(i)] = label;
    // A bare JSON number becomes a string so that the text stays valid JSON.
    if (f.jsonNumber) label = u"\"" + label + u"\"";
    out.append(text.substr(copied, std::size_t(start) - copied));
    out += label;
    copied = std::size_t(end);
  }
  out.append(text.substr(copied));
  return out;
}

}  // namespace

std::u16string Vault::record(std::u16string_view text, const std::vector<Finding>& findings,
                             const std::set<int>& keep, const std::set<int>& locked,
                             LabelStyle style, bool reuse, Date now,
                             std::vector<std::u16string>* placeholders,
                             std::vector<std::u16string>* labels) {
  Index index(*this);
  return clipvane::record(*this, index, text, findings, keep, locked, style, reuse, now,
                          placeholders, labels);
}

std::vector<std::u16string> Vault::labelsFor(std::u16string_view text,
                                             const std::vector<Finding>& findings,
                                             const std::set<int>& keep, const std::set<int>& locked,
                                             LabelStyle style, bool reuse, Date now) const {
  Vault trial = *this;
  std::vector<std::u16string> labels;
  trial.record(text, findings, keep, locked, style, reuse, now, nullptr, &labels);
  return labels;
}

namespace {

// Letters, digits and the mask's own dots and ellipsis: the characters a
// mask-style label is made of, so a label touching one of them on a side
// where it ends in one is a piece of something longer.
bool labelChar(char32_t c) { return c == u'_' || c == u'•' || c == u'…' || u_isalnum(UChar32(c)); }

struct Pattern {
  std::u16string text;
  std::size_t entry;  // index into the vault's entries
};

// Whether the pattern stands whole at `at`: not glued to label characters on
// an edge where it ends in one, and not the head of a numbered form
// ("j•••@e•••.com" inside "j•••@e•••.com #2").
bool standsWhole(std::u16string_view text, std::size_t at, const std::u16string& p) {
  const auto* s = reinterpret_cast<const UChar*>(text.data());
  const auto n = int32_t(text.size());
  const auto* l = reinterpret_cast<const UChar*>(p.data());
  const auto ln = int32_t(p.size());
  UChar32 first, last, before, after;
  int32_t i = 0;
  U16_NEXT(l, i, ln, first);
  i = ln;
  U16_PREV(l, 0, i, last);
  if (labelChar(char32_t(first)) && at > 0) {
    i = int32_t(at);
    U16_PREV(s, 0, i, before);
    if (labelChar(char32_t(before))) return false;
  }
  const auto end = int32_t(at + p.size());
  if (labelChar(char32_t(last)) && end < n) {
    i = end;
    U16_NEXT(s, i, n, after);
    if (labelChar(char32_t(after))) return false;
    if (after == u' ' && end + 2 < n && s[end + 1] == u'#' && u_isdigit(s[end + 2])) return false;
  }
  return true;
}

// Walks the text once from the left; at each place the longest pattern that
// stands whole there is taken, so that no placeholder is taken inside a
// longer one, and the walk goes on after it. `hit` gets each pattern taken,
// `miss` each character no pattern took.
template <class Hit, class Miss>
void walk(std::u16string_view text, std::vector<Pattern> patterns, Hit&& hit, Miss&& miss) {
  std::stable_sort(patterns.begin(), patterns.end(), [](const Pattern& a, const Pattern& b) {
    return a.text.size() > b.text.size();
  });
  std::size_t i = 0;
  while (i < text.size()) {
    const auto found = std::find_if(patterns.begin(), patterns.end(), [&](const Pattern& p) {
      return text.substr(i, p.text.size()) == p.text && standsWhole(text, i, p.text);
    });
    if (found == patterns.end()) {
      miss(text[i++]);
      continue;
    }
    hit(*found);
    i += found->text.size();
  }
}

}  // namespace

std::vector<Vault::Entry> Vault::masks(std::u16string_view text) const {
  std::vector<Pattern> patterns;
  for (std::size_t k = 0; k < entries.size(); ++k)
    if (!entries[k].mask.empty() && text.find(entries[k].mask) != std::u16string_view::npos)
      patterns.push_back({entries[k].mask, k});
  std::vector<bool> seen(entries.size());
  walk(
      text, std::move(patterns), [&](const Pattern& p) { seen[p.entry] = true; }, [](char16_t) {});
  std::vector<Entry> out;
  for (std::size_t k = 0; k < entries.size(); ++k)
    if (seen[k]) out.push_back(entries[k]);
  std::stable_sort(out.begin(), out.end(),
                   [](const Entry& a, const Entry& b) { return a.mask.size() > b.mask.size(); });
  return out;
}

std::pair<std::u16string, int> Vault::restore(std::u16string_view text) const {
  std::vector<Pattern> patterns;
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const Entry& e = entries[k];
    if (e.mask.empty()) continue;
    // A JSON number went out quoted and comes back bare.
    if (e.jsonNumber.value_or(false)) {
      std::u16string quoted = u"\"" + e.mask + u"\"";
      if (text.find(quoted) != std::u16string_view::npos)
        patterns.push_back({std::move(quoted), k});
    }
    if (text.find(e.mask) != std::u16string_view::npos) patterns.push_back({e.mask, k});
  }
  std::u16string out;
  out.reserve(text.size());
  int count = 0;
  walk(
      text, std::move(patterns),
      [&](const Pattern& p) {
        out += entries[p.entry].original;
        ++count;
      },
      [&](char16_t c) { out.push_back(c); });
  return {std::move(out), count};
}

namespace {

// The vault lies in one file, "vault.bin", while it is small. Once it holds
// more entries than kMinTail, most of them go into a base file of their own,
// written whole only when the base itself changes (an entry in it dropped,
// everything written anew) or when the entries added since have grown to
// about the square root of twice the base's (a merge): a copy then writes
// only "vault.bin", which names the base it extends by the base's id and
// holds the entries added since, the new dates of the base's entries taken
// again, and every number given. The base is named by its id and never
// written over: a new base is written under a new name before "vault.bin"
// names it, and the old one removed only after, so that a crash between any
// two steps leaves "vault.bin" naming a complete base and no entry is lost
// or counted twice. A base "vault.bin" does not name is left over from such
// a crash (or a clear) and is removed.
constexpr std::string_view kVaultFile = "vault.bin";
constexpr std::string_view kKeyFile = "vault.key";
constexpr std::string_view kBasePrefix = "vault.base-", kBaseSuffix = ".bin";
constexpr std::size_t kMinTail = 256;
constexpr std::size_t kIdBytes = 16;

std::string baseName(std::string_view id) {
  return std::string(kBasePrefix) + std::string(id) + std::string(kBaseSuffix);
}

bool isBaseName(std::string_view name) {
  return name.size() > kBasePrefix.size() + kBaseSuffix.size() && name.starts_with(kBasePrefix) &&
         name.ends_with(kBaseSuffix);
}

// An id as this program writes it: lower-case hexadecimal of kIdBytes bytes.
bool validId(std::string_view id) {
  return id.size() == 2 * kIdBytes && std::all_of(id.begin(), id.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

std::string newId() {
  const std::string bytes = Crypto::randomBytes(kIdBytes);
  std::string out;
  for (const unsigned char b : bytes) {
    out += "0123456789abcdef"[b >> 4];
    out += "0123456789abcdef"[b & 15];
  }
  return out;
}

// How many entries (added, or of the base dated anew) "vault.bin" may hold
// over a base of this many before they are merged into a new one.
std::size_t tailLimit(std::size_t base) {
  return std::max(kMinTail, std::size_t(std::sqrt(2.0 * double(base))));
}

// Removes every base file but the one named `keep`: left over from a crash
// or a clear. Best effort: one that stays is tried again next time.
void removeBases(const std::filesystem::path& dir, std::string_view keep) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (isBaseName(name) && name != baseName(keep)) std::filesystem::remove(it->path(), ec);
    ec.clear();
  }
}

// The date before which an entry has expired at `now`; none for an age
// limit that drops nothing (infinite, absurdly large or undefined). Below
// 1e12 s the limit fits the clock's microseconds without overflow.
std::optional<Date> expiry(double ttl, Date now) {
  if (!(ttl < 1e12)) return std::nullopt;
  return now - std::chrono::microseconds(std::llround(std::max(ttl, 0.0) * 1e6));
}

// Drops what is older than ttl seconds, of the entries from `from` on. An
// entry dated after `now` was made while the clock ran ahead: it counts as
// made now, so that it lives no longer than the retention from when it
// really was. Returns whether anything changed; `first`, when given, then
// gets the place of the first entry dropped or dated anew. The dropped
// originals are wiped. The vault's index, when given, spares the look
// through the entries while their dates all lie within the limit, and is
// made anew after a change.
bool prune(Vault& vault, double ttl, Date now, std::optional<Index>* index = nullptr,
           std::size_t* first = nullptr, std::size_t from = 0) {
  const auto cutoff = expiry(ttl, now);
  if (!cutoff) return false;
  if (index && *index && (*index)->within(*cutoff, now)) return false;
  auto& entries = vault.entries;
  bool changed = false;
  std::size_t kept = std::min(from, entries.size());
  Date oldest = Date::max(), newest = Date::min();
  for (std::size_t i = kept; i < entries.size(); ++i) {
    Vault::Entry& e = entries[i];
    if (e.created > now || e.created < *cutoff) {
      if (first && !changed) *first = i;
      changed = true;
    }
    if (e.created > now) e.created = now;
    if (e.created < *cutoff) {
      vault.remember(e);
      wipe(e.original);
      continue;
    }
    oldest = std::min(oldest, e.created);
    newest = std::max(newest, e.created);
    if (kept != i) entries[kept] = std::move(e);
    ++kept;
  }
  entries.erase(entries.begin() + std::ptrdiff_t(kept), entries.end());
  if (index && changed) index->emplace(vault);
  // Nothing to drop after all (the entry that was oldest has been taken
  // again since): the next look waits until one really is.
  else if (index && *index && kept && from == 0)
    (*index)->dates(oldest, newest);
  return changed;
}

// A vault that can never be read again: a key of the wrong size, or data
// that is missing its key or its base, fails to decrypt or does not decode.
// A file that cannot be read for now (permissions, a folder in its place, an
// I/O error) is not damaged and throws a plain StorageError.
class Damaged : public StorageError {
 public:
  using StorageError::StorageError;
};

std::optional<std::string> readKey(const std::filesystem::path& dir) {
  std::optional<std::string> key;
  try {
    key = readFile(dir / kKeyFile, Crypto::keySize);
  } catch (const TooLarge&) {
    key = std::string();  // of the wrong size all the same
  }
  if (key && key->size() != Crypto::keySize)
    throw Damaged("The vault key (vault.key) is damaged, so the originals can’t be read.");
  return key;
}

struct Loaded {
  Loaded() = default;
  Loaded(Loaded&&) = default;
  Loaded& operator=(Loaded&&) = default;
  // The originals go with it.
  ~Loaded() { wipe(vault); }

  Vault vault;  // before the age limit: the base's entries first, then the rest
  std::optional<std::string> key;
  std::string sealed;  // "vault.bin" as read or written, byte for byte; empty when none
  // Each entry's part of lastText past the base's, when that is the vault's
  // own text.
  std::vector<json::VaultPart> parts;
  // The vault's index, once made; none after a change it did not follow.
  std::optional<Index> index;
  // The base "vault.bin" extends: its id (empty when none), the number of
  // entries at the front that came from it, its file's identity when read
  // or written, and the places of those dated anew since.
  std::string baseId;
  std::size_t baseCount = 0;
  FileId baseFile;
  std::set<std::size_t> redated;
};

// The vault as this process last read or wrote it, kept between operations:
// while "vault.bin" is still byte for byte the one it came from, under the
// same key, and the base it names is still the file it was (the same file,
// size and times of its last write and change), a copy neither decrypts nor
// decodes the vault again. Another instance writes a base only under a new
// name and then changes "vault.bin"; any other write of a base (a tool, a
// restored backup) changes its times, or is a file of its own. Taken only
// under the lock.
struct Held {
  std::filesystem::path dir;
  Loaded loaded;
};
std::mutex heldMutex;
std::optional<Held> held;

// The text of "vault.bin" as last written, and the buffer the next text is
// written into, their memory kept between operations so that a copy neither
// allocates nor faults in fresh pages for them: copies are recorded on pool
// threads, and each thread's allocator would otherwise keep leftovers of its
// own. The entries that did not change since are copied from the last text
// rather than written again. Taken only under heldMutex.
std::string lastText, nextText;
std::vector<json::VaultPart> nextParts;

// Opens and decodes one of the vault's files; `name` is how the user knows it.
Vault decodeFile(const std::string& key, const std::string& sealed, const std::string& name,
                 json::VaultLinks& links) {
  const auto plain = Crypto::open(key, sealed);
  if (!plain)
    throw Damaged("The vault (" + name +
                  ") can’t be decrypted: it was changed or its key does not match.");
  std::string text = std::move(*plain);
  try {
    Vault v = json::decodeVault(text, &links);
    wipe(text);
    return v;
  } catch (const json::DecodeError& e) {
    wipe(text);
    throw Damaged("The vault (" + name + ") is damaged: " + e.what() + ".");
  }
}

// Reads the vault; the caller holds the lock and heldMutex. What is held is
// taken out: it goes back only once the caller is done with it. A vault file
// that cannot be read at all counts as empty only when nothing will be
// written over it.
Loaded load(const std::filesystem::path& dir, bool forUpdate) {
  std::optional<Held> kept = std::exchange(held, std::nullopt);
  Loaded out;
  out.key = readKey(dir);
  if (kept && kept->dir == dir && kept->loaded.key == out.key &&
      fileHolds(dir / kVaultFile, kept->loaded.sealed) &&
      (kept->loaded.baseId.empty() ||
       fileId(dir / baseName(kept->loaded.baseId)) == kept->loaded.baseFile))
    return std::move(kept->loaded);
  kept.reset();
  std::optional<std::string> sealed;
  try {
    sealed = readFile(dir / kVaultFile, Limits::vault);
    // No vault: a base left by a clear stands for nothing.
    if (!sealed) removeBases(dir, {});
  } catch (const TooLarge&) {
    throw Damaged("The vault (vault.bin) is damaged: it is larger than the program ever writes.");
  } catch (const StorageError&) {
    if (forUpdate) throw;
  }
  if (!sealed) return out;
  if (!out.key)
    throw Damaged("The vault key (vault.key) is missing, so the originals can’t be read.");
  json::VaultLinks links;
  Vault head = decodeFile(*out.key, *sealed, std::string(kVaultFile), links);
  if (!links.base.empty()) {
    if (!validId(links.base)) throw Damaged("The vault (vault.bin) is damaged: a bad base name.");
    const std::string name = baseName(links.base);
    std::optional<std::string> base;
    try {
      base = readFile(dir / name, Limits::vault, &out.baseFile);
    } catch (const TooLarge&) {
      throw Damaged("The vault (" + name +
                    ") is damaged: it is larger than the program ever writes.");
    }
    if (!base) throw Damaged("The vault’s earlier entries (" + name + ") are missing.");
    json::VaultLinks own;
    out.vault = decodeFile(*out.key, *base, name, own);
    wipe(*base);
    if (own.id != links.base)
      throw Damaged("The vault (" + name + ") is damaged: it is not the base vault.bin names.");
    out.baseId = links.base;
    out.baseCount = out.vault.entries.size();
    for (const auto& [at, when] : links.redated) {
      if (at >= out.baseCount)
        throw Damaged("The vault (vault.bin) is damaged: a date for an entry it does not have.");
      out.vault.entries[at].created = when;
      out.redated.insert(at);
    }
    for (auto& e : head.entries) out.vault.entries.push_back(std::move(e));
    head.entries.clear();
    for (const auto& [word, n] : head.numbers) {
      auto [at, added] = out.vault.numbers.try_emplace(word, n);
      if (!added) at->second = std::max(at->second, n);
    }
  } else {
    out.vault = std::move(head);
  }
  removeBases(dir, out.baseId);
  out.sealed = std::move(*sealed);
  return out;
}

// Moves the damaged vault, its base files and its key aside together, as
// "vault.bin.bad", "vault.base-….bin.bad" and "vault.key.bad" (".bad.2",
// ".bad.3" … when earlier ones are there), so that nothing is lost and the
// files still belong together.
void setAside(const std::filesystem::path& dir) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files{dir / kVaultFile, dir / kKeyFile};
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (isBaseName(it->path().filename().string())) files.push_back(it->path());
  for (int n = 1; n <= 1000; ++n) {
    const std::string suffix = n == 1 ? ".bad" : ".bad." + std::to_string(n);
    const auto aside = [&](const fs::path& p) { return fs::path(p.string() + suffix); };
    if (std::any_of(files.begin(), files.end(), [&](const fs::path& p) {
          return fs::exists(fs::symlink_status(aside(p), ec));
        }))
      continue;
    for (const fs::path& from : files) {
      if (!fs::exists(fs::symlink_status(from, ec))) continue;
      fs::rename(from, aside(from), ec);
      if (ec) throw StorageError("Can’t set the damaged vault aside: " + ec.message(), ec.value());
    }
    return;
  }
  throw StorageError("Can’t set the damaged vault aside: too many damaged vaults are kept.");
}

}  // namespace

Vault VaultStore::read(double ttl) {
  const FileLock lock;
  const std::lock_guard guard(heldMutex);
  const auto dir = Paths::directory();
  Loaded loaded = load(dir, false);
  Vault out = loaded.vault;
  if (!loaded.sealed.empty()) held = Held{dir, std::move(loaded)};
  clipvane::prune(out, ttl, Clock::now());
  return out;
}

namespace {

// Whether a write may leave the base as it is (only "vault.bin" written) or
// must write every entry anew.
enum class Write { tail, whole };

// Writes "vault.bin": the entries past the base, and what it says of the base.
void writeHead(const std::filesystem::path& dir, Loaded& loaded) {
  json::VaultLinks links;
  links.base = loaded.baseId;
  for (const std::size_t at : loaded.redated)
    links.redated.emplace_back(at, loaded.vault.entries[at].created);
  json::encodeVault(loaded.vault, lastText, loaded.parts, nextText, nextParts,
                    loaded.index ? loaded.index->changed() : nullptr, loaded.baseCount, &links);
  // Into the memory of the file as it was: what is held is the new file.
  Crypto::sealInto(*loaded.key, nextText, loaded.sealed);
  writeFileAtomically(dir / kVaultFile, loaded.sealed);
  lastText.swap(nextText);
  loaded.parts.swap(nextParts);
  // The text before this write is kept only as room for the next one: its
  // originals, those just dropped among them, go now: its own bytes, then
  // the room past them that a longer text may have used (zeroed as the
  // string grows into it), each written over once.
  explicit_bzero(nextText.data(), nextText.size());
  nextText.resize(nextText.capacity());
  nextText.clear();
}

// Encrypts and writes the vault; the caller holds the lock and heldMutex.
// What is written is held again.
void store(const std::filesystem::path& dir, Loaded&& loaded, Write how) {
  if (!loaded.key) {
    // Only reached when there is no vault yet: nothing depends on an old key.
    loaded.key = Crypto::randomBytes(Crypto::keySize);
    writeFileAtomically(dir / kKeyFile, *loaded.key);
  }
  const std::size_t count = loaded.vault.entries.size();
  if (how == Write::tail && loaded.index) {
    for (const std::size_t at : loaded.index->since())
      if (at < loaded.baseCount) loaded.redated.insert(at);
  } else {
    how = Write::whole;
  }
  const std::size_t tail = count - loaded.baseCount + loaded.redated.size();
  if (tail > (loaded.baseId.empty() ? kMinTail : tailLimit(loaded.baseCount))) how = Write::whole;
  // Held again only once the files hold it: a body or a write that failed
  // leaves nothing held, and the next operation reads the files.
  if (how == Write::whole) {
    loaded.redated.clear();
    loaded.parts.clear();
    if (count <= kMinTail) {
      loaded.baseId.clear();
      loaded.baseCount = 0;
    } else {
      json::VaultLinks links;
      links.id = newId();
      std::string text;
      std::vector<json::VaultPart> parts;
      json::encodeVault(loaded.vault, {}, {}, text, parts, nullptr, 0, &links);
      std::string sealed = Crypto::seal(*loaded.key, text);
      wipe(text);
      const auto path = dir / baseName(links.id);
      writeFileAtomically(path, sealed);
      const auto id = fileId(path);
      if (!id) throw StorageError("Can’t read " + path.string() + " back.");
      loaded.baseId = links.id;
      loaded.baseCount = count;
      loaded.baseFile = *id;
    }
  }
  writeHead(dir, loaded);
  if (how == Write::whole) removeBases(dir, loaded.baseId);
  if (loaded.index) loaded.index->written();
  held = Held{dir, std::move(loaded)};
}

}  // namespace

namespace {

// Read, prune, body and write, all under the lock. A body that keeps the
// index gets one, and writes the base only when it must: what expired in
// the base waits there for the next prune(), which the program runs every
// 20 seconds, and is never taken again meanwhile. Any other body leaves the
// vault without an index, and writes it whole.
void change(double ttl, const std::function<void(Vault&, Index*)>& body, bool keepsIndex,
            bool* renewed) {
  const FileLock lock;
  const std::lock_guard guard(heldMutex);
  const auto dir = Paths::directory();
  Loaded loaded;
  try {
    loaded = load(dir, true);
  } catch (const Damaged&) {
    if (!renewed) throw;
    setAside(dir);
    *renewed = true;
  }
  if (keepsIndex && !loaded.index) loaded.index.emplace(loaded.vault);
  const Date now = Clock::now();
  if (clipvane::prune(loaded.vault, ttl, now, &loaded.index, nullptr,
                      keepsIndex ? loaded.baseCount : 0))
    loaded.parts.clear();
  if (!keepsIndex) loaded.index.reset();
  if (loaded.index) loaded.index->expireBefore(expiry(ttl, now).value_or(Date::min()));
  body(loaded.vault, loaded.index ? &*loaded.index : nullptr);
  store(dir, std::move(loaded), keepsIndex ? Write::tail : Write::whole);
}

}  // namespace

void VaultStore::updateImpl(double ttl, const std::function<void(Vault&)>& body, bool* renewed) {
  change(
      ttl, [&](Vault& vault, Index*) { body(vault); }, false, renewed);
}

std::u16string VaultStore::record(double ttl, std::u16string_view text,
                                  const std::vector<Finding>& findings, const std::set<int>& keep,
                                  const std::set<int>& locked, Vault::LabelStyle style, bool reuse,
                                  Date now, std::vector<std::u16string>* placeholders,
                                  bool* renewed) {
  std::u16string out;
  change(
      ttl,
      [&](Vault& vault, Index* index) {
        out = clipvane::record(vault, *index, text, findings, keep, locked, style, reuse, now,
                               placeholders, nullptr);
      },
      true, renewed);
  return out;
}

bool VaultStore::prune(double ttl, Date now) {
  const FileLock lock(std::try_to_lock);
  if (!lock.owns()) return false;
  const std::lock_guard guard(heldMutex);
  const auto dir = Paths::directory();
  Loaded loaded = load(dir, true);
  if (loaded.sealed.empty()) return false;  // no vault
  if (!loaded.index) loaded.index.emplace(loaded.vault);
  std::size_t first = 0;
  if (!clipvane::prune(loaded.vault, ttl, now, &loaded.index, &first)) {
    held = Held{dir, std::move(loaded)};
    return false;
  }
  loaded.parts.clear();
  const bool tail = first >= loaded.baseCount;
  store(dir, std::move(loaded), tail ? Write::tail : Write::whole);
  return true;
}

void VaultStore::clear() {
  const FileLock lock;
  const std::lock_guard guard(heldMutex);
  held.reset();
  wipe(lastText);
  wipe(nextText);
  std::vector<json::VaultPart>().swap(nextParts);
  const auto dir = Paths::directory();
  std::error_code ec;
  std::filesystem::remove(dir / kVaultFile, ec);
  if (ec) throw StorageError("Can’t remove the vault: " + ec.message());
  // Without "vault.bin" a base stands for nothing; one that stays is removed
  // by the next read.
  removeBases(dir, {});
}

}  // namespace clipvane
