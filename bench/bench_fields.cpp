// Throughput of the field rules alone, on text full of fields and on inputs
// built to make a careless scanner quadratic.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "Settings.h"
#include "Types.h"
#include "detect/Candidate.h"

namespace {

using clipvane::detect::Candidate;

std::u16string fieldText(std::size_t size) {
  static const char* const kPieces[] = {
      "{\n  \"user\": {\"name\": \"Ada Lovelace\", \"email\": \"ada@example.com\", \"salary\": "
      "85000},\n  \"request_id\": \"7f9c2ab1-44d0\", \"password\": \"hunter2!\"\n}\n",
      "db:\n  host: db.internal\n  port: 5432\n  username: app_user\n  password: s3cr3t-Pw\n",
      "DB_PASSWORD=s3cr3t-Pw\nexport API_KEY=9f8e7d6c5b4a3210\nLOG_LEVEL=debug\n",
      "2024-05-01T10:12:33Z INFO GET /api/v1/items?page=2&token=abc123def456 200 12ms\n",
      "Patient: John Smith, DOB: 1990-04-12, MRN: 00482913. Diagnosis: hypertension.\n",
      "name,email,phone,city\nBob Stone,bob@example.com,555-111-2222,Austin\n",
      "The build finished in 12.5s; 3 warnings, 0 errors. See https://ci.example.com/job/42\n",
      "const apiKey = 'k_5f2a9c1e'; if (x == y) { return a.b.c(d); }\n",
      "Ship to 742 Evergreen Terrace, Springfield, IL 62704 before Friday.\n",
  };
  std::string s;
  for (std::size_t i = 0; s.size() < size; ++i) s += kPieces[i % std::size(kPieces)];
  s.resize(size);
  return clipvane::toUtf16(s);
}

// Ordinary text with a field now and then: what most pastes look like.
std::u16string ordinaryText(std::size_t size) {
  static const char* const kPieces[] = {
      "    for item in items:\n        total += item.price * item.qty  # see #42\n",
      "2024-05-01 10:12:33.123 INFO  [main] Server - Started in 3.21s (JVM 17.0.2) on port 8080\n",
      "May  1 10:12:34 host1 kernel: [12345.678] eth0: link up, 1000 Mbps, full duplex\n",
      "We shipped version 2.4.1 on Monday; the dashboard now loads in 1.2 s instead of 4 s, "
      "and the team is working on the next milestone with Sarah and Tom.\n",
      "if (a == b && c != d) { x = y ? 1 : 2; return map[key]; }\n",
      "{\"id\": 7, \"title\": \"Widget\", \"price\": 9.99, \"tags\": [\"a\", \"b\"]}\n",
      "| Column | Value |\n|---|---|\n| size | 12 MB |\n",
      "user: ada_l\npassword: Qw3rty!9\n",
  };
  std::string s;
  for (std::size_t i = 0; s.size() < size; ++i) s += kPieces[(i * 7) % std::size(kPieces)];
  s.resize(size);
  return clipvane::toUtf16(s);
}

std::u16string repeated(const char16_t* unit, std::size_t size) {
  std::u16string s;
  while (s.size() < size) s += unit;
  s.resize(size);
  return s;
}

void run(benchmark::State& state, const std::u16string& text) {
  clipvane::DetectionSettings settings;
  std::vector<Candidate> out;
  for (auto _ : state) {
    out.clear();
    clipvane::detect::FieldRules::find(text, settings, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

void BM_FieldText(benchmark::State& state) { run(state, fieldText(std::size_t(state.range(0)))); }
BENCHMARK(BM_FieldText)->Arg(10'000)->Arg(100'000)->Arg(1'000'000);

void BM_OrdinaryText(benchmark::State& state) {
  run(state, ordinaryText(std::size_t(state.range(0))));
}
BENCHMARK(BM_OrdinaryText)->Arg(100'000)->Arg(1'000'000);

void BM_Adversarial(benchmark::State& state, const char16_t* unit) {
  run(state, repeated(unit, 1'000'000));
}
BENCHMARK_CAPTURE(BM_Adversarial, one_char, u"a");
BENCHMARK_CAPTURE(BM_Adversarial, colons, u":");
BENCHMARK_CAPTURE(BM_Adversarial, equals, u"=");
BENCHMARK_CAPTURE(BM_Adversarial, a_dot, u"a.");
BENCHMARK_CAPTURE(BM_Adversarial, digits, u"7");
BENCHMARK_CAPTURE(BM_Adversarial, key_colon, u"password:");
BENCHMARK_CAPTURE(BM_Adversarial, key_value_pairs, u"a=b ");
BENCHMARK_CAPTURE(BM_Adversarial, commas, u",");
BENCHMARK_CAPTURE(BM_Adversarial, quotes, u"\"");
BENCHMARK_CAPTURE(BM_Adversarial, digit_words, u"1 A ");
BENCHMARK_CAPTURE(BM_Adversarial, is_words, u"name is ");
BENCHMARK_CAPTURE(BM_Adversarial, value_keys, u"value=");
BENCHMARK_CAPTURE(BM_Adversarial, xml_tags, u"<password>");

}  // namespace
