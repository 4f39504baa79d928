unit Demo;

interface

uses SysUtils;

type
  TDemo = class
    constructor Create;
    destructor Destroy; override;
  end;

implementation

uses Classes;

constructor TDemo.Create;
begin
  inherited;
  L := TList.Create; { comment with end }
  case X of
    1: S := 'it''s';
  end;
end;

destructor TDemo.Destroy;
begin
  FreeAndNil(L);
  inherited Destroy;
end;

procedure TDemo.Run;
  procedure Inner;
  begin
    SetAbort;
  end;
begin
  try
    SetComplete;
  except
    raise;
  end;
end;

end.
