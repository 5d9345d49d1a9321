#pragma once
// Scores the detector against the labelled corpus: per kind, exact span
// matches and overlapping ones, and the misses with their context.
#include <map>
#include <string>
#include <vector>

#include "Detector.h"
#include "QualityCorpus.h"

namespace clipvane::quality {

struct KindScore {
  int gold = 0;
  int found = 0;
  int exact = 0;         // findings whose kind and range equal a gold span
  int goldOverlap = 0;   // gold spans overlapped by a finding of their kind
  int foundOverlap = 0;  // findings overlapping a gold span of their kind
  int labelledGold = 0;  // gold spans with a field name or label next to them
  int labelledExact = 0;

  static double ratio(int n, int d) { return d == 0 ? 1.0 : static_cast<double>(n) / d; }
  double precision() const { return ratio(exact, found); }
  double recall() const { return ratio(exact, gold); }
  double overlapPrecision() const { return ratio(foundOverlap, found); }
  double overlapRecall() const { return ratio(goldOverlap, gold); }
  double labelledRecall() const { return ratio(labelledExact, labelledGold); }
};

struct Miss {
  std::string item;
  Kind kind;
  std::string value;
  std::string context;  // the text around the span, line ends escaped
  std::string note;     // what stood there instead
};

struct Report {
  std::map<Kind, KindScore> kinds;
  std::vector<Miss> falsePositives;
  std::vector<Miss> falseNegatives;
  std::map<std::string, int> lookAlikeHits;  // look-alike tag → findings over it
  std::map<std::string, int> lookAlikes;     // look-alike tag → how many were placed
  std::map<std::string, KindScore> genres;   // all kinds together, per kind of text
};

inline std::string escaped(std::u16string_view s) {
  std::string out;
  for (char c : toUtf8(s)) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else
      out += c;
  }
  return out;
}

inline std::string around(const std::u16string& text, Range r, int width = 30) {
  const int from = std::max(0, r.location - width);
  const int to = std::min(static_cast<int>(text.size()), r.end() + width);
  return escaped(std::u16string_view(text).substr(from, r.location - from)) + "⟦" +
         escaped(std::u16string_view(text).substr(r.location, r.length)) + "⟧" +
         escaped(std::u16string_view(text).substr(r.end(), to - r.end()));
}

inline Report score(const std::vector<Item>& items, const Detector& detector) {
  Report rep;
  for (const auto& item : items) {
    const auto findings = detector.detect(item.text);
    for (const auto& la : item.lookAlikes) {
      ++rep.lookAlikes[la.tag];
      for (const auto& f : findings)
        if (f.range.intersects(la.range)) {
          ++rep.lookAlikeHits[la.tag];
          break;
        }
    }
    for (const auto& g : item.gold) {
      auto& k = rep.kinds[g.kind];
      ++k.gold;
      bool exact = false, overlap = false;
      std::string note;
      for (const auto& f : findings) {
        if (!f.range.intersects(g.range)) continue;
        if (f.kind == g.kind) {
          overlap = true;
          exact = exact || f.range == g.range;
        }
        if (f.range != g.range || f.kind != g.kind)
          note += std::string(note.empty() ? "" : "; ") + std::string(rawName(f.kind)) + " ⟦" +
                  escaped(f.value) + "⟧";
      }
      k.exact += exact;
      k.goldOverlap += overlap;
      auto& genre = rep.genres[item.genre];
      ++genre.gold, genre.exact += exact, genre.goldOverlap += overlap;
      if (!g.freeText) k.labelledGold += 1, k.labelledExact += exact;
      if (!exact)
        rep.falseNegatives.push_back(
            {item.id, g.kind,
             escaped(std::u16string_view(item.text).substr(g.range.location, g.range.length)),
             around(item.text, g.range), note.empty() ? "nothing found" : "found " + note});
    }
    for (const auto& f : findings) {
      auto& k = rep.kinds[f.kind];
      ++k.found;
      bool exact = false, overlap = false;
      std::string note;
      for (const auto& g : item.gold) {
        if (!g.range.intersects(f.range)) continue;
        if (g.kind == f.kind) {
          overlap = true;
          exact = exact || g.range == f.range;
        } else {
          note += std::string(note.empty() ? "" : "; ") + "gold " + std::string(rawName(g.kind));
        }
      }
      for (const auto& la : item.lookAlikes)
        if (la.range.intersects(f.range))
          note += std::string(note.empty() ? "" : "; ") + "look-alike " + la.tag;
      k.foundOverlap += overlap;
      ++rep.genres[item.genre].found;
      rep.genres[item.genre].foundOverlap += overlap;
      if (!exact)
        rep.falsePositives.push_back(
            {item.id, f.kind, escaped(f.value), around(item.text, f.range),
             overlap        ? "span differs from gold" + (note.empty() ? "" : "; " + note)
             : note.empty() ? "nothing marked here"
                            : note});
    }
  }
  return rep;
}

}  // namespace clipvane::quality
