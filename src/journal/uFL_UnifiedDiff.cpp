// Myers' difference algorithm over lines, after the common head and tail are set aside. A middle
// whose edit distance exceeds a bound is shown as removed and added whole: still a correct patch,
// without the quadratic cost.
#include "journal/uFL_UnifiedDiff.h"

#include <algorithm>

namespace {

using TLineList = std::vector<std::string_view>;

enum class TOp : char { Equal, Delete, Insert };

struct TEdit {
  TOp Op;
  int Old, New;  // 0-based line indexes; the one the op does not use is its position
};

constexpr int MaxDistance = 2000;
constexpr int Context = 3;

// Lines that end at LF, each with its LF (the last one may have none).
TLineList SplitAtLf(std::string_view Text) {
  TLineList Lines;
  size_t Start = 0;
  while (Start < Text.size()) {
    size_t End = Text.find('\n', Start);
    End = End == std::string_view::npos ? Text.size() : End + 1;
    Lines.push_back(Text.substr(Start, End - Start));
    Start = End;
  }
  return Lines;
}

// Lines as the file model cuts them: at CR LF, CR and LF, breaks not included, reading stopped at
// the first NUL; text after the last break is a line when not empty.
TLineList SplitAsModel(std::string_view Text) {
  if (auto Nul = Text.find('\0'); Nul != std::string_view::npos) Text = Text.substr(0, Nul);
  TLineList Lines;
  size_t Start = 0;
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] != '\r' && Text[i] != '\n') continue;
    Lines.push_back(Text.substr(Start, i - Start));
    if (Text[i] == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
    Start = i + 1;
  }
  if (Start < Text.size()) Lines.push_back(Text.substr(Start));
  return Lines;
}

// Appends the edits turning A[AFrom, ATo) into B[BFrom, BTo).
void DiffMiddle(const TLineList& A, int AFrom, int ATo, const TLineList& B, int BFrom, int BTo,
                std::vector<TEdit>& Edits) {
  const int N = ATo - AFrom, M = BTo - BFrom;
  auto Whole = [&] {
    for (int i = 0; i < N; ++i) Edits.push_back({TOp::Delete, AFrom + i, BFrom});
    for (int j = 0; j < M; ++j) Edits.push_back({TOp::Insert, ATo, BFrom + j});
  };
  if (N == 0 || M == 0) return Whole();
  if (N == M) {
    // As many lines as before (a replace that kept the breaks): pair them in order.
    for (int i = 0; i < N;) {
      if (A[size_t(AFrom + i)] == B[size_t(BFrom + i)]) {
        Edits.push_back({TOp::Equal, AFrom + i, BFrom + i});
        ++i;
        continue;
      }
      int e = i;
      while (e < N && A[size_t(AFrom + e)] != B[size_t(BFrom + e)]) ++e;
      for (int k = i; k < e; ++k) Edits.push_back({TOp::Delete, AFrom + k, BFrom + i});
      for (int k = i; k < e; ++k) Edits.push_back({TOp::Insert, AFrom + e, BFrom + k});
      i = e;
    }
    return;
  }
  const int Max = std::min(N + M, MaxDistance);
  std::vector<int> V(size_t(2 * Max + 3), 0);
  auto At = [&](int K) -> int& { return V[size_t(K + Max + 1)]; };
  std::vector<std::vector<int>> Trace;
  int Found = -1;
  for (int D = 0; D <= Max && Found < 0; ++D) {
    Trace.emplace_back();
    for (int K = -D + 1; K <= D - 1; ++K) Trace.back().push_back(At(K));
    for (int K = -D; K <= D; K += 2) {
      int X = (K == -D || (K != D && At(K - 1) < At(K + 1))) ? At(K + 1) : At(K - 1) + 1;
      int Y = X - K;
      while (X < N && Y < M && A[size_t(AFrom + X)] == B[size_t(BFrom + Y)]) ++X, ++Y;
      At(K) = X;
      if (X >= N && Y >= M) {
        Found = D;
        break;
      }
    }
  }
  if (Found < 0) return Whole();
  std::vector<TEdit> Back;
  int X = N, Y = M;
  for (int D = Found; D > 0; --D) {
    const std::vector<int>& Prev = Trace[size_t(D)];  // V after step D - 1, for K in [-(D-1), D-1]
    auto P = [&](int K) { return Prev[size_t(K + D - 1)]; };
    const int K = X - Y;
    const int PrevK = (K == -D || (K != D && P(K - 1) < P(K + 1))) ? K + 1 : K - 1;
    const int PrevX = P(PrevK), PrevY = PrevX - PrevK;
    while (X > PrevX && Y > PrevY) {
      --X, --Y;
      Back.push_back({TOp::Equal, AFrom + X, BFrom + Y});
    }
    if (X == PrevX)
      Back.push_back({TOp::Insert, AFrom + X, BFrom + PrevY});
    else
      Back.push_back({TOp::Delete, AFrom + PrevX, BFrom + Y});
    X = PrevX, Y = PrevY;
  }
  while (X > 0 && Y > 0) {
    --X, --Y;
    Back.push_back({TOp::Equal, AFrom + X, BFrom + Y});
  }
  Edits.insert(Edits.end(), Back.rbegin(), Back.rend());
}

std::vector<TEdit> Diff(const TLineList& A, const TLineList& B) {
  const int N = int(A.size()), M = int(B.size());
  int Head = 0;
  while (Head < N && Head < M && A[size_t(Head)] == B[size_t(Head)]) ++Head;
  int Tail = 0;
  while (Tail < N - Head && Tail < M - Head && A[size_t(N - 1 - Tail)] == B[size_t(M - 1 - Tail)])
    ++Tail;
  std::vector<TEdit> Edits;
  for (int i = 0; i < Head; ++i) Edits.push_back({TOp::Equal, i, i});
  DiffMiddle(A, Head, N - Tail, B, Head, M - Tail, Edits);
  for (int i = Tail; i > 0; --i) Edits.push_back({TOp::Equal, N - i, M - i});
  return Edits;
}

void AddLine(std::string& Out, char Prefix, std::string_view Line) {
  Out += Prefix;
  Out += Line;
  if (Line.empty() || Line.back() != '\n') Out += "\n\\ No newline at end of file\n";
}

std::string Range(int Start, int Count) {
  // An empty range names the line before it, as diff writes it.
  return std::to_string(Count == 0 ? Start : Start + 1) + "," + std::to_string(Count);
}

}  // namespace

std::string UnifiedDiff(std::string_view Old, std::string_view New, const std::string& Name) {
  const TLineList A = SplitAtLf(Old), B = SplitAtLf(New);
  const std::vector<TEdit> Edits = Diff(A, B);
  std::string Out;
  const int Count = int(Edits.size());
  int i = 0;
  while (i < Count) {
    while (i < Count && Edits[size_t(i)].Op == TOp::Equal) ++i;
    if (i == Count) break;
    // A hunk: from Context lines before this change to Context lines after the last change
    // that is no more than 2 * Context equal lines from the one before it.
    const int First = std::max(0, i - Context);
    int Last = i;  // last change of the hunk
    for (int j = i + 1; j < Count; ++j) {
      if (Edits[size_t(j)].Op == TOp::Equal) {
        if (j - Last > 2 * Context) break;
        continue;
      }
      Last = j;
    }
    const int End = std::min(Count, Last + Context + 1);
    int OldCount = 0, NewCount = 0;
    for (int j = First; j < End; ++j) {
      OldCount += Edits[size_t(j)].Op != TOp::Insert;
      NewCount += Edits[size_t(j)].Op != TOp::Delete;
    }
    if (Out.empty()) Out = "--- a/" + Name + "\n+++ b/" + Name + "\n";
    Out += "@@ -" + Range(Edits[size_t(First)].Old, OldCount) + " +" +
           Range(Edits[size_t(First)].New, NewCount) + " @@\n";
    for (int j = First; j < End; ++j) {
      const TEdit& E = Edits[size_t(j)];
      if (E.Op == TOp::Equal) AddLine(Out, ' ', A[size_t(E.Old)]);
      if (E.Op == TOp::Delete) AddLine(Out, '-', A[size_t(E.Old)]);
      if (E.Op == TOp::Insert) AddLine(Out, '+', B[size_t(E.New)]);
    }
    i = End;
  }
  return Out;
}

std::vector<std::pair<int, std::string>> ChangedLines(std::string_view Old, std::string_view New) {
  const TLineList A = SplitAsModel(Old), B = SplitAsModel(New);
  std::vector<std::pair<int, std::string>> Lines;
  for (const TEdit& E : Diff(A, B))
    if (E.Op == TOp::Insert) Lines.emplace_back(E.New + 1, std::string(B[size_t(E.New)]));
  return Lines;
}
