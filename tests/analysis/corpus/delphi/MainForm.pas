unit MainForm;

{$mode objfpc}{$H+}

interface

uses
  Classes, SysUtils, Forms, Controls, Graphics, Dialogs, StdCtrls, ExtCtrls,
  ComCtrls, Process;

type

  { TForm1 }

  TForm1 = class(TForm)
    Button1: TButton;
    Button2: TButton;
    Button3: TButton;
    Memo1: TMemo;
    StatusBar1: TStatusBar;
    Timer1: TTimer;
    procedure Button1Click(Sender: TObject);
    procedure Button2Click(Sender: TObject);
    procedure Button3Click(Sender: TObject);
    procedure FormCreate(Sender: TObject);
    procedure FormDestroy(Sender: TObject);
    procedure Timer1Timer(Sender: TObject);
  private
    FHistory: TStringList;
    FExtraPanel: TPanel;
    FRunCount: Integer;
    FLastDir: string;
    procedure AddLine(const S: string);
    procedure ExtraClick(Sender: TObject);
    function RunTool(const AExe: string; const AArgs: array of string): Integer;
  protected
    procedure DoClose(var CloseAction: TCloseAction); override;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
  end;

var
  Form1: TForm1;

implementation

{$R *.lfm}

const
  SToolName = {$IFDEF WINDOWS}'where'{$ELSE}'which'{$ENDIF};
  SNoFile = 'Couldn'#39't find '#39'%s'#39;

{ TForm1 }

constructor TForm1.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  FHistory := TStringList.Create;
  FHistory.Sorted := True;
  FHistory.Duplicates := dupIgnore;
  FExtraPanel := TPanel.Create(Self);
  FExtraPanel.Parent := Self;
  FExtraPanel.Align := alBottom;
  FExtraPanel.Height := 32;
end;

destructor TForm1.Destroy;
begin
  FHistory.Free;
  inherited Destroy;
end;

procedure TForm1.FormCreate(Sender: TObject);
var
  Btn: TButton;
begin
  Caption := 'Ferro runner';
  Btn := TButton.Create(Self);
  Btn.Parent := FExtraPanel;
  Btn.Caption := 'Clear';
  Btn.Align := alRight;
  Btn.OnClick := @ExtraClick;
  Timer1.Interval := 5000;
  Timer1.Enabled := True;
  FLastDir := GetCurrentDir;
end;

procedure TForm1.FormDestroy(Sender: TObject);
begin
  Timer1.Enabled := False;
end;

procedure TForm1.DoClose(var CloseAction: TCloseAction);
begin
  if FRunCount > 0 then
    AddLine(Format('%d run(s) this session', [FRunCount]));
  CloseAction := caFree;
  inherited DoClose(CloseAction);
end;

procedure TForm1.AddLine(const S: string);
begin
  Memo1.Lines.Add(S);
  FHistory.Add(S);
end;

procedure TForm1.ExtraClick(Sender: TObject);
begin
  Memo1.Clear;
  StatusBar1.SimpleText := '';
end;

function TForm1.RunTool(const AExe: string; const AArgs: array of string): Integer;
var
  Proc: TProcess;
  Output: TStringList;
  I: Integer;
begin
  Result := -1;
  Output := nil;
  Proc := TProcess.Create(nil);
  try
    {$IFDEF WINDOWS}
    Proc.Executable := AExe + '.exe';
    Proc.ShowWindow := swoHide;
    {$ELSE}
    Proc.Executable := AExe;
    {$ENDIF}
    for I := Low(AArgs) to High(AArgs) do
      Proc.Parameters.Add(AArgs[I]);
    Proc.Options := [poWaitOnExit, poUsePipes, poStderrToOutPut];
    Proc.Execute;
    Output := TStringList.Create;
    Output.LoadFromStream(Proc.Output);
    for I := 0 to Output.Count - 1 do
      AddLine(Output[I]);
    Result := Proc.ExitStatus;
  finally
    Output.Free;
    Proc.Free;
  end;
  Inc(FRunCount);
end;

procedure TForm1.Button1Click(Sender: TObject);
var
  Code: Integer;
begin
  Screen.Cursor := crHourGlass;
  try
    try
      Code := RunTool(SToolName, ['fpc']);
      StatusBar1.SimpleText := Format('exit code %d', [Code]);
    except
      on E: Exception do
        MessageDlg('Run failed', E.Message, mtError, [mbOK], 0);
    end;
  finally
    Screen.Cursor := crDefault;
  end;
end;

procedure TForm1.Button2Click(Sender: TObject);
var
  Lines: TStringList;
  I, Empty: Integer;
begin
  Lines := TStringList.Create;
  Lines.Text := Memo1.Text;
  Empty := 0;
  for I := Lines.Count - 1 downto 0 do
    if Trim(Lines[I]) = '' then
    begin
      Lines.Delete(I);
      Inc(Empty);
    end;
  Memo1.Text := Lines.Text;
  StatusBar1.SimpleText := Format('%d line(s), %d empty removed', [Lines.Count, Empty]);
end;

procedure TForm1.Button3Click(Sender: TObject);
var
  Dlg: TOpenDialog;
  About: TForm;
  Stream: TFileStream;
begin
  Dlg := TOpenDialog.Create(nil);
  try
    Dlg.InitialDir := FLastDir;
    Dlg.Filter := 'Pascal units (*.pas;*.pp)|*.pas;*.pp|All files|*';
    if not Dlg.Execute then
      Exit;
    if not FileExists(Dlg.FileName) then
    begin
      ShowMessage(Format(SNoFile, [Dlg.FileName]));
      Exit;
    end;
    FLastDir := ExtractFilePath(Dlg.FileName);
    Stream := TFileStream.Create(Dlg.FileName, fmOpenRead or fmShareDenyWrite);
    try
      Memo1.Lines.LoadFromStream(Stream);
    finally
      Stream.Free;
    end;
  finally
    Dlg.Free;
  end;
  About := TForm.Create(Self);
  About.Caption := 'Loaded';
  About.Position := poMainFormCenter;
  About.ShowModal;
end;

procedure TForm1.Timer1Timer(Sender: TObject);
var
  Snap: TMemoryStream;
  FileName: string;
begin
  FileName := IncludeTrailingPathDelimiter(GetTempDir) + 'ferro-memo.bak';
  Snap := TMemoryStream.Create;
  Memo1.Lines.SaveToStream(Snap);
  if Snap.Size > 0 then
    Snap.SaveToFile(FileName);
  StatusBar1.SimpleText := 'autosaved ' + TimeToStr(Now);
  Snap.Free;
end;

end.
