// The routines of a source file as the precise checks read them: kind, name, parameters, the
// declarations of their own sections, nested routines and the tokens of their bodies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/uFL_CodeWords.h"
#include "analysis/uFL_SourceScanner.h"

// A parameter, variable, constant or cursor of a routine (or of a package).
// Both names are texts of tokens, held in the model's scanned source: a model has thousands of
// these, and copies of them were a tenth of the time it takes to build one.
struct TDeclared {
  std::string_view Name;  // upper-cased
  std::string_view Type;  // the type's first word, upper-cased ("TSTRINGLIST", "SYS_REFCURSOR")
  int Line = 0;
  bool Cursor = false;  // a PL/SQL explicit cursor
  // PL/SQL: declared in an inner block, whose tokens from its DECLARE to its END are its
  // scope; 0: the routine's own.
  size_t ScopeBegin = 0;
  size_t ScopeEnd = 0;
};

// Delphi: a token of a body that the rules look for, noted as the builder reads the body, so that
// the rules need not read every token again for each question.
struct TBodyMark {
  enum TKind : uint8_t { bmAssign, bmWith, bmBlock, bmTry, bmFinally, bmExcept, bmEnd, bmMethod };
  size_t At;   // the token's index
  TKind Kind;  // ":=", WITH, BEGIN (CASE, ASM), TRY, FINALLY, EXCEPT, END, an anonymous method
};

struct TSourceRoutine {
  TRoutineKind Kind = TRoutineKind::rkProcedure;
  bool ClassMethod = false;  // "class procedure", "class destructor"
  std::string Name;          // upper-cased, class-qualified as written ("TFORM1.LOADDATA")
  int HeaderLine = 0;
  int Parent = -1;  // the routine this one is declared in, or -1
  // The routines declared in this one, at any depth, are those after it up to this index: a
  // builder adds a routine before the ones declared in it.
  size_t NestedEnd = 0;
  std::vector<TDeclared> Params;
  std::vector<TDeclared> Locals;  // its own declaration section, and Delphi's inline vars
  // Tokens of the body: the BEGIN (or ASM) at BodyBegin to the END at BodyEnd, both included.
  size_t BodyBegin = 0;
  size_t BodyEnd = 0;
  // PL/SQL: the EXCEPTION that opens the outermost block's handlers; 0 when there is none.
  size_t ExceptionAt = 0;
  // PL/SQL: the handler parts of the body's blocks, the outermost one's and inner ones', each
  // from its EXCEPTION to the END of its block, in the order the blocks close.
  std::vector<std::pair<size_t, size_t>> Handlers;
  // Delphi: the marks of the body, from BodyBegin to BodyEnd, are Marks[MarksBegin, MarksEnd).
  size_t MarksBegin = 0;
  size_t MarksEnd = 0;

  const TDeclared* Local(std::string_view Name) const;
};

struct TSourceModel;

// The parameter or local named Name of routine Self or of a routine it is declared in, the
// nearest first; null where none is.
const TDeclared* DeclaredFor(const TSourceModel& M, size_t Self, std::string_view Name);

struct TSourceModel {
  TScannedSource Source;
  std::vector<TSourceRoutine> Routines;  // with a body, in source order of their headers
  std::set<std::string, std::less<>> InterfaceTypes;  // Delphi: names declared "= interface"
  // Delphi: names declared "= record" or "= array of": their constructors make values.
  std::set<std::string, std::less<>> ValueTypes;
  std::set<std::string, std::less<>> ClassTypes;  // Delphi: names declared "= class"
  std::set<std::string, std::less<>> ConstNames;  // Delphi: constants, unit-level or local
  // Delphi: names declared "= object" without an ancestor.
  std::set<std::string, std::less<>> RootObjectTypes;
  std::set<std::string, std::less<>> RefCursorTypes;  // PL/SQL: names declared "IS REF CURSOR"
  std::vector<TDeclared> PackageCursors;  // PL/SQL: cursors declared outside every routine
  std::vector<TBodyMark> Marks;           // Delphi: of every body, in order
  std::vector<size_t> Opens;              // PL/SQL: every OPEN in a routine's body, in order

  const TTokenList& Tokens() const { return Source.Tokens; }
};

// Unbalanced or cut-off input gives fewer routines, never a routine made up of what is not there.
TSourceModel BuildSourceModel(const TLines& Lines, TSourceLanguage Language);
