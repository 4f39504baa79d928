// The source model: the builders of the two languages behind one call.
#include "analysis/uFL_SourceModel.h"

void BuildDelphiRoutines(TSourceModel& Model);
void BuildPlsqlRoutines(TSourceModel& Model);

const TDeclared* TSourceRoutine::Local(std::string_view Name) const {
  for (const TDeclared& D : Locals)
    if (D.Name == Name) return &D;
  return nullptr;
}

TSourceModel BuildSourceModel(const TLines& Lines, TSourceLanguage Language) {
  TSourceModel Model;
  Model.Source = ScanSource(Lines, Language);
  // Routines are a hundred tokens and more: the vector is seldom moved as it grows.
  Model.Routines.reserve(Model.Source.Tokens.size() / 128 + 4);
  if (Language == TSourceLanguage::slDelphi)
    BuildDelphiRoutines(Model);
  else
    BuildPlsqlRoutines(Model);
  return Model;
}
