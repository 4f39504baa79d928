// The file list model.
#include "uFL_FileListModel.h"

#include "fileset/uFL_FileList.h"

TFileListModel::TFileListModel(TFileList& List, QObject* Parent)
    : QAbstractListModel(Parent), FList(List) {
  FList.OnAboutToChange = [this] {
    beginResetModel();
    FSuspended = true;
    endResetModel();
  };
  FList.OnChanged = [this] {
    beginResetModel();
    FSuspended = false;
    endResetModel();
  };
}

TFileListModel::~TFileListModel() {
  FList.OnAboutToChange = nullptr;
  FList.OnChanged = nullptr;
}

int TFileListModel::rowCount(const QModelIndex& Parent) const {
  if (Parent.isValid() || FSuspended) return 0;
  return FList.Count();
}

QVariant TFileListModel::data(const QModelIndex& Index, int Role) const {
  if (Role != Qt::DisplayRole || !Index.isValid() || FSuspended || Index.row() >= FList.Count())
    return {};
  const std::string& Path = FList.Path(Index.row());
  // Display only: invalid UTF-8 shows as replacement characters; the list keeps the bytes.
  return QString::fromUtf8(Path.data(), qsizetype(Path.size()));
}
