// The user's own rules: table texts, list edits and the editor's checks.
#include "DetectRules.h"

#include <algorithm>

#include "Detector.h"
#include "JSRegex.h"
#include "LocaleText.h"

namespace clipvane {

const std::vector<RuleExample>& RuleExample::all() {
  using T = CustomRule::RuleType;
  static const std::vector<RuleExample> examples = {
      {QStringLiteral("Client and people names"),
       T::terms,
       {QStringLiteral("Northwind Traders"), QStringLiteral("Maria Anders")},
       {}},
      {QStringLiteral("Project codenames"),
       T::terms,
       {QStringLiteral("Project Falcon"), QStringLiteral("Bluebird")},
       {}},
      {QStringLiteral("Employee ID"), T::pattern, {}, QStringLiteral(R"(\bEMP-\d{5}\b)")},
      {QStringLiteral("Customer ID"), T::pattern, {}, QStringLiteral(R"(\bCUS-\d{4,}\b)")},
      {QStringLiteral("Invoice number"), T::pattern, {}, QStringLiteral(R"(\bINV-\d{4}-\d{4,}\b)")},
      {QStringLiteral("Ticket ID"), T::pattern, {}, QStringLiteral(R"(\b(?:JIRA|OPS)-\d+\b)")},
      {QStringLiteral("Vietnamese phone number"),
       T::pattern,
       {},
       QStringLiteral(R"((?:\+84|0)(?:3|5|7|8|9)\d{8}\b)")},
      // The citizen identity card carries twelve digits, the first of them 0.
      {QStringLiteral("Vietnamese ID card (CCCD)"),
       T::pattern,
       {},
       QStringLiteral(R"(\b0\d{11}\b)")},
  };
  return examples;
}

namespace DetectRules {

namespace {

bool isLineBreak(QChar c) {
  switch (c.unicode()) {
    case 0x000A:
    case 0x000B:
    case 0x000C:
    case 0x000D:
    case 0x0085:
    case 0x2028:
    case 0x2029:
      return true;
    default:
      return false;
  }
}

// Spaces and tabs: the horizontal white space, never a line break.
bool isBlank(QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; }

QStringView trimmedBlanks(QStringView s) {
  qsizetype from = 0, to = s.size();
  while (from < to && isBlank(s[from])) ++from;
  while (to > from && isBlank(s[to - 1])) --to;
  return s.sliced(from, to - from);
}

}  // namespace

QString matchText(const CustomRule& rule) {
  if (rule.type == CustomRule::RuleType::pattern) return QString::fromStdU16String(rule.pattern);
  const auto n = qlonglong(rule.terms.size());
  return LocaleText::count(n) + (n == 1 ? QStringLiteral(" term") : QStringLiteral(" terms"));
}

QString maskPreview(const QString& name, const QString& number) {
  return u'[' + QString::fromStdString(Finding::tokenName(name.toStdU16String())) + u'_' + number +
         u']';
}

const CustomRule* find(const AppSettings& settings, const Uuid& id) {
  for (const CustomRule& rule : settings.detection.customRules)
    if (rule.id == id) return &rule;
  return nullptr;
}

void store(AppSettings& settings, const CustomRule& rule) {
  auto& rules = settings.detection.customRules;
  const auto it = std::find_if(rules.begin(), rules.end(),
                               [&](const CustomRule& r) { return r.id == rule.id; });
  if (it != rules.end())
    *it = rule;
  else
    rules.push_back(rule);
}

void setEnabled(AppSettings& settings, const Uuid& id, bool enabled) {
  for (CustomRule& rule : settings.detection.customRules)
    if (rule.id == id) {
      rule.enabled = enabled;
      return;
    }
}

void remove(AppSettings& settings, const Uuid& id) {
  std::erase_if(settings.detection.customRules, [&](const CustomRule& r) { return r.id == id; });
}

CustomRule newRule() {
  CustomRule rule;
  rule.id = Uuid::generate();
  rule.type = CustomRule::RuleType::terms;
  rule.enabled = true;
  return rule;
}

std::vector<std::u16string> parsedTerms(QStringView text) {
  std::vector<std::u16string> terms;
  qsizetype start = 0;
  for (qsizetype i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !isLineBreak(text[i])) continue;
    const QStringView term = trimmedBlanks(text.sliced(start, i - start));
    if (!term.isEmpty()) terms.push_back(term.toString().toStdU16String());
    start = i + 1;
  }
  return terms;
}

bool patternError(const CustomRule& rule) {
  if (rule.type == CustomRule::RuleType::terms) return false;
  if (rule.pattern.empty()) return true;
  try {
    JSRegex::compile(rule.pattern, false);
    return false;
  } catch (const std::exception&) {
    return true;
  }
}

bool canSave(const CustomRule& rule, QStringView termsText) {
  if (QString::fromStdU16String(rule.name).trimmed().isEmpty()) return false;
  if (patternError(rule)) return false;
  return rule.type != CustomRule::RuleType::terms || !parsedTerms(termsText).empty();
}

CustomRule finished(CustomRule rule, QStringView termsText) {
  rule.name = QString::fromStdU16String(rule.name).trimmed().toStdU16String();
  rule.terms = parsedTerms(termsText);
  return rule;
}

QString termsText(const std::vector<std::u16string>& terms) {
  QStringList lines;
  for (const auto& term : terms) lines << QString::fromStdU16String(term);
  return lines.join(u'\n');
}

}  // namespace DetectRules

}  // namespace clipvane
