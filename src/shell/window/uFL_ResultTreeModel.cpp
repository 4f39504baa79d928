// The results tree model.
#include "uFL_ResultTreeModel.h"

TResultTreeModel::TResultTreeModel(TResultTree& Tree, QObject* Parent)
    : QAbstractItemModel(Parent), FTree(Tree) {
  FTree.Listener = this;
}

TResultTreeModel::~TResultTreeModel() {
  if (FTree.Listener == this) FTree.Listener = nullptr;
}

TResultNode* TResultTreeModel::NodeOf(const QModelIndex& Index) {
  return Index.isValid() ? static_cast<TResultNode*>(Index.internalPointer()) : nullptr;
}

QModelIndex TResultTreeModel::IndexOf(TResultNode* Node) const {
  return Node ? createIndex(Node->Row, 0, Node) : QModelIndex();
}

int TResultTreeModel::Announced(const TResultNode* Parent) const {
  for (const TPending& P : FPending)
    if (P.Parent == Parent) return P.Announced;
  return Parent ? int(Parent->Children.size()) : FTree.TopCount();
}

bool TResultTreeModel::Known(const TResultNode* Node) const {
  return !Node || (Known(Node->Parent) && Node->Row < Announced(Node->Parent));
}

QModelIndex TResultTreeModel::index(int Row, int Column, const QModelIndex& Parent) const {
  if (Column != 0 || Row < 0) return {};
  TResultNode* P = NodeOf(Parent);
  if (Row >= Announced(P)) return {};
  return createIndex(Row, 0, P ? P->Children[size_t(Row)].get() : FTree.Top(Row));
}

QModelIndex TResultTreeModel::parent(const QModelIndex& Child) const {
  const TResultNode* N = NodeOf(Child);
  return N ? IndexOf(N->Parent) : QModelIndex();
}

int TResultTreeModel::rowCount(const QModelIndex& Parent) const {
  if (Parent.column() > 0) return 0;
  return Announced(NodeOf(Parent));
}

int TResultTreeModel::columnCount(const QModelIndex&) const {
  return 1;
}

bool TResultTreeModel::hasChildren(const QModelIndex& Parent) const {
  return Parent.column() <= 0 && Announced(NodeOf(Parent)) > 0;
}

QVariant TResultTreeModel::data(const QModelIndex& Index, int Role) const {
  const TResultNode* N = NodeOf(Index);
  if (!N || Role != Qt::DisplayRole) return {};
  return QString::fromUtf8(N->Text.data(), qsizetype(N->Text.size()));
}

void TResultTreeModel::BeforeInsert(TResultNode* Parent, int Row) {
  // Below a node the views have not seen yet, the new node comes with that node.
  if (!Known(Parent) || Announced(Parent) < Row) return;
  FPending.push_back({Parent, Row});
  QueueFlush();
}

void TResultTreeModel::AfterInsert() {}

void TResultTreeModel::QueueFlush() {
  if (FFlushQueued) return;
  FFlushQueued = true;
  QMetaObject::invokeMethod(this, &TResultTreeModel::FlushIfDue, Qt::QueuedConnection);
}

void TResultTreeModel::FlushIfDue() {
  FFlushQueued = false;
  // A deferred batch goes out with a later one, or when the operation ends.
  if (FCoalescing && std::chrono::steady_clock::now() - FLastFlush < FlushInterval) return;
  Flush();
}

void TResultTreeModel::Flush() {
  if (!FPending.empty()) FLastFlush = std::chrono::steady_clock::now();
  // Announcing only adds rows, so a parent known at the time it was recorded stays known.
  while (!FPending.empty()) {
    const TPending P = FPending.front();
    const int Now = P.Parent ? int(P.Parent->Children.size()) : FTree.TopCount();
    if (Now <= P.Announced) {
      FPending.erase(FPending.begin());
      continue;
    }
    beginInsertRows(IndexOf(const_cast<TResultNode*>(P.Parent)), P.Announced, Now - 1);
    FPending.erase(FPending.begin());
    endInsertRows();
  }
}

void TResultTreeModel::BeforeRemove(TResultNode* Parent, int Row) {
  Flush();
  beginRemoveRows(IndexOf(Parent), Row, Row);
}
void TResultTreeModel::AfterRemove() {
  endRemoveRows();
}
void TResultTreeModel::BeforeReset() {
  beginResetModel();
  FPending.clear();
}
void TResultTreeModel::AfterReset() {
  endResetModel();
}
void TResultTreeModel::ExpandAll(TResultNode* Node) {
  Flush();
  emit ExpandRequested(IndexOf(Node));
}
