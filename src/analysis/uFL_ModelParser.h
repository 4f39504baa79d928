// The cursor over a token list that the Delphi and PL/SQL model builders share.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string_view>

#include "analysis/uFL_SourceModel.h"

class TModelParser {
 public:
  explicit TModelParser(TSourceModel& Model) : M(Model), T(Model.Source.Tokens) {}

 protected:
  bool End() const { return P >= T.size(); }
  bool At(std::string_view W, size_t Ahead = 0) const {
    return P + Ahead < T.size() && T[P + Ahead].Is(W);
  }
  bool AtAny(std::initializer_list<std::string_view> Words, size_t Ahead = 0) const {
    for (std::string_view W : Words)
      if (At(W, Ahead)) return true;
    return false;
  }
  bool IsWord(size_t I) const { return I < T.size() && T[I].IsWord(); }
  // Moves past the matching ")" (or "]") of the bracket at P.
  void SkipBrackets() {
    int Depth = 0;
    for (; P < T.size(); ++P) {
      const TToken& S = T[P];
      if (S.Is("(") || S.Is("[")) ++Depth;
      if ((S.Is(")") || S.Is("]")) && --Depth <= 0) {
        ++P;
        return;
      }
    }
  }
  // Moves past the next ";" outside brackets, stopping early (not past) at a word of Stop.
  void SkipStatement(std::initializer_list<std::string_view> Stop = {}) {
    // The stop words' keys, worked out once: most tokens differ from each in the key.
    uint64_t Keys[16];
    size_t Count = 0;
    for (std::string_view W : Stop)
      if (Count < std::size(Keys)) Keys[Count++] = TokenKey(W);
    int Depth = 0;
    for (; P < T.size(); ++P) {
      const TToken& S = T[P];
      if (S.Is("(") || S.Is("[")) ++Depth;
      if ((S.Is(")") || S.Is("]")) && Depth > 0) --Depth;
      if (Depth == 0 && S.Is(";")) {
        ++P;
        return;
      }
      if (Depth == 0)
        for (size_t k = 0; k < Stop.size(); ++k)
          if ((k >= Count || S.Key == Keys[k]) && S.Text() == Stop.begin()[k]) return;
    }
  }
  // The dotted name at P ("TFORM1.LOADDATA"), generic arguments left out.
  std::string DottedName() {
    std::string Name;
    while (IsWord(P)) {
      Name += T[P++].Text();
      if (At("<")) SkipAngles();
      if (!At(".") || !IsWord(P + 1)) break;
      Name += '.';
      ++P;
    }
    return Name;
  }
  void SkipAngles() {
    int Depth = 0;
    for (; P < T.size(); ++P) {
      if (T[P].Is("<")) ++Depth;
      if (T[P].Is(">") && --Depth <= 0) {
        ++P;
        return;
      }
      if (T[P].Is(";") || T[P].Is("BEGIN")) return;  // a comparison, not generics
    }
  }

  TSourceModel& M;
  const TTokenList& T;
  size_t P = 0;
};
