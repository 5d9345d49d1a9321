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

std::vector<Run> preview(const ReviewSession& session, const std::set<int>& keep) {
  const QString& text = session.text;
  std::vector<Run> runs;
  const auto plain = [&](const QString& piece) {
    if (piece.isEmpty()) return;
    if (!runs.empty() && !runs.back().color)
      runs.back().text += piece;
    else
      runs.push_back({piece, std::nullopt});
  };
  std::map<QString, int> counters;
  std::map<QString, QString> labels;
  int cursor = 0;
  for (int i = 0; i < int(session.found.size()); ++i) {
    const Finding& f = session.found[std::size_t(i)];
    if (f.range.location < cursor) continue;  // overlaps the previous one
    const int end = f.range.end();
    if (end > text.size()) continue;
    plain(text.mid(cursor, f.range.location - cursor));
    cursor = end;
    const bool locked = session.locked.count(i) > 0;
    if (keep.count(i) && !locked) {  // a locked value never shows, kept or not
      plain(QString::fromStdU16String(f.value));
      continue;
    }
    QString label;
    if (locked) {
      label = QString::fromStdU16String(std::u16string(Masks::removed));
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
    runs.push_back({QLatin1Char(' ') + label + QLatin1Char(' '), locked ? Theme::bad : Theme::acc});
  }
  if (cursor < text.size()) plain(text.mid(cursor));
  return runs;
}

}  // namespace clipvane::ReviewText
