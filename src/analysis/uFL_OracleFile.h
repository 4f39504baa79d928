// The Oracle PL/SQL kind of source file: the check "Open, Fetch, No Close".
#pragma once

#include <string>

#include "analysis/uFL_CodeFile.h"

class TOracleFile : public TCodeFile {
 public:
  explicit TOracleFile(TResultTree* ResultTree);

  bool WriteResults() override;

 protected:
  void ProcessRoutineLine() override;
  void ProcessInterfaceLine(int) override {}
  void ProcessOutsideLine(int) override {}
  bool EndClosesBlock(size_t P) override;
  TSourceLanguage Language() const override { return TSourceLanguage::slPlsql; }

 private:
  void CountCaseBlocks();
  bool FollowsEnd(size_t P) const;
  bool ScanStartsInImplementation() const override { return true; }
};
