// The check list box.
#include "uFL_CheckListBox.h"
#include "support/uFL_QtText.h"

#include <QResizeEvent>

TCheckListBox::TCheckListBox(QWidget* Parent) : QListWidget(Parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  connect(this, &QListWidget::itemChanged, this, &TCheckListBox::OnItemChanged);
}

void TCheckListBox::SetColumns(int Columns, int Rows) {
  FColumns = Columns;
  setFlow(QListView::TopToBottom);
  setWrapping(true);
  setResizeMode(QListView::Adjust);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const int RowHeight = fontMetrics().height() + 4;
  setFixedHeight(Rows * RowHeight + 2 * frameWidth() + 2);
  UpdateGrid();
}

void TCheckListBox::resizeEvent(QResizeEvent* Event) {
  QListWidget::resizeEvent(Event);
  UpdateGrid();
}

void TCheckListBox::UpdateGrid() {
  if (FColumns <= 1) return;
  setGridSize(QSize(viewport()->width() / FColumns, fontMetrics().height() + 4));
}

void TCheckListBox::SetItems(const std::vector<std::string>& Items) {
  FByProgram = true;
  clear();
  FKnown.assign(Items.size(), false);
  for (const std::string& Text : Items) {
    auto* Item = new QListWidgetItem(Q(Text), this);
    Item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    Item->setCheckState(Qt::Unchecked);
  }
  FByProgram = false;
}

std::vector<std::string> TCheckListBox::Items() const {
  std::vector<std::string> Result;
  for (int i = 0; i < count(); ++i) {
    const QByteArray B = item(i)->text().toUtf8();
    Result.emplace_back(B.constData(), size_t(B.size()));
  }
  return Result;
}

bool TCheckListBox::Checked(int Index) const {
  return Index >= 0 && Index < count() && item(Index)->checkState() == Qt::Checked;
}

std::vector<bool> TCheckListBox::CheckStates() const {
  std::vector<bool> States;
  for (int i = 0; i < count(); ++i) States.push_back(Checked(i));
  return States;
}

void TCheckListBox::SetChecked(int Index, bool Checked) {
  if (Index < 0 || Index >= count()) return;
  FByProgram = true;
  item(Index)->setCheckState(Checked ? Qt::Checked : Qt::Unchecked);
  FKnown[size_t(Index)] = Checked;
  FByProgram = false;
}

void TCheckListBox::SetCheckStates(const std::vector<bool>& Checked) {
  for (int i = 0; i < count(); ++i) SetChecked(i, i < int(Checked.size()) && Checked[size_t(i)]);
}

void TCheckListBox::OnItemChanged(QListWidgetItem* Item) {
  const int Index = row(Item);
  if (Index < 0 || size_t(Index) >= FKnown.size()) return;
  const bool Now = Item->checkState() == Qt::Checked;
  if (Now == FKnown[size_t(Index)]) return;
  FKnown[size_t(Index)] = Now;
  if (!FByProgram) emit ClickCheck(Index);
}
