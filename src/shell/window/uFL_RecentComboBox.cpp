// The recent-entries combo box.
#include "uFL_RecentComboBox.h"
#include "support/uFL_QtText.h"

#include <QFocusEvent>
#include <QLineEdit>

namespace {
constexpr int AgeRole = Qt::UserRole;

// Entering and leaving are the user's moves of the focus between the window's controls: a click,
// Tab or a shortcut. The box's own drop-down, another window taking or giving back the focus, and
// the focus the window moves itself when it switches pages are none of them: switching to another
// program must not check the directory, and coming back must not empty a term list.
bool ByTheUser(const QFocusEvent* Event) {
  switch (Event->reason()) {
    case Qt::MouseFocusReason:
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
      return true;
    default:
      return false;
  }
}
}  // namespace

TRecentComboBox::TRecentComboBox(QWidget* Parent) : QComboBox(Parent) {
  setEditable(true);
  // Qt would otherwise complete typed text from the list without regard to case and insert it
  // on Return; the list changes only by the recent-entries rule.
  setCompleter(nullptr);
  setInsertPolicy(QComboBox::NoInsert);
  setMaxVisibleItems(RecentEntriesMax);
  connect(lineEdit(), &QLineEdit::textEdited, this, &TRecentComboBox::TextChangedByUser);
  connect(this, &QComboBox::textActivated, this, &TRecentComboBox::TextChangedByUser);
}

void TRecentComboBox::focusInEvent(QFocusEvent* Event) {
  QComboBox::focusInEvent(Event);
  if (ByTheUser(Event)) emit Entered();
}

void TRecentComboBox::focusOutEvent(QFocusEvent* Event) {
  QComboBox::focusOutEvent(Event);
  if (ByTheUser(Event)) emit Exited();
}

std::string TRecentComboBox::Text() const {
  return S(currentText());
}

void TRecentComboBox::SetText(const std::string& Text) {
  setEditText(Q(Text));
}

TComboBoxState TRecentComboBox::State() const {
  TComboBoxState State;
  State.Name = S(objectName());
  State.Sorted = true;
  for (int i = 0; i < count(); ++i)
    State.Items.push_back({S(itemText(i)), itemData(i, AgeRole).toInt()});
  State.Text = Text();
  State.DropDownCount = maxVisibleItems();
  return State;
}

void TRecentComboBox::SetState(const TComboBoxState& State) {
  clear();
  for (const TComboEntry& E : State.Items) addItem(Q(E.Text), E.Age);
  setMaxVisibleItems(State.DropDownCount);
  SetText(State.Text);
}

void TRecentComboBox::SetGrey(bool Grey) {
  FGrey = Grey;
  QPalette P = palette();
  // The colour of an inactive window caption on the first platform.
  P.setColor(QPalette::Base, Grey ? QColor(191, 205, 219) : QPalette().color(QPalette::Base));
  setPalette(P);
}
