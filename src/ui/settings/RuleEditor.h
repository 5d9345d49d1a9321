#pragma once
// The editor of one of the user's own rules: a named list of terms or a named
// pattern, checked as the user types, with ready-made examples and the
// placeholder the rule's findings will get. It edits a private copy and
// answers once through `done`: the finished rule on "Save" (or Return while
// it can be saved), nothing on "Cancel" (or Escape, or closing the window).
// It never writes the settings and never closes itself.

#include <functional>
#include <optional>

#include "DetectWidgets.h"
#include "Settings.h"

class QHBoxLayout;
class QMenu;
class QToolButton;

namespace clipvane {

class DetectLineEdit;
class DetectTextEdit;
class FieldFrame;
class PillButton;
class RuleTypePicker;
class TokenChip;

class RuleEditor : public SheetDialog {
 public:
  using Done = std::function<void(std::optional<CustomRule>)>;

  RuleEditor(CustomRule rule, Done done, QWidget* parent = nullptr);

  // The working copy (its terms follow the text only on "Save") and the text
  // of the terms field.
  const CustomRule& rule() const { return rule_; }
  QString termsText() const;
  bool canSave() const;
  // The placeholder the chip shows ("[EMPLOYEE_ID_1]").
  const QString& preview() const { return previewText_; }
  // Fills the editor with a ready-made rule of the examples menu; the
  // rule's identity, switch and stored terms stay.
  void applyExample(int index);

  // The two answers; confirm does nothing while the rule cannot be saved.
  void confirm() override;
  void reject() override;

 private:
  void answer(std::optional<CustomRule> value);
  // Shows the working copy: the field of its type, the pattern's colour, the
  // placeholder preview and whether it can be saved.
  void refresh();

  CustomRule rule_;
  Done done_;
  bool answered_ = false;
  DetectLineEdit* name_ = nullptr;
  RuleTypePicker* type_ = nullptr;
  FieldFrame* termsFrame_ = nullptr;
  DetectTextEdit* terms_ = nullptr;
  DetectLineEdit* pattern_ = nullptr;
  QHBoxLayout* maskRow_ = nullptr;
  TokenChip* preview_ = nullptr;
  QString previewText_;
  PillButton* save_ = nullptr;
};

}  // namespace clipvane
