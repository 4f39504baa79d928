// The working line: gap buffer, remembered needles and their upkeep across cuts.
#include "analysis/uFL_WorkLine.h"

#include <algorithm>
#include <array>
#include <cstring>

void TWorkLine::Assign(std::string_view Text, bool UpperCase) {
  static const auto Upper = [] {
    std::array<unsigned char, 256> U{};
    for (int C = 0; C < 256; ++C)
      U[size_t(C)] = static_cast<unsigned char>(C >= 'a' && C <= 'z' ? C - 32 : C);
    return U;
  }();
  FBuf.resize(Text.size());
  const unsigned char* From = reinterpret_cast<const unsigned char*>(Text.data());
  char* To = FBuf.data();
  uint64_t Bytes = 0;
  if (UpperCase) {
    for (size_t i = 0; i < Text.size(); ++i) {
      const unsigned char C = Upper[From[i]];
      To[i] = char(C);
      Bytes |= uint64_t(1) << (C & 63);
    }
  } else {
    for (size_t i = 0; i < Text.size(); ++i) {
      To[i] = char(From[i]);
      Bytes |= uint64_t(1) << (From[i] & 63);
    }
  }
  FBytes = Bytes;
  FGapStart = FGapEnd = FBuf.size();
  ++FGeneration;
  FActiveCount = 0;
}

std::string TWorkLine::Substr(size_t A, size_t B) const {
  std::string R;
  if (B <= A) return R;
  R.reserve(B - A);
  if (A < FGapStart) R.append(FBuf, A, std::min(B, FGapStart) - A);
  if (B > FGapStart) {
    const size_t From = std::max(A, FGapStart);
    R.append(FBuf, From + (FGapEnd - FGapStart), B - From);
  }
  return R;
}

bool TWorkLine::MatchesAt(std::string_view Text, size_t Pos) const {
  if (Pos + Text.size() > Size()) return false;
  for (size_t i = 0; i < Text.size(); ++i)
    if (At(Pos + i) != Text[i]) return false;
  return true;
}

size_t TWorkLine::Scan(std::string_view Text, size_t From) const {
  const size_t L = Text.size();
  const size_t N = Size();
  if (L == 0 || From > N || N - From < L) return npos;
  const size_t G = FGapStart;
  // Wholly before the gap.
  if (From < G) {
    const size_t R = std::string_view(FBuf.data() + From, G - From).find(Text);
    if (R != std::string_view::npos) return From + R;
  }
  // Across the gap.
  if (G > 0 && L > 1) {
    size_t Q = std::max(From, G >= L - 1 ? G - (L - 1) : size_t(0));
    for (; Q < G; ++Q)
      if (MatchesAt(Text, Q)) return Q;
  }
  // Wholly after the gap.
  const size_t S = std::max(From, G);
  if (S < N) {
    const size_t R = std::string_view(FBuf.data() + S + (FGapEnd - FGapStart), N - S).find(Text);
    if (R != std::string_view::npos) return S + R;
  }
  return npos;
}

size_t TWorkLine::FindPresent(const TNeedle& Needle, size_t From) {
  if (Needle.Id < 0 || Needle.Id >= MaxNeedles) return Scan(Needle.Text, From);
  TEntry& E = FEntries[Needle.Id];
  if (E.Generation == FGeneration && E.Start <= From) {
    if (E.State == stNone) return npos;
    if (From <= E.End) {
      if (E.State == stFound) return E.End;
      const size_t R = Scan(Needle.Text, E.End);
      E.End = R;
      E.State = R == npos ? stNone : stFound;
      return R;
    }
  }
  const size_t R = Scan(Needle.Text, From);
  if (E.Generation != FGeneration) {
    E.Generation = FGeneration;
    FActive[FActiveCount++] = Needle.Id;
  }
  E.Text = Needle.Text;
  E.Start = From;
  E.End = R;
  E.State = R == npos ? stNone : stFound;
  return R;
}

void TWorkLine::MoveGap(size_t To) {
  if (To < FGapStart) {
    const size_t Len = FGapStart - To;
    memmove(&FBuf[FGapEnd - Len], &FBuf[To], Len);
    FGapStart = To;
    FGapEnd -= Len;
  } else if (To > FGapStart) {
    const size_t Len = To - FGapStart;
    memmove(&FBuf[FGapStart], &FBuf[FGapEnd], Len);
    FGapStart = To;
    FGapEnd += Len;
  }
}

void TWorkLine::Erase(size_t A, size_t B) {
  B = std::min(B, Size());
  if (A >= B) return;
  MoveGap(A);
  FGapEnd += B - A;
  for (int i = 0; i < FActiveCount; ++i) UpdateAfterErase(FEntries[FActive[i]], A, B);
}

// Positions before A keep their text; positions from B on move down by B - A; an occurrence can
// newly stand across A only when it starts in [A - L + 1, A), which is looked at directly.
void TWorkLine::UpdateAfterErase(TEntry& E, size_t A, size_t B) {
  const size_t L = E.Text.size();
  const size_t D = B - A;
  const size_t Cut = A >= L - 1 ? A - (L - 1) : 0;
  if (E.State == stFound && E.End + L <= A) return;
  if (E.State == stUnknown && E.End <= Cut) return;
  if (E.Start >= B) {
    E.Start -= D;
    if (E.State != stNone) E.End -= D;
    return;
  }
  if (E.Start < A) {
    for (size_t Q = std::max(E.Start, Cut); Q < A; ++Q)
      if (MatchesAt(E.Text, Q)) {
        E.End = Q;
        E.State = stFound;
        return;
      }
  } else {
    E.Start = A;
  }
  if (E.State == stNone) return;
  if (E.End >= B) {
    E.End -= D;
  } else {
    E.End = A;
    E.State = stUnknown;
  }
}

void TWorkLine::TrimEnds() {
  const size_t N = Size();
  size_t B = 0;
  while (B < N && static_cast<unsigned char>(At(B)) <= ' ') ++B;
  size_t E = N;
  while (E > B && static_cast<unsigned char>(At(E - 1)) <= ' ') --E;
  if (E < N) Erase(E, N);
  if (B > 0) Erase(0, B);
}
