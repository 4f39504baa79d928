// The precise checks as a user sees them: the tree's categories and entries, ferrolin:ignore,
// the findings recorded for the machine-readable outputs, and broken input that must invent
// nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AnalysisTestUtil.h"
#include "analysis/uFL_SourceScanner.h"
#include "support/TextBuilders.h"

namespace {

const TCheckOptions DelphiPrecise =
    CheckBit(coLocalLeak) | CheckBit(coUnprotectedFree) | CheckBit(coDestructorInherited);
const TCheckOptions PlsqlPrecise = CheckBit(coCursorNotClosed) | CheckBit(coCursorOpenOnException);

// A unit whose LoadData leaks List; Comment stands on the line before the creation (line 9) and
// OnLine after it.
std::string LeakingUnit(const std::string& Before, const std::string& OnLine) {
  return Source({"unit uForm;", "interface", "implementation", "procedure TForm1.LoadData;", "var",
                 "  List: TStringList;", "begin", Before, "  List := TStringList.Create; " + OnLine,
                 "  List.Add('x');", "end;", "end."});
}

struct IgnoreCase {
  const char* Before;
  const char* OnLine;
  bool Suppressed;
};

class IgnoreTest : public ::testing::TestWithParam<IgnoreCase> {};

TEST_P(IgnoreTest, CommentNamingTheRuleOnTheLineOrAboveSuppresses) {
  TTempTree Tmp;
  TResultTree Tree;
  TDelphiFile F(&Tree);
  PrepareFile(F, Tmp, "u.pas", LeakingUnit(GetParam().Before, GetParam().OnLine));
  ASSERT_TRUE(F.Load());
  F.Analyse(DelphiPrecise);
  EXPECT_EQ(F.WriteResults(), !GetParam().Suppressed);
  ASSERT_EQ(F.Findings.size(), 1u);
  EXPECT_EQ(F.Findings[0].Suppressed, GetParam().Suppressed);
  EXPECT_EQ(F.Findings[0].RuleId, "FL001");
  EXPECT_EQ(F.Findings[0].Line, 9);
  EXPECT_EQ(F.Findings[0].Category, "FL001 Local objects never freed");
  EXPECT_EQ(F.Findings[0].Message, "Local object LIST created in TFORM1.LOADDATA is never freed");
  EXPECT_EQ(TreeText(Tree, Tmp),
            GetParam().Suppressed
                ? ""
                : "u.pas\n\tFL001 Local objects never freed\n\t\t[Line    9] Local object LIST "
                  "created in TFORM1.LOADDATA is never freed\n");
}

INSTANTIATE_TEST_SUITE_P(
    Comments, IgnoreTest,
    ::testing::Values(IgnoreCase{"", "", false}, IgnoreCase{"", "// ferrolin:ignore FL001", true},
                      IgnoreCase{"  // ferrolin:ignore FL002, FL001", "", true},
                      IgnoreCase{"  { ferrolin:ignore }", "", true},
                      IgnoreCase{"", "(* Ferrolin:Ignore fl001 *)", true},
                      IgnoreCase{"", "// ferrolin:ignore FL002", false},
                      IgnoreCase{"", "// ferrolin:ignored", false},
                      IgnoreCase{"  Log('ferrolin:ignore');", "", false}));

// Every described finding gets its rule ID and the first line the scan counted for it.
TEST(Findings, ClassicChecksCarryRuleIdsAndLines) {
  TTempTree Tmp;
  TResultTree Tree;
  TDelphiFile F(&Tree);
  PrepareFile(
      F, Tmp, "u.pas",
      Source({"unit U;", "interface", "implementation", "procedure TTx.Run;", "begin", "  Prepare;",
              "  L := TList.Create;", "  inherited;", "  SetAbort;", "  Finish;", "end;", "end."}));
  ASSERT_TRUE(F.Load());
  F.Analyse(AllDelphiChecks);
  F.WriteResults();
  std::vector<std::string> Got;
  for (const TFinding& X : F.Findings)
    Got.push_back(X.RuleId + " " + std::to_string(X.Line) + " " + X.Category + ": " + X.Message);
  EXPECT_EQ(Got, (std::vector<std::string>{
                     "FL010 7 General: L created 1 times and destroyed 0 times",
                     "FL011 4 Procedure TTX.RUN: SetAbort <> SetComplete",
                     "FL011 4 Procedure TTX.RUN: SetAbort found without Raise statement",
                     "FL013 4 Procedure TTX.RUN: Inherited not at Start or End of Routine",
                     "FL012 0 General: No Try..Except construction found"}));
  F.Reset();
  EXPECT_TRUE(F.Findings.empty());
}

TEST(Findings, OpenFetchCloseCarriesItsRuleAndFirstLine) {
  TTempTree Tmp;
  TResultTree Tree;
  TOracleFile F(&Tree);
  PrepareFile(
      F, Tmp, "p.pkb",
      Source({"PROCEDURE p IS", "BEGIN", "  NULL;", "  OPEN c1;", "  FETCH c1 INTO x;", "END;"}));
  ASSERT_TRUE(F.Load());
  F.Analyse(CheckBit(coOpenFetchClose));
  F.WriteResults();
  ASSERT_EQ(F.Findings.size(), 1u);
  EXPECT_EQ(F.Findings[0].RuleId, "FL110");
  EXPECT_EQ(F.Findings[0].Line, 4);
}

// The free's place decides how the reviewer's sentence puts it.
struct UnprotectedCase {
  std::vector<std::string> Body;  // of TForm1.LoadData, whose local is List
  const char* Expected;           // the finding's tree entry; empty: no finding
};

class UnprotectedTest : public ::testing::TestWithParam<UnprotectedCase> {};

TEST_P(UnprotectedTest, SaysWhereTheFreeStands) {
  std::vector<std::string> Routine = {"procedure TForm1.LoadData;", "var", "  List: TStringList;",
                                      "begin"};
  Routine.insert(Routine.end(), GetParam().Body.begin(), GetParam().Body.end());
  Routine.push_back("end;");
  const std::string Expected = std::string(GetParam().Expected).empty()
                                   ? ""
                                   : std::string(
                                         "u.pas\n\tFL002 Objects freed outside "
                                         "try..finally\n\t\t") +
                                         GetParam().Expected + "\n";
  EXPECT_EQ(CheckSource<TDelphiFile>("u.pas", DelphiUnit({}, Routine), CheckBit(coUnprotectedFree)),
            Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Frees, UnprotectedTest,
    ::testing::Values(
        UnprotectedCase{{"  List := TStringList.Create;", "  List.Add('x');", "  List.Free;"},
                        "[Line    8] Local object LIST created in TFORM1.LOADDATA is freed "
                        "outside a try..finally"},
        UnprotectedCase{{"  try", "    List := TStringList.Create;", "    List.Add('x');",
                         "  finally", "    List.Free;", "  end;"},
                        "[Line    9] Local object LIST created in TFORM1.LOADDATA is freed by a "
                        "try..finally that begins before it"},
        // The free's own IF is no statement between: the object is freed or handed over.
        UnprotectedCase{{"  List := TStringList.Create;", "  if not Registry.TryAdd(List) then",
                         "    List.Free;"},
                        ""},
        UnprotectedCase{
            {"  List := TStringList.Create;", "  Fill(List);", "  if Ready then", "    List.Free;"},
            "[Line    8] Local object LIST created in TFORM1.LOADDATA is freed "
            "outside a try..finally"},
        UnprotectedCase{{"  List := TStringList.Create;", "  FreeAndNil(List);"}, ""},
        UnprotectedCase{
            {"  List := TStringList.Create;", "  List.Add('x');", "  FreeThenNil(List);"},
            "[Line    8] Local object LIST created in TFORM1.LOADDATA is freed "
            "outside a try..finally"},
        // The free frees what the list held, not what the creation made.
        UnprotectedCase{{"  List := TStringList.Create;", "  All.Add(List);", "  List := All[0];",
                         "  Show(List.Text);", "  List.Free;"},
                        ""},
        UnprotectedCase{
            {"  List := TStringList.Create;", "  try", "    List.Add('x');", "  finally",
             "    List.Free;", "  end;", "  List := Other;", "  List.Add('y');", "  List.Free;"},
            ""},
        UnprotectedCase{{"  if Logging then", "    List := TStringList.Create", "  else",
                         "    List := nil;", "  Fill(List);", "  if List <> nil then List.Free;"},
                        "[Line    9] Local object LIST created in TFORM1.LOADDATA is freed "
                        "outside a try..finally"},
        // A scope guard's method frees it when the guard goes, on every path.
        UnprotectedCase{
            {"  List := TStringList.Create;", "  Guard := OnScopeExit(", "    procedure",
             "    begin", "      List.Free;", "    end);", "  List.Add('x');"},
            ""}));

// What a constructor makes: an object to free, or a record's value.
struct MadeCase {
  std::vector<std::string> Types;  // the unit's type section
  std::string Type;                // of the local Made, created and never freed
  bool Reported;
};

class MadeTest : public ::testing::TestWithParam<MadeCase> {};

TEST_P(MadeTest, OnlyObjectsLeak) {
  std::vector<std::string> Types = {"type"};
  Types.insert(Types.end(), GetParam().Types.begin(), GetParam().Types.end());
  const std::string Found = CheckSource<TDelphiFile>(
      "u.pas",
      DelphiUnit(Types,
                 {"procedure Draw;", "var", "  Made: " + GetParam().Type + ";", "begin",
                  "  Made := " + GetParam().Type + ".Create(1, 2);", "  Show(Made.X);", "end;"}),
      CheckBit(coLocalLeak));
  EXPECT_EQ(Found.find("Local object MADE created in DRAW is never freed") != std::string::npos,
            GetParam().Reported)
      << Found;
}

INSTANTIATE_TEST_SUITE_P(
    Constructors, MadeTest,
    ::testing::Values(
        MadeCase{{"  TCell = record", "    X: Integer;", "  end;"}, "TCell", false},
        MadeCase{{"  TCell = packed record", "    X: Integer;", "  end;"}, "TCell", false},
        MadeCase{{"  TCell = class", "    X: Integer;", "  end;"}, "TCell", true},
        MadeCase{{"  TUnused = class", "  end;"}, "TPointF", false},
        MadeCase{{"  TVector = class", "    X: Integer;", "  end;"}, "TVector", true},
        MadeCase{{"  TCells = array of Integer;"}, "TCells", false},
        MadeCase{{"  TUnused = class", "  end;"}, "specialize TFPGList<Integer>", true},
        MadeCase{{"  TNotify = procedure(Sender: TObject) of object;", "  TCell = record",
                  "    X: Integer;", "  end;"},
                 "TCell",
                 false},
        MadeCase{{"  TUnused = class", "  end;"}, "TArray<Integer>", false}));

// Whether the only argument of a constructor is an owner that will free the object.
struct OwnerCase {
  const char* Parameters;
  const char* Argument;
  bool Reported;
  // A class of the runtime library that is no component takes no owner, whatever its argument.
  const char* Class = "TSettingsStore";
};

class OwnerTest : public ::testing::TestWithParam<OwnerCase> {};

TEST_P(OwnerTest, OnlyAnObjectArgumentOwns) {
  const std::string Found = CheckSource<TDelphiFile>(
      "u.pas",
      DelphiUnit({}, {std::string("procedure Open(") + GetParam().Parameters + ");", "var",
                      std::string("  Ini: ") + GetParam().Class + ";", "begin",
                      std::string("  Ini := ") + GetParam().Class + ".Create(" +
                          GetParam().Argument + ");",
                      "  Show(Ini.ReadString('a', 'b', ''));", "end;"}),
      CheckBit(coLocalLeak));
  EXPECT_EQ(Found.find("Local object INI created in OPEN is never freed") != std::string::npos,
            GetParam().Reported)
      << GetParam().Argument << "\n"
      << Found;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, OwnerTest,
    ::testing::Values(OwnerCase{"AOwner: TComponent", "AOwner", false},
                      OwnerCase{"APanel: TPanel", "APanel", false},
                      OwnerCase{"X: Integer", "Application", false},
                      OwnerCase{"const AFileName: string", "AFileName", true},
                      OwnerCase{"ACount: Integer", "ACount", true},
                      OwnerCase{"AName: string", "ChangeFileExt(AName, '.ini')", true},
                      OwnerCase{"ADir: TFileName", "ADir + Suffix", true},
                      OwnerCase{"X: Integer", "Self, 'defaults'", false},
                      OwnerCase{"AName: string", "AName, 1", true},
                      OwnerCase{"Resp: IHTTPResponse", "Resp.ContentAsString", true,
                                "TStringStream"},
                      OwnerCase{"APanel: TPanel", "APanel.Owner", false, "TLabel"}));

// An inline variable given its type is a local like any other.
struct InlineCase {
  std::vector<std::string> Body;
  const char* Expected;  // the finding's tree entry; empty: none
};

class InlineTest : public ::testing::TestWithParam<InlineCase> {};

TEST_P(InlineTest, DeclaredInTheBody) {
  std::vector<std::string> Routine = {"procedure Run;", "begin"};
  Routine.insert(Routine.end(), GetParam().Body.begin(), GetParam().Body.end());
  Routine.push_back("end;");
  const std::string Found = CheckSource<TDelphiFile>(
      "u.pas", DelphiUnit({}, Routine), CheckBit(coLocalLeak) | CheckBit(coUnprotectedFree));
  EXPECT_NE(Found.find(GetParam().Expected), std::string::npos) << Found;
}

INSTANTIATE_TEST_SUITE_P(
    Declarations, InlineTest,
    ::testing::Values(
        InlineCase{{"  var L: TStringList := TStringList.Create;", "  L.Add('x');"},
                   "[Line    6] Local object L created in RUN is never freed"},
        InlineCase{{"  var L: TStringList;", "  L := TStringList.Create;", "  L.Add('x');"},
                   "[Line    7] Local object L created in RUN is never freed"},
        InlineCase{{"  var D: TDictionary<string, Integer> := TDictionary<string, Integer>.Create;",
                    "  D.Add('a', 1);"},
                   "[Line    6] Local object D created in RUN is never freed"},
        InlineCase{{"  var Q: TStringList := TStringList.Create;", "  Q.Add('y');", "  Q.Free;"},
                   "[Line    6] Local object Q created in RUN is freed outside a try..finally"}));

// Two heads of one routine under {$IFDEF} and {$ELSE} leave a body that never closes: that
// routine is left out, and the routines after it are read as their own.
TEST(PreciseRules, RoutinesAfterTwoHeadedOneAreRead) {
  const std::string Found =
      CheckSource<TDelphiFile>("u.pas",
                               DelphiUnit({}, {"procedure TRepo.Delete;",
                                               "{$IFDEF BDE}",
                                               "var",
                                               "  Q: TQuery;",
                                               "begin",
                                               "  Q := TQuery.Create(nil);",
                                               "{$ELSE}",
                                               "var",
                                               "  Q: TFDQuery;",
                                               "begin",
                                               "  Q := TFDQuery.Create(nil);",
                                               "{$ENDIF}",
                                               "  Q.ExecSQL;",
                                               "  Q.Free;",
                                               "end;",
                                               "",
                                               "procedure TRepo.Copy;",
                                               "var",
                                               "  L: TStringList;",
                                               "begin",
                                               "  L := TStringList.Create;",
                                               "  L.Add('x');",
                                               "end;"}),
                               CheckBit(coLocalLeak) | CheckBit(coUnprotectedFree));
  EXPECT_EQ(Found,
            "u.pas\n\tFL001 Local objects never freed\n\t\t[Line   24] Local object L created in "
            "TREPO.COPY is never freed\n");
}

// The statement after the ancestor's destructor, quoted as a reviewer would.
struct AfterInheritedCase {
  std::vector<std::string> Body;
  const char* Message;
};

class AfterInheritedTest : public ::testing::TestWithParam<AfterInheritedCase> {};

TEST_P(AfterInheritedTest, QuotesTheStatement) {
  std::vector<std::string> Routine = {"destructor TList2.Destroy;", "begin"};
  Routine.insert(Routine.end(), GetParam().Body.begin(), GetParam().Body.end());
  Routine.push_back("end;");
  const std::string Found =
      CheckSource<TDelphiFile>("u.pas", DelphiUnit({}, Routine), CheckBit(coDestructorInherited));
  EXPECT_NE(Found.find(std::string("Destructor TLIST2.DESTROY runs ") + GetParam().Message +
                       " after its inherited call"),
            std::string::npos)
      << Found;
}

INSTANTIATE_TEST_SUITE_P(
    Statements, AfterInheritedTest,
    ::testing::Values(
        AfterInheritedCase{{"  inherited;", "  FreeAndNil(FItems);"}, "FREEANDNIL(FITEMS)"},
        AfterInheritedCase{{"  inherited Destroy;", "  Total := 0;"}, "TOTAL := 0"},
        AfterInheritedCase{
            {"  inherited;", "  if Assigned(FOnClosed) then", "    FOnClosed(Self);"},
            "IF ASSIGNED(FONCLOSED)"},
        AfterInheritedCase{{"  inherited;", "  FLog.Write(LogDebug, 'gone', [Count, Name, Tag]);"},
                           "FLOG.WRITE(LOGDEBUG, '...', ..."},
        AfterInheritedCase{
            {"  try", "    inherited Destroy;", "  finally", "    FBuffer.Free;", "  end;"},
            "FBUFFER.FREE"}));

struct BrokenCase {
  const char* Title;
  std::string Text;
  bool Delphi;
};

class BrokenInputTest : public ::testing::TestWithParam<BrokenCase> {};

// Each input holds what would be a finding if the scan believed its broken part.
TEST_P(BrokenInputTest, InventsNoPreciseFinding) {
  const BrokenCase& C = GetParam();
  const std::string Found = C.Delphi ? CheckSource<TDelphiFile>("b.pas", C.Text, DelphiPrecise)
                                     : CheckSource<TOracleFile>("b.pkb", C.Text, PlsqlPrecise);
  EXPECT_EQ(Found.find("[Line"), std::string::npos) << C.Title << "\n" << Found;
}

INSTANTIATE_TEST_SUITE_P(
    Files, BrokenInputTest,
    ::testing::Values(
        BrokenCase{"string never closed",
                   Source({"unit U;", "implementation", "procedure P;", "var L: TList;", "begin",
                           "  S := 'open L := TList.Create;", "end;"}),
                   true},
        BrokenCase{"comment never closed",
                   Source({"unit U;", "implementation", "procedure P;", "var L: TList;", "begin",
                           "  { L := TList.Create;", "end;", "destructor TA.Destroy; begin end;"}),
                   true},
        BrokenCase{"body never closed",
                   Source({"unit U;", "implementation", "procedure P;", "var L: TList;", "begin",
                           "  L := TList.Create;", "  begin"}),
                   true},
        BrokenCase{"routine without a body",
                   Source({"unit U;", "interface", "procedure P;", "var L: TList;",
                           "destructor TA.Destroy;", "implementation"}),
                   true},
        BrokenCase{"a megabyte line",
                   "unit U;\nimplementation\nprocedure P;\nvar L: TList;\nbegin\n" +
                       Repeat("L := TList.Create; inherited; begin ", 30000) + "\n",
                   true},
        BrokenCase{"cursor in a comment never closed",
                   Source({"PROCEDURE p IS", "  CURSOR c IS SELECT 1 FROM dual;", "BEGIN",
                           "  /* OPEN c;", "END;"}),
                   false},
        BrokenCase{"string never closed before the OPEN",
                   Source({"PROCEDURE p IS", "  CURSOR c IS SELECT 1 FROM dual;", "BEGIN",
                           "  x := 'abc;", "  OPEN c;", "END;"}),
                   false},
        BrokenCase{"unbalanced END IF",
                   Source({"PROCEDURE p IS", "  CURSOR c IS SELECT 1 FROM dual;", "BEGIN",
                           "  IF x THEN", "  OPEN c;"}),
                   false},
        BrokenCase{"unresolved merge conflict",
                   Source({"unit U;", "implementation", "procedure P;", "var L: TList;", "begin",
                           "  L := TList.Create;", "<<<<<<< HEAD", "  L.Free;", "=======",
                           "  FreeAndNil(L);", ">>>>>>> feature/cleanup", "end;", "end."}),
                   true},
        BrokenCase{"an END too many inside a try",
                   Source({"unit U;", "implementation", "procedure P;", "var L: TList;", "begin",
                           "  L := TList.Create;", "  try", "    L.Add(nil);", "    end;",
                           "  finally", "    L.Free;", "  end;", "end;", "end."}),
                   true},
        BrokenCase{"two finally parts under {$IFDEF} and {$ELSE}",
                   Source({"unit U;", "implementation", "procedure P;", "var L: TList;", "begin",
                           "  L := TList.Create;", "  try", "    L.Add(nil);", "{$IFDEF DEBUG}",
                           "  finally L.Free; Log('done'); end;", "{$ELSE}",
                           "  finally L.Free; end;", "{$ENDIF}", "end;", "end."}),
                   true},
        BrokenCase{"old code kept after the unit's end",
                   Source({"unit U;", "implementation", "end.", "procedure P;", "var L: TList;",
                           "begin", "  L := TList.Create;", "  L.Add(nil);", "end;"}),
                   true},
        BrokenCase{"a routine's END missing before the next routine",
                   Source({"CREATE OR REPLACE PACKAGE BODY k AS", "  PROCEDURE a IS",
                           "    CURSOR c IS SELECT 1 FROM dual;", "  BEGIN", "    OPEN c;",
                           "    FETCH c INTO x;", "  PROCEDURE b IS", "  BEGIN", "    NULL;",
                           "  END b;", "END k;"}),
                   false},
        BrokenCase{"a file cut off in a loop",
                   Source({"PROCEDURE p IS", "  CURSOR c IS SELECT 1 FROM dual;", "BEGIN",
                           "  OPEN c;", "  LOOP", "    FETCH c INTO x;", "  END LO"}),
                   false},
        BrokenCase{"binary file",
                   std::string("MZ\0\0unit U; implementation procedure P; var L: TList; begin "
                               "L := TList.Create; end;",
                               83),
                   true}));

}  // namespace

namespace {

// The word a rule needs, as the lexer would see it: whole, in any case, in the loaded bytes and
// in edited lines alike.
struct WordCase {
  const char* Text;
  const char* Word;
  TSourceLanguage Language;
  bool Holds;
};

class MayHoldWordTest : public ::testing::TestWithParam<WordCase> {};

TEST_P(MayHoldWordTest, WholeWordInAnyCase) {
  const WordCase& C = GetParam();
  TLines Loaded;
  Loaded.Assign(std::string(C.Text));
  EXPECT_EQ(MayHoldWord(Loaded, C.Word, C.Language), C.Holds) << C.Text;
  TLines Edited;
  Edited.Assign(std::string(C.Text));
  Edited.Add("x");
  ASSERT_FALSE(Edited.AllInBuffer());
  EXPECT_EQ(MayHoldWord(Edited, C.Word, C.Language), C.Holds) << C.Text;
}

INSTANTIATE_TEST_SUITE_P(
    Words, MayHoldWordTest,
    ::testing::Values(WordCase{"L := TList.create;", "CREATE", TSourceLanguage::slDelphi, true},
                      WordCase{"L := TList.&Create;", "CREATE", TSourceLanguage::slDelphi, true},
                      WordCase{"Recreate;\r\nCreated;", "CREATE", TSourceLanguage::slDelphi, false},
                      WordCase{"x;\nCREATE", "CREATE", TSourceLanguage::slDelphi, true},
                      WordCase{"destructor_x;", "DESTRUCTOR", TSourceLanguage::slDelphi, false},
                      WordCase{"  Open c1;", "OPEN", TSourceLanguage::slPlsql, true},
                      WordCase{"  v_open#, open$ := 1;", "OPEN", TSourceLanguage::slPlsql, false},
                      WordCase{"  \"open\" x;", "OPEN", TSourceLanguage::slPlsql, true}));

}  // namespace

namespace {

// The lexer reads a file's loaded bytes at once and edited lines one by one; both ways must cut
// lines as the lines are cut and give the same tokens. Expected: each token as TEXT@LINE.
struct LexCase {
  const char* Title;
  std::string Text;
  TSourceLanguage Language;
  std::string Expected;  // empty: only the two ways compared
};

std::string Rendered(const TScannedSource& S) {
  std::string R;
  for (const TToken& T : S.Tokens)
    R += (R.empty() ? "" : " ") + std::string(T.Text()) + "@" + std::to_string(T.Line);
  for (const auto& [Line, Ids] : S.Ignores) {
    R += " ignore@" + std::to_string(Line);
    for (const std::string& Id : Ids) R += ":" + Id;
  }
  return R;
}

class LexerPathsTest : public ::testing::TestWithParam<LexCase> {};

TEST_P(LexerPathsTest, LoadedBytesReadAsEditedLines) {
  const LexCase& C = GetParam();
  TLines Loaded;
  Loaded.Assign(std::string(C.Text));
  ASSERT_TRUE(Loaded.AllInBuffer());
  TLines Edited;
  Edited.Assign(std::string(C.Text));
  Edited.Set(0, Edited.Get(0));
  ASSERT_FALSE(Edited.AllInBuffer());
  const std::string Whole = Rendered(ScanSource(Loaded, C.Language));
  EXPECT_EQ(Whole, Rendered(ScanSource(Edited, C.Language))) << C.Title;
  if (!C.Expected.empty()) {
    EXPECT_EQ(Whole, C.Expected) << C.Title;
  }
}

// Long enough for the reads of 64 bytes at once: words across their borders, pairs, comments.
std::string Blocks() {
  std::string S;
  for (int i = 0; i < 40; ++i)
    S += std::string(size_t(i % 70 + 1), char('a' + i % 26)) + ":=>x<>=y..z{c\r" + "}(*\n*)//" +
         std::string(size_t(i), ' ') + "'s''t'#13$FF&do q'<a'b\n>'\r\n";
  return S;
}

constexpr TSourceLanguage Delphi = TSourceLanguage::slDelphi;
constexpr TSourceLanguage Plsql = TSourceLanguage::slPlsql;

INSTANTIATE_TEST_SUITE_P(
    Breaks, LexerPathsTest,
    ::testing::Values(
        LexCase{"lone CR breaks", "a\rb := 1;\r// x\rc", Delphi, "A@1 B@2 :=@2 1@2 ;@2 C@4"},
        LexCase{"LF then CR is two breaks", "x\r\ny\n\rz\n", Delphi, "X@1 Y@2 Z@4"},
        LexCase{"string at the end, no break", "s := 'abc", Delphi, "S@1 :=@1 '@1"},
        LexCase{"Delphi string ends with its line", "s := 'a\r\nb'", Delphi,
                "S@1 :=@1 '@1 B@2 '@2"},
        LexCase{"comment at the end, no break", "x -- ferrolin:ignore FL101", Plsql,
                "X@1 ignore@1:FL101"},
        LexCase{"brace comment across lines", "a { one\r\ntwo ferrolin:ignore\r\n} b", Delphi,
                "A@1 B@3 ignore@2"},
        LexCase{"byte-order mark", "\xEF\xBB\xBFunit U;", Delphi, "\xEF\xBB\xBFUNIT@1 U@1 ;@1"},
        LexCase{"PL/SQL string over lines", "x := 'a\nb\r\nc' || y;\nz", Plsql,
                "X@1 :=@1 '@1 ||@3 Y@3 ;@3 Z@4"},
        LexCase{"quoted name ends with its line", "\"abc\rdef\"", Plsql, "ABC@1 DEF@2"},
        // An apostrophe inside q'[...]' ends nothing: the literal ends with its delimiter.
        LexCase{"quoted literals with delimiters", "a := q'[it's]' || Q'{don't\n}' || nq'!x'!';\nb",
                Plsql, "A@1 :=@1 '@1 ||@1 '@1 ||@2 '@2 ;@2 B@3"},
        LexCase{"a name ending in Q before a string", "seq'x' q", Plsql, "SEQ@1 '@1 Q@1"},
        LexCase{"quoted literal left open", "x := q'[abc';\ny", Plsql, "X@1 :=@1 '@1"},
        LexCase{"Delphi has no quoted literals", "q'[it'", Delphi, "Q@1 '@1"},
        // A script's REM or PROMPT line is no code: its quote starts no string.
        LexCase{"script command lines", "REM the vendor's tool\n  prompt Don't /* stop\nx := 'y';",
                Plsql, "X@3 :=@3 '@3 ;@3"},
        LexCase{"a variable named like a command", "prompt := 'a';\nrem(1, 'b');", Plsql,
                "PROMPT@1 :=@1 '@1 ;@1 REM@2 (@2 1@2 ,@2 '@2 )@2 ;@2"},
        LexCase{"a command's text in brackets", "PROMPT (run it: it's safe\nx", Plsql, "X@2"},
        LexCase{"an indented variable named like a command", "s :=\n  rem * 2 || 'b';", Plsql,
                "S@1 :=@1 REM@2 *@2 2@2 ||@2 '@2 ;@2"},
        LexCase{"substitution variables", "function &&schema..f(&1) & x", Plsql,
                "FUNCTION@1 SCHEMA@1 .@1 F@1 (@1 1@1 )@1 &@1 X@1"},
        // A multiline literal holds code-like text without its becoming code.
        LexCase{"Delphi multiline literal", "s := '''\r\n  begin it's\r\n  ''';\r\nx", Delphi,
                "S@1 :=@1 '@1 ;@3 X@4"},
        LexCase{"Delphi multiline literal of five quotes", "s := '''''  \n'''\n  '''''.Trim;",
                Delphi, "S@1 :=@1 '@1 .@3 TRIM@3 ;@3"},
        LexCase{"three quotes with text after them on their line", "s := '''a';", Delphi,
                "S@1 :=@1 '@1 ;@1"},
        LexCase{"Delphi blocks", Blocks(), Delphi, ""},
        LexCase{"PL/SQL blocks", Blocks(), Plsql, ""}));

}  // namespace
