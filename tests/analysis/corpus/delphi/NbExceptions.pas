{ ------------------------------------------------------------------------------
  Nimbus Component Suite
  NbExceptions.pas - exception hierarchy, argument guards and helpers to
  collect several failures into one aggregate error

  The contents of this file are subject to the Mozilla Public License
  Version 2.0.
  ------------------------------------------------------------------------------ }
unit NbExceptions;

{$IFDEF FPC}{$MODE DELPHI}{$ENDIF}
{$I NbDefines.inc}

interface

uses
  SysUtils, Classes, Generics.Collections;

type
  ENbError = class(Exception)
  private
    FCode: Integer;
  public
    constructor CreateCode(ACode: Integer; const AMsg: string);
    constructor CreateCodeFmt(ACode: Integer; const AMsg: string;
      const Args: array of const);
    property Code: Integer read FCode write FCode;
  end;

  ENbArgumentError = class(ENbError)
  private
    FArgName: string;
  public
    constructor CreateArg(const AArgName, AMsg: string);
    property ArgName: string read FArgName;
  end;

  ENbRangeError = class(ENbArgumentError);
  ENbNotSupported = class(ENbError);

  ENbAggregateError = class(ENbError)
  private
    FInner: TObjectList<Exception>;
    function GetCount: Integer;
    function GetInner(Index: Integer): Exception;
  public
    constructor Create(const AMsg: string);
    destructor Destroy; override;
    procedure AddInner(E: Exception);
    property Count: Integer read GetCount;
    property Inner[Index: Integer]: Exception read GetInner;
  end;

  TNbGuard = record
  public
    class procedure NotNil(P: Pointer; const AArgName: string); static;
    class procedure InRange(AValue, AMin, AMax: Integer; const AArgName: string); static;
    class procedure NotEmpty(const S, AArgName: string); static;
  end;

  TNbErrorCollector = class
  private
    FErrors: TObjectList<Exception>;
    FContext: string;
  public
    constructor Create(const AContext: string);
    destructor Destroy; override;
    procedure Capture(E: Exception);
    procedure Run(const AProc: TProc);
    procedure RaiseIfAny;
    function Summary: string;
    function HasErrors: Boolean;
  end;

procedure NbRaiseLastOSError(const AContext: string);
procedure NbNotSupported(const AFeature: string);
function NbDescribeException(E: Exception): string;

implementation

resourcestring
  SArgNil = 'Argument "%s" must not be nil';
  SArgRange = 'Argument "%s" = %d is out of range [%d..%d]';
  SArgEmpty = 'Argument "%s" must not be empty';
  SAggregate = '%d error(s) occurred in %s';
  SNotSupportedFmt = '%s is not supported on this platform';

{$REGION 'ENbError'}

constructor ENbError.CreateCode(ACode: Integer; const AMsg: string);
begin
  FCode := ACode;
  inherited Create(AMsg);
end;

constructor ENbError.CreateCodeFmt(ACode: Integer; const AMsg: string;
  const Args: array of const);
begin
  inherited CreateFmt(AMsg, Args);
  FCode := ACode;
end;

constructor ENbArgumentError.CreateArg(const AArgName, AMsg: string);
begin
  inherited CreateCode(-1, AMsg);
  FArgName := AArgName;
end;

{$ENDREGION}

{$REGION 'ENbAggregateError'}

constructor ENbAggregateError.Create(const AMsg: string);
begin
  inherited Create(AMsg);
  FInner := TObjectList<Exception>.Create(True);
end;

destructor ENbAggregateError.Destroy;
begin
  FInner.Free;
  inherited Destroy;
end;

procedure ENbAggregateError.AddInner(E: Exception);
begin
  FInner.Add(E);
end;

function ENbAggregateError.GetCount: Integer;
begin
  Result := FInner.Count;
end;

function ENbAggregateError.GetInner(Index: Integer): Exception;
begin
  Result := FInner[Index];
end;

{$ENDREGION}

{$REGION 'TNbGuard'}

class procedure TNbGuard.NotNil(P: Pointer; const AArgName: string);
begin
  if P = nil then
    raise ENbArgumentError.CreateArg(AArgName, Format(SArgNil, [AArgName]))
      at ReturnAddress;
end;

class procedure TNbGuard.InRange(AValue, AMin, AMax: Integer; const AArgName: string);
var
  E: ENbRangeError;
begin
  if (AValue >= AMin) and (AValue <= AMax) then
    Exit;
  E := ENbRangeError.CreateArg(AArgName,
    Format(SArgRange, [AArgName, AValue, AMin, AMax]));
  E.Code := 2;
  raise E at ReturnAddress;
end;

class procedure TNbGuard.NotEmpty(const S, AArgName: string);
begin
  if Trim(S) = '' then
    raise ENbArgumentError.CreateResFmt(@SArgEmpty, [AArgName]);
end;

{$ENDREGION}

{$REGION 'TNbErrorCollector'}

constructor TNbErrorCollector.Create(const AContext: string);
begin
  inherited Create;
  FContext := AContext;
  FErrors := TObjectList<Exception>.Create(True);
end;

destructor TNbErrorCollector.Destroy;
begin
  FreeAndNil(FErrors);
  inherited;
end;

procedure TNbErrorCollector.Capture(E: Exception);
var
  Copy: Exception;
begin
  Copy := ExceptClass(E.ClassType).Create(E.Message);
  if (E is ENbError) and (Copy is ENbError) then
    ENbError(Copy).Code := ENbError(E).Code;
  FErrors.Add(Copy);
end;

procedure TNbErrorCollector.Run(const AProc: TProc);
begin
  try
    AProc();
  except
    on E: EAbort do
      raise;
    on E: Exception do
      Capture(E);
  end;
end;

function TNbErrorCollector.HasErrors: Boolean;
begin
  Result := FErrors.Count > 0;
end;

function TNbErrorCollector.Summary: string;
var
  Lines: TStringList;
  E: Exception;
begin
  Lines := TStringList.Create;
  Lines.Add(Format(SAggregate, [FErrors.Count, FContext]));
  for E in FErrors do
    Lines.Add('  ' + NbDescribeException(E));
  Result := Lines.Text;
  Lines.Free;
end;

procedure TNbErrorCollector.RaiseIfAny;
var
  Aggregate: ENbAggregateError;
begin
  if FErrors.Count = 0 then
    Exit;
  Aggregate := ENbAggregateError.Create(Summary);
  Aggregate.Code := FErrors.Count;
  while FErrors.Count > 0 do
    Aggregate.AddInner(FErrors.Extract(FErrors[0]));
  raise Aggregate;
end;

{$ENDREGION}

{$REGION 'Routines'}

procedure NbRaiseLastOSError(const AContext: string);
var
  Code: Integer;
begin
  {$IFDEF MSWINDOWS}
  Code := GetLastError;
  {$ELSE}
  Code := GetLastOSError;
  {$ENDIF}
  if Code = 0 then
    Exit;
  raise EOSError.CreateFmt('%s: %s (%d)', [AContext, SysErrorMessage(Code), Code])
    at ReturnAddress;
end;

procedure NbNotSupported(const AFeature: string);
begin
  raise ENbNotSupported.CreateCodeFmt(501, SNotSupportedFmt, [AFeature]);
end;

function NbDescribeException(E: Exception): string;
begin
  if E = nil then
    Exit('');
  Result := E.ClassName + ': ' + E.Message;
  if E is ENbError then
    Result := Format('%s [code %d]', [Result, ENbError(E).Code]);
  if E is ENbArgumentError then
    Result := Result + ' (argument ' + ENbArgumentError(E).ArgName + ')';
end;

{$ENDREGION}

end.
