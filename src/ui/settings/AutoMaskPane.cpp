// The Auto-mask tab.
#include "AutoMaskPane.h"

#include <QHBoxLayout>

#include "Kit.h"
#include "KitRows.h"
#include "Masks.h"
#include "SettingsBinding.h"

namespace clipvane {

using Binding::row;

namespace {

const std::vector<std::pair<PasteAction, QString>>& actions() {
  static const std::vector<std::pair<PasteAction, QString>> all = {
      {PasteAction::block, QStringLiteral("Block")},
      {PasteAction::review, QStringLiteral("Ask first")},
      {PasteAction::quiet, QStringLiteral("Mask")}};
  return all;
}

// A paste-action pop-up, drawn in the danger colour while it blocks.
PopUp* actionPopUp(AppModel& model, std::function<PasteAction(const AppSettings&)> get,
                   std::function<void(PasteAction)> set) {
  PopUp* p = Binding::popUp<PasteAction>(model, actions(), get, std::move(set));
  Binding::follow(model, p, [p, get](const AppSettings& s) {
    p->setTextColor(get(s) == PasteAction::block ? Theme::bad : Theme::tx);
  });
  return p;
}

PopUp* actionPopUp(AppModel& model, PasteAction AppSettings::*field) {
  return actionPopUp(
      model, [field](const AppSettings& s) { return s.*field; },
      [&model, field](PasteAction v) { Binding::commit(model, field, v); });
}

}  // namespace

QString AutoMaskPane::example(Vault::LabelStyle style) {
  if (style == Vault::LabelStyle::token) return QStringLiteral("[EMAIL_1]");
  return QString::fromStdU16String(Masks::mask(Kind::email, u"jane.doe@example.com"));
}

void AutoMaskPane::setSecrets(AppModel& model, PasteAction action) {
  Binding::commit(model, &AppSettings::secretsAction, action);
  Binding::commit(model, &AppSettings::keysAction, action);
}

AutoMaskPane::AutoMaskPane(AppModel& model, QWidget* parent) : SettingsPane(14, parent) {
  using Binding::checkbox;
  addItem(
      row(QStringLiteral("Auto-mask:"),
          checkbox(model, QStringLiteral("Mask on paste automatically"), &AppSettings::autoMask),
          QStringLiteral("autoMask")));
  addItem(row(
      QString(),
      checkbox(model, QStringLiteral("Same value, same label"), &AppSettings::sameValueSameLabel),
      QStringLiteral("sameValueSameLabel")));
  addItem(row(QString(),
              checkbox(model, QStringLiteral("Show toast after paste"), &AppSettings::pasteToast),
              QStringLiteral("pasteToast")));

  PopUp* whenOff = Binding::popUp<AppSettings::WhenAutoMaskOff>(
      model,
      {{AppSettings::WhenAutoMaskOff::showReview, QStringLiteral("Show review")},
       {AppSettings::WhenAutoMaskOff::pasteOriginal, QStringLiteral("Paste original")}},
      &AppSettings::whenAutoMaskOff);
  Binding::follow(model, whenOff,
                  [whenOff](const AppSettings& s) { whenOff->setEnabled(!s.autoMask); });
  addItem(row(QStringLiteral("When off:"), whenOff, QStringLiteral("whenAutoMaskOff")));

  auto* style = new QWidget;
  auto* styleRow = new QHBoxLayout(style);
  styleRow->setContentsMargins(0, 0, 0, 0);
  styleRow->setSpacing(8);
  PopUp* labelStyle =
      Binding::popUp<Vault::LabelStyle>(model,
                                        {{Vault::LabelStyle::token, QStringLiteral("Token")},
                                         {Vault::LabelStyle::mask, QStringLiteral("Mask")}},
                                        &AppSettings::labelStyle);
  labelStyle->setObjectName(QStringLiteral("labelStyle"));
  styleRow->addWidget(labelStyle, 0, Qt::AlignVCenter);
  // Rebuilt with the style: the chip's size follows its text.
  auto* chipSlot = new QWidget;
  auto* chipLayout = new QHBoxLayout(chipSlot);
  chipLayout->setContentsMargins(0, 0, 0, 0);
  styleRow->addWidget(chipSlot, 0, Qt::AlignVCenter);
  Binding::follow(model, chipSlot, [chipSlot, chipLayout](const AppSettings& s) {
    const QString text = example(s.labelStyle);
    if (auto* old = chipSlot->findChild<QWidget*>(QStringLiteral("exampleChip"))) {
      if (old->property("example").toString() == text) return;
      delete old;
    }
    auto* chip = new TokenChip(text, false, chipSlot);
    chip->setObjectName(QStringLiteral("exampleChip"));
    chip->setProperty("example", text);
    chipLayout->addWidget(chip);
  });
  addItem(row(QStringLiteral("Placeholders:"), style, QStringLiteral("labelStyleRow")));

  addItem(new FormDivider);
  addItem(row(QStringLiteral("Secrets:"),
              actionPopUp(
                  model, [](const AppSettings& s) { return s.secretsAction; },
                  [&model](PasteAction v) { setSecrets(model, v); }),
              QStringLiteral("secrets")));
  addItem(row(QStringLiteral("Records:"), actionPopUp(model, &AppSettings::recordsAction),
              QStringLiteral("records")));
  addItem(row(QStringLiteral("Other types:"), actionPopUp(model, &AppSettings::otherAction),
              QStringLiteral("otherTypes")));
  addItem(row(QStringLiteral("Apps:"),
              Binding::popUp<AppSettings::AppsPolicy>(
                  model,
                  {{AppSettings::AppsPolicy::useAppSettings, QStringLiteral("Use app settings")},
                   {AppSettings::AppsPolicy::mask, QStringLiteral("Mask")},
                   {AppSettings::AppsPolicy::blockKeys, QStringLiteral("Block keys")},
                   {AppSettings::AppsPolicy::off, QStringLiteral("Off")}},
                  &AppSettings::appsPolicy),
              QStringLiteral("appsPolicy")));
}

}  // namespace clipvane
