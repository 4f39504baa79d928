// Delphi units as people write them, each pinned to the findings the checks must report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AnalysisTestUtil.h"

namespace {

// A business object with COM+ transaction calls, constructor and destructor, try/except and WITH.
const std::vector<std::string> OrdersUnit = {
    "unit uOrders;",
    "",
    "interface",
    "",
    "uses",
    "  Classes, SysUtils, ComObj, ExtCtrls;",
    "",
    "type",
    "  TOrderList = class(TComponent)",
    "  private",
    "    FItems: TList;",
    "    FCache: TStringList;",
    "    FTimer: TTimer;",
    "  public",
    "    constructor Create(AOwner: TComponent); override;",
    "    destructor Destroy; override;",
    "    procedure SaveOrder(const Id: Integer);",
    "    function CancelOrder(Id: Integer): Boolean;",
    "    procedure Report;",
    "  end;",
    "",
    "function CheckCredit(Customer: Integer): Boolean;",
    "",
    "implementation",
    "",
    "uses",
    "  Windows, uHelpers;",
    "",
    "{ TOrderList }",
    "",
    "constructor TOrderList.Create(AOwner: TComponent);",
    "begin",
    "  inherited Create(AOwner);",
    "  FItems := TList.Create;",
    "  FCache := TStringList.Create;",
    "  FTimer := TTimer.Create(Self);",
    "end;",
    "",
    "destructor TOrderList.Destroy;",
    "begin",
    "  FItems.Free;",
    "  FreeAndNil(FCache);",
    "  inherited Destroy;",
    "end;",
    "",
    "function CheckCredit(Customer: Integer): Boolean;",
    "begin",
    "  Result := Customer > 0;",
    "  if not Result then",
    "    SetAbort",
    "  else",
    "    SetComplete;",
    "end;",
    "",
    "procedure TOrderList.SaveOrder(const Id: Integer);",
    "var",
    "  Query: TQuery;",
    "begin",
    "  Query := TQuery.Create(nil);",
    "  try",
    "    Query.SQL.Text := 'update orders set state = ''saved'' where id = ' + IntToStr(Id);",
    "    Query.ExecSQL;",
    "    SetComplete;",
    "  except",
    "    SetAbort;",
    "    raise;",
    "  end;",
    "end;",
    "",
    "function TOrderList.CancelOrder(Id: Integer): Boolean;",
    "begin",
    "  Result := False;",
    "  if not CheckCredit(Id) then",
    "  begin",
    "    SetAbort;",
    "    Exit;",
    "  end;",
    "  SaveOrder(Id);",
    "  Result := True;",
    "end;",
    "",
    "procedure TOrderList.Report;",
    "begin",
    "  with TStringList.Create do",
    "  try",
    "    Add('Orders: ' + IntToStr(FItems.Count));",
    "    SaveToFile('report.txt');",
    "  finally",
    "    Free;",
    "  end;",
    "end;",
    "",
    "end.",
};

struct UnitCase {
  const char* Title;
  TCheckOptions Options;
  const char* Expected;
};

class OrdersUnitTest : public ::testing::TestWithParam<UnitCase> {};

TEST_P(OrdersUnitTest, Findings) {
  EXPECT_EQ(CheckSource<TDelphiFile>("uOrders.pas", Source(OrdersUnit), GetParam().Options),
            GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, OrdersUnitTest,
    ::testing::Values(UnitCase{"all", AllDelphiChecks,
                               "uOrders.pas\n"
                               "\tGeneral\n"
                               "\t\tQUERY created 1 times and destroyed 0 times\n"
                               "\tFunction  CHECKCREDIT\n"
                               "\t\tRoutine with SetAbort/SetComplete used within the same Unit\n"
                               "\t\tSetAbort found without Raise statement\n"
                               "\tFunction  TORDERLIST.CANCELORDER\n"
                               "\t\tSetAbort <> SetComplete\n"
                               "\t\tSetAbort found without Raise statement\n"},
                      UnitCase{"create and destroy", CheckBit(coCreateDestroy),
                               "uOrders.pas\n"
                               "\tGeneral\n"
                               "\t\tQUERY created 1 times and destroyed 0 times\n"},
                      UnitCase{"transactions", CheckBit(coSetAbortComplete),
                               "uOrders.pas\n"
                               "\tFunction  CHECKCREDIT\n"
                               "\t\tRoutine with SetAbort/SetComplete used within the same Unit\n"
                               "\t\tSetAbort found without Raise statement\n"
                               "\tFunction  TORDERLIST.CANCELORDER\n"
                               "\t\tSetAbort <> SetComplete\n"
                               "\t\tSetAbort found without Raise statement\n"},
                      // SaveOrder's try..except is the unit's.
                      UnitCase{"try and create",
                               CheckBit(coCreateDestroy) | CheckBit(coNoTryExcept),
                               "uOrders.pas\n"
                               "\tGeneral\n"
                               "\t\tQUERY created 1 times and destroyed 0 times\n"},
                      // The constructor calls its ancestor first, the destructor last.
                      UnitCase{"inherited", CheckBit(coInherited), ""}));

TEST(OrdersUnit, TraceShowsRoutinesItemsAndTheWithFree) {
  TTraceCapture Trace;
  CheckSource<TDelphiFile>("uOrders.pas", Source(OrdersUnit), AllDelphiChecks);
  for (const char* Line :
       {"Routine added: [0  ] TORDERLIST.CREATE", "Routine added: [5  ] TORDERLIST.REPORT",
        "CodeItem Added: FITEMS", "CodeItem Added: TSTRINGLIST",
        "WITH DESTORY or FREE Detected for: TSTRINGLIST", "SETABORT found: SETABORT",
        "CHECKCREDIT found:   IF NOT CHECKCREDIT(ID) THEN"})
    EXPECT_TRUE(Trace.Has(Line)) << Line;
}

// Comments of every kind and strings holding comment marks and keywords; only N and P are
// left unbalanced.
const std::vector<std::string> CommentsUnit = {
    "unit uComments;",
    "interface",
    "implementation",
    "uses Classes; { the second clause }",
    "{$IFDEF DEBUG}",
    "const Tracing = True;",
    "{$ENDIF}",
    "(* A block comment over",
    "   several lines with begin and end",
    "   and a { brace } inside *)",
    "procedure TWorker.Run;",
    "var",
    "  S: string;",
    "begin",
    "  S := 'begin'' end';               // doubled quote and keywords in a string",
    "  S := S + '{ not a comment }';      // braces inside a string",
    "  { X := TList.Create; }",
    "  // Y := TList.Create;",
    "  (* Z := TList.Create; *)",
    "  L := TList.Create; { created } L.Free;",
    "  M := TList.Create (* one *); // two",
    "  if S = '' then M.Free;",
    "  N := TList.Create; // N.Free",
    "  { an old note:",
    "    end; }",
    "  P := TList.Create;",
    "end;",
    "end.",
};

TEST(CommentsUnit, CommentsAndStringsHideWhatTheyHold) {
  EXPECT_EQ(
      CheckSource<TDelphiFile>("uComments.pas", Source(CommentsUnit), CheckBit(coCreateDestroy)),
      "uComments.pas\n"
      "\tGeneral\n"
      "\t\tN created 1 times and destroyed 0 times\n"
      "\t\tP created 1 times and destroyed 0 times\n");
}

// CASE statements, owners, FreeAndNil in a row, a destruction under IF.
const std::vector<std::string> ShapesUnit = {
    "unit uShapes;",
    "interface",
    "implementation",
    "procedure TCanvasView.Paint;",
    "begin",
    "  case FKind of",
    "    skCircle: DrawCircle;",
    "    skBox:",
    "      begin",
    "        FBrush := TBrush.Create;",
    "        DrawBox(FBrush);",
    "      end;",
    "  end;",
    "  FPen := TPen.Create;",
    "  FreeAndNil(FBrush); FreeAndNil(FPen);",
    "end;",
    "procedure TCanvasView.Setup;",
    "begin",
    "  FPanel := TPanel.Create(Self);",
    "  FPopup := TPopupMenu.Create(Application);",
    "  FHint := THintWindow.Create(nil);",
    "  FTimer := TTimer.Create(Self);",
    "  FTimer.Free;",
    "  FTimer := TTimer.Create(Self);",
    "  if Assigned(FHint) then FHint.Free;",
    "  FreeAndNil;",
    "end;",
    "end.",
};

// Without CASE opening a block, Paint would end at the END of its CASE and FPEN and FBRUSH
// would be reported.
TEST(ShapesUnit, CaseKeepsTheRoutineOpenAndOwnersExcuseMissingFrees) {
  EXPECT_EQ(CheckSource<TDelphiFile>("uShapes.pas", Source(ShapesUnit), CheckBit(coCreateDestroy)),
            "uShapes.pas\n"
            "\tGeneral\n"
            "\t\tFTIMER created 2 times and destroyed 1 times\n"
            "\t\tUnknown created 0 times and destroyed 1 times\n");
}

TEST(ShapesUnit, CaseOpensABlockInDelphi) {
  TTempTree Tmp;
  TDelphiFile F(nullptr);
  PrepareFile(F, Tmp, "s.pas", Source(ShapesUnit));
  ASSERT_TRUE(F.Load());
  F.Analyse(0);
  const TRoutine* Paint = F.FindRoutine("[0  ] TCANVASVIEW.PAINT");
  ASSERT_NE(Paint, nullptr);
  EXPECT_EQ(Paint->Depth, 0);
  EXPECT_EQ(F.CodeItems.at("FPEN")->CreateCount, 1);
  EXPECT_EQ(F.CodeItems.at("FPEN")->FreeCount, 1);
}

// A nested routine takes over from the routine it is declared in: the outer body is read as
// outside routines, so its creation is not seen while the nested routine's Free is.
TEST(NestedRoutines, OuterBodyIsReadAsOutsideRoutines) {
  const std::string Unit = Source({
      "unit uParse;",
      "interface",
      "implementation",
      "function NextToken(var S: string): Integer;",
      "var",
      "  Buf: TStringList;",
      "",
      "  procedure Flush;",
      "  begin",
      "    Buf.Free;",
      "  end;",
      "",
      "begin",
      "  Buf := TStringList.Create;",
      "  Flush;",
      "  Result := 0;",
      "end;",
      "end.",
  });
  EXPECT_EQ(CheckSource<TDelphiFile>("uParse.pas", Unit, CheckBit(coCreateDestroy)),
            "uParse.pas\n"
            "\tGeneral\n"
            "\t\tBUF created 0 times and destroyed 1 times\n");
}

struct TryCase {
  const char* Title;
  std::vector<std::string> Lines;
  bool Reported;
};

class TryExceptTest : public ::testing::TestWithParam<TryCase> {};

TEST_P(TryExceptTest, NoTryExceptFinding) {
  const std::string Expected =
      GetParam().Reported ? "f.pas\n\tGeneral\n\t\tNo Try..Except construction found\n" : "";
  EXPECT_EQ(CheckSource<TDelphiFile>("f.pas", Source(GetParam().Lines), AllDelphiChecks), Expected)
      << GetParam().Title;
}

INSTANTIATE_TEST_SUITE_P(
    Files, TryExceptTest,
    ::testing::Values(
        TryCase{"program with only try..finally in its main block",
                {"program Tool;", "uses SysUtils, Classes;", "var L: TStringList;", "begin",
                 "  L := TStringList.Create;", "  try", "    L.LoadFromFile(ParamStr(1));",
                 "  finally", "    L.Free;", "  end;", "end."},
                true},
        TryCase{"program without try",
                {"program Tool;", "begin", "  L := TStringList.Create;", "end."},
                true},
        TryCase{"unit whose try..except stands in a routine",
                {"unit U;", "interface", "implementation", "procedure X;", "begin", "  try",
                 "  except", "  end;", "end;", "end."},
                false},
        TryCase{"try and except in a comment or string",
                {"unit U;", "interface", "{ try }", "const S = 'try';", "implementation",
                 "procedure X; begin S := 'except'; end;", "end."},
                true},
        TryCase{
            "words that only hold TRY and EXCEPT",
            {"unit U;", "interface", "implementation", "procedure X;", "begin",
             "  if TryStrToInt(S, N) then Retry;", "  raise EExceptionX.Create;", "end;", "end."},
            true},
        TryCase{"except before the try",
                {"unit U;", "interface", "implementation", "procedure X;", "begin",
                 "  HandleExcept;", "  except", "  try", "end;", "end."},
                true},
        TryCase{"try and except on one line after the implementation line",
                {"unit U;", "interface", "implementation", "begin try X; except end; end."},
                false}));

// A program file never starts routine detection: its SETABORT and creations are not counted.
TEST(ProgramFile, BodyDetectionsDoNotRun) {
  const std::string Program =
      Source({"program P;", "procedure Q;", "begin", "  SetAbort;", "  X := TList.Create;", "end;",
              "begin", "  try", "  except", "  end;", "end."});
  EXPECT_EQ(CheckSource<TDelphiFile>("p.dpr", Program, AllDelphiChecks), "");
}

TEST(Implementation, LineEndingInsideABlockCommentDoesNotCount) {
  TTempTree Tmp;
  TDelphiFile F(nullptr);
  PrepareFile(F, Tmp, "i.pas",
              Source({"unit I;", "interface", "implementation { comment start", "still comment }",
                      "procedure A; begin end;", "implementation", "procedure B;"}));
  ASSERT_TRUE(F.Load());
  F.Analyse(0);
  EXPECT_EQ(F.ImplementationLine, 5);
  ASSERT_EQ(F.Routines.size(), 1u);
  EXPECT_EQ(F.Routines.begin()->first, "[0  ] B");
}

// SETABORT, RAISE and CREATE outside routines (initialization part) are not counted.
TEST(OutsideRoutines, InitializationPartCountsNothing) {
  const std::string Unit = Source(
      {"unit U;", "interface", "implementation", "procedure A;", "begin", "end;", "initialization",
       "  SetAbort;", "  G := TList.Create;", "finalization", "  G.Free;", "  G.Free;", "end."});
  EXPECT_EQ(CheckSource<TDelphiFile>("u.pas", Unit,
                                     CheckBit(coCreateDestroy) | CheckBit(coSetAbortComplete)),
            "");
}

struct LineCase {
  const char* Line;
  const char* Expected;  // findings under General with coCreateDestroy, one per line
};

class BodyLineTest : public ::testing::TestWithParam<LineCase> {};

// One line in a routine body and the create/destroy findings it leaves.
TEST_P(BodyLineTest, CreateDestroyFindings) {
  const std::string Unit = Source({"unit U;", "interface", "implementation", "procedure T.A;",
                                   "begin", GetParam().Line, "end;"});
  const std::string Found = CheckSource<TDelphiFile>("u.pas", Unit, CheckBit(coCreateDestroy));
  const std::string Expected = std::string(GetParam().Expected).empty()
                                   ? ""
                                   : "u.pas\n\tGeneral\n" + std::string(GetParam().Expected);
  EXPECT_EQ(Found, Expected) << GetParam().Line;
}

INSTANTIATE_TEST_SUITE_P(
    Detections, BodyLineTest,
    ::testing::Values(
        LineCase{"X := TFoo.Create;", "\t\tX created 1 times and destroyed 0 times\n"},
        LineCase{"TFoo.Create(Self);", ""},
        LineCase{"X:=TFoo.Create;", "\t\tX created 1 times and destroyed 0 times\n"},
        LineCase{"var List: TStringList := TStringList.Create;",
                 "\t\tLIST created 1 times and destroyed 0 times\n"},
        LineCase{"var List: TStringList := TStringList.Create; List.Free;", ""},
        LineCase{"var D: TDictionary<string, Integer> := TDictionary<string, Integer>.Create;",
                 "\t\tD created 1 times and destroyed 0 times\n"},
        LineCase{"Root.RemovePair(AName).Free; TList(P).Free;", ""},
        LineCase{"FItems.Objects[I].Free; A[I].Free; FreeAndNil(FRecent[I]);", ""},
        LineCase{"Parsed[Count] := TLine.Create;", ""},
        LineCase{"var N: Integer; X := TFoo.Create;",
                 "\t\tX created 1 times and destroyed 0 times\n"},
        LineCase{"Variant1 := TFoo.Create;",
                 "\t\tVARIANT1 created 1 times and destroyed 0 times\n"},
        LineCase{"Self.FCache := TCache.Create(nil);",
                 "\t\tSELF.FCACHE created 1 times and destroyed 0 times\n"},
        LineCase{"if Ok then X := TFoo.Create(Parent);", ""},
        LineCase{"X := TFoo.Create; X.Free;", ""}, LineCase{"X := TFoo.Create; X.Destroy;", ""},
        LineCase{"IF ASSIGNED(FOO) THEN FOO.FREE;",
                 "\t\tFOO created 0 times and destroyed 1 times\n"},
        LineCase{"FreeAndNil(Foo); FreeAndNil(Bar);",
                 "\t\tBAR created 0 times and destroyed 1 times\n"
                 "\t\tFOO created 0 times and destroyed 1 times\n"},
        LineCase{"FreeAndNil(A.B);", "\t\tA.B created 0 times and destroyed 1 times\n"},
        LineCase{"FreeAndNil;", "\t\tUnknown created 0 times and destroyed 1 times\n"},
        LineCase{"inherited Destroy;", ""}, LineCase{"Free;", ""},
        // The name before the line's first ":=" is taken for every creation on the line.
        LineCase{"A := TX.Create; B := TY.Create;",
                 "\t\tA created 2 times and destroyed 0 times\n"},
        LineCase{"X := Y.Free;", "\t\tY created 0 times and destroyed 1 times\n"},
        LineCase{"with TList.Create do", "\t\tTLIST created 1 times and destroyed 0 times\n"},
        LineCase{"with TList.Create do try Sort; finally Free; end;", ""}));

// WithItem survives from one routine to the next: a bare FREE later still consumes it.
TEST(WithItem, SurvivesIntoALaterRoutine) {
  TTraceCapture Trace;
  const std::string Unit =
      Source({"unit U;", "interface", "implementation", "procedure A;", "begin",
              "  with TList.Create do Sort;", "end;", "procedure B;", "begin", "  Free;", "end;"});
  EXPECT_EQ(CheckSource<TDelphiFile>("u.pas", Unit, CheckBit(coCreateDestroy)), "");
  EXPECT_TRUE(Trace.Has("WITH DESTORY or FREE Detected for: TLIST"));
}

// ".FREE" at the start of a line is neither a dotted FREE (no name stands before the dot) nor a
// bare one: it does not consume the WITH item.
TEST(WithItem, DotFreeAtLineStartIsNoBareFree) {
  TTraceCapture Trace;
  const std::string Unit = Source({"unit U;", "interface", "implementation", "procedure A;",
                                   "begin", "  with TList.Create do Sort;", "  .Free;", "end;"});
  EXPECT_EQ(CheckSource<TDelphiFile>("u.pas", Unit, CheckBit(coCreateDestroy)),
            "u.pas\n\tGeneral\n\t\tTLIST created 1 times and destroyed 0 times\n");
  EXPECT_FALSE(Trace.Has("WITH DESTORY or FREE Detected for: TLIST"));
}

TEST(SetComplete, NoCommitCountsAndSemicolonIsABoundary) {
  TTempTree Tmp;
  TDelphiFile F(nullptr);
  PrepareFile(F, Tmp, "s.pas",
              Source({"unit S;", "interface", "implementation", "procedure A;", "begin",
                      "  SetCompleteNoCommit;", "end;", "procedure B;", "begin",
                      "  SetComplete;SetAbort", "end;"}));
  ASSERT_TRUE(F.Load());
  F.Analyse(0);
  const TRoutine* A = F.FindRoutine("[0  ] A");
  const TRoutine* B = F.FindRoutine("[1  ] B");
  ASSERT_TRUE(A && B);
  EXPECT_TRUE(A->SetCompleteFound);
  EXPECT_FALSE(A->SetAbortFound);
  EXPECT_TRUE(B->SetCompleteFound);
  EXPECT_TRUE(B->SetAbortFound);
}

// Options only choose what is reported: a second report of the same scan with other options.
TEST(Options, ScanIsTheSameWhateverIsChosen) {
  TTempTree Tmp;
  TResultTree Tree;
  TDelphiFile F(&Tree);
  PrepareFile(F, Tmp, "uOrders.pas", Source(OrdersUnit));
  ASSERT_TRUE(F.Load());
  F.Analyse(0);
  EXPECT_FALSE(F.WriteResults());
  EXPECT_EQ(Tree.TopCount(), 0);
  F.Options = CheckBit(coCreateDestroy);
  EXPECT_TRUE(F.WriteResults());
  EXPECT_EQ(TreeText(Tree, Tmp),
            "uOrders.pas\n\tGeneral\n\t\tQUERY created 1 times and destroyed 0 times\n");
}

TEST(UnloadedFile, GetsOnlyTheBaseCategories) {
  TTempTree Tmp;
  TResultTree Tree;
  TDelphiFile F(&Tree);
  // Binary: the recorded size does not fit the text read.
  PrepareFile(F, Tmp, "b.pas", "unit B;\ninterface\nimplementation\n");
  F.FileRec.Size = 4096;
  EXPECT_FALSE(F.Load());
  F.Analyse(AllDelphiChecks);
  EXPECT_TRUE(F.WriteResults());
  EXPECT_EQ(TreeText(Tree, Tmp), "b.pas\n\tErrors\n\t\tBinary file, skipped\n");
}

}  // namespace
