// The regex object: settings, compile on demand, ExecPos, groups, modifiers and error texts.
#include "regex/uFL_RegexEngine.h"

#include <cstring>
#include <utility>

#include "regex/uFL_RegexCompiler.h"
#include "regex/uFL_RegexMatcher.h"
#include "regex/uFL_RegexOpcodes.h"

namespace {

struct TErrorText {
  int Code;
  const char* Text;
};

// Every message of the engine. The misspellings are the system's own texts and stay.
constexpr TErrorText kErrorTexts[] = {
    {0, "No errors"},
    {100, "Regex(comp): Null Argument"},
    {101, "Regex(comp): Regexp Too Big"},
    {102, "Regex(comp): ParseReg Too Many ()"},
    {103, "Regex(comp): ParseReg Unmatched ()"},
    {104, "Regex(comp): ParseReg Unmatched ()"},
    {105, "Regex(comp): ParseReg Junk On End"},
    {106, "Regex(comp): *+ Operand Could Be Empty"},
    {107, "Regex(comp): Nested *?+"},
    {108, "Regex(comp): Bad Hex Digit"},
    {109, "Regex(comp): Invalid [] Range"},
    {110, "Regex(comp): Parse Atom Trailing \\"},
    {111, "Regex(comp): No Hex Code After \\x"},
    {112, "Regex(comp): Hex Code After \\x Is Too Big"},
    {113, "Regex(comp): Unmatched []"},
    {114, "Regex(comp): Internal Urp"},
    {115, "Regex(comp): ?+*{ Follows Nothing"},
    {116, "Regex(comp): Trailing \\"},
    {119, "Regex(comp): RarseAtom Internal Disaster"},
    {122, "Regex(comp): BRACES Argument Too Big"},
    {124, "Regex(comp): BRACE Min Param Greater then Max"},
    {125, "Regex(comp): Unclosed (?#Comment)"},
    {126,
     "Regex(comp): Braces '{min,max}' and non-greedy ops '*?', '+?', '?"
     "?' are not enabled for "
     "complex cases"},
    {127, "Regex(comp): Urecognized Modifier"},
    {128, "Regex(comp): LinePairedSeparator must countain two different chars or no chars at all"},
    {1000, "Regex(exec): RegRepeat Called Inappropriately"},
    {1001, "Regex(exec): MatchPrim Memory Corruption"},
    {1002, "Regex(exec): MatchPrim Corrupted Pointers"},
    {1003, "Regex(exec): Not Assigned Expression Property"},
    {1004, "Regex(exec): Corrupted Program"},
    {1005, "Regex(exec): No Inpit String Specified"},
    {1006, "Regex(exec): Offset Must Be Greater Then 0"},
    {1007, "Regex(exec): ExecNext Without Exec[Pos]"},
    {1008, "Regex(exec): GetInputString Without InputString"},
    {1011, "Regex(dump): Corrupted Opcode"},
    {1014, "Regex(exec): Loop Stack Exceeded"},
    {1015, "Regex(exec): Loop Without LoopEntry !"},
    {kRegexErrorBacktrackLimit,
     "Regex(exec): Backtracking Limit Exceeded, Search Too Complex For This Input"},
};

// A text as the engine stores it: up to its first NUL.
std::string_view CutAtNul(std::string_view Text) {
  if (Text.empty()) return Text;  // an empty view may carry no pointer at all
  const void* Nul = std::memchr(Text.data(), 0, Text.size());
  return Nul ? Text.substr(0, size_t(static_cast<const char*>(Nul) - Text.data())) : Text;
}

}  // namespace

ERegexError::ERegexError(const std::string& Message, int Code, int Position)
    : std::runtime_error(Message), Code(Code), Position(Position) {}

TRegexEngine::TRegexEngine() : FMatcher(std::make_unique<TRegexMatcher>(*this)) {
  SetModifier(1, false);
  SetModifier(2, true);
  SetModifier(3, true);
  SetModifier(4, true);
  SetModifier(5, false);
  FSpaceCharList = std::string(" \t\n\r\f");
  SetWordCharList("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_");
  SetCaseInverter(&TRegexEngine::InvertCase);
  SetLineBreakChars("\r\n");
  SetLinePairedSeparator("\r\n");
}

TRegexEngine::~TRegexEngine() = default;

// ---- Errors ---------------------------------------------------------------------------------

void TRegexEngine::RaiseError(int Code) {
  FLastErrorCode = Code;
  std::string Text = ErrorMessage(Code);
  const int Position = ErrorPosition();
  if (Code < 1000) Text += " (pos " + std::to_string(Position) + ")";
  throw ERegexError(Text, Code, Position);
}

void TRegexEngine::Raise(int Code) {
  RaiseError(Code);
  throw ERegexError(ErrorMessage(Code), Code, ErrorPosition());
}

std::string TRegexEngine::ErrorMessage(int Code) const {
  for (const TErrorText& Entry : kErrorTexts)
    if (Entry.Code == Code) return Entry.Text;
  return "Unknown error";
}

int TRegexEngine::ErrorPosition() const {
  return FCompiler ? FCompiler->Position() : 0;
}

// ---- Expression and program -----------------------------------------------------------------

void TRegexEngine::SetExpression(std::string_view Text) {
  Text = CutAtNul(Text);
  if (Text == FExpression && FCompiled) return;
  FCompiled = false;
  FExpression.clear();
  DiscardProgram();
  FExpression.assign(Text);
}

void TRegexEngine::DiscardProgram() {
  FProgram = TRegexProgram();
}

void TRegexEngine::CompileExpression(std::string_view Text) {
  DiscardProgram();
  FCompiled = false;
  TRegexCompiler Compiler(*this, Text);
  FProgram = Compiler.Compile();
  FCompiled = true;
}

void TRegexEngine::Compile() {
  Prepare();
}

void TRegexEngine::Prepare() {
  if (FModifierFlags != FProgram.Modifiers) DiscardProgram();
  if (FProgram.Empty()) {
    if (FExpression.empty()) Raise(1003);
    CompileExpression(FExpression);
  }
  if (FProgram.Code[0] != kProgramSignature) Raise(1004);
}

std::string_view TRegexEngine::RequiredText() const {
  if (FProgram.RequiredLength == 0 || FProgram.Empty()) return {};
  return {reinterpret_cast<const char*>(FProgram.Code.data()) + FProgram.RequiredText,
          size_t(FProgram.RequiredLength)};
}

// ---- Input, search and groups ---------------------------------------------------------------

void TRegexEngine::SetInputString(std::string_view Text) {
  FMatcher->ClearGroups();
  FInputString.assign(CutAtNul(Text));
  FHasInputString = true;
}

bool TRegexEngine::ExecPos(int Offset) {
  Prepare();
  if (!FHasInputString) Raise(1005);
  const auto Length = int64_t(FInputString.size());
  if (Offset < 1) Raise(1006);
  if (Offset > Length + 1) return false;
  const auto* Begin = reinterpret_cast<const uint8_t*>(FInputString.data());
  return FMatcher->Search(Begin, Begin + Length, Begin + (Offset - 1));
}

bool TRegexEngine::ExecPos(std::string_view Input, int Offset) {
  Prepare();
  Input = CutAtNul(Input);
  FMatcher->ClearGroups();
  FSearchedInPlace = true;
  const auto Length = int64_t(Input.size());
  if (Offset < 1) Raise(1006);
  if (Offset > Length + 1) return false;
  const auto* Begin = reinterpret_cast<const uint8_t*>(Input.data());
  return FMatcher->Search(Begin, Begin + Length, Begin + (Offset - 1));
}

int TRegexEngine::SubExprPos(int N) const {
  if (N < 0 || N >= kSubExprCount || (!FHasInputString && !FSearchedInPlace)) return -1;
  const ptrdiff_t Start = FMatcher->GroupStart(N), End = FMatcher->GroupEnd(N);
  if (Start < 0 || End < 0) return -1;
  return int(Start + 1);
}

int TRegexEngine::SubExprLen(int N) const {
  if (N < 0 || N >= kSubExprCount || (!FHasInputString && !FSearchedInPlace)) return -1;
  const ptrdiff_t Start = FMatcher->GroupStart(N), End = FMatcher->GroupEnd(N);
  if (Start < 0 || End < 0) return -1;
  return int(End - Start);
}

// ---- Modifiers ------------------------------------------------------------------------------

void TRegexEngine::SetModifier(int Index, bool On) {
  if (Index < 1 || Index > 6) Raise(1013);
  const uint32_t Bit = 1u << (Index - 1);
  FModifierFlags = On ? FModifierFlags | Bit : FModifierFlags & ~Bit;
}

bool TRegexEngine::ParseModifierLetters(std::string_view Text, uint32_t& Flags) {
  bool On = true;
  for (const char Ch : Text) {
    uint32_t Bit = 0;
    switch (Ch) {
      case '-':
        On = false;
        continue;
      case 'i':
      case 'I':
        Bit = kModI;
        break;
      case 'r':
      case 'R':
        Bit = kModR;
        break;
      case 's':
      case 'S':
        Bit = kModS;
        break;
      case 'g':
      case 'G':
        Bit = kModG;
        break;
      case 'm':
      case 'M':
        Bit = kModM;
        break;
      case 'x':
      case 'X':
        Bit = kModX;
        break;
      default:
        return false;
    }
    Flags = On ? Flags | Bit : Flags & ~Bit;
  }
  return true;
}

// ---- Lines, words, case ---------------------------------------------------------------------

std::string_view TRegexEngine::LinePairedSeparator() const {
  if (!FPairSet) return {};
  return {FPairText, 2};
}

void TRegexEngine::SetLinePairedSeparator(std::string_view Text) {
  if (Text.size() == 2 && Text[0] != Text[1]) {
    if (FPairSet && FPairText[0] == Text[0] && FPairText[1] == Text[1]) return;
    FPairSet = true;
    FPairText[0] = Text[0];
    FPairText[1] = Text[1];
    FPairHead = uint8_t(Text[0]);
    FPairTail = uint8_t(Text[1]);
    DiscardProgram();
    return;
  }
  if (!Text.empty()) Raise(128);
  if (!FPairSet) return;
  FPairSet = false;
  DiscardProgram();
}

void TRegexEngine::SetLineBreakChars(std::string_view Chars) {
  FLineBreakChars = Chars;
  FLineBreakSet.fill(0);
  for (const char Ch : Chars) FLineBreakSet[uint8_t(Ch)] = 1;
}

void TRegexEngine::SetWordCharList(std::string_view Chars) {
  FWordCharList = Chars;
  FWordSet.fill(0);
  for (const char Ch : Chars) FWordSet[uint8_t(Ch)] = 1;
  // The end of the input is never a word character, even if the list names code 0.
  FWordSet[0] = 0;
}

void TRegexEngine::SetCaseInverter(TCaseInverter Inverter) {
  FCaseInverter = std::move(Inverter);
  for (int Ch = 0; Ch < 256; ++Ch)
    FCaseTable[size_t(Ch)] = FCaseInverter ? FCaseInverter(uint8_t(Ch)) : uint8_t(Ch);
}

unsigned char TRegexEngine::InvertCase(unsigned char Ch) {
  // ASCII letters only: text is UTF-8, and a byte of 128 or more is no character of its own.
  if (Ch >= 'a' && Ch <= 'z') return uint8_t(Ch - 32);
  if (Ch >= 'A' && Ch <= 'Z') return uint8_t(Ch + 32);
  return Ch;
}
