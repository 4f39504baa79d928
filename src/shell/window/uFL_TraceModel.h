// The trace lines shown in a list view.
#pragma once

#include <QAbstractListModel>

class TTraceLines;

class TTraceModel : public QAbstractListModel {
  Q_OBJECT
 public:
  explicit TTraceModel(TTraceLines& Lines, QObject* Parent = nullptr);
  ~TTraceModel() override;

  int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& Index, int Role) const override;

 private:
  TTraceLines& FLines;
};
