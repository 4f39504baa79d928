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

QModelIndex TResultTreeModel::index(int Row, int Column, const QModelIndex& Parent) const {
  if (Column != 0 || Row < 0) return {};
  if (TResultNode* P = NodeOf(Parent)) {
    if (Row >= int(P->Children.size())) return {};
    return createIndex(Row, 0, P->Children[size_t(Row)].get());
  }
  if (Row >= FTree.TopCount()) return {};
  return createIndex(Row, 0, FTree.Top(Row));
}

QModelIndex TResultTreeModel::parent(const QModelIndex& Child) const {
  const TResultNode* N = NodeOf(Child);
  return N ? IndexOf(N->Parent) : QModelIndex();
}

int TResultTreeModel::rowCount(const QModelIndex& Parent) const {
  if (Parent.column() > 0) return 0;
  if (const TResultNode* P = NodeOf(Parent)) return int(P->Children.size());
  return FTree.TopCount();
}

int TResultTreeModel::columnCount(const QModelIndex&) const {
  return 1;
}

QVariant TResultTreeModel::data(const QModelIndex& Index, int Role) const {
  const TResultNode* N = NodeOf(Index);
  if (!N || Role != Qt::DisplayRole) return {};
  return QString::fromUtf8(N->Text.data(), qsizetype(N->Text.size()));
}

void TResultTreeModel::BeforeInsert(TResultNode* Parent, int Row) {
  beginInsertRows(IndexOf(Parent), Row, Row);
}
void TResultTreeModel::AfterInsert() {
  endInsertRows();
}
void TResultTreeModel::BeforeRemove(TResultNode* Parent, int Row) {
  beginRemoveRows(IndexOf(Parent), Row, Row);
}
void TResultTreeModel::AfterRemove() {
  endRemoveRows();
}
void TResultTreeModel::BeforeReset() {
  beginResetModel();
}
void TResultTreeModel::AfterReset() {
  endResetModel();
}
void TResultTreeModel::ExpandAll(TResultNode* Node) {
  emit ExpandRequested(IndexOf(Node));
}
