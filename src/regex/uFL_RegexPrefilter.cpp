// Literal prefilter: the literals every match holds, read from the program, and the buffer scan.
#include "regex/uFL_RegexPrefilter.h"

#include <algorithm>
#include <cstring>

#include "regex/uFL_RegexEngine.h"
#include "regex/uFL_RegexOpcodes.h"
#include "regex/uFL_RegexRarity.h"

namespace {

struct TPiece {
  std::string Text;
  bool Caseless = false;
  bool operator==(const TPiece&) const = default;
};
// Every match of a part of the program holds one of these; empty when nothing is known.
using TPieceSet = std::vector<TPiece>;

size_t ShortestOf(const TPieceSet& Set) {
  size_t Shortest = SIZE_MAX;
  for (const TPiece& Piece : Set) Shortest = std::min(Shortest, Piece.Text.size());
  return Shortest;
}

// A set rules out more the longer its shortest literal is, and the fewer literals it has.
bool Better(const TPieceSet& Set, const TPieceSet& Than) {
  if (Set.empty()) return false;
  if (Than.empty()) return true;
  const size_t A = ShortestOf(Set), B = ShortestOf(Than);
  if (A != B) return A > B;
  return Set.size() < Than.size();
}

// Walks the node chains. A chain followed by its next offsets is passed by every path through
// it, so any literal on it is held by every match of the chain; alternatives contribute the union
// of what each of them holds, and only when each holds something.
class TExtractor {
 public:
  explicit TExtractor(const std::vector<uint8_t>& Code) : FCode(Code) {}

  bool Failed() const { return FFailed; }

  // The alternatives that start at First; Continue gets the node where they all join again.
  TPieceSet Alternatives(int32_t First, int32_t& Continue, int Depth) {
    Continue = First;
    while (Continue != 0 && FCode[size_t(Continue)] == opAlternative) Continue = Next(Continue);
    if (Depth > kMaxDepth) return Fail();
    TPieceSet Union;
    for (int32_t Alt = First; Alt != Continue && !FFailed; Alt = Next(Alt)) {
      const TPieceSet Set = Sequence(Alt + kNodeHeaderSize, Continue, Depth + 1);
      if (Set.empty()) return {};
      for (const TPiece& Piece : Set)
        if (std::find(Union.begin(), Union.end(), Piece) == Union.end()) Union.push_back(Piece);
      if (Union.size() > TRegexPrefilter::kMaxLiterals) return {};
    }
    return Union;
  }

 private:
  static constexpr int kMaxDepth = 64;

  TPieceSet Fail() {
    FFailed = true;
    return {};
  }

  int32_t Next(int32_t Node) const {
    const int32_t Offset = NextOffsetOf(FCode.data() + Node);
    return Offset == 0 ? 0 : Node + Offset;
  }

  // The literal of a repeated single node, when it is one.
  TPieceSet SingleLiteral(int32_t Node) const {
    const uint8_t* const At = FCode.data() + Node;
    if ((At[0] != opLiteral && At[0] != opLiteralCI) || At[kNodeHeaderSize] == 0) return {};
    return {{std::string(1, char(At[kNodeHeaderSize])), At[0] == opLiteralCI}};
  }

  // The best set held by every match of the chain from Node up to Stop.
  TPieceSet Sequence(int32_t Node, int32_t Stop, int Depth) {
    TPieceSet Best;
    auto Consider = [&Best](TPieceSet Set) {
      if (Better(Set, Best)) Best = std::move(Set);
    };
    while (Node != 0 && Node != Stop && !FFailed) {
      // Every node is walked at most once per chain it lies on; more steps mean a cycle.
      if (++FSteps > FCode.size()) return Fail();
      const uint8_t* const At = FCode.data() + Node;
      switch (At[0]) {
        case opEnd:
        case opJumpBack:  // back into a loop: what follows was walked already
        case opLoop:
        case opLoopLazy:
          return Best;
        case opLiteral:
        case opLiteralCI: {
          // A literal of code 0 only marks the end of the input.
          const char* const Text = reinterpret_cast<const char*>(At + kNodeHeaderSize);
          if (Text[0] != 0) Consider({{std::string(Text), At[0] == opLiteralCI}});
          break;
        }
        case opAlternative: {
          int32_t Continue = 0;
          Consider(Alternatives(Node, Continue, Depth + 1));
          Node = Continue;
          continue;
        }
        case opPlus:
        case opPlusLazy:
          Consider(SingleLiteral(Node + kNodeHeaderSize));
          break;
        case opRepeat:
        case opRepeatLazy:
          if (ReadInt32(At + kOperandMin) > 0) Consider(SingleLiteral(Node + kRepeatHeaderSize));
          break;
        case opLoopEntry: {
          // The body lies between the entry and its loop node; it is passed only with a minimum.
          const int32_t Loop = Next(Node);
          if (Loop == 0 || (FCode[size_t(Loop)] != opLoop && FCode[size_t(Loop)] != opLoopLazy))
            return Fail();
          if (ReadInt32(FCode.data() + Loop + kOperandMin) > 0)
            Consider(Sequence(Node + kNodeHeaderSize, Loop, Depth + 1));
          Node = Next(Loop);
          continue;
        }
        default:  // zero-width nodes, one-character nodes, stars: nothing certain
          break;
      }
      Node = Next(Node);
    }
    return Best;
  }

  const std::vector<uint8_t>& FCode;
  size_t FSteps = 0;
  bool FFailed = false;
};

bool HasBackReference(const std::vector<uint8_t>& Code) {
  for (size_t At = 1; At + kNodeHeaderSize <= Code.size(); At += NodeSizeAt(Code.data() + At))
    if (Code[At] == opBackRef || Code[At] == opBackRefCI) return true;
  return false;
}

}  // namespace

std::optional<TRegexPrefilter> TRegexPrefilter::Build(const TRegexEngine& CompiledEngine) {
  const TRegexProgram& Program = CompiledEngine.CompiledProgram();
  // A program left from other modifiers is not what the next search runs.
  if (!CompiledEngine.Compiled() || Program.Empty() ||
      Program.Modifiers != CompiledEngine.ModifierFlags())
    return std::nullopt;
  return Build(Program, CompiledEngine.CaseTable());
}

std::optional<TRegexPrefilter> TRegexPrefilter::Build(const TRegexProgram& Program,
                                                      const TRegexByteSet& CaseTable) {
  if (Program.Code.size() < 1 + kNodeHeaderSize || Program.Code[0] != kProgramSignature ||
      HasBackReference(Program.Code))
    return std::nullopt;
  TExtractor Extractor(Program.Code);
  int32_t Continue = 0;
  const TPieceSet Set = Extractor.Alternatives(1, Continue, 0);
  if (Extractor.Failed() || Set.empty()) return std::nullopt;
  TRegexPrefilter Filter;
  Filter.FShortest = SIZE_MAX;
  for (const TPiece& Piece : Set) {
    TLiteral Literal;
    Literal.Text = Piece.Text;
    Literal.Other = Piece.Text;
    if (Piece.Caseless)
      for (char& Ch : Literal.Other) Ch = char(CaseTable[uint8_t(Ch)]);
    for (size_t i = 1; i < Literal.Text.size(); ++i)
      if (RegexByteRarity(uint8_t(Literal.Text[i])) >
          RegexByteRarity(uint8_t(Literal.Text[Literal.Anchor])))
        Literal.Anchor = i;
    Filter.FShortest = std::min(Filter.FShortest, Literal.Text.size());
    Filter.FLiterals.push_back(std::move(Literal));
  }
  // One literal is looked for at its rarest byte, a set at the first bytes of its literals.
  if (Filter.FLiterals.size() == 1) Filter.FScanOffset = Filter.FLiterals.front().Anchor;
  int Members = 0;
  for (const TLiteral& Literal : Filter.FLiterals)
    for (const std::string* Text : {&Literal.Text, &Literal.Other}) {
      uint8_t& In = Filter.FScanSet[uint8_t((*Text)[Filter.FScanOffset])];
      Members += !In;
      In = 1;
      Filter.FSingle = uint8_t((*Text)[Filter.FScanOffset]);
    }
  if (Members > 1) Filter.FSingle = -1;
  Filter.FScan = TRegexByteScan::Build(Filter.FScanSet);
  return Filter;
}

std::vector<std::string> TRegexPrefilter::Literals() const {
  std::vector<std::string> Texts;
  for (const TLiteral& Literal : FLiterals) Texts.push_back(Literal.Text);
  return Texts;
}

bool TRegexPrefilter::Caseless() const {
  for (const TLiteral& Literal : FLiterals)
    if (Literal.Text != Literal.Other) return true;
  return false;
}

bool TRegexPrefilter::MatchesAt(const TLiteral& Literal, const uint8_t* At,
                                const uint8_t* End) const {
  const size_t Length = Literal.Text.size();
  if (size_t(End - At) < Length) return false;
  const auto* Text = reinterpret_cast<const uint8_t*>(Literal.Text.data());
  const auto* Other = reinterpret_cast<const uint8_t*>(Literal.Other.data());
  for (size_t i = 0; i < Length; ++i)
    if (At[i] != Text[i] && At[i] != Other[i]) return false;
  return true;
}

size_t TRegexPrefilter::FindCandidate(std::string_view Buffer, size_t From) const {
  if (From > Buffer.size() || Buffer.size() - From < FShortest) return std::string_view::npos;
  const auto* const Base = reinterpret_cast<const uint8_t*>(Buffer.data());
  const uint8_t* const End = Base + Buffer.size();
  // Every occurrence that fits from From on has its scanned byte in [First, Last].
  const uint8_t* const First = Base + From + FScanOffset;
  const uint8_t* const Last = End - FShortest + FScanOffset;
  auto Verify = [&](const uint8_t* At) {
    for (const TLiteral& Literal : FLiterals)
      if (MatchesAt(Literal, At, End)) return true;
    return false;
  };
  for (const uint8_t* At = First; At <= Last; ++At) {
    At = FSingle >= 0 ? static_cast<const uint8_t*>(std::memchr(At, FSingle, size_t(Last - At) + 1))
                      : NextInByteSet(FScanSet, FScan, At, Last + 1);
    if (!At || At > Last) break;
    if (Verify(At - FScanOffset)) return size_t(At - FScanOffset - Base);
  }
  return std::string_view::npos;
}
