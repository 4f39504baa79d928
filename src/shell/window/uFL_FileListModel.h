// The file list shown in a list view: one row per entry, the path as text.
#pragma once

#include <QAbstractListModel>

class TFileList;

class TFileListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  explicit TFileListModel(TFileList& List, QObject* Parent = nullptr);
  ~TFileListModel() override;

  int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& Index, int Role) const override;

 private:
  TFileList& FList;
  // True between a change's announcement and its end. A walk adds thousands of entries inside one
  // update block while the window processes input; the view then sees an empty list rather than
  // rows that move under it.
  bool FSuspended = false;
};
