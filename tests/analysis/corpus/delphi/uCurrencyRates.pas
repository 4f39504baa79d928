unit uCurrencyRates;

interface

uses
  System.SysUtils, System.Classes, System.JSON, System.Generics.Collections,
  System.Net.HttpClient, uRestClient;

type
  TRateTable = TDictionary<string, Double>;

  TCurrencyRates = class
  private
    FRates: TRateTable;
    FBaseCurrency: string;
    FUpdatedAt: TDateTime;
    FRestUrl: string;
  public
    constructor Create(const ABaseCurrency, ARestUrl: string);
    destructor Destroy; override;
    procedure Refresh;
    procedure LoadFromCache(const AFileName: string);
    procedure SaveToCache(const AFileName: string);
    function Convert(AAmount: Currency; const AFrom, ATo: string): Currency;
    property UpdatedAt: TDateTime read FUpdatedAt;
  end;

implementation

constructor TCurrencyRates.Create(const ABaseCurrency, ARestUrl: string);
begin
  inherited Create;
  FBaseCurrency := ABaseCurrency;
  FRestUrl := ARestUrl;
  FRates := TRateTable.Create;
  FRates.Add(ABaseCurrency, 1.0);
end;

destructor TCurrencyRates.Destroy;
begin
  FRates.Free;
  inherited;
end;

procedure TCurrencyRates.Refresh;
var
  Client: TRestClient;
  Json: TJSONValue;
  Pair: TJSONPair;
begin
  Client := nil;
  Json := nil;
  try
    Client := TRestClient.Create(FRestUrl, '');
    Json := Client.GetJson('latest?base=' + FBaseCurrency);
    for Pair in (Json as TJSONObject).GetValue<TJSONObject>('rates') do
      FRates.AddOrSetValue(Pair.JsonString.Value, (Pair.JsonValue as TJSONNumber).AsDouble);
    FUpdatedAt := Now;
  finally
    Json.Free;
    Client.Free;
  end;
end;

procedure TCurrencyRates.LoadFromCache(const AFileName: string);
var
  Lines: TStringList;
  I: Integer;
begin
  try
    Lines := TStringList.Create;
    Lines.LoadFromFile(AFileName);
    FUpdatedAt := StrToDateTime(Lines.Values['updated'], TFormatSettings.Invariant);
    for I := 0 to Lines.Count - 1 do
      if Lines.Names[I] <> 'updated' then
        FRates.AddOrSetValue(Lines.Names[I],
          StrToFloat(Lines.ValueFromIndex[I], TFormatSettings.Invariant));
  finally
    Lines.Free;
  end;
end;

procedure TCurrencyRates.SaveToCache(const AFileName: string);
var
  Lines: TStringList;
  Pair: TPair<string, Double>;
begin
  Lines := TStringList.Create;
  try
    Lines.Values['updated'] := DateTimeToStr(FUpdatedAt, TFormatSettings.Invariant);
    for Pair in FRates do
      Lines.Values[Pair.Key] := FloatToStr(Pair.Value, TFormatSettings.Invariant);
    Lines.SaveToFile(AFileName);
  finally
    Lines.Free;
  end;
end;

function TCurrencyRates.Convert(AAmount: Currency; const AFrom, ATo: string): Currency;
var
  FromRate, ToRate: Double;
begin
  if not FRates.TryGetValue(AFrom, FromRate) then
    raise EArgumentException.CreateFmt('No rate for %s', [AFrom]);
  if not FRates.TryGetValue(ATo, ToRate) then
    raise EArgumentException.CreateFmt('No rate for %s', [ATo]);
  try
    Result := AAmount / FromRate * ToRate;
  except
    on EZeroDivide do
      raise EArgumentException.CreateFmt('Rate of %s is zero', [AFrom]);
  end;
end;

end.
