// The trace lines shown in a list view.
#pragma once

#include <QAbstractListModel>

#include <chrono>

class TTraceLines;

class TTraceModel : public QAbstractListModel {
  Q_OBJECT
 public:
  explicit TTraceModel(TTraceLines& Lines, QObject* Parent = nullptr);
  ~TTraceModel() override;

  int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& Index, int Role) const override;

  // Appended lines reach the view in batches, as the results tree's nodes do: at the next Flush,
  // queued with the first of them, and while a long operation runs at most every FlushInterval.
  void Flush();
  void SetCoalescing(bool On) { FCoalescing = On; }
  static constexpr std::chrono::milliseconds FlushInterval{250};

 private:
  void FlushIfDue();

  TTraceLines& FLines;
  int FAnnounced = 0;  // the lines the view knows of
  bool FFlushQueued = false;
  bool FCoalescing = false;
  std::chrono::steady_clock::time_point FLastFlush;
};
