// Word-list search: 1,000 terms over generated text of 10 KB to 1 MB.
#include <benchmark/benchmark.h>

#include <random>

#include "WordLists.h"
#include "detect/AhoCorasick.h"

using namespace clipvane;

namespace {

std::vector<WordLists::Term> terms() {
  std::vector<WordLists::Term> out;
  for (int i = 0; i < 1000; ++i) {
    std::u16string t = i % 3 == 0 ? u"Client " : i % 3 == 1 ? u"Projekt Gr\u00fcn-" : u"acct-";
    t += toUtf16(std::to_string(i * 7919 % 100000));
    out.push_back({t, i % 2 ? Kind::organization : Kind::custom});
  }
  return out;
}

// Prose, code and log words, with a term now and then.
std::u16string text(std::size_t size, const std::vector<WordLists::Term>& ts) {
  static const char16_t* words[] = {u"the",        u"client",
                                    u"sent",       u"invoice",
                                    u"{\"id\":",   u"42,",
                                    u"ERROR",      u"at",
                                    u"line",       u"Gr\u00fc\u00dfe",
                                    u"acct",       u"-",
                                    u"\U0001F600", u"return",
                                    u"x;\n",       u"2026-12-06T20:37:24Z"};
  std::mt19937 rng(7);
  std::u16string out;
  while (out.size() < size) {
    if (rng() % 50 == 0)
      out += ts[rng() % ts.size()].first;
    else
      out += words[rng() % std::size(words)];
    out += u' ';
  }
  out.resize(size);
  return out;
}

void BM_Spans(benchmark::State& state) {
  const auto ts = terms();
  const auto t = text(std::size_t(state.range(0)), ts);
  std::size_t found = 0;
  for (auto _ : state) {
    auto spans = WordLists::spans(ts, t);
    found = spans.size();
    benchmark::DoNotOptimize(spans);
  }
  state.counters["spans"] = double(found);
  state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Spans)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_BuildAutomaton(benchmark::State& state) {
  std::vector<std::u16string> ts;
  for (const auto& t : terms()) ts.push_back(t.first);
  for (auto _ : state) {
    detect::AhoCorasick ac;
    ac.build(ts);
    benchmark::DoNotOptimize(ac);
  }
}
BENCHMARK(BM_BuildAutomaton)->Unit(benchmark::kMillisecond);

}  // namespace
