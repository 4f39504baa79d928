unit ExportJob;

interface

uses
  SysUtils, Classes;

type
  TExportJob = class
  private
    FTarget: string;
    FItems: TStringList;
  public
    constructor Create(const ATarget: string);
    destructor Destroy; override;
    procedure Run;
  end;

implementation

constructor TExportJob.Create(const ATarget: string);
begin
  inherited Create;
  FTarget := ATarget;
  FItems := TStringList.Create;
end;

procedure TExportJob.Run;
var
  Output: TFileStream;
begin
  Output := TFileStream.Create(FTarget, fmCreate);
  try
    FItems.SaveToStream(Output);
{$IFDEF DEBUG}
  finally
    Output.Free;
    WriteLn('export done');
  end;
{$ELSE}
  finally
    Output.Free;
  end;
{$ENDIF}
end;

destructor TExportJob.Destroy;
begin
  FItems.Free;
{$IFDEF DEBUG}
  WriteLn('job destroyed');
  inherited;
{$ELSE}
  inherited;
{$ENDIF}
end;

end.
