// The window's side of the settings: its controls as records, load, save and Clear History.
#include <QCheckBox>

#include "uFL_CheckListBox.h"
#include "support/uFL_QtText.h"
#include "uFL_Dialogs.h"
#include "uFL_Main.h"
#include "uFL_MainTexts.h"
#include "uFL_RecentComboBox.h"

TSettingsRecords TMain::CollectSettings() const {
  TSettingsRecords R;
  R.Bounds = {pos().y(), pos().x(), height(), width()};
  for (const char* N : StoredControls) {
    QWidget* W = findChild<QWidget*>(Q(N));
    if (auto* C = qobject_cast<QCheckBox*>(W)) {
      R.Controls.push_back(TCheckBoxState{N, C->isChecked()});
    } else if (auto* C = qobject_cast<TRecentComboBox*>(W)) {
      R.Controls.push_back(C->State());
    } else if (auto* C = qobject_cast<TCheckListBox*>(W)) {
      R.Controls.push_back(TCheckListState{N, C->Sorted(), C->Items(), C->CheckStates()});
    }
  }
  return R;
}

void TMain::ApplySettings(const TSettingsRecords& R) {
  move(R.Bounds.Left, R.Bounds.Top);
  resize(R.Bounds.Width, R.Bounds.Height);
  for (const TControlState& State : R.Controls) {
    std::visit(
        [&](const auto& S) {
          using T = std::decay_t<decltype(S)>;
          QWidget* W = findChild<QWidget*>(QString::fromStdString(S.Name));
          if constexpr (std::is_same_v<T, TCheckBoxState>) {
            // Set as a click would: the box's handler runs when the state changes.
            if (auto* C = qobject_cast<QCheckBox*>(W)) C->setChecked(S.Checked);
          } else if constexpr (std::is_same_v<T, TComboBoxState>) {
            if (auto* C = qobject_cast<TRecentComboBox*>(W)) C->SetState(S);
          } else {
            if (auto* C = qobject_cast<TCheckListBox*>(W)) {
              C->SetItems(S.Items);
              C->SetCheckStates(S.Checked);
            }
          }
        },
        State);
  }
}

void TMain::LoadSettings() {
  TSettingsRecords R = CollectSettings();
  if (::LoadSettings(FStore, R)) ApplySettings(R);
}

void TMain::SaveSettings() {
  // Once Clear History has erased them, nothing is stored again: an action still running at that
  // moment would otherwise write them back as it ends.
  if (FSettingsErased) return;
  TSettingsRecords R = CollectSettings();
  ::SaveSettings(FStore, R);
  // The recent lists may have gained an entry and their entries have aged.
  for (const TControlState& State : R.Controls)
    if (const auto* S = std::get_if<TComboBoxState>(&State))
      if (auto* C = findChild<TRecentComboBox*>(QString::fromStdString(S->Name))) C->SetState(*S);
}

void TMain::btnCleanRegistryClick() {
  if (!FDialogs.Warning(Q(Msg::ClearHistoryQuestion))) return;
  FStore.DeleteSettings();
  FSettingsErased = true;
  close();
}
