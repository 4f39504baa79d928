// The results tree shown in a tree view; each index points at its core node.
#pragma once

#include <QAbstractItemModel>

#include <chrono>
#include <vector>

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
  // The view asks this of every node it lays out; one look at the node answers it.
  bool hasChildren(const QModelIndex& Parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& Index, int Role) const override;

  QModelIndex IndexOf(TResultNode* Node) const;
  static TResultNode* NodeOf(const QModelIndex& Index);

  // New nodes reach the views in batches: a node appended under a parent the views already know
  // is announced at the next Flush (one is queued with the first of them), and it brings every
  // node below it along. Per-node announcements would cost a million view updates for a million
  // results.
  void Flush();
  // While a long operation runs the queued flushes come at most every FlushInterval, so that the
  // view lays itself out a few times a second rather than after every file.
  void SetCoalescing(bool On) { FCoalescing = On; }
  static constexpr std::chrono::milliseconds FlushInterval{250};

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

  // The child count the views know of Parent (null: the top level).
  int Announced(const TResultNode* Parent) const;
  bool Known(const TResultNode* Node) const;
  void QueueFlush();
  void FlushIfDue();

  struct TPending {
    const TResultNode* Parent;
    int Announced;  // children announced before the first unannounced one
  };
  TResultTree& FTree;
  std::vector<TPending> FPending;  // a few parents at a time: the top level and open branches
  bool FFlushQueued = false;
  bool FCoalescing = false;
  std::chrono::steady_clock::time_point FLastFlush;
};
