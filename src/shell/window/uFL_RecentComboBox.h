// An editable combo box that keeps its text exactly as typed and its list for the recent entries.
#pragma once

#include <QComboBox>

#include "support/uFL_CompMemory.h"

class TRecentComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit TRecentComboBox(QWidget* Parent = nullptr);

  std::string Text() const;
  // By program: no TextEdited.
  void SetText(const std::string& Text);

  // The control's state as the settings store keeps it, with the entries' ages.
  TComboBoxState State() const;
  void SetState(const TComboBoxState& State);

  // Grey marks a box whose terms came from a file; the normal colour returns when it is entered.
  void SetGrey(bool Grey);
  bool IsGrey() const { return FGrey; }

 signals:
  // The user typed or picked an entry.
  void TextChangedByUser();
  void Entered();
  void Exited();

 protected:
  void focusInEvent(QFocusEvent* Event) override;
  void focusOutEvent(QFocusEvent* Event) override;

 private:
  bool FGrey = false;
};
