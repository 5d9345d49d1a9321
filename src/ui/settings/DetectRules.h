#pragma once
// The user's own rules as the Detect tab shows and edits them: the table's
// texts, the edits of the rule list, and the rule editor's checks (terms
// parsed from its text, the pattern compiled on the spot) and examples.
#include <QString>
#include <QStringList>
#include <QStringView>

#include <string>
#include <vector>

#include "AppSettings.h"
#include "Settings.h"
#include "Types.h"

namespace clipvane {

// A ready-made rule of the editor's "Examples" menu, identified by its name.
struct RuleExample {
  QString name;
  CustomRule::RuleType type;
  QStringList terms;
  QString pattern;

  static const std::vector<RuleExample>& all();
};

namespace DetectRules {

// The "Match" column: the pattern, or "1 term" / "1,234 terms" in the
// user's locale.
QString matchText(const CustomRule& rule);
// The placeholder a rule's findings get: "[EMPLOYEE_ID_" + number + "]".
QString maskPreview(const QString& name, const QString& number);

// The first rule with this id; none when the list has none.
const CustomRule* find(const AppSettings& settings, const Uuid& id);
// Replaces the rule with the same id in place, else appends it.
void store(AppSettings& settings, const CustomRule& rule);
// Sets `enabled` of the rule with this id; nothing when there is none.
void setEnabled(AppSettings& settings, const Uuid& id, bool enabled);
// Removes every rule with this id; the others keep their order.
void remove(AppSettings& settings, const Uuid& id);
// What the add button opens: an enabled, empty terms rule with a fresh id.
CustomRule newRule();

// The terms of the editor's text: one per line (any Unicode line break, a
// CR LF pair counting once), trimmed of spaces and tabs, blank lines dropped,
// duplicates and case kept, in line order.
std::vector<std::u16string> parsedTerms(QStringView text);
// A pattern rule whose pattern is empty or does not compile (ECMAScript
// syntax, case-sensitive); a terms rule never has one.
bool patternError(const CustomRule& rule);
// Name not blank, no pattern error, and for a terms rule at least one term.
bool canSave(const CustomRule& rule, QStringView termsText);
// The rule "Save" hands back: the name trimmed, the terms parsed from the
// text (also for a pattern rule), everything else as edited.
CustomRule finished(CustomRule rule, QStringView termsText);
// The editor's text of a list of terms: one per line.
QString termsText(const std::vector<std::u16string>& terms);

}  // namespace DetectRules

}  // namespace clipvane
