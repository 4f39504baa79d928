// The source model: the builders of the two languages behind one call.
#include "analysis/uFL_SourceModel.h"

#include <algorithm>

void BuildDelphiRoutines(TSourceModel& Model);
void BuildPlsqlRoutines(TSourceModel& Model);

const TDeclared* TSourceRoutine::Local(std::string_view Name) const {
  for (const TDeclared& D : Locals)
    if (D.Name == Name) return &D;
  return nullptr;
}

const TDeclared* DeclaredFor(const TSourceModel& M, size_t Self, std::string_view Name) {
  for (int p = int(Self); p >= 0; p = M.Routines[size_t(p)].Parent) {
    const TSourceRoutine& A = M.Routines[size_t(p)];
    if (const TDeclared* D = A.Local(Name)) return D;
    for (const TDeclared& D : A.Params)
      if (D.Name == Name) return &D;
  }
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
  auto& R = Model.Routines;
  for (size_t n = 0; n < R.size(); ++n) {
    R[n].NestedEnd = std::max(R[n].NestedEnd, n + 1);
    for (int p = R[n].Parent; p >= 0; p = R[size_t(p)].Parent)
      R[size_t(p)].NestedEnd = std::max(R[size_t(p)].NestedEnd, n + 1);
  }
  return Model;
}
