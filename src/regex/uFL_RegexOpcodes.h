// The node program of the regex engine: opcode numbers, their names, node layout and compile flags.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// A program is one byte block: the signature, then nodes. Every node is a 5-byte header (opcode,
// signed 32-bit distance to the next node of its chain, 0 for none) followed by its operand.
// The codes are fixed; the gaps are never emitted, and a program holding one is damaged.
enum TRegexOpcode : uint8_t {
  opEnd = 0,               // the match succeeds
  opInputStart = 1,        // zero-width: at the first character of the input
  opInputEnd = 2,          // zero-width: at the end of the input
  opAnyChar = 3,           // any one character
  opAlternative = 6,       // body follows the header; next leads to the next alternative
  opJumpBack = 7,          // zero-width; next points backwards (loop of a complex star or plus)
  opLiteral = 8,           // operand: the characters, then a 0 byte
  opNothing = 9,           // zero-width, always succeeds
  opStar = 10,             // operand: the repeated single node; 0 or more, greedy
  opPlus = 11,             // operand: the repeated single node; 1 or more, greedy
  opDigit = 12,            // one of "0".."9"
  opNotDigit = 13,         // one character that is not "0".."9"
  opRepeat = 18,           // operand: minimum, maximum, then the repeated single node; greedy
  opComment = 19,          // zero-width: comments, modifier groups, skipped layout
  opLiteralCI = 20,        // as opLiteral, compared case-insensitively
  opLoopEntry = 23,        // start of a complex loop; the loop body follows the header
  opLoop = 24,             // operand: minimum, maximum, body offset; end of a loop body, greedy
  opOneOf = 25,            // operand: 3 characters; one character equal to one of them
  opNoneOf = 26,           // operand: 3 characters; one character equal to none of them
  opCharSet = 27,          // operand: 32-byte bit set, code k in bit (k mod 8) of byte (k div 8)
  opBackRef = 28,          // operand: group number (1 byte); the text the group last captured
  opBackRefCI = 29,        // as opBackRef, compared case-insensitively
  opStarLazy = 30,         // as opStar, non-greedy
  opPlusLazy = 31,         // as opPlus, non-greedy
  opRepeatLazy = 32,       // as opRepeat, non-greedy
  opLoopLazy = 33,         // as opLoop, non-greedy
  opLineStart = 34,        // zero-width: at the start of a line
  opLineEnd = 35,          // zero-width: at the end of a line
  opAnyInLine = 36,        // one character that is not a line break
  opWordBoundary = 37,     // zero-width: word boundary
  opNotWordBoundary = 38,  // zero-width: not a word boundary
  opOpen = 40,             // opOpen + n - 1 for group n = 1..14: group n starts here
  opOpenLast = 53,
  opClose = 55,  // opClose + n - 1 for group n = 1..14: group n ends here
  opCloseLast = 68,
};

// Number of opcode values that may appear in a program (0..68, gaps included).
inline constexpr int kOpcodeCount = 69;

// Name of every code for the program dump, nullptr for the gaps. Kept beside the enum so that
// both change together.
inline constexpr const char* kOpcodeNames[] = {
    "END",              // 0
    "INPUTSTART",       // 1
    "INPUTEND",         // 2
    "ANYCHAR",          // 3
    nullptr,            // 4
    nullptr,            // 5
    "ALTERNATIVE",      // 6
    "JUMPBACK",         // 7
    "LITERAL",          // 8
    "NOTHING",          // 9
    "STAR",             // 10
    "PLUS",             // 11
    "DIGIT",            // 12
    "NOTDIGIT",         // 13
    nullptr,            // 14
    nullptr,            // 15
    nullptr,            // 16
    nullptr,            // 17
    "REPEAT",           // 18
    "COMMENT",          // 19
    "LITERALCI",        // 20
    nullptr,            // 21
    nullptr,            // 22
    "LOOPENTRY",        // 23
    "LOOP",             // 24
    "ONEOF",            // 25
    "NONEOF",           // 26
    "CHARSET",          // 27
    "BACKREF",          // 28
    "BACKREFCI",        // 29
    "STARLAZY",         // 30
    "PLUSLAZY",         // 31
    "REPEATLAZY",       // 32
    "LOOPLAZY",         // 33
    "LINESTART",        // 34
    "LINEEND",          // 35
    "ANYINLINE",        // 36
    "WORDBOUNDARY",     // 37
    "NOTWORDBOUNDARY",  // 38
    nullptr,            // 39
    "OPEN",             // 40
    "OPEN",             // 41
    "OPEN",             // 42
    "OPEN",             // 43
    "OPEN",             // 44
    "OPEN",             // 45
    "OPEN",             // 46
    "OPEN",             // 47
    "OPEN",             // 48
    "OPEN",             // 49
    "OPEN",             // 50
    "OPEN",             // 51
    "OPEN",             // 52
    "OPEN",             // 53
    nullptr,            // 54
    "CLOSE",            // 55
    "CLOSE",            // 56
    "CLOSE",            // 57
    "CLOSE",            // 58
    "CLOSE",            // 59
    "CLOSE",            // 60
    "CLOSE",            // 61
    "CLOSE",            // 62
    "CLOSE",            // 63
    "CLOSE",            // 64
    "CLOSE",            // 65
    "CLOSE",            // 66
    "CLOSE",            // 67
    "CLOSE",            // 68
};
static_assert(sizeof(kOpcodeNames) / sizeof(kOpcodeNames[0]) == kOpcodeCount,
              "one name per opcode value");

// True for the codes of the opcode table; every other byte in an opcode position is damage.
constexpr bool IsKnownOpcode(int op) {
  return op >= 0 && op < kOpcodeCount && kOpcodeNames[op] != nullptr;
}

inline constexpr uint8_t kProgramSignature = 216;

// Node layout.
inline constexpr int kNodeHeaderSize = 5;            // opcode + next offset
inline constexpr int kRepeatHeaderSize = 13;         // header + minimum + maximum
inline constexpr int kLoopNodeSize = 17;             // header + minimum + maximum + body offset
inline constexpr int kCompactClassSize = 3;          // opOneOf / opNoneOf operand
inline constexpr int kCharSetSize = 32;              // opCharSet operand
inline constexpr int kOperandMin = kNodeHeaderSize;  // minimum of opRepeat*/opLoop*
inline constexpr int kOperandMax = kNodeHeaderSize + 4;
inline constexpr int kOperandBody = kNodeHeaderSize + 8;  // body offset of opLoop*

// Limits of the language.
inline constexpr int kMaxGroups = 14;  // groups 1..14; slot 0 is the whole match
inline constexpr int kSubExprCount = kMaxGroups + 1;
inline constexpr int kMaxLoopLevel = 10;
inline constexpr int32_t kMaxBraceBound = 2147483646;   // also the maximum of "*"/"+" loops
inline constexpr int32_t kUnboundedCount = 2147483647;  // maximum of opStar/opPlus
inline constexpr int kMaxBraceDigits = 8;
inline constexpr int kMaxCompactMembers = 3;

// Compile flags returned by every parse level.
enum : int {
  flHasWidth = 1,          // taken to consume at least one character
  flSimpleAtom = 2,        // one node that the counting repeat nodes may repeat
  flStartsWithRepeat = 4,  // begins with a repetition: enables the required-text search
};

// Modifier bits, in the order of SetModifier's index 1..6.
enum : uint32_t {
  kModI = 1,   // case-insensitive
  kModR = 2,   // Cyrillic bracket ranges
  kModS = 4,   // "." matches line breaks
  kModG = 8,   // quantifiers greedy unless followed by "?"
  kModM = 16,  // "^" and "$" at line breaks
  kModX = 32,  // extended layout
};

// Integers inside a program are stored unaligned in the machine's byte order.
inline int32_t ReadInt32(const uint8_t* at) {
  int32_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

inline void WriteInt32(uint8_t* at, int32_t value) {
  std::memcpy(at, &value, sizeof value);
}

inline int32_t NextOffsetOf(const uint8_t* node) {
  return ReadInt32(node + 1);
}

// Bytes of the node at Node up to the next node in the block: a repeat's repeated node is a node
// of its own. A literal of code 0 is the one literal whose text looks empty.
inline size_t NodeSizeAt(const uint8_t* Node) {
  switch (Node[0]) {
    case opLiteral:
    case opLiteralCI: {
      const size_t Length = std::strlen(reinterpret_cast<const char*>(Node + kNodeHeaderSize));
      return kNodeHeaderSize + (Length == 0 ? 2 : Length + 1);
    }
    case opOneOf:
    case opNoneOf:
      return kNodeHeaderSize + kCompactClassSize;
    case opCharSet:
      return kNodeHeaderSize + kCharSetSize;
    case opBackRef:
    case opBackRefCI:
      return kNodeHeaderSize + 1;
    case opRepeat:
    case opRepeatLazy:
      return kRepeatHeaderSize;
    case opLoop:
    case opLoopLazy:
      return kLoopNodeSize;
    default:
      return kNodeHeaderSize;
  }
}
