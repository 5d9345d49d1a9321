#include "Vault.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_set>

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

// Works out placeholders for one call of record().
class Labeler {
 public:
  Labeler(Vault& vault, Vault::LabelStyle style, bool reuse, Date now)
      : vault_(vault), style_(style), reuse_(reuse), now_(now) {
    for (const auto& e : vault_.entries) {
      used_.insert(e.mask);
      if (const auto t = parseToken(e.mask); t && t->number <= kMaxNumber) {
        auto& top = highest_[std::u16string(t->word)];
        top = std::max(top, t->number);
      }
    }
  }

  std::u16string placeholder(const Finding& f, std::u16string_view original) {
    const std::u16string word = tokenWord(f);
    const bool json = f.jsonNumber;
    // A mask-style placeholder needs a mask that is neither empty (it would
    // match everywhere on restore) nor the removal marker.
    const bool tokens =
        style_ == Vault::LabelStyle::token || f.mask.empty() || f.mask == Masks::removed;
    if (reuse_) {
      for (auto& e : vault_.entries) {
        if (e.original != original || e.jsonNumber.value_or(false) != json) continue;
        const auto t = parseToken(e.mask);
        if (t.has_value() != tokens) continue;  // the placeholder must be of this paste's style
        const bool sameWord = e.kind != Kind::custom ? toUtf16(std::string(e.kind.token())) == word
                                                     : t && t->word == word;
        if (e.kind != f.kind && !sameWord) continue;
        touch(e);
        return e.mask;
      }
    }
    if (tokens) {
      auto& top = highest_[word];
      std::u16string mask;
      do mask = u"[" + word + u"_" + number(++top) + u"]";
      while (used_.contains(mask));
      return add(mask, original, f);
    }
    for (int k = 1;; ++k) {
      const std::u16string mask = k == 1 ? f.mask : f.mask + u" #" + number(k);
      const auto held = std::find_if(vault_.entries.begin(), vault_.entries.end(),
                                     [&](const Vault::Entry& e) { return e.mask == mask; });
      if (held == vault_.entries.end()) return add(mask, original, f);
      if (held->original == original && held->jsonNumber.value_or(false) == json) {
        touch(*held);
        return mask;
      }
    }
  }

 private:
  // A placeholder written again lives as long as if it were new.
  void touch(Vault::Entry& e) { e.created = std::max(e.created, now_); }

  std::u16string add(const std::u16string& mask, std::u16string_view original, const Finding& f) {
    vault_.entries.push_back({mask, std::u16string(original), f.kind, now_,
                              f.jsonNumber ? std::optional<bool>(true) : std::nullopt});
    used_.insert(mask);
    return mask;
  }

  Vault& vault_;
  Vault::LabelStyle style_;
  bool reuse_;
  Date now_;
  std::unordered_set<std::u16string> used_;
  std::map<std::u16string, long long> highest_;
};

}  // namespace

std::u16string Vault::record(std::u16string_view text, const std::vector<Finding>& findings,
                             const std::set<int>& keep, const std::set<int>& locked,
                             LabelStyle style, bool reuse, Date now) {
  std::vector<int> order(findings.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return findings[a].range.location < findings[b].range.location;
  });

  Labeler labeler(*this, style, reuse, now);
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
    // A bare JSON number becomes a string so that the text stays valid JSON.
    if (f.jsonNumber) label = u"\"" + label + u"\"";
    out.append(text.substr(copied, std::size_t(start) - copied));
    out += label;
    copied = std::size_t(end);
  }
  out.append(text.substr(copied));
  return out;
}

std::vector<Vault::Entry> Vault::masks(std::u16string_view text) const {
  std::vector<Entry> out;
  for (const auto& e : entries)
    if (!e.mask.empty() && text.find(e.mask) != std::u16string_view::npos) out.push_back(e);
  std::stable_sort(out.begin(), out.end(),
                   [](const Entry& a, const Entry& b) { return a.mask.size() > b.mask.size(); });
  return out;
}

std::pair<std::u16string, int> Vault::restore(std::u16string_view text) const {
  struct Pattern {
    std::u16string text;
    const std::u16string* original;
  };
  std::vector<Pattern> patterns;
  for (const auto& e : entries) {
    if (e.mask.empty()) continue;
    // A JSON number went out quoted and comes back bare.
    if (e.jsonNumber.value_or(false)) {
      std::u16string quoted = u"\"" + e.mask + u"\"";
      if (text.find(quoted) != std::u16string_view::npos)
        patterns.push_back({std::move(quoted), &e.original});
    }
    if (text.find(e.mask) != std::u16string_view::npos) patterns.push_back({e.mask, &e.original});
  }
  // Longest first, so that no placeholder is replaced inside a longer one.
  std::stable_sort(patterns.begin(), patterns.end(), [](const Pattern& a, const Pattern& b) {
    return a.text.size() > b.text.size();
  });

  std::u16string out;
  out.reserve(text.size());
  int count = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto hit = std::find_if(patterns.begin(), patterns.end(), [&](const Pattern& p) {
      return text.substr(i, p.text.size()) == p.text;
    });
    if (hit == patterns.end()) {
      out.push_back(text[i++]);
      continue;
    }
    out += *hit->original;
    i += hit->text.size();
    ++count;
  }
  return {std::move(out), count};
}

namespace {

constexpr std::string_view kVaultFile = "vault.bin";
constexpr std::string_view kKeyFile = "vault.key";

void prune(Vault& vault, double ttl, Date now) {
  // An infinite, absurdly large or undefined age limit drops nothing; below
  // 1e12 s the limit fits the clock's microseconds without overflow.
  if (!(ttl < 1e12)) return;
  const auto limit = std::chrono::microseconds(std::llround(std::max(ttl, 0.0) * 1e6));
  const Date cutoff = now - limit;
  std::erase_if(vault.entries, [&](const Vault::Entry& e) { return e.created < cutoff; });
}

struct Loaded {
  Vault vault;
  std::optional<std::string> key;
};

std::optional<std::string> readKey(const std::filesystem::path& dir) {
  auto key = readFile(dir / kKeyFile);
  if (key && key->size() != Crypto::keySize)
    throw StorageError("The vault key (vault.key) is damaged, so the originals can’t be read.");
  return key;
}

// Reads the vault; the caller holds the lock. A vault file that cannot be
// read at all counts as empty only when nothing will be written over it.
Loaded load(const std::filesystem::path& dir, double ttl, bool forUpdate) {
  Loaded out;
  out.key = readKey(dir);
  std::optional<std::string> sealed;
  try {
    sealed = readFile(dir / kVaultFile);
  } catch (const StorageError&) {
    if (forUpdate) throw;
  }
  if (!sealed) return out;
  if (!out.key)
    throw StorageError("The vault key (vault.key) is missing, so the originals can’t be read.");
  const auto plain = Crypto::open(*out.key, *sealed);
  if (!plain)
    throw StorageError(
        "The vault (vault.bin) can’t be decrypted: it was changed or its key does not match.");
  try {
    out.vault = json::decodeVault(*plain);
  } catch (const json::DecodeError& e) {
    throw StorageError(std::string("The vault (vault.bin) is damaged: ") + e.what() + ".");
  }
  prune(out.vault, ttl, Clock::now());
  return out;
}

}  // namespace

Vault VaultStore::read(double ttl) {
  const FileLock lock;
  return load(Paths::directory(), ttl, false).vault;
}

void VaultStore::updateImpl(double ttl, const std::function<void(Vault&)>& body) {
  const FileLock lock;
  const auto dir = Paths::directory();
  Loaded loaded = load(dir, ttl, true);
  body(loaded.vault);
  const std::string plain = json::encodeVault(loaded.vault);
  if (!loaded.key) {
    // Only reached when there is no vault yet: nothing depends on an old key.
    loaded.key = Crypto::randomBytes(Crypto::keySize);
    writeFileAtomically(dir / kKeyFile, *loaded.key);
  }
  writeFileAtomically(dir / kVaultFile, Crypto::seal(*loaded.key, plain));
}

void VaultStore::clear() {
  const FileLock lock;
  std::error_code ec;
  std::filesystem::remove(Paths::directory() / kVaultFile, ec);
  if (ec) throw StorageError("Can’t remove the vault: " + ec.message());
}

}  // namespace clipvane
