// quality-eval: measures the detector's precision and recall per kind on the
// generated, labelled corpus (QualityCorpus.h).
//
//   quality-eval [--count N] [--seed S] [--verbose [LIMIT]] [--kind KIND] [--genres] [--jsonl]
//
// --genres adds the scores of each kind of text (all kinds together).
// --verbose lists the false positives and false negatives with their context
// (LIMIT per kind, default 15); --kind restricts those lists to one kind;
// --jsonl prints the corpus as {"id", "text", "gold"} lines instead, for
// clipvane-detect --jsonl and other outside tools.
#include <cstdio>
#include <iostream>
#include <map>
#include <string>

#include "Detector.h"
#include "Json.h"
#include "QualityScore.h"

using namespace clipvane;
using namespace clipvane::quality;

namespace {

void printTable(const Report& rep, bool pattern) {
  std::printf("%-18s %6s %6s %6s %7s %7s %7s %7s %7s\n", pattern ? "pattern kind" : "field kind",
              "gold", "found", "exact", "prec", "recall", "ovPrec", "ovRec", "lblRec");
  KindScore total;
  for (const auto& [kind, k] : rep.kinds) {
    if (isPatternKind(kind) != pattern) continue;
    std::printf("%-18s %6d %6d %6d %7.3f %7.3f %7.3f %7.3f %7.3f\n",
                std::string(rawName(kind)).c_str(), k.gold, k.found, k.exact, k.precision(),
                k.recall(), k.overlapPrecision(), k.overlapRecall(), k.labelledRecall());
    total.gold += k.gold, total.found += k.found, total.exact += k.exact;
    total.labelledGold += k.labelledGold, total.labelledExact += k.labelledExact;
    total.goldOverlap += k.goldOverlap, total.foundOverlap += k.foundOverlap;
  }
  std::printf("%-18s %6d %6d %6d %7.3f %7.3f %7.3f %7.3f %7.3f\n\n", "(all)", total.gold,
              total.found, total.exact, total.precision(), total.recall(), total.overlapPrecision(),
              total.overlapRecall(), total.labelledRecall());
}

void printMisses(const char* title, const std::vector<Miss>& misses, int limit,
                 std::optional<Kind> only) {
  std::map<Kind, std::vector<const Miss*>> byKind;
  for (const auto& m : misses)
    if (!only || m.kind == *only) byKind[m.kind].push_back(&m);
  for (const auto& [kind, list] : byKind) {
    std::printf("== %s: %s (%zu)\n", title, std::string(rawName(kind)).c_str(), list.size());
    int shown = 0;
    for (const Miss* m : list) {
      if (shown++ >= limit) break;
      std::printf("  [%s] %s\n      %s\n", m->item.c_str(), m->note.c_str(), m->context.c_str());
    }
  }
}

int usage() {
  std::cerr << "usage: quality-eval [--count N] [--seed S] [--verbose [LIMIT]] [--kind KIND] "
               "[--genres] [--jsonl]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int count = 2000;
  std::uint64_t seed = 20261206;
  int limit = 0;
  bool jsonl = false;
  bool genres = false;
  std::optional<Kind> only;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--count" && i + 1 < argc) {
      count = std::stoi(argv[++i]);
    } else if (arg == "--seed" && i + 1 < argc) {
      seed = std::stoull(argv[++i]);
    } else if (arg == "--verbose") {
      limit = 15;
      if (i + 1 < argc && std::isdigit(static_cast<unsigned char>(argv[i + 1][0])))
        limit = std::stoi(argv[++i]);
    } else if (arg == "--kind" && i + 1 < argc) {
      const auto k = fromRawName<Kind::Value>(argv[++i]);
      if (!k) return usage();
      only = Kind(*k);
    } else if (arg == "--genres") {
      genres = true;
    } else if (arg == "--jsonl") {
      jsonl = true;
    } else {
      return usage();
    }
  }

  const auto items = generate(seed, count);
  if (jsonl) {
    for (const auto& item : items) {
      nlohmann::json gold = nlohmann::json::array();
      for (const auto& g : item.gold)
        gold.push_back({{"kind", std::string(rawName(g.kind))},
                        {"start", g.range.location},
                        {"length", g.range.length}});
      nlohmann::json line = {{"id", item.id}, {"text", toUtf8(item.text)}, {"gold", gold}};
      std::cout << line.dump() << '\n';
    }
    return 0;
  }

  const Report rep = score(items, Detector{});
  std::printf("corpus: %zu items, seed %llu\n\n", items.size(),
              static_cast<unsigned long long>(seed));
  printTable(rep, true);
  printTable(rep, false);
  std::printf("%-20s %7s %7s\n", "look-alike", "placed", "flagged");
  for (const auto& [tag, n] : rep.lookAlikes) {
    const auto it = rep.lookAlikeHits.find(tag);
    std::printf("%-20s %7d %7d\n", tag.c_str(), n, it == rep.lookAlikeHits.end() ? 0 : it->second);
  }
  if (genres) {
    std::printf("\n%-18s %6s %6s %6s %7s %7s\n", "genre", "gold", "found", "exact", "prec",
                "recall");
    for (const auto& [name, g] : rep.genres)
      std::printf("%-18s %6d %6d %6d %7.3f %7.3f\n", name.c_str(), g.gold, g.found, g.exact,
                  g.precision(), g.recall());
  }
  if (limit > 0) {
    std::printf("\n");
    printMisses("false positives", rep.falsePositives, limit, only);
    printMisses("false negatives", rep.falseNegatives, limit, only);
  }
  return 0;
}
