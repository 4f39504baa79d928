// The trace model: appends are announced in batches, everything else as a reset.
#include "uFL_TraceModel.h"

#include "support/uFL_Log.h"

TTraceModel::TTraceModel(TTraceLines& Lines, QObject* Parent)
    : QAbstractListModel(Parent), FLines(Lines), FAnnounced(Lines.Count()) {
  FLines.OnBeforeAppend = [this](int, int) {
    if (FFlushQueued) return;
    FFlushQueued = true;
    QMetaObject::invokeMethod(this, &TTraceModel::FlushIfDue, Qt::QueuedConnection);
  };
  FLines.OnAppended = nullptr;
  FLines.OnAboutToReset = [this] { beginResetModel(); };
  FLines.OnReset = [this] {
    FAnnounced = FLines.Count();
    endResetModel();
  };
}

TTraceModel::~TTraceModel() {
  FLines.OnBeforeAppend = nullptr;
  FLines.OnAboutToReset = nullptr;
  FLines.OnReset = nullptr;
}

void TTraceModel::FlushIfDue() {
  FFlushQueued = false;
  // A deferred batch goes out with a later one, or when the operation ends.
  if (FCoalescing && std::chrono::steady_clock::now() - FLastFlush < FlushInterval) return;
  Flush();
}

void TTraceModel::Flush() {
  const int Count = FLines.Count();
  if (Count <= FAnnounced) return;
  FLastFlush = std::chrono::steady_clock::now();
  beginInsertRows({}, FAnnounced, Count - 1);
  FAnnounced = Count;
  endInsertRows();
}

int TTraceModel::rowCount(const QModelIndex& Parent) const {
  return Parent.isValid() ? 0 : FAnnounced;
}

QVariant TTraceModel::data(const QModelIndex& Index, int Role) const {
  if (Role != Qt::DisplayRole || !Index.isValid() || Index.row() >= FAnnounced) return {};
  const std::string& Line = FLines[Index.row()];
  return QString::fromUtf8(Line.data(), qsizetype(Line.size()));
}
