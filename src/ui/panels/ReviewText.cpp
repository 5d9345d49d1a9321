// Title, value column and preview of the review panel.
#include "ReviewText.h"

#include <QTextBoundaryFinder>
#include <map>

#include "LocaleText.h"
#include "Masks.h"

namespace clipvane::ReviewText {

namespace {

// Where each user-perceived character starts, and the text's end.
std::vector<qsizetype> graphemeBounds(const QString& text) {
  std::vector<qsizetype> bounds;
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  for (qsizetype at = 0; at >= 0; at = finder.toNextBoundary()) bounds.push_back(at);
  return bounds;
}

}  // namespace

QString title(std::size_t found) {
  return found == 1 ? QStringLiteral("1 item found")
                    : LocaleText::count(found) + QStringLiteral(" items found");
}

QString shown(const Finding& finding) {
  const QString value = QString::fromStdU16String(finding.value);
  if (finding.kind == Kind::privateKey) return QStringLiteral("Private key");
  if (finding.kind == Kind::card) {
    QString digits;
    for (QChar c : value)
      if (c.isDigit()) digits += c;
    return QStringLiteral("•••• ") + digits.right(4);
  }
  QString line = value;
  line.replace(QLatin1Char('\n'), QLatin1Char(' '));
  const std::vector<qsizetype> bounds = graphemeBounds(line);
  const std::size_t characters = bounds.size() - 1;
  if (characters < 23) return line;
  return line.left(bounds[20]) + QStringLiteral("…");
}

std::vector<Run> preview(const ReviewSession& session, const std::set<int>& keep, qsizetype limit,
                         bool* whole) {
  const QString& text = session.text;
  std::vector<Run> runs;
  qsizetype made = 0;
  // Adds a piece as far as the limit allows; false once the limit is reached.
  const auto add = [&](QStringView piece, std::optional<ThemeColor> color) {
    piece = piece.first(std::min(piece.size(), limit - made));
    made += piece.size();
    if (!piece.isEmpty()) {
      if (!color && !runs.empty() && !runs.back().color)
        runs.back().text += piece;
      else
        runs.push_back({piece.toString(), color});
    }
    return made < limit;
  };
  // The limit reached: the text may go on (exactly at its end it is taken
  // for more, which costs the caller one more call).
  const auto cut = [&] {
    if (whole) *whole = false;
    return runs;
  };
  // What the paste will write, where the session knows it.
  const std::vector<QString> given = session.labels ? session.labels(keep) : std::vector<QString>{};
  std::map<QString, int> counters;
  std::map<QString, QString> labels;
  int cursor = 0;
  bool room = true;
  for (int i = 0; room && i < int(session.found.size()); ++i) {
    const Finding& f = session.found[std::size_t(i)];
    if (f.range.location < cursor) continue;  // overlaps the previous one
    const int end = f.range.end();
    if (end > text.size()) continue;
    if (!add(QStringView(text).sliced(cursor, f.range.location - cursor), std::nullopt))
      return cut();
    cursor = end;
    const bool locked = session.locked.count(i) > 0;
    if (keep.count(i) && !locked) {  // a locked value never shows, kept or not
      room = add(QString::fromStdU16String(f.value), std::nullopt);
      continue;
    }
    QString label;
    if (locked) {
      label = QString::fromStdU16String(std::u16string(Masks::removed));
    } else if (std::size_t(i) < given.size() && !given[std::size_t(i)].isEmpty()) {
      label = given[std::size_t(i)];
    } else if (!session.tokens) {
      label = QString::fromStdU16String(f.mask);
    } else {
      const QString word = f.kind == Kind::custom
                               ? QString::fromStdString(Finding::tokenName(f.label))
                               : QString::fromUtf8(f.kind.token());
      const QString key = word + QChar(0x1F) + QString::fromStdU16String(f.value);
      auto found = labels.find(key);
      if (found == labels.end()) {
        const int n = ++counters[word];
        found = labels.emplace(key, QStringLiteral("[%1_%2]").arg(word).arg(n)).first;
      }
      label = found->second;
    }
    // A space on each side sets the label off from the words around it; at
    // the start of the text or of a line there is nothing to set it off from,
    // and the space would only push the chip in from the edge.
    const bool lineStart = f.range.location == 0 || text[f.range.location - 1] == u'\n';
    room = add((lineStart ? QString() : QStringLiteral(" ")) + label + QLatin1Char(' '),
               locked ? Theme::bad : Theme::acc);
  }
  if (room && cursor < text.size()) room = add(QStringView(text).sliced(cursor), std::nullopt);
  if (!room) return cut();
  if (whole) *whole = true;
  return runs;
}

}  // namespace clipvane::ReviewText
