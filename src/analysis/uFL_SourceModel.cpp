// The source model: the builders of the two languages behind one call.
#include "analysis/uFL_SourceModel.h"

void BuildDelphiRoutines(TSourceModel& Model);
void BuildPlsqlRoutines(TSourceModel& Model);

const TDeclared* TSourceRoutine::Local(const std::string& Name) const {
  for (const TDeclared& D : Locals)
    if (D.Name == Name) return &D;
  return nullptr;
}

TSourceModel BuildSourceModel(const TLines& Lines, TSourceLanguage Language) {
  TSourceModel Model;
  Model.Source = ScanSource(Lines, Language);
  if (Language == TSourceLanguage::slDelphi)
    BuildDelphiRoutines(Model);
  else
    BuildPlsqlRoutines(Model);
  return Model;
}
