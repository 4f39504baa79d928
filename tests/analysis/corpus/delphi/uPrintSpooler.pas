unit uPrintSpooler;

interface

uses
  System.SysUtils, System.Classes, System.SyncObjs, System.Generics.Collections, Vcl.Graphics;

type
  TPrintJob = class
  private
    FTitle: string;
    FPages: TObjectList<TMetafile>;
    FCopies: Integer;
  public
    constructor Create(const ATitle: string; ACopies: Integer = 1);
    destructor Destroy; override;
    function AddPage: TMetafileCanvas;
    property Title: string read FTitle;
    property Pages: TObjectList<TMetafile> read FPages;
  end;

  TPrintSpooler = class
  private
    FJobs: TThreadedQueue<TPrintJob>;
    FPrinted: Integer;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Submit(AJob: TPrintJob);
    function PrintNext(ATimeoutMs: Cardinal): Boolean;
    procedure PrintTestPage(const APrinterName: string);
    property Printed: Integer read FPrinted;
  end;

function Spooler: TPrintSpooler;

implementation

uses
  Vcl.Printers;

type
  TJobRenderer = class
  private
    FJob: TPrintJob;
    FCanvas: TCanvas;
  public
    constructor Create(AJob: TPrintJob; ACanvas: TCanvas);
    destructor Destroy; override;
    procedure Render;
  end;

var
  GSpooler: TPrintSpooler;

procedure RenderPage(ACanvas: TCanvas; APage: TMetafile); forward;

function Spooler: TPrintSpooler;
begin
  Result := GSpooler;
end;

{ TPrintJob }

constructor TPrintJob.Create(const ATitle: string; ACopies: Integer);
begin
  inherited Create;
  FTitle := ATitle;
  FCopies := ACopies;
  FPages := TObjectList<TMetafile>.Create(True);
end;

destructor TPrintJob.Destroy;
begin
  FPages.Free;
  // inherited;
end;

function TPrintJob.AddPage: TMetafileCanvas;
var
  Page: TMetafile;
begin
  Page := TMetafile.Create;
  Page.SetSize(Printer.PageWidth, Printer.PageHeight);
  FPages.Add(Page);
  Result := TMetafileCanvas.Create(Page, 0);
end;

{ TJobRenderer }

constructor TJobRenderer.Create(AJob: TPrintJob; ACanvas: TCanvas);
begin
  inherited Create;
  FJob := AJob;
  FCanvas := ACanvas;
end;

destructor TJobRenderer.Destroy;
begin
  FJob := nil;
  inherited Destroy;
end;

procedure TJobRenderer.Render;
var
  I, Copy: Integer;
begin
  for Copy := 1 to FJob.FCopies do
    for I := 0 to FJob.Pages.Count - 1 do
    begin
      if (Copy > 1) or (I > 0) then
        Printer.NewPage;
      RenderPage(FCanvas, FJob.Pages[I]);
    end;
end;

procedure RenderPage(ACanvas: TCanvas; APage: TMetafile);
begin
  ACanvas.StretchDraw(Rect(0, 0, Printer.PageWidth, Printer.PageHeight), APage);
end;

{ TPrintSpooler }

constructor TPrintSpooler.Create;
begin
  inherited Create;
  FJobs := TThreadedQueue<TPrintJob>.Create(64, 1000, INFINITE);
end;

destructor TPrintSpooler.Destroy;
var
  Job: TPrintJob;
begin
  FJobs.DoShutDown;
  while FJobs.PopItem(Job) = wrSignaled do
    Job.Free;
  FJobs.Free;
  inherited Destroy;
end;

procedure TPrintSpooler.Submit(AJob: TPrintJob);
begin
  if FJobs.PushItem(AJob) <> wrSignaled then
  begin
    AJob.Free;
    raise EInvalidOperation.Create('The print queue is full');
  end;
end;

function TPrintSpooler.PrintNext(ATimeoutMs: Cardinal): Boolean;
var
  Job: TPrintJob;
  Renderer: TJobRenderer;
begin
  Result := FJobs.PopItem(Job) = wrSignaled;
  if not Result then
    Exit;
  try
    Printer.Title := Job.Title;
    Printer.BeginDoc;
    Renderer := TJobRenderer.Create(Job, Printer.Canvas);
    Renderer.Render;
    FreeAndNil(Renderer);
    Printer.EndDoc;
    TInterlocked.Increment(FPrinted);
  finally
    Job.Free;
  end;
end;

procedure TPrintSpooler.PrintTestPage(const APrinterName: string);
var
  Job: TPrintJob;
  Canvas: TMetafileCanvas;
begin
  Job := TPrintJob.Create('Test page ' + APrinterName);
  Canvas := Job.AddPage;
  try
    Canvas.Font.Size := 24;
    Canvas.TextOut(100, 100, 'Test page for ' + APrinterName);
    Canvas.TextOut(100, 160, FormatDateTime('dd.mm.yyyy hh:nn', Now));
  finally
    Canvas.DisposeOf;
  end;
  Submit(Job);
end;

initialization
  GSpooler := TPrintSpooler.Create;

finalization
  GSpooler.Free;

end.
