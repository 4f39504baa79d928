unit uMetricsEndpoint;

{ /metrics endpoint of the server: counters, gauges and histograms in the
  text exposition format, as JSON, or as CSV for the ops spreadsheet.
  The format is chosen from the Accept header or ?format=. }

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections, System.JSON,
  System.SyncObjs, System.Math, Web.HTTPApp;

type
  TMetricKind = (mkCounter, mkGauge, mkHistogram);
  TExportFormat = (efText, efJson, efCsv);

  TMetric = class
  public
    Name: string;
    Help: string;
    Kind: TMetricKind;
    Value: Double;
    Buckets: TArray<Double>;
    Counts: TArray<Int64>;
    constructor Create(const AName, AHelp: string; AKind: TMetricKind); overload;
    procedure Assign(Source: TMetric);
  end;

  TMetricWriter = class abstract
  protected
    FTarget: TStream;
    procedure WriteText(const S: string);
  public
    constructor Create(ATarget: TStream); virtual;
    procedure BeginDocument; virtual;
    procedure WriteMetric(const M: TMetric); virtual; abstract;
    procedure EndDocument; virtual;
  end;

  TTextMetricWriter = class(TMetricWriter)
  public
    procedure WriteMetric(const M: TMetric); override;
  end;

  TJsonMetricWriter = class(TMetricWriter)
  private
    FItems: TJSONArray;
  public
    constructor Create(ATarget: TStream); override;
    destructor Destroy; override;
    procedure WriteMetric(const M: TMetric); override;
    procedure EndDocument; override;
  end;

  TCsvMetricWriter = class(TMetricWriter)
  public
    procedure BeginDocument; override;
    procedure WriteMetric(const M: TMetric); override;
  end;

  TMetricsRegistry = class
  private
    FMetrics: TObjectDictionary<string, TMetric>;
    FLock: TCriticalSection;
  public
    constructor Create;
    destructor Destroy; override;
    function GetOrAdd(const Name: string; Kind: TMetricKind): TMetric;
    function TryRegister(const Name, Help: string; Kind: TMetricKind): Boolean;
    procedure Increment(const Name: string; Delta: Double = 1);
    function Reset(const Name: string): Boolean;
    function Snapshot: TObjectList<TMetric>;
    class function ParseNames(const Text: string): TArray<string>;
  end;

  TMetricsEndpoint = class
  private
    FRegistry: TMetricsRegistry;
    function FormatFromRequest(Request: TWebRequest): TExportFormat;
  public
    constructor Create(ARegistry: TMetricsRegistry);
    procedure HandleMetrics(Request: TWebRequest; Response: TWebResponse);
    procedure HandleReset(Request: TWebRequest; Response: TWebResponse);
    procedure HandlePing(Request: TWebRequest; Response: TWebResponse);
    procedure WriteSummaryFile(const FileName: string);
  end;

implementation

const
  ContentTypes: array[TExportFormat] of string =
    ('text/plain; version=0.0.4', 'application/json', 'text/csv');
  KindNames: array[TMetricKind] of string = ('counter', 'gauge', 'histogram');

{ TMetric }

constructor TMetric.Create(const AName, AHelp: string; AKind: TMetricKind);
begin
  inherited Create;
  Name := AName;
  Help := AHelp;
  Kind := AKind;
end;

procedure TMetric.Assign(Source: TMetric);
begin
  Name := Source.Name;
  Help := Source.Help;
  Kind := Source.Kind;
  Value := Source.Value;
  Buckets := Copy(Source.Buckets);
  Counts := Copy(Source.Counts);
end;

{ TMetricWriter }

constructor TMetricWriter.Create(ATarget: TStream);
begin
  inherited Create;
  FTarget := ATarget;
end;

procedure TMetricWriter.WriteText(const S: string);
var
  Bytes: TBytes;
begin
  Bytes := TEncoding.UTF8.GetBytes(S);
  if Length(Bytes) > 0 then
    FTarget.WriteBuffer(Bytes[0], Length(Bytes));
end;

procedure TMetricWriter.BeginDocument;
begin
end;

procedure TMetricWriter.EndDocument;
begin
end;

{ TTextMetricWriter }

procedure TTextMetricWriter.WriteMetric(const M: TMetric);
var
  I: Integer;
begin
  WriteText(Format('# HELP %s %s'#10'# TYPE %s %s'#10, [M.Name, M.Help, M.Name, KindNames[M.Kind]]));
  if M.Kind = mkHistogram then
    for I := 0 to High(M.Buckets) do
      WriteText(Format('%s_bucket{le="%g"} %d'#10, [M.Name, M.Buckets[I], M.Counts[I]]))
  else
    WriteText(Format('%s %g'#10, [M.Name, M.Value]));
end;

{ TJsonMetricWriter }

constructor TJsonMetricWriter.Create(ATarget: TStream);
begin
  inherited Create(ATarget);
  FItems := TJSONArray.Create;
end;

destructor TJsonMetricWriter.Destroy;
begin
  FItems.Free;
  inherited;
end;

procedure TJsonMetricWriter.WriteMetric(const M: TMetric);
var
  Obj: TJSONObject;
begin
  Obj := TJSONObject.Create;
  FItems.AddElement(Obj);
  Obj.AddPair('name', M.Name);
  Obj.AddPair('kind', KindNames[M.Kind]);
  Obj.AddPair('value', TJSONNumber.Create(M.Value));
end;

procedure TJsonMetricWriter.EndDocument;
begin
  WriteText(FItems.ToJSON);
end;

{ TCsvMetricWriter }

procedure TCsvMetricWriter.BeginDocument;
begin
  WriteText('name;kind;value'#13#10);
end;

procedure TCsvMetricWriter.WriteMetric(const M: TMetric);
begin
  WriteText(Format('%s;%s;%g'#13#10, [M.Name, KindNames[M.Kind], M.Value]));
end;

{ TMetricsRegistry }

constructor TMetricsRegistry.Create;
begin
  inherited Create;
  FMetrics := TObjectDictionary<string, TMetric>.Create([doOwnsValues]);
  FLock := TCriticalSection.Create;
end;

destructor TMetricsRegistry.Destroy;
begin
  FMetrics.Free;
  FLock.Free;
  inherited;
  {$IFDEF METRICS_TRACE}
  OutputDebugString('metrics registry destroyed');
  {$ENDIF}
end;

function TMetricsRegistry.GetOrAdd(const Name: string; Kind: TMetricKind): TMetric;
var
  Fresh: TMetric;
begin
  FLock.Enter;
  try
    if FMetrics.TryGetValue(Name, Result) then
      Exit;
    Fresh := TMetric.Create;
    Fresh.Name := Name;
    Fresh.Kind := Kind;
    FMetrics.Add(Name, Fresh);
    Exit(Fresh);
  finally
    FLock.Leave;
  end;
end;

function TMetricsRegistry.TryRegister(const Name, Help: string; Kind: TMetricKind): Boolean;
var
  M: TMetric;
begin
  FLock.Enter;
  try
    M := TMetric.Create(Name, Help, Kind);
    if not FMetrics.TryAdd(Name, M) then
    begin
      M.Free;
      Exit(False);
    end;
    Result := True;
  finally
    FLock.Leave;
  end;
end;

procedure TMetricsRegistry.Increment(const Name: string; Delta: Double);
var
  M: TMetric;
begin
  M := GetOrAdd(Name, mkCounter);
  FLock.Enter;
  try
    M.Value := M.Value + Delta;
  finally
    FLock.Leave;
  end;
end;

function TMetricsRegistry.Reset(const Name: string): Boolean;
var
  M: TMetric;
begin
  FLock.Enter;
  try
    Result := FMetrics.TryGetValue(Name, M);
    if Result then
    begin
      M.Value := 0;
      FillChar(M.Counts[0], Length(M.Counts) * SizeOf(Int64), 0);
    end;
  finally
    FLock.Leave;
  end;
end;

function TMetricsRegistry.Snapshot: TObjectList<TMetric>;
var
  M, Copy: TMetric;
begin
  Result := TObjectList<TMetric>.Create(True);
  FLock.Enter;
  try
    for M in FMetrics.Values do
    begin
      Copy := TMetric.Create;
      Copy.Assign(M);
      Result.Add(Copy);
    end;
  finally
    FLock.Leave;
  end;
end;

class function TMetricsRegistry.ParseNames(const Text: string): TArray<string>;
var
  Parts: TStringList;
begin
  Parts := TStringList.Create;
  Parts.StrictDelimiter := True;
  Parts.Delimiter := ',';
  Parts.DelimitedText := Text;
  Result := Parts.ToStringArray;
  Parts.Destroy;
end;

{ TMetricsEndpoint }

constructor TMetricsEndpoint.Create(ARegistry: TMetricsRegistry);
begin
  inherited Create;
  FRegistry := ARegistry;
end;

function TMetricsEndpoint.FormatFromRequest(Request: TWebRequest): TExportFormat;
var
  Requested: string;
begin
  Requested := LowerCase(Request.QueryFields.Values['format']);
  if Requested = '' then
  begin
    if Pos('application/json', Request.Accept) > 0 then
      Requested := 'json'
    else if Pos('text/csv', Request.Accept) > 0 then
      Requested := 'csv';
  end;
  if Requested = 'json' then
    Result := efJson
  else if Requested = 'csv' then
    Result := efCsv
  else
    Result := efText;
end;

procedure TMetricsEndpoint.HandleMetrics(Request: TWebRequest; Response: TWebResponse);
var
  Body: TMemoryStream;
  Writer: TMetricWriter;
  Metrics: TObjectList<TMetric>;
  M: TMetric;
  Fmt: TExportFormat;
begin
  Fmt := FormatFromRequest(Request);
  Body := TMemoryStream.Create;
  try
    case Fmt of
      efJson: Writer := TJsonMetricWriter.Create(Body);
      efCsv: Writer := TCsvMetricWriter.Create(Body);
    else
      Writer := TTextMetricWriter.Create(Body);
    end;
    try
      Metrics := FRegistry.Snapshot;
      try
        Writer.BeginDocument;
        for M in Metrics do
          Writer.WriteMetric(M);
        Writer.EndDocument;
      finally
        Metrics.Free;
      end;
    finally
      Writer.Free;
    end;
    Body.Position := 0;
  except
    Body.Free;
    raise;
  end;
  Response.ContentType := ContentTypes[Fmt];
  Response.ContentStream := Body;
end;

procedure TMetricsEndpoint.HandleReset(Request: TWebRequest; Response: TWebResponse);
var
  Names: TArray<string>;
  Reply: TJSONObject;
  Name: string;
begin
  Names := TMetricsRegistry.ParseNames(Request.ContentFields.Values['names']);
  Reply := TJSONObject.Create;
  with Reply do
  try
    for Name in Names do
      AddPair(Name, TJSONBool.Create(FRegistry.Reset(Name)));
    Response.ContentType := 'application/json';
    Response.Content := ToJSON;
  finally
    Free;
  end;
end;

procedure TMetricsEndpoint.HandlePing(Request: TWebRequest; Response: TWebResponse);
var
  Body: TMemoryStream;
  Text: TStreamWriter;
begin
  Body := TMemoryStream.Create;
  Text := TStreamWriter.Create(Body);
  Text.WriteLine('pong');
  Text.WriteLine(FormatDateTime('yyyy-mm-dd"T"hh:nn:ss', Now));
  Text.Flush;
  Body.Position := 0;
  Response.ContentType := 'text/plain';
  Response.ContentStream := Body;
end;

procedure TMetricsEndpoint.WriteSummaryFile(const FileName: string);
var
  Stream: TFileStream;
  Writer: TStreamWriter;
  Metrics: TObjectList<TMetric>;
  M: TMetric;
begin
  Metrics := FRegistry.Snapshot;
  Stream := TFileStream.Create(FileName, fmCreate);
  Writer := TStreamWriter.Create(Stream);
  try
    for M in Metrics do
      Writer.WriteLine(Format('%s=%g', [M.Name, M.Value]));
    Writer.Flush;
  finally
    FreeAndNil(Writer);
    Stream.Free;
    Metrics.Free;
  end;
end;

end.
