unit M;
interface
implementation
procedure P;
var S: TStringList;
begin
  S := '''
    begin end;
    ''';
  S := TStringList.Create;
  S.Add('x');
  S.Free;
end;
end.
