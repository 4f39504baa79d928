unit uImportWorker;

{ Background import of supplier price files. The worker reports progress to
  the main thread with TThread.Queue; the form never waits for it. }

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections, uPriceFile, uPriceRepository;

type
  TImportProgressEvent = reference to procedure(ADone, ATotal: Integer);
  TImportFinishedEvent = reference to procedure(const AErrors: TArray<string>);

  TImportRow = record
    ArticleNo: string;
    Price: Currency;
    ValidFrom: TDate;
  end;

  TImportWorker = class(TThread)
  private
    FFileNames: TStringList;
    FRepository: TPriceRepository;
    FOnProgress: TImportProgressEvent;
    FOnFinished: TImportFinishedEvent;
    FErrors: TList<string>;
    procedure ImportFile(const AFileName: string);
    procedure ReportProgress(ADone, ATotal: Integer);
  protected
    procedure Execute; override;
  public
    constructor Create(AFileNames: TStrings; ARepository: TPriceRepository);
    destructor Destroy; override;
    property OnProgress: TImportProgressEvent read FOnProgress write FOnProgress;
    property OnFinished: TImportFinishedEvent read FOnFinished write FOnFinished;
  end;

procedure StartImport(AFileNames: TStrings; ARepository: TPriceRepository;
  AOnProgress: TImportProgressEvent; AOnFinished: TImportFinishedEvent);

implementation

constructor TImportWorker.Create(AFileNames: TStrings; ARepository: TPriceRepository);
begin
  inherited Create(True);
  FFileNames := TStringList.Create;
  FFileNames.Assign(AFileNames);
  FRepository := ARepository;
  FErrors := TList<string>.Create;
end;

destructor TImportWorker.Destroy;
begin
  FErrors.Free;
  FFileNames.Free;
  inherited;
end;

procedure TImportWorker.ReportProgress(ADone, ATotal: Integer);
var
  Handler: TImportProgressEvent;
begin
  Handler := FOnProgress;
  if Assigned(Handler) then
    TThread.Queue(nil,
      procedure
      begin
        Handler(ADone, ATotal);
      end);
end;

procedure TImportWorker.ImportFile(const AFileName: string);
var
  Reader: TPriceFileReader;
  Batch: TList<TImportRow>;
  Row: TImportRow;
begin
  Reader := TPriceFileReader.Create(AFileName);
  try
    Batch := TList<TImportRow>.Create;
    while Reader.Next do
    begin
      Row.ArticleNo := Reader.ArticleNo;
      Row.Price := Reader.Price;
      Row.ValidFrom := Reader.ValidFrom;
      Batch.Add(Row);
      if Batch.Count = 1000 then
      begin
        FRepository.SavePrices(Batch.ToArray);
        Batch.Clear;
      end;
    end;
    if Batch.Count > 0 then
      FRepository.SavePrices(Batch.ToArray);
  finally
    Reader.Free;
  end;
end;

procedure TImportWorker.Execute;
var
  I: Integer;
  Finished: TImportFinishedEvent;
  Errors: TArray<string>;
begin
  NameThreadForDebugging('price import');
  for I := 0 to FFileNames.Count - 1 do
  begin
    if Terminated then
      Break;
    try
      ImportFile(FFileNames[I]);
    except
      on E: Exception do
        FErrors.Add(Format('%s: %s', [ExtractFileName(FFileNames[I]), E.Message]));
    end;
    ReportProgress(I + 1, FFileNames.Count);
  end;
  Finished := FOnFinished;
  Errors := FErrors.ToArray;
  if Assigned(Finished) then
    TThread.Queue(nil,
      procedure
      begin
        Finished(Errors);
      end);
end;

procedure StartImport(AFileNames: TStrings; ARepository: TPriceRepository;
  AOnProgress: TImportProgressEvent; AOnFinished: TImportFinishedEvent);
var
  Worker: TImportWorker;
begin
  Worker := TImportWorker.Create(AFileNames, ARepository);
  Worker.OnProgress := AOnProgress;
  Worker.OnFinished := AOnFinished;
  Worker.FreeOnTerminate := True;
  Worker.Start;
end;

end.
