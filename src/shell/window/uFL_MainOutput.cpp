// The results page's machine-readable side: the last action's outcomes saved as a SARIF log, and
// files opened in the user's editor at a finding's line.
#include <QProcess>

#include <fstream>

#include "output/uFL_FindingsReport.h"
#include "shell/uFL_EditorCommand.h"
#include "support/uFL_QtText.h"
#include "support/uFL_Utils.h"
#include "support/uFL_Version.h"
#include "uFL_Main.h"
#include "uFL_RecentComboBox.h"

void TMain::PrepareRunRecord(const TActionParams& Params) {
  // What ferrolin-cli records for the same run, so that both write the same log.
  FPendingRun = TRunRecord();
  FPendingRun.Action = Params.Action;
  FPendingRun.Version = FerrolinVersion;
  FPendingRun.FileCount = FFileList.Count();
  FPendingRun.StartDir = AbsoluteStartDir(cbDir->Text());
  if (Params.Action == TActionKind::acSearch || Params.Action == TActionKind::acReplace)
    FPendingRun.Terms = Params.SearchList;
  FDriver->OnFileDone = [this](const TFileOutcome& Outcome) { FLastOutcomes.push_back(Outcome); };
}

void TMain::SaveSarif(const std::string& FileName) const {
  std::ofstream Out(FileName, std::ios::binary | std::ios::trunc);
  if (!Out) throw EFileError("Cannot create file \"" + FileName + "\".");
  WriteReport(TOutputFormat::ofSarif, FLastRun, FLastOutcomes, Out);
  Out.close();
  if (!Out) throw EFileError("Cannot write file \"" + FileName + "\".");
}

bool TMain::OpenInEditor(TResultNode* Node) {
  if (!Node || cbEditor->Text().empty()) return false;
  const std::string& Path = Node->FileNode()->Text;
  const int Line = std::max(EntryLineNumber(Node->Text), 1);
  int Column = 1;
  // The column of the line's first finding, where the action knew it.
  for (const TFileOutcome& Outcome : FLastOutcomes) {
    if (Outcome.Path != Path) continue;
    for (const TFinding& F : Outcome.Findings)
      if (F.Line == Line && F.Column > 0) {
        Column = F.Column;
        break;
      }
    break;
  }
  const std::vector<std::string> Words = EditorCommandWords(cbEditor->Text(), Path, Line, Column);
  if (Words.empty()) return false;
  StartEditor(Words);
  return true;
}
