#pragma once
// The review panel's card: how many sensitive items a paste holds, a preview
// of the text as it would be pasted, and the choice between masked, original
// or item by item. Its answer is a keep set (indices pasted unmasked, never a
// locked one), given at most once; Cancel and Escape answer nothing.
#include <QWidget>

#include <functional>
#include <optional>
#include <set>
#include <vector>

#include "ReviewSession.h"

class QAbstractButton;

namespace clipvane {

class ChoiceTile;
class ReviewList;

class ReviewView : public QWidget {
  Q_OBJECT

 public:
  using Done = std::function<void(const std::optional<std::set<int>>&)>;

  static constexpr int cardWidth = 340;
  static constexpr int listMaxHeight = 220;
  // The most lines of the text the preview shows.
  static constexpr int previewLines = 5;

  ReviewView(ReviewSession session, Done done, QWidget* parent = nullptr);

  const std::set<int>& keep() const { return keep_; }
  bool showingItems() const { return showItems_; }
  // Every finding that may be kept.
  std::set<int> keepable() const;
  // Every keepable finding is kept (and there is one).
  bool original() const;
  // A row's switch: on while the finding will be masked; always on when locked.
  bool rowMasked(int index) const;

  // What the controls do.
  void chooseMasked();
  void chooseOriginal();
  void setRowMasked(int index, bool masked);
  void setShowItems(bool show);
  void paste();
  void cancel();

  // The item list (its rows exist only while on screen).
  ReviewList* itemList() const { return items_; }
  // The preview's lines as laid out.
  QStringList previewShown() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // Tab and Backtab walk the controls in reading order, the list's rows
  // among them one by one.
  bool focusNextPrevChild(bool next) override;

 private:
  void changed(bool keepChanged);
  void answer(const std::optional<std::set<int>>& keep);
  QWidget* makeRow(int index);

  const ReviewSession session_;
  Done done_;
  std::set<int> keep_;
  // How many findings may be kept (those not locked).
  std::size_t keepableCount_ = 0;
  bool showItems_ = false;
  bool answered_ = false;

  QWidget* dot_ = nullptr;
  QAbstractButton* back_ = nullptr;
  QWidget* keyCap_ = nullptr;
  QWidget* summary_ = nullptr;
  QAbstractButton* previewButton_ = nullptr;
  ChoiceTile* maskedTile_ = nullptr;
  ChoiceTile* originalTile_ = nullptr;
  ReviewList* items_ = nullptr;
  QAbstractButton* cancelButton_ = nullptr;
  QAbstractButton* pasteButton_ = nullptr;
};

}  // namespace clipvane
