// The Tracing page and the Miscellaneous page.
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "uFL_ListLook.h"
#include "support/uFL_QtText.h"
#include "uFL_Main.h"
#include "uFL_RecentComboBox.h"
#include "uFL_MainTexts.h"
#include "uFL_TraceModel.h"

void TMain::CreateTracePage() {
  auto* Layout = new QGridLayout(tsTrace);
  lbTrace = new QListView(tsTrace);
  lbTrace->setObjectName(QStringLiteral("lbTrace"));
  lbTrace->setAccessibleName(QStringLiteral("lbTrace"));
  SetListLook(lbTrace);
  lbTrace->setUniformItemSizes(true);
  lbTrace->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FTraceModel = std::make_unique<TTraceModel>(FTraceLines);
  lbTrace->setModel(FTraceModel.get());
  Layout->addWidget(lbTrace, 0, 0, 1, 4);

  edtSearch = new QLineEdit(tsTrace);
  edtSearch->setObjectName(QStringLiteral("edtSearch"));
  edtSearch->setAccessibleName(QStringLiteral("edtSearch"));
  edtSearch->setToolTip(Q(ControlText("edtSearch").Hint));
  Layout->addWidget(edtSearch, 1, 0);
  QPushButton* btnTraceSearch = CreateButton(tsTrace, "btnTraceSearch");
  QPushButton* btnTraceNext = CreateButton(tsTrace, "btnTraceNext");
  Layout->addWidget(btnTraceSearch, 1, 1);
  Layout->addWidget(btnTraceNext, 1, 2);
  Layout->setColumnStretch(0, 1);
  connect(btnTraceSearch, &QPushButton::clicked, this, Handler(&TMain::btnTraceSearchClick));
  connect(btnTraceNext, &QPushButton::clicked, this, Handler(&TMain::btnTraceNextClick));
}

void TMain::CreateVariousPage() {
  auto* Layout = new QGridLayout(tsVarious);
  lbAbout = new QListWidget(tsVarious);
  lbAbout->setObjectName(QStringLiteral("lbAbout"));
  lbAbout->setAccessibleName(QStringLiteral("lbAbout"));
  SetListLook(lbAbout);
  for (const char* Line : AboutLines) lbAbout->addItem(Q(Line));
  lbAbout->setEnabled(false);
  Layout->addWidget(lbAbout, 0, 0, 1, 3);
  QPushButton* btnCleanRegistry = CreateButton(tsVarious, "btnCleanRegistry", true);
  Layout->addWidget(btnCleanRegistry, 1, 0);
  cbTrace = CreateCheckBox(tsVarious, "cbTrace", false);
  Layout->addWidget(cbTrace, 1, 1);
  QPushButton* btnUndoLast = CreateButton(tsVarious, "btnUndoLast");
  Layout->addWidget(btnUndoLast, 2, 0);
  cbEditor = CreateComboBox(tsVarious, "cbEditor");
  Layout->addWidget(CreateLabel(tsVarious, "lblEditor", cbEditor), 3, 0);
  Layout->addWidget(cbEditor, 3, 1, 1, 2);
  Layout->setColumnStretch(2, 1);
  connect(btnUndoLast, &QPushButton::clicked, this, Handler(&TMain::btnUndoLastClick));
  connect(btnCleanRegistry, &QPushButton::clicked, this, Handler(&TMain::btnCleanRegistryClick));
  connect(cbTrace, &QCheckBox::toggled, this, Handler(&TMain::cbTraceClick));
}

void TMain::FindInTrace(int StartIndex) {
  const QByteArray Pattern = edtSearch->text().toUtf8();
  // The search reads the lines themselves; the view must know of every line it may select.
  FTraceModel->Flush();
  const int Found = ::FindInTrace(
      FTraceLines, std::string(Pattern.constData(), size_t(Pattern.size())), StartIndex);
  if (Found < 0) return;
  FLastFound = Found;
  const QModelIndex Index = FTraceModel->index(Found);
  lbTrace->setCurrentIndex(Index);
  lbTrace->scrollTo(Index);
}

void TMain::btnTraceSearchClick() {
  FindInTrace(0);
}
void TMain::btnTraceNextClick() {
  FindInTrace(FLastFound + 1);
}

void TMain::cbTraceClick() {
  FTraceLog.SetTracing(cbTrace->isChecked());
  // Before the bar is built there is no button to show yet; FormCreate sets it from the box.
  if (!TraceButton) return;
  TraceButton->setVisible(cbTrace->isChecked());
  TraceButton->setEnabled(cbTrace->isChecked());
}
