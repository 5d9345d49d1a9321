// The cost of recording one copy's finding in a vault that already holds
// `entries` placeholders: what every masked copy pays as the vault grows.
// Runs in a temporary data folder of its own.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "Detector.h"
#include "Json.h"
#include "Storage.h"
#include "Vault.h"

namespace {

using namespace clipvane;

std::u16string address(long long n) { return toUtf16("user" + std::to_string(n) + "@example.com"); }

// An earlier copy's entry.
Vault::Entry numbered(long long n) {
  return {u"[EMAIL_" + toUtf16(std::to_string(n + 1)) + u"]", address(n), Kind::email, Clock::now(),
          std::nullopt};
}

// One email address in a short text, and its finding, as a copy has them.
struct Copy {
  std::u16string text;
  std::vector<Finding> findings;
};
Copy copyOf(long long n) {
  const std::u16string value = address(n);
  return {u"mail " + value,
          {Finding{Kind::email,
                   {5, int(value.size())},
                   value,
                   u"u\u2022\u2022\u2022@example.com",
                   u"Email"}}};
}

// Recorded as a copy records it, into a vault in memory.
std::u16string recordInto(Vault& vault, long long n) {
  const Copy copy = copyOf(n);
  return vault.record(copy.text, copy.findings, {}, {}, Vault::LabelStyle::token, true,
                      Clock::now());
}

// As a copy records it: through the store, the vault held between copies.
void recordOne(long long n) {
  const Copy copy = copyOf(n);
  VaultStore::record(30 * 86400.0, copy.text, copy.findings, {}, {}, Vault::LabelStyle::token, true,
                     Clock::now());
}

void BM_RecordACopy(benchmark::State& state) {
  char folder[] = "/tmp/clipvane-bench-vault-XXXXXX";
  const std::filesystem::path home = ::mkdtemp(folder);
  ::setenv("CLIPVANE_HOME", home.c_str(), 1);
  long long n = 0;
  // The earlier copies' entries, written at once.
  VaultStore::update(30 * 86400.0, [&](Vault& vault) {
    for (; n < state.range(0); ++n) vault.entries.push_back(numbered(n));
  });
  for (auto _ : state) recordOne(n++);
  std::filesystem::remove_all(home);
}
BENCHMARK(BM_RecordACopy)
    ->Arg(0)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

Vault filled(long long entries) {
  Vault vault;
  for (long long n = 0; n < entries; ++n) vault.entries.push_back(numbered(n));
  return vault;
}

// The vault's text alone, written whole: the first write of a run.
void BM_EncodeTheVault(benchmark::State& state) {
  const Vault vault = filled(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(json::encodeVault(vault));
}
BENCHMARK(BM_EncodeTheVault)->Arg(5000)->Unit(benchmark::kMicrosecond);

// The text again after one more entry, the earlier entries taken from the
// last text: what every later masked copy writes.
void BM_EncodeTheVaultAgain(benchmark::State& state) {
  Vault vault = filled(state.range(0));
  std::string last, next;
  std::vector<json::VaultPart> lastParts, nextParts;
  json::encodeVault(vault, {}, {}, last, lastParts);
  vault.entries.push_back(vault.entries.front());
  for (auto _ : state) {
    json::encodeVault(vault, last, lastParts, next, nextParts);
    benchmark::DoNotOptimize(next.data());
  }
}
BENCHMARK(BM_EncodeTheVaultAgain)->Arg(5000)->Unit(benchmark::kMicrosecond);

// As the program meets it: entries added one copy at a time among the
// program's other allocations, and caches gone cold between two copies.
void BM_RecordInMemoryCold(benchmark::State& state) {
  Vault vault;
  std::vector<std::string> others;
  for (long long n = 0; n < state.range(0); ++n) {
    vault.entries.push_back(numbered(n));
    for (int k = 0; k < 20; ++k) others.emplace_back(40 + k * 13, 'x');
  }
  std::string last, next;
  std::vector<json::VaultPart> lastParts, nextParts;
  json::encodeVault(vault, {}, {}, last, lastParts);
  std::vector<char> flood(64 << 20);
  long long n = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    for (std::size_t i = 0; i < flood.size(); i += 64) flood[i] = char(i);
    state.ResumeTiming();
    benchmark::DoNotOptimize(recordInto(vault, n++));
    json::encodeVault(vault, last, lastParts, next, nextParts);
    last.swap(next);
    lastParts.swap(nextParts);
  }
}
BENCHMARK(BM_RecordInMemoryCold)->Arg(0)->Arg(5000)->Unit(benchmark::kMicrosecond);

}  // namespace
