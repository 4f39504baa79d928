// The trace model: appends arrive as row insertions, everything else as a reset.
#include "uFL_TraceModel.h"

#include "support/uFL_Log.h"

TTraceModel::TTraceModel(TTraceLines& Lines, QObject* Parent)
    : QAbstractListModel(Parent), FLines(Lines) {
  FLines.OnBeforeAppend = [this](int First, int Last) { beginInsertRows({}, First, Last); };
  FLines.OnAppended = [this] { endInsertRows(); };
  FLines.OnAboutToReset = [this] { beginResetModel(); };
  FLines.OnReset = [this] { endResetModel(); };
}

TTraceModel::~TTraceModel() {
  FLines.OnBeforeAppend = nullptr;
  FLines.OnAppended = nullptr;
  FLines.OnAboutToReset = nullptr;
  FLines.OnReset = nullptr;
}

int TTraceModel::rowCount(const QModelIndex& Parent) const {
  return Parent.isValid() ? 0 : FLines.Count();
}

QVariant TTraceModel::data(const QModelIndex& Index, int Role) const {
  if (Role != Qt::DisplayRole || !Index.isValid() || Index.row() >= FLines.Count()) return {};
  const std::string& Line = FLines[Index.row()];
  return QString::fromUtf8(Line.data(), qsizetype(Line.size()));
}
