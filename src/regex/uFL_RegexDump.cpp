// The node program as text, one node a line: offset, opcode name, operand, next node.
#include "regex/uFL_RegexEngine.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "regex/uFL_RegexOpcodes.h"

namespace {

// Printable ASCII stands for itself; "\", the class punctuation and everything else is \xHH, so
// that a dump line never holds a blank or a control character.
void AppendChar(std::string& Out, unsigned Ch) {
  if (Ch > 0x20 && Ch < 0x7F && Ch != '\\' && Ch != '-' && Ch != '^') {
    Out += char(Ch);
    return;
  }
  char Hex[8];
  std::snprintf(Hex, sizeof Hex, "\\x%02X", Ch);
  Out += Hex;
}

// The members of a 32-byte set, runs of three or more as "a-z"; a set of more than half of all
// codes as "^" and the codes it lacks.
void AppendSet(std::string& Out, const uint8_t* Bits) {
  bool In[256];
  int Count = 0;
  for (int Ch = 0; Ch < 256; ++Ch) Count += (In[Ch] = (Bits[Ch >> 3] >> (Ch & 7)) & 1);
  const bool Complement = Count > 128;
  if (Complement) Out += '^';
  for (int Ch = 0; Ch < 256;) {
    if (In[Ch] == Complement) {
      ++Ch;
      continue;
    }
    int Last = Ch;
    while (Last + 1 < 256 && In[Last + 1] != Complement) ++Last;
    AppendChar(Out, unsigned(Ch));
    if (Last - Ch >= 2) {
      Out += '-';
      AppendChar(Out, unsigned(Last));
    } else if (Last > Ch) {
      AppendChar(Out, unsigned(Last));
    }
    Ch = Last + 1;
  }
}

// Appends the pieces in turn (chains of operator+ on temporaries trip a false -Wrestrict).
void Append(std::string& Out, std::initializer_list<std::string_view> Pieces) {
  for (const std::string_view Piece : Pieces) Out += Piece;
}

std::string Number(int64_t Value) {
  return std::to_string(Value);
}

}  // namespace

std::string TRegexEngine::DumpProgram(std::string_view Separator) const {
  std::string Out;
  const size_t Size = FProgram.Code.size();
  for (size_t At = 1; At + kNodeHeaderSize <= Size;) {
    const uint8_t* const Node = FProgram.Code.data() + At;
    const uint8_t* const Operand = Node + kNodeHeaderSize;
    const uint8_t Op = Node[0];
    if (At > 1) Out += Separator;
    Append(Out, {Number(int64_t(At)), " "});
    if (!IsKnownOpcode(Op)) {
      Append(Out, {"?", Number(Op)});
      break;
    }
    Out += kOpcodeNames[Op];
    switch (Op) {
      case opLiteral:
      case opLiteralCI: {
        // No literal is empty: one whose text looks empty is the literal of code 0.
        Out += ' ';
        if (Operand[0] == 0) Out += "\\x00";
        for (const uint8_t* Ch = Operand; *Ch; ++Ch) AppendChar(Out, *Ch);
        break;
      }
      case opOneOf:
      case opNoneOf:
        Out += ' ';
        for (int i = 0; i < kCompactClassSize; ++i) AppendChar(Out, Operand[i]);
        break;
      case opCharSet:
        Out += ' ';
        AppendSet(Out, Operand);
        break;
      case opBackRef:
      case opBackRefCI:
        Append(Out, {" ", Number(Operand[0])});
        break;
      case opRepeat:
      case opRepeatLazy:
        // The repeated node follows as a node of its own.
        Append(Out, {" {", Number(ReadInt32(Node + kOperandMin)), ",",
                     Number(ReadInt32(Node + kOperandMax)), "}"});
        break;
      case opLoop:
      case opLoopLazy:
        Append(Out, {" {", Number(ReadInt32(Node + kOperandMin)), ",",
                     Number(ReadInt32(Node + kOperandMax)), "} body ",
                     Number(int64_t(At) + ReadInt32(Node + kOperandBody))});
        break;
      default:
        if (Op >= opOpen && Op <= opOpenLast) Append(Out, {" ", Number(Op - opOpen + 1)});
        if (Op >= opClose && Op <= opCloseLast) Append(Out, {" ", Number(Op - opClose + 1)});
        break;
    }
    if (const int32_t Next = NextOffsetOf(Node); Next != 0)
      Append(Out, {" -> ", Number(int64_t(At) + Next)});
    At += NodeSizeAt(Node);
  }
  return Out;
}
