// The results tree shown in a tree view; each index points at its core node.
#pragma once

#include <QAbstractItemModel>

#include "support/uFL_ResultTree.h"

//  (invalid index)            the tree itself
//   +- header                 row 0, "Results for ..."
//   |   +- Statistics
//   |       +- lines
//   +- /path/of/a/file        row 1.., one per file with results
//       +- category
//           +- entries
class TResultTreeModel : public QAbstractItemModel, private TResultTreeListener {
  Q_OBJECT
 public:
  explicit TResultTreeModel(TResultTree& Tree, QObject* Parent = nullptr);
  ~TResultTreeModel() override;

  QModelIndex index(int Row, int Column, const QModelIndex& Parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& Child) const override;
  int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& Index, int Role) const override;

  QModelIndex IndexOf(TResultNode* Node) const;
  static TResultNode* NodeOf(const QModelIndex& Index);

 signals:
  // The core asks for Node and everything below it to be expanded; an invalid index: everything.
  void ExpandRequested(const QModelIndex& Node);

 private:
  void BeforeInsert(TResultNode* Parent, int Row) override;
  void AfterInsert() override;
  void BeforeRemove(TResultNode* Parent, int Row) override;
  void AfterRemove() override;
  void BeforeReset() override;
  void AfterReset() override;
  void ExpandAll(TResultNode* Node) override;

  TResultTree& FTree;
};
