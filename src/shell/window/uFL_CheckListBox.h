// A list of check boxes, optionally in columns, that tells user clicks from settings by program.
#pragma once

#include <QListWidget>

#include <string>
#include <vector>

class TCheckListBox : public QListWidget {
  Q_OBJECT
 public:
  explicit TCheckListBox(QWidget* Parent = nullptr);

  // Lays the items out column by column, Columns side by side.
  void SetColumns(int Columns, int Rows);
  bool Sorted() const { return FSorted; }
  void SetSorted(bool Sorted) { FSorted = Sorted; }

  void SetItems(const std::vector<std::string>& Items);
  std::vector<std::string> Items() const;
  bool Checked(int Index) const;
  std::vector<bool> CheckStates() const;
  // By program: no ClickCheck.
  void SetChecked(int Index, bool Checked);
  void SetCheckStates(const std::vector<bool>& Checked);

 signals:
  // The user checked or unchecked item Index.
  void ClickCheck(int Index);

 protected:
  void resizeEvent(QResizeEvent* Event) override;

 private:
  void OnItemChanged(QListWidgetItem* Item);
  void UpdateGrid();

  bool FByProgram = false;
  bool FSorted = false;
  int FColumns = 1;
  std::vector<bool> FKnown;  // the states last seen, to tell a check change from other changes
};
