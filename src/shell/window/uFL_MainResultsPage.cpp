// The results page: the tree, expand and collapse, saving, and the results made the file set.
#include <QAction>
#include <QGridLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>

#include "shell/uFL_EditorCommand.h"
#include "shell/uFL_PageRules.h"
#include "support/uFL_QtText.h"
#include "uFL_Dialogs.h"
#include "uFL_ListLook.h"
#include "uFL_Main.h"
#include "uFL_MainTexts.h"
#include "uFL_ResultTreeModel.h"

void TMain::CreateResultsPage() {
  auto* Grid = new QGridLayout(tsResults);
  tvResults = new QTreeView(tsResults);
  tvResults->setObjectName(QStringLiteral("tvResults"));
  tvResults->setAccessibleName(QStringLiteral("tvResults"));
  SetListLook(tvResults);
  tvResults->setHeaderHidden(true);
  tvResults->setIndentation(19);
  tvResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // One height for every row keeps a tree of a million nodes quick to expand and scroll.
  tvResults->setUniformRowHeights(true);
  tvResults->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  tvResults->header()->setStretchLastSection(false);
  tvResults->setContextMenuPolicy(Qt::CustomContextMenu);
  FResultModel = std::make_unique<TResultTreeModel>(FResultTree);
  tvResults->setModel(FResultModel.get());
  Grid->addWidget(tvResults, 0, 0, 1, 4);

  btnExpand = CreateButton(tsResults, "btnExpand", true);
  QPushButton* btnSave = CreateButton(tsResults, "btnSave", true);
  btnResToSet = CreateButton(tsResults, "btnResToSet", true);
  Grid->addWidget(btnExpand, 1, 0);
  Grid->addWidget(btnSave, 1, 1);
  Grid->addWidget(btnResToSet, 1, 3);
  Grid->setColumnStretch(2, 1);
  Grid->setRowStretch(0, 1);

  ppTree = new QMenu(this);
  ppTree->setObjectName(QStringLiteral("ppTree"));
  ppTree->setAccessibleName(QStringLiteral("ppTree"));
  auto MenuItem = [this](const char* N) {
    QAction* A = ppTree->addAction(Q(ControlText(N).Caption));
    A->setObjectName(Q(N));
    return A;
  };
  miEditInResults = MenuItem("miEditInResults");
  RemovethisfilefromList1 = MenuItem("RemovethisfilefromList1");
  miResultRemoveOthers = MenuItem("miResultRemoveOthers");

  connect(FResultModel.get(), &TResultTreeModel::ExpandRequested, this,
          [this](const QModelIndex& I) {
            if (I.isValid())
              tvResults->expandRecursively(I);
            else
              tvResults->expandAll();
          });
  connect(tvResults, &QWidget::customContextMenuRequested, this, [this](const QPoint& Pos) {
    const QModelIndex Index = tvResults->indexAt(Pos);
    if (Index.isValid()) tvResults->setCurrentIndex(Index);
    ppTree->popup(tvResults->viewport()->mapToGlobal(Pos));
  });
  connect(btnExpand, &QPushButton::clicked, this, Handler(&TMain::btnExpandClick));
  connect(btnSave, &QPushButton::clicked, this, Handler(&TMain::btnSaveClick));
  connect(btnResToSet, &QPushButton::clicked, this, Handler(&TMain::btnResToSetClick));
  connect(miEditInResults, &QAction::triggered, this, Handler(&TMain::miEditInResultsClick));
  connect(tvResults, &QTreeView::doubleClicked, this, Handler(&TMain::tvResultsDblClick));
  connect(RemovethisfilefromList1, &QAction::triggered, this,
          Handler(&TMain::RemovethisfilefromList1Click));
  connect(miResultRemoveOthers, &QAction::triggered, this,
          Handler(&TMain::miResultRemoveOthersClick));
}

void TMain::btnExpandClick() {
  if (FExpandTag == 1) {
    tvResults->expandAll();
    btnExpand->setText(Q(Msg::CollapseAll));
    FExpandTag = 0;
  } else {
    tvResults->collapseAll();
    btnExpand->setText(Q(Msg::ExpandAll));
    FExpandTag = 1;
  }
}

void TMain::btnSaveClick() {
  const bool FilenamesOnly = FDialogs.Confirm(Q(Msg::SaveFilenamesOnly));
  int Type = 0;
  const auto File =
      FDialogs.SaveFileOfType(Q(Msg::SaveResultsTitle), Q(Msg::ResultsExtension),
                              {Q(Msg::ResultsTypeText), Q(Msg::ResultsTypeSarif)}, Type);
  if (!File) return;
  if (Type == 1 || File->endsWith(QStringLiteral(".sarif"), Qt::CaseInsensitive))
    SaveSarif(S(*File));
  else
    SaveResultTree(FResultTree, S(*File), FilenamesOnly);
}

void TMain::btnResToSetClick() {
  KeepFilesWithResults(FFileList, FResultTree);
  FSelection.RefreshFileList(false);
}

TResultNode* TMain::SelectedFileNode() const {
  TResultNode* Node = TResultTreeModel::NodeOf(tvResults->currentIndex());
  if (!Node) return nullptr;
  TResultNode* File = Node->FileNode();
  // The header is the first top-level node and never counts as a file.
  if (File == FResultTree.Top(0)) return nullptr;
  return File;
}

void TMain::miEditInResultsClick() {
  TResultNode* File = SelectedFileNode();
  if (!File) return;
  if (!OpenInEditor(TResultTreeModel::NodeOf(tvResults->currentIndex()))) OpenWithShell(File->Text);
}

void TMain::tvResultsDblClick() {
  // Only an entry with a line opens: a double click elsewhere expands or collapses as ever.
  TResultNode* Node = TResultTreeModel::NodeOf(tvResults->currentIndex());
  if (Node && SelectedFileNode() && EntryLineNumber(Node->Text) > 0) OpenInEditor(Node);
}

void TMain::RemovethisfilefromList1Click() {
  if (TResultNode* File = SelectedFileNode()) FResultTree.DeleteTop(File);
}

void TMain::miResultRemoveOthersClick() {
  TResultNode* File = SelectedFileNode();
  if (!File) return;
  const std::string Path = File->Text;
  // A path no longer listed stops here with the list's index error; nothing has changed yet.
  FSelection.KeepOnlyFile(FFileList.IndexOf(Path));
  FResultTree.KeepOnlyBranch(File);
  FTraceLog.KeepTraceOfFile(Path);
  UpdateStatusLine(true);
}
