#pragma once
// Placeholders and the originals behind them, kept encrypted on disk.
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Kinds.h"
#include "Types.h"

namespace clipvane {

struct Finding;

struct Vault {
  enum class LabelStyle { token, mask };

  struct Entry {
    std::u16string mask;  // the placeholder as written into the text
    std::u16string original;
    Kind kind;
    Date created{};
    std::optional<bool> jsonNumber;
    bool operator==(const Entry&) const = default;
  };

  std::vector<Entry> entries;
  // The highest number each placeholder word ("EMAIL"), and each partial
  // mask, has been given in this data folder. Kept after the entries that
  // carried them are gone, so that a number once given never stands for
  // another value: an old text that still quotes it is never restored with
  // someone else's.
  std::map<std::u16string, long long, std::less<>> numbers = {};

  // Raises `numbers` to the entry's placeholder.
  void remember(const Entry& e);

  // Replaces every finding not in keep by its placeholder (locked ones by
  // "[removed]", never stored) and returns the output text. `placeholders`,
  // when given, receives the placeholders written, in text order, each once:
  // exactly what this text can be restored from. `labels`, when given, gets
  // one entry per finding: its placeholder, or empty where none was written.
  std::u16string record(std::u16string_view text, const std::vector<Finding>& findings,
                        const std::set<int>& keep, const std::set<int>& locked, LabelStyle style,
                        bool reuse, Date now, std::vector<std::u16string>* placeholders = nullptr,
                        std::vector<std::u16string>* labels = nullptr);
  // The placeholder record() would write for each finding with the same
  // arguments, the vault left as it is: empty for a finding kept, locked or
  // left out (overlapping an earlier one, or outside the text).
  std::vector<std::u16string> labelsFor(std::u16string_view text,
                                        const std::vector<Finding>& findings,
                                        const std::set<int>& keep, const std::set<int>& locked,
                                        LabelStyle style, bool reuse, Date now) const;
  // Entries whose mask stands whole in the text (never a piece of a longer
  // known mask, nor glued to letters or mask dots), longest mask first.
  std::vector<Entry> masks(std::u16string_view text) const;
  // The text with every known mask that stands whole replaced by its
  // original, the longest first, and the count.
  std::pair<std::u16string, int> restore(std::u16string_view text) const;

  bool operator==(const Vault&) const = default;
};

// Overwrites every original where it lies and empties the vault: for a vault
// the program is done with.
void wipe(Vault& vault);

// A look through every entry reads each one's texts, which lie apart on the
// heap, added one copy at a time among everything else: asked for a few
// entries ahead, they arrive while the entries before them are read.
inline constexpr std::size_t kAhead = 16;
inline void prefetchTexts(const Vault::Entry& e) {
  __builtin_prefetch(e.mask.data());
  __builtin_prefetch(e.original.data());
}

template <>
struct EnumTraits<Vault::LabelStyle> {
  static constexpr std::array<std::string_view, 2> names = {"token", "mask"};
};

// "vault.bin" (AES-256-GCM) with its key "vault.key", always under the lock.
// A vault of more than a few hundred entries keeps most of them in a base
// file beside it, sealed the same way, that a copy does not write.
namespace VaultStore {

// Drops entries older than ttl seconds; an entry dated in the future counts
// as made now. No file: empty vault. A key that is
// missing, data that fails to decrypt or decode: throws StorageError.
Vault read(double ttl);

// Read, body, encrypt and write, all under the lock. Returns the body's result.
// A vault that can never be read again (a key of the wrong size or missing,
// data that fails to decrypt or decode) throws StorageError, unless `renewed`
// is given: then the vault, its base and its key are set aside as
// "vault.bin.bad", "vault.base-….bin.bad" and "vault.key.bad", the body runs
// on a new empty vault and *renewed is set. The vault is written whole.
// Files that cannot be read for now (permissions, I/O) always throw.
template <class Body>
auto update(double ttl, Body&& body, bool* renewed = nullptr)
    -> decltype(body(std::declval<Vault&>()));

void updateImpl(double ttl, const std::function<void(Vault&)>& body, bool* renewed);

// Drops from the file what is older than ttl seconds at `now`, and dates
// an entry made while the clock ran ahead at `now`; writes only when that
// changed something. No file: nothing. Never waits: while another
// operation holds the lock, it does nothing, and the next prune does it.
// Returns whether the file changed; throws StorageError as read() does.
bool prune(double ttl, Date now);

// Vault::record under update(), its look-ups in an index of the vault kept
// while the vault is held, and only the entries it adds or takes again
// written anew into the file's text; the base is written only when the
// entries beside it have grown to about the square root of twice its own.
std::u16string record(double ttl, std::u16string_view text, const std::vector<Finding>& findings,
                      const std::set<int>& keep, const std::set<int>& locked,
                      Vault::LabelStyle style, bool reuse, Date now,
                      std::vector<std::u16string>* placeholders = nullptr, bool* renewed = nullptr);

// Removes the vault's files (under the lock).
void clear();

}  // namespace VaultStore

template <class Body>
auto VaultStore::update(double ttl, Body&& body, bool* renewed)
    -> decltype(body(std::declval<Vault&>())) {
  using R = decltype(body(std::declval<Vault&>()));
  if constexpr (std::is_void_v<R>) {
    updateImpl(
        ttl, [&](Vault& v) { body(v); }, renewed);
  } else {
    std::optional<R> result;
    updateImpl(
        ttl, [&](Vault& v) { result.emplace(body(v)); }, renewed);
    return std::move(*result);
  }
}

}  // namespace clipvane
