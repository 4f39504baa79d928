// The INHERITED check on constructors, destructors and overridden methods as they are written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AnalysisTestUtil.h"

namespace {

struct InheritedCase {
  const char* Title;
  std::vector<std::string> Routine;
  const char* Expected;  // the file's findings below its node; empty: none
};

class InheritedTest : public ::testing::TestWithParam<InheritedCase> {};

TEST_P(InheritedTest, Finding) {
  const std::string Expected =
      std::string(GetParam().Expected).empty() ? "" : "c.pas\n" + std::string(GetParam().Expected);
  EXPECT_EQ(
      CheckSource<TDelphiFile>("c.pas", DelphiUnit({}, GetParam().Routine), CheckBit(coInherited)),
      Expected)
      << GetParam().Title;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, InheritedTest,
    ::testing::Values(
        InheritedCase{"constructor calling its ancestor first",
                      {"constructor TGrid.Create(AOwner: TComponent);", "begin",
                       "  inherited Create(AOwner);", "  FCells := TList.Create;",
                       "  FRowCount := 5;", "end;"},
                      ""},
        // Field assignments, guards and lock entry before the ancestor call are a lead-in.
        InheritedCase{
            "constructor setting a field before its ancestor",
            {"constructor TGrid.Create(AOwner: TComponent);", "begin", "  FRowCount := 5;",
             "  inherited Create(AOwner);", "  FCells := TList.Create;", "end;"},
            ""},
        InheritedCase{"constructor with a guard clause before its ancestor",
                      {"constructor TGrid.Create(AOwner: TComponent);", "begin",
                       "  if AOwner = nil then raise EArgumentNilException.Create('AOwner');",
                       "  Assert(DefaultRowCount > 0);", "  inherited Create(AOwner);", "end;"},
                      ""},
        // A guard's condition and its Exit or raise are often on lines of their own.
        InheritedCase{
            "method with a guard clause over two lines before its ancestor",
            {"procedure TGrid.Loaded;", "begin", "  if csDesigning in ComponentState then",
             "    Exit;", "  inherited;", "  FLoaded := True;", "end;"},
            ""},
        InheritedCase{"method raising in a guard over two lines before its ancestor",
                      {"procedure TGrid.Loaded;", "begin", "  if not Assigned(FCells) then",
                       "    raise EInvalidOperation.Create('no cells');", "  inherited Loaded;",
                       "  UpdateCells;", "end;"},
                      ""},
        InheritedCase{"method whose work ends in a keyword-like word on its line",
                      {"procedure TGrid.Loaded;", "begin", "  if FReady then", "    Prepare;",
                       "  inherited;", "  UpdateCells;", "end;"},
                      "\tProcedure TGRID.LOADED\n\t\tInherited not at Start or End of Routine\n"},
        // Updates held off around the ancestor's call, as a lock is taken around it.
        InheritedCase{"method holding off alignment around its ancestor",
                      {"procedure TGrid.Loaded;", "begin", "  DisableAlign;", "  try",
                       "    inherited;", "  finally", "    EnableAlign;", "  end;", "end;"},
                      ""},
        InheritedCase{
            "method holding off a dataset's controls around its ancestor",
            {"procedure TOrders.DoAfterOpen;", "begin", "  DisableControls;", "  try",
             "    inherited DoAfterOpen;", "  finally", "    EnableControls;", "  end;", "end;"},
            ""},
        InheritedCase{"method counting its updates around its ancestor",
                      {"procedure TGrid.Resize;", "begin", "  Inc(FUpdating);", "  try",
                       "    inherited;", "  finally", "    Dec(FUpdating);", "  end;", "end;"},
                      ""},
        InheritedCase{"method counting a local before its ancestor",
                      {"procedure TGrid.Resize;", "begin", "  Inc(Count);", "  inherited;",
                       "  Dec(Count);", "end;"},
                      "\tProcedure TGRID.RESIZE\n\t\tInherited not at Start or End of Routine\n"},
        // Values worked out for the ancestor's call.
        InheritedCase{
            "constructor composing its ancestor's message in a local",
            {"constructor EImportError.Create(ALine: Integer);", "var", "  Msg: string;", "begin",
             "  Msg := Format('Line %d', [ALine]);", "  inherited Create(Msg);", "end;"},
            ""},
        InheritedCase{
            "method clamping a parameter before its ancestor",
            {"procedure TGrid.SetBounds(ALeft, ATop, AWidth, AHeight: Integer);", "begin",
             "  if AWidth < MinWidth then", "    AWidth := MinWidth;",
             "  inherited SetBounds(ALeft, ATop, AWidth, AHeight);", "  UpdateLayout;", "end;"},
            ""},
        InheritedCase{"constructor setting a property before its ancestor",
                      {"constructor TGrid.Create(AOwner: TComponent);", "begin", "  Width := 100;",
                       "  inherited Create(AOwner);", "end;"},
                      "\tProcedure TGRID.CREATE\n\t\tInherited not at Start of Routine\n"},
        InheritedCase{"function setting its result before its ancestor",
                      {"function TGrid.CanFocus: Boolean;", "begin", "  Result := False;",
                       "  if FLocked then", "    Exit;", "  Result := inherited CanFocus;",
                       "  UpdateFocus;", "end;"},
                      ""},
        InheritedCase{"method changing another object before its ancestor",
                      {"procedure TGrid.Paint;", "begin", "  Canvas.Brush.Color := clRed;",
                       "  inherited;", "  DrawBorder;", "end;"},
                      "\tProcedure TGRID.PAINT\n\t\tInherited not at Start or End of Routine\n"},
        InheritedCase{"constructor doing work before its ancestor",
                      {"constructor TGrid.Create(AOwner: TComponent);", "begin", "  LoadDefaults;",
                       "  inherited Create(AOwner);", "end;"},
                      "\tProcedure TGRID.CREATE\n\t\tInherited not at Start of Routine\n"},
        InheritedCase{"constructor creating a field before its ancestor",
                      {"constructor TGrid.Create(AOwner: TComponent);", "begin",
                       "  FCells := TList.Create;", "  inherited;", "end;"},
                      ""},
        InheritedCase{
            "constructor whose ancestor call runs over two lines",
            {"constructor TGrid.Create(AOwner: TComponent);", "begin", "  inherited Create(AOwner,",
             "    DefaultRowCount);", "  FCells := TList.Create;", "end;"},
            ""},
        InheritedCase{"destructor calling its ancestor last",
                      {"destructor TGrid.Destroy;", "begin", "  FCells.Free;",
                       "  FreeAndNil(FCache);", "  inherited Destroy;", "end;"},
                      ""},
        InheritedCase{
            "destructor calling its ancestor first",
            {"destructor TGrid.Destroy;", "begin", "  inherited;", "  FCells.Free;", "end;"},
            "\tProcedure TGRID.DESTROY\n\t\tInherited not at End of Routine\n"},
        InheritedCase{"destructor with its ancestor in a finally part",
                      {"destructor TGrid.Destroy;", "begin", "  try", "    FCells.Free;",
                       "  finally", "    inherited Destroy;", "  end;", "end;"},
                      ""},
        InheritedCase{"destructor with an except part before its ancestor",
                      {"destructor TConn.Destroy;", "begin", "  try", "    Disconnect;", "  except",
                       "    on E: Exception do Log(E.Message);", "  end;", "  inherited;", "end;"},
                      ""},
        InheritedCase{"destructor whose ancestor call runs over two lines",
                      {"destructor TGrid.Destroy;", "begin", "  FCells.Free;", "  inherited",
                       "    Destroy;", "end;"},
                      ""},
        InheritedCase{"destructor calling its ancestor over two lines, then freeing",
                      {"destructor TGrid.Destroy;", "begin", "  inherited", "    Destroy;",
                       "  FCells.Free;", "end;"},
                      "\tProcedure TGRID.DESTROY\n\t\tInherited not at End of Routine\n"},
        InheritedCase{"override with a two-line ancestor call inside its lock",
                      {"procedure TBox.Resize;", "begin", "  Lock;", "  inherited Resize(W,",
                       "    H);", "  Unlock;", "end;"},
                      ""},
        InheritedCase{"override with a two-line ancestor call in its middle",
                      {"procedure TBox.Resize;", "begin", "  Measure;", "  inherited Resize(W,",
                       "    H);", "  Arrange;", "end;"},
                      "\tProcedure TBOX.RESIZE\n\t\tInherited not at Start or End of Routine\n"},
        InheritedCase{"override releasing its lock and freeing a local in a finally part",
                      {"procedure TBox.Paint;", "var", "  Tmp: TBitmap;", "begin", "  FLock.Enter;",
                       "  try", "    inherited Paint;", "  finally", "    Tmp.Free;",
                       "    FLock.Leave;", "  end;", "end;"},
                      ""},
        InheritedCase{"destructor calling its ancestor twice",
                      {"destructor TGrid.Destroy;", "begin", "  inherited;", "  FCells.Free;",
                       "  inherited;", "end;"},
                      "\tProcedure TGRID.DESTROY\n\t\tInherited not at End of Routine\n"},
        InheritedCase{
            "one-line constructor", {"constructor TBox.Create; begin inherited; end;"}, ""},
        InheritedCase{
            "one-line destructor", {"destructor TBox.Destroy; begin inherited; end;"}, ""},
        InheritedCase{"override painting inside the canvas lock",
                      {"procedure TBox.Paint;", "begin", "  Canvas.Lock;", "  inherited Paint;",
                       "  Canvas.Unlock;", "end;"},
                      ""},
        InheritedCase{"one-line override around its ancestor",
                      {"procedure TBox.Paint; begin DrawBack; inherited Paint; "
                       "DrawBorder; end;"},
                      "\tProcedure TBOX.PAINT;\n\t\tInherited not at Start or End of Routine\n"},
        InheritedCase{
            "event handler calling its ancestor first, then a block",
            {"procedure TMainForm.FormCreate(Sender: TObject);", "begin", "  inherited;",
             "  if FReady then", "  begin", "    Caption := 'ready; inherited';", "  end;", "end;"},
            ""},
        InheritedCase{"message handler calling its ancestor only when unhandled",
                      {"procedure TBox.WMSize(var Msg: TWMSize);", "begin",
                       "  Handled := DoResize(Msg.Width);", "  if not Handled then",
                       "    inherited;", "end;"},
                      ""},
        InheritedCase{"function using its ancestor's result",
                      {"function TBox.GetText: string;", "begin", "  Result := inherited GetText;",
                       "  Result := Trim(Result);", "end;"},
                      ""},
        InheritedCase{"ancestor mentioned only in comments",
                      {"procedure TBox.Loaded;", "begin", "  Prepare; { inherited; }",
                       "  // inherited;", "  Finish;", "end;"},
                      ""},
        InheritedCase{"CASE statement before the ancestor call",
                      {"procedure TBox.KeyDown(var Key: Word; Shift: TShiftState);", "begin",
                       "  case Key of", "    VK_UP: MoveUp;", "  end;", "  inherited;", "end;"},
                      ""},
        // A message handler dispatches: each arm decides where its ancestor call belongs.
        InheritedCase{"ancestor called in the arms of a message dispatch",
                      {"procedure TBox.WndProc(var Message: TMessage);", "begin",
                       "  case Message.Msg of", "    WM_SETFOCUS:", "      begin",
                       "        inherited WndProc(Message);", "        Invalidate;", "      end;",
                       "  else", "    inherited WndProc(Message);", "  end;", "end;"},
                      ""},
        InheritedCase{"ancestor drawing when the method does not",
                      {"procedure TBox.Paint;", "begin", "  PrepareCanvas;", "  if FOwnerDraw then",
                       "    DrawItems", "  else", "    inherited Paint;", "  DrawFocus;", "end;"},
                      ""},
        InheritedCase{"destructor calling its ancestor last in both branches",
                      {"destructor TBox.Destroy;", "begin", "  if FMore <> nil then", "  begin",
                       "    FMore.Free;", "    inherited Destroy;", "  end", "  else",
                       "    inherited Destroy;", "end;"},
                      ""},
        InheritedCase{"destructor working after its ancestor in one branch",
                      {"destructor TBox.Destroy;", "begin", "  if FMore <> nil then", "  begin",
                       "    inherited Destroy;", "    FMore.Free;", "  end", "  else",
                       "    inherited Destroy;", "end;"},
                      "\tProcedure TBOX.DESTROY\n\t\tInherited not at End of Routine\n"},
        InheritedCase{"local declarations before the body do not count",
                      {"constructor TGrid.Create(AOwner: TComponent);", "var", "  I: Integer;",
                       "begin", "  inherited;", "  for I := 0 to 9 do", "    Add(I);", "end;"},
                      ""}));

TEST(InheritedOption, OtherChecksDoNotReportPlacement) {
  const std::string Unit =
      Source({"unit U;", "interface", "implementation", "destructor TGrid.Destroy;", "begin",
              "  inherited;", "  FCells.Free;", "end;", "end."});
  EXPECT_EQ(CheckSource<TDelphiFile>("u.pas", Unit,
                                     CheckBit(coSetAbortComplete) | CheckBit(coCreateDestroy)),
            "u.pas\n\tGeneral\n\t\tFCELLS created 0 times and destroyed 1 times\n");
  EXPECT_EQ(CheckSource<TDelphiFile>("u.pas", Unit, CheckBit(coInherited)),
            "u.pas\n\tProcedure TGRID.DESTROY\n\t\tInherited not at End of Routine\n");
}

// A routine still open at the end of the file has had its last statement.
TEST(InheritedOption, UnclosedDestructorEndsWithTheFile) {
  const std::string Unit =
      Source({"unit U;", "interface", "implementation", "destructor TGrid.Destroy;", "begin",
              "  FCells.Free;", "  inherited;"});
  EXPECT_EQ(CheckSource<TDelphiFile>("u.pas", Unit, CheckBit(coInherited)), "");
}

TEST(InheritedOption, FindingsFollowTheSetAbortFindingsUnderOneCategory) {
  const std::string Unit =
      Source({"unit U;", "interface", "implementation", "procedure TTx.Run;", "begin", "  Prepare;",
              "  inherited;", "  SetAbort;", "end;", "end."});
  EXPECT_EQ(CheckSource<TDelphiFile>("u.pas", Unit, AllDelphiChecks),
            "u.pas\n"
            "\tProcedure TTX.RUN\n"
            "\t\tSetAbort <> SetComplete\n"
            "\t\tSetAbort found without Raise statement\n"
            "\t\tInherited not at Start or End of Routine\n"
            "\tGeneral\n"
            "\t\tNo Try..Except construction found\n");
}

}  // namespace

namespace {

// INHERITED is looked for on every body line that is left after the END handling, whatever
// checks are chosen, after the blocks and before WITH and CREATE.
TEST(InheritedTrace, EveryBodyLineWithTheWordIsTraced) {
  TTraceCapture Trace;
  CheckSource<TDelphiFile>(
      "c.pas",
      Source({"unit uControls;", "interface", "implementation",
              "constructor TGrid.Create(AOwner: TComponent);", "begin",
              "  inherited Create(AOwner);", "  FCells := TList.Create;", "end;",
              "procedure TGrid.Paint;", "begin inherited;", "end;", "inherited;", "end."}),
      CheckBit(coCreateDestroy));
  std::vector<std::string> Found;
  for (const std::string& Text : Trace.Texts())
    if (Text.find(" found: ") != std::string::npos) Found.push_back(Text);
  const std::vector<std::string> Expected = {
      "IMPLEMENTATION found: IMPLEMENTATION",
      "CONSTRUCTOR found: CONSTRUCTOR TGRID.CREATE(AOWNER: TCOMPONENT);",
      "CREATE found: CONSTRUCTOR TGRID.CREATE(AOWNER: TCOMPONENT);",
      "BEGIN found: BEGIN",
      "INHERITED found: INHERITED CREATE(AOWNER);",
      "CREATE found: INHERITED CREATE(AOWNER);",
      "CREATE found: FCELLS := TLIST.CREATE;",
      "END found: END;",
      "PROCEDURE found: PROCEDURE TGRID.PAINT;",
      "BEGIN found: BEGIN INHERITED;",
      "INHERITED found: INHERITED;",
      "END found: END;"};
  EXPECT_EQ(Found, Expected);
}

}  // namespace
