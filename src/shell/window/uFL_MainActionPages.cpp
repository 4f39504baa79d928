// The Generic, Delphi and Oracle action pages: inputs, their checks, and the start of an action.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "files/uFL_CheckTable.h"
#include "shell/uFL_PageRules.h"
#include "support/uFL_QtText.h"
#include "uFL_CheckListBox.h"
#include "uFL_Dialogs.h"
#include "uFL_Main.h"
#include "uFL_MainTexts.h"
#include "uFL_RecentComboBox.h"

namespace {

QGroupBox* Group(QWidget* Parent, const char* Name) {
  auto* G = new QGroupBox(Q(ControlText(Name).Caption), Parent);
  G->setObjectName(Q(Name));
  return G;
}
}  // namespace

void TMain::CreateGenericPage() {
  auto* Page = new QVBoxLayout(tsGeneric);
  QGroupBox* gbSearchReplace = Group(tsGeneric, "gbSearchReplace");
  auto* G = new QGridLayout(gbSearchReplace);
  cbSearch = CreateComboBox(gbSearchReplace, "cbSearch");
  G->addWidget(CreateLabel(gbSearchReplace, "lblSearch", cbSearch), 0, 0);
  G->addWidget(cbSearch, 0, 1);
  QToolButton* spbMultiSearch = CreateSmallButton(gbSearchReplace, "spbMultiSearch", 10);
  G->addWidget(spbMultiSearch, 0, 2);
  QPushButton* btnSearch = CreateButton(gbSearchReplace, "btnSearch", true);
  G->addWidget(btnSearch, 0, 3);
  cbReplace = CreateComboBox(gbSearchReplace, "cbReplace");
  G->addWidget(CreateLabel(gbSearchReplace, "lblReplace", cbReplace), 1, 0);
  G->addWidget(cbReplace, 1, 1);
  QToolButton* spbMultiReplace = CreateSmallButton(gbSearchReplace, "spbMultiReplace", 10);
  G->addWidget(spbMultiReplace, 1, 2);
  QPushButton* btnReplace = CreateButton(gbSearchReplace, "btnReplace", true);
  G->addWidget(btnReplace, 1, 3);
  cbCaseSensitive = CreateCheckBox(gbSearchReplace, "cbCaseSensitive", false);
  cbRegExp = CreateCheckBox(gbSearchReplace, "cbRegExp", false);
  cbRPOverwrite = CreateCheckBox(gbSearchReplace, "cbRPOverwrite", true);
  G->addWidget(cbCaseSensitive, 2, 1);
  G->addWidget(cbRegExp, 3, 1);
  G->addWidget(cbRPOverwrite, 4, 1);
  cbRPPreview = CreateCheckBox(gbSearchReplace, "cbRPPreview", false);
  G->addWidget(cbRPPreview, 5, 1);
  sbSearchReplace = new QStatusBar(gbSearchReplace);
  sbSearchReplace->setObjectName(QStringLiteral("sbSearchReplace"));
  sbSearchReplace->setAccessibleName(QStringLiteral("sbSearchReplace"));
  sbSearchReplace->setSizeGripEnabled(false);
  G->addWidget(sbSearchReplace, 6, 0, 1, 4);
  G->setColumnStretch(1, 1);
  Page->addWidget(gbSearchReplace);

  QGroupBox* gbRunWith = Group(tsGeneric, "gbRunWith");
  auto* R = new QGridLayout(gbRunWith);
  cbRunWith = CreateComboBox(gbRunWith, "cbRunWith");
  R->addWidget(CreateLabel(gbRunWith, "lblRunWith", cbRunWith), 0, 0);
  R->addWidget(cbRunWith, 0, 1);
  QToolButton* spbRunWith = CreateSmallButton(gbRunWith, "spbRunWith", 11);
  R->addWidget(spbRunWith, 0, 2);
  QPushButton* btnRunWith = CreateButton(gbRunWith, "btnRunWith", true);
  R->addWidget(btnRunWith, 0, 3);
  cbParams = CreateComboBox(gbRunWith, "cbParams");
  R->addWidget(CreateLabel(gbRunWith, "lblParams", cbParams), 1, 0);
  R->addWidget(cbParams, 1, 1);
  cbShowOutput = CreateCheckBox(gbRunWith, "cbShowOutput", true);
  cbMultiThreaded = CreateCheckBox(gbRunWith, "cbMultiThreaded", false);
  R->addWidget(cbShowOutput, 2, 1);
  R->addWidget(cbMultiThreaded, 3, 1);
  R->setColumnStretch(1, 1);
  Page->addWidget(gbRunWith);
  Page->addStretch(1);

  connect(btnSearch, &QPushButton::clicked, this, Handler(&TMain::btnSearchClick));
  connect(btnReplace, &QPushButton::clicked, this, Handler(&TMain::btnReplaceClick));
  connect(spbMultiSearch, &QToolButton::clicked, this, Handler(&TMain::spbMultiSearchClick));
  connect(spbMultiReplace, &QToolButton::clicked, this, Handler(&TMain::spbMultiReplaceClick));
  connect(cbSearch, &TRecentComboBox::Entered, this, Handler(&TMain::cbSearchEnter));
  connect(cbSearch, &TRecentComboBox::Exited, this, Handler(&TMain::cbSearchExit));
  connect(cbReplace, &TRecentComboBox::Entered, this, Handler(&TMain::cbReplaceEnter));
  connect(cbReplace, &TRecentComboBox::Exited, this, Handler(&TMain::cbReplaceExit));
  connect(btnRunWith, &QPushButton::clicked, this, Handler(&TMain::btnRunWithClick));
  connect(spbRunWith, &QToolButton::clicked, this, Handler(&TMain::spbRunWithClick));
}

void TMain::CreateDelphiPage() {
  auto* Page = new QVBoxLayout(tsDelphi);
  QGroupBox* gbAddUnit = Group(tsDelphi, "gbAddUnit");
  auto* U = new QGridLayout(gbAddUnit);
  cbUnit = CreateComboBox(gbAddUnit, "cbUnit");
  U->addWidget(CreateLabel(gbAddUnit, "lblUnit", cbUnit), 0, 0);
  U->addWidget(cbUnit, 0, 1);
  QPushButton* btnAddUnit = CreateButton(gbAddUnit, "btnAddUnit", true);
  U->addWidget(btnAddUnit, 0, 2);
  cbAUOverwrite = CreateCheckBox(gbAddUnit, "cbAUOverwrite", true);
  U->addWidget(cbAUOverwrite, 1, 1);
  cbAUPreview = CreateCheckBox(gbAddUnit, "cbAUPreview", false);
  U->addWidget(cbAUPreview, 2, 1);
  U->setColumnStretch(1, 1);
  Page->addWidget(gbAddUnit);

  QGroupBox* gbDelphiChecks = Group(tsDelphi, "gbDelphiChecks");
  auto* C = new QGridLayout(gbDelphiChecks);
  clbDelphiChecks = new TCheckListBox(gbDelphiChecks);
  clbDelphiChecks->setObjectName(QStringLiteral("clbDelphiChecks"));
  clbDelphiChecks->setAccessibleName(QStringLiteral("clbDelphiChecks"));
  clbDelphiChecks->SetItems(CheckCaptions(TFileKind::fkDelphi));
  C->addWidget(clbDelphiChecks, 0, 0);
  QPushButton* btnDelphiCheck = CreateButton(gbDelphiChecks, "btnDelphiCheck", true);
  C->addWidget(btnDelphiCheck, 0, 1, Qt::AlignTop);
  Page->addWidget(gbDelphiChecks, 1);

  connect(btnAddUnit, &QPushButton::clicked, this, Handler(&TMain::btnAddUnitClick));
  connect(btnDelphiCheck, &QPushButton::clicked, this, Handler(&TMain::btnDelphiCheckClick));
}

void TMain::CreateOraclePage() {
  auto* Page = new QVBoxLayout(tsOracle);
  QGroupBox* gbOracleChecks = Group(tsOracle, "gbOracleChecks");
  auto* C = new QGridLayout(gbOracleChecks);
  clbOracleChecks = new TCheckListBox(gbOracleChecks);
  clbOracleChecks->setObjectName(QStringLiteral("clbOracleChecks"));
  clbOracleChecks->setAccessibleName(QStringLiteral("clbOracleChecks"));
  clbOracleChecks->SetItems(CheckCaptions(TFileKind::fkOracle));
  C->addWidget(clbOracleChecks, 0, 0);
  QPushButton* btnOracleCheck = CreateButton(gbOracleChecks, "btnOracleCheck", true);
  C->addWidget(btnOracleCheck, 0, 1, Qt::AlignTop);
  Page->addWidget(gbOracleChecks, 1);
  connect(btnOracleCheck, &QPushButton::clicked, this, Handler(&TMain::btnOracleCheckClick));
}

TActionParams TMain::ActionParams(TActionKind Action, TFileKind FileKind) const {
  TActionParams P;
  P.Action = Action;
  P.FileKind = FileKind;
  P.SearchList = SearchList;
  P.ReplaceList = ReplaceList;
  P.UseRegExpr = cbRegExp->isChecked();
  P.CaseSensitive = cbCaseSensitive->isChecked();
  P.ReplaceConfirm = cbRPOverwrite->isChecked();
  P.RunWith = cbRunWith->Text();
  P.Params = cbParams->Text();
  P.Wait = !cbMultiThreaded->isChecked();
  P.ShowOutput = cbShowOutput->isChecked();
  P.ChosenChecks = ChosenChecks;
  P.UnitName = cbUnit->Text();
  P.AddUnitConfirm = cbAUOverwrite->isChecked();
  P.PreviewOnly = (Action == TActionKind::acAddUnit ? cbAUPreview : cbRPPreview)->isChecked();
  return P;
}

void TMain::RunAction(TActionKind Action, TFileKind FileKind) {
  const TActionParams Params = ActionParams(Action, FileKind);
  PrepareRunRecord(Params);
  FDriver->DoFiles(Params);
}

void TMain::btnSearchClick() {
  if (const char* Message = PrepareSearch(cbSearch->Text(), SearchList)) {
    FDialogs.Information(Q(Message));
    return;
  }
  RunAction(TActionKind::acSearch, TFileKind::fkText);
}

void TMain::btnReplaceClick() {
  if (const char* Message =
          PrepareReplace(cbSearch->Text(), cbReplace->Text(), SearchList, ReplaceList)) {
    FDialogs.Information(Q(Message));
    return;
  }
  RunAction(TActionKind::acReplace, TFileKind::fkText);
}

void TMain::spbMultiSearchClick() {
  const auto File = FDialogs.OpenFile(Q(Msg::SearchFileTitle), QString());
  if (!File) return;
  LoadTermList(S(*File), SearchList);
  if (SearchList.size() == 1) {
    cbSearch->SetText(SearchList[0]);
  } else {
    cbSearch->SetGrey(true);
    cbSearch->SetText("");
  }
  ShowSearchReplaceSummary();
}

void TMain::spbMultiReplaceClick() {
  if (cbSearch->Text().empty() && SearchList.empty()) {
    FDialogs.Information(Q(PageMsg::EnterSearchText));
    return;
  }
  if (const auto File = FDialogs.OpenFile(Q(Msg::ReplaceFileTitle), QString())) {
    LoadTermList(S(*File), ReplaceList);
    if (ReplaceList.size() == 1) {
      cbReplace->SetText(ReplaceList[0]);
    } else {
      cbReplace->SetGrey(true);
      cbReplace->SetText("");
    }
    ShowSearchReplaceSummary();
  }
  // A typed term that is not in SearchList yet counts as no entry at all.
  if (!ReplaceListPairs(SearchList, ReplaceList)) {
    ReplaceList.clear();
    cbReplace->SetGrey(false);
    FDialogs.Information(Q(PageMsg::ListsDiffer));
    ShowSearchReplaceSummary();
  }
}

void TMain::cbSearchEnter() {
  cbSearch->SetGrey(false);
  SearchList.clear();
  ShowSearchReplaceSummary();
}

void TMain::cbSearchExit() {
  ShowSearchReplaceSummary();
}

void TMain::cbReplaceEnter() {
  cbReplace->SetGrey(false);
  ReplaceList.clear();
  ShowSearchReplaceSummary();
}

void TMain::cbReplaceExit() {
  ShowSearchReplaceSummary();
}

void TMain::ShowSearchReplaceSummary() {
  sbSearchReplace->showMessage(
      Q(SearchReplaceSummary(SearchList, cbSearch->Text(), ReplaceList, cbReplace->Text())));
}

void TMain::btnRunWithClick() {
  if (cbRunWith->Text().empty()) {
    FDialogs.Information(Q(PageMsg::EnterProgram));
    return;
  }
  RunAction(TActionKind::acRunWith, TFileKind::fkText);
}

void TMain::spbRunWithClick() {
  if (const auto File = FDialogs.OpenFile(Q(Msg::RunWithTitle), QString()))
    cbRunWith->SetText(S(*File));
}

void TMain::btnAddUnitClick() {
  if (cbUnit->Text().empty()) {
    FDialogs.Information(Q(PageMsg::EnterUnit));
    return;
  }
  RunAction(TActionKind::acAddUnit, TFileKind::fkDelphi);
}

void TMain::btnDelphiCheckClick() {
  ChosenChecks = ChecksFromList(TFileKind::fkDelphi, clbDelphiChecks->CheckStates());
  if (ChosenChecks == 0) {
    FDialogs.Information(Q(PageMsg::SelectChecks));
    return;
  }
  RunAction(TActionKind::acChecks, TFileKind::fkDelphi);
}

void TMain::btnOracleCheckClick() {
  ChosenChecks = ChecksFromList(TFileKind::fkOracle, clbOracleChecks->CheckStates());
  if (ChosenChecks == 0) {
    FDialogs.Information(Q(PageMsg::SelectChecks));
    return;
  }
  RunAction(TActionKind::acChecks, TFileKind::fkOracle);
}
