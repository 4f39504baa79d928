// The file selection page: start directory, mask or file types, the walk and the file list.
#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>
#include <QToolTip>

#include <algorithm>

#include "fileset/uFL_FileTypes.h"
#include "support/uFL_QtText.h"
#include "shell/uFL_PageRules.h"
#include "support/uFL_Utils.h"
#include "uFL_CheckListBox.h"
#include "uFL_Dialogs.h"
#include "uFL_FileListModel.h"
#include "uFL_ListLook.h"
#include "uFL_Main.h"
#include "uFL_MainTexts.h"
#include "uFL_RecentComboBox.h"

void TMain::CreateSelectPage() {
  auto* Grid = new QGridLayout(tsSelect);
  cbDir = CreateComboBox(tsSelect, "cbDir");
  Grid->addWidget(CreateLabel(tsSelect, "lblDir", cbDir), 0, 0);
  Grid->addWidget(cbDir, 0, 1);
  spbDirectory = CreateSmallButton(tsSelect, "spbDirectory", 9);
  Grid->addWidget(spbDirectory, 0, 2);

  cbMask = CreateComboBox(tsSelect, "cbMask");
  Grid->addWidget(CreateLabel(tsSelect, "lblMask", cbMask), 1, 0);
  Grid->addWidget(cbMask, 1, 1);
  cbSubdirs = CreateCheckBox(tsSelect, "cbSubdirs", true);
  Grid->addWidget(cbSubdirs, 1, 2);

  Grid->addWidget(CreateLabel(tsSelect, "lblFileTypes"), 2, 0, 1, 3);
  clbFileTypes = new TCheckListBox(tsSelect);
  clbFileTypes->setObjectName(QStringLiteral("clbFileTypes"));
  clbFileTypes->setAccessibleName(QStringLiteral("clbFileTypes"));
  clbFileTypes->SetSorted(true);
  // Eleven columns must fit the narrowest window; a point less keeps "*.html" whole.
  QFont TypesFont = clbFileTypes->font();
  TypesFont.setPointSizeF(TypesFont.pointSizeF() - 1);
  clbFileTypes->setFont(TypesFont);
  clbFileTypes->SetItems({FileTypeMasks.begin(), FileTypeMasks.end()});
  clbFileTypes->SetColumns(11, 3);
  Grid->addWidget(clbFileTypes, 3, 0, 1, 3);

  auto* Buttons = new QHBoxLayout;
  QPushButton* btnAdd = CreateButton(tsSelect, "btnAdd");
  QPushButton* btnRemove = CreateButton(tsSelect, "btnRemove");
  QPushButton* btnEmpty = CreateButton(tsSelect, "btnEmpty");
  QPushButton* btnSaveFileList = CreateButton(tsSelect, "btnSaveFileList");
  QPushButton* btnLoadFiles = CreateButton(tsSelect, "btnLoadFiles");
  for (QPushButton* B : {btnAdd, btnRemove, btnEmpty, btnSaveFileList, btnLoadFiles})
    Buttons->addWidget(B);
  Buttons->addStretch(1);
  Grid->addLayout(Buttons, 4, 0, 1, 3);

  lbFiles = new QListView(tsSelect);
  lbFiles->setObjectName(QStringLiteral("lbFiles"));
  lbFiles->setAccessibleName(QStringLiteral("lbFiles"));
  SetListLook(lbFiles);
  // One height for every row keeps a list of many thousand entries quick to lay out and scroll.
  lbFiles->setUniformItemSizes(true);
  lbFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lbFiles->setSelectionMode(QAbstractItemView::SingleSelection);
  FFileModel = std::make_unique<TFileListModel>(FFileList);
  lbFiles->setModel(FFileModel.get());
  // After a change the row under the mouse may be another file: its hint must be made anew.
  connect(FFileModel.get(), &QAbstractItemModel::modelReset, this, [this] { FLastHintIndex = -1; });
  lbFiles->viewport()->setMouseTracking(true);
  lbFiles->viewport()->installEventFilter(this);
  lbFiles->setContextMenuPolicy(Qt::CustomContextMenu);
  Grid->addWidget(lbFiles, 5, 0, 1, 3);
  Grid->setRowStretch(5, 1);
  Grid->setColumnStretch(1, 1);

  ppFiles = new QMenu(this);
  ppFiles->setObjectName(QStringLiteral("ppFiles"));
  ppFiles->setAccessibleName(QStringLiteral("ppFiles"));
  auto MenuItem = [this](QMenu* Menu, const char* N) {
    QAction* A = Menu->addAction(Q(ControlText(N).Caption));
    A->setObjectName(Q(N));
    return A;
  };
  miEditInFiles = MenuItem(ppFiles, "miEditInFiles");
  miRemoveFile = MenuItem(ppFiles, "miRemoveFile");
  miRemoveOthers = MenuItem(ppFiles, "miRemoveOthers");

  connect(btnAdd, &QPushButton::clicked, this, Handler(&TMain::btnAddClick));
  connect(btnRemove, &QPushButton::clicked, this, Handler(&TMain::btnRemoveClick));
  connect(btnEmpty, &QPushButton::clicked, this, Handler(&TMain::btnEmptyClick));
  connect(btnSaveFileList, &QPushButton::clicked, this, Handler(&TMain::btnSaveFileListClick));
  connect(btnLoadFiles, &QPushButton::clicked, this, Handler(&TMain::btnLoadFilesClick));
  connect(cbDir, &TRecentComboBox::Exited, this, Handler(&TMain::cbDirExit));
  connect(spbDirectory, &QToolButton::clicked, this, Handler(&TMain::spbDirectoryClick));
  connect(cbMask, &TRecentComboBox::TextChangedByUser, this, Handler(&TMain::cbMaskChange));
  connect(clbFileTypes, &TCheckListBox::ClickCheck, this, Handler(&TMain::clbFileTypesClickCheck));
  connect(miEditInFiles, &QAction::triggered, this, Handler(&TMain::miEditInFilesClick));
  connect(miRemoveFile, &QAction::triggered, this, Handler(&TMain::miRemoveFileClick));
  connect(miRemoveOthers, &QAction::triggered, this, Handler(&TMain::miRemoveOthersClick));
  connect(lbFiles, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& Pos) { ppFiles->popup(lbFiles->viewport()->mapToGlobal(Pos)); });
}

TCollectParams TMain::CollectParams() const {
  TCollectParams P;
  P.Dir = cbDir->Text();
  P.Mask = cbMask->Text();
  const std::vector<bool> Checked = clbFileTypes->CheckStates();
  const std::vector<std::string> Items = clbFileTypes->Items();
  for (size_t i = 0; i < Items.size(); ++i)
    if (Checked[i]) P.Types.push_back(Items[i]);
  P.Subdirs = cbSubdirs->isChecked();
  return P;
}

void TMain::btnAddClick() {
  if (const char* Message = CheckStartDirectory(cbDir->Text())) {
    FDialogs.Information(Q(Message));
    return;
  }
  FSelection.CollectFiles(true, CollectParams());
}

void TMain::btnRemoveClick() {
  FSelection.CollectFiles(false, CollectParams());
}

void TMain::btnEmptyClick() {
  FFileList.Clear();
  UpdateStatusLine(true);
}

void TMain::btnSaveFileListClick() {
  const auto File = FDialogs.SaveFile(Q(Msg::SaveListTitle), Q(Msg::ListExtension));
  if (File) FSelection.SaveToFile(S(*File));
}

void TMain::btnLoadFilesClick() {
  const auto File = FDialogs.OpenFile(Q(Msg::LoadListTitle), Q(Msg::ListExtension));
  if (File) FSelection.LoadFromFile(S(*File));
}

void TMain::cbDirExit() {
  std::string Dir = TrimText(cbDir->Text());
  if (!Dir.empty() && Dir.back() != '/') Dir += '/';
  cbDir->SetText(Dir);
  // Throws "Directory does not exist", which the window shows in an error box.
  NormaliseStartDirectory(Dir);
}

void TMain::spbDirectoryClick() {
  if (const auto Dir = FDialogs.SelectDirectory(Q(cbDir->Text()))) cbDir->SetText(S(*Dir));
}

void TMain::cbMaskChange() {
  for (int i = 0; i < clbFileTypes->count(); ++i) clbFileTypes->SetChecked(i, false);
}

void TMain::clbFileTypesClickCheck() {
  std::vector<bool> Checked = clbFileTypes->CheckStates();
  const bool Any = ApplyFileTypeRules(Checked, FAllFilesMode);
  clbFileTypes->SetCheckStates(Checked);
  if (Any) cbMask->SetText("");
}

void TMain::lbFilesMouseMove(const QPoint& Pos) {
  if (FFileList.Empty() || FFileList.Updating()) return;
  const QModelIndex Index = lbFiles->indexAt(Pos);
  if (!Index.isValid() || Index.row() == FLastHintIndex) return;
  FLastHintIndex = Index.row();
  const QString Hint = Q(FileEntryHint(FFileList.Path(Index.row()), FFileList.Rec(Index.row())));
  lbFiles->setToolTip(Hint);
  QToolTip::showText(lbFiles->viewport()->mapToGlobal(Pos), Hint, lbFiles);
}

bool TMain::eventFilter(QObject* Watched, QEvent* Event) {
  if (lbFiles && Watched == lbFiles->viewport() && Event->type() == QEvent::MouseMove)
    Guard([&] { lbFilesMouseMove(static_cast<QMouseEvent*>(Event)->position().toPoint()); });
  return QWidget::eventFilter(Watched, Event);
}

void TMain::miEditInFilesClick() {
  const QModelIndex Index = lbFiles->currentIndex();
  if (Index.isValid()) OpenWithShell(FFileList.Path(Index.row()));
}

void TMain::miRemoveFileClick() {
  const QModelIndex Index = lbFiles->currentIndex();
  if (!Index.isValid()) return;
  const int Row = Index.row();
  FFileList.Delete(Row);
  // The list is shown anew after a change; keep the user's place in it. Nothing is selected
  // afterwards, so a second "Remove file from List" does nothing until an entry is chosen.
  if (!FFileList.Empty()) {
    const QModelIndex Next = FFileModel->index(std::min(Row, FFileList.Count() - 1), 0);
    lbFiles->scrollTo(Next);
    lbFiles->setCurrentIndex(QModelIndex());
  }
  UpdateStatusLine(true);
}

void TMain::miRemoveOthersClick() {
  const QModelIndex Index = lbFiles->currentIndex();
  if (!Index.isValid()) return;
  FSelection.KeepOnlyFile(Index.row());
  UpdateStatusLine(true);
}
