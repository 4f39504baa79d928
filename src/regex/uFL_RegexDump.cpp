// The node program as text, one node a line: offset, opcode name, operand, next node.
#include "regex/uFL_RegexEngine.h"

#include <cstdio>
#include <cstring>

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

}  // namespace

std::string TRegexEngine::DumpProgram(std::string_view Separator) const {
  std::string Out;
  const size_t Size = FProgram.size();
  for (size_t At = 1; At + kNodeHeaderSize <= Size;) {
    const uint8_t* const Node = FProgram.data() + At;
    const uint8_t* const Operand = Node + kNodeHeaderSize;
    const uint8_t Op = Node[0];
    if (At > 1) Out += Separator;
    Out += std::to_string(At);
    Out += ' ';
    if (!IsKnownOpcode(Op)) {
      Out += "?" + std::to_string(Op);
      break;
    }
    Out += kOpcodeNames[Op];
    size_t NodeSize = kNodeHeaderSize;
    switch (Op) {
      case opLiteral:
      case opLiteralCI: {
        const size_t Length = strnlen(reinterpret_cast<const char*>(Operand), Size - At - 5);
        Out += ' ';
        for (size_t i = 0; i < Length; ++i) AppendChar(Out, Operand[i]);
        NodeSize += Length + 1;
        if (Length == 0) {
          // No literal is empty: this is the one-character literal of code 0.
          Out += "\\x00";
          NodeSize += 1;
        }
        break;
      }
      case opOneOf:
      case opNoneOf:
        Out += ' ';
        for (int i = 0; i < kCompactClassSize; ++i) AppendChar(Out, Operand[i]);
        NodeSize += kCompactClassSize;
        break;
      case opCharSet:
        Out += ' ';
        AppendSet(Out, Operand);
        NodeSize += kCharSetSize;
        break;
      case opBackRef:
      case opBackRefCI:
        Out += ' ' + std::to_string(Operand[0]);
        NodeSize += 1;
        break;
      case opRepeat:
      case opRepeatLazy:
        // The repeated node follows as a node of its own.
        Out += " {" + std::to_string(ReadInt32(Node + kOperandMin)) + "," +
               std::to_string(ReadInt32(Node + kOperandMax)) + "}";
        NodeSize = kRepeatHeaderSize;
        break;
      case opLoop:
      case opLoopLazy:
        Out += " {" + std::to_string(ReadInt32(Node + kOperandMin)) + "," +
               std::to_string(ReadInt32(Node + kOperandMax)) + "} body " +
               std::to_string(int64_t(At) + ReadInt32(Node + kOperandBody));
        NodeSize = kLoopNodeSize;
        break;
      default:
        if (Op >= opOpen && Op <= opOpenLast) Out += ' ' + std::to_string(Op - opOpen + 1);
        if (Op >= opClose && Op <= opCloseLast) Out += ' ' + std::to_string(Op - opClose + 1);
        break;
    }
    if (const int32_t Next = NextOffsetOf(Node); Next != 0)
      Out += " -> " + std::to_string(int64_t(At) + Next);
    At += NodeSize;
  }
  return Out;
}
