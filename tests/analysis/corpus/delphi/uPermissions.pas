unit uPermissions;

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections;

type
  TPermission = (pmViewCustomers, pmEditCustomers, pmViewOrders, pmEditOrders,
    pmApproveOrders, pmViewReports, pmAdministration);
  TPermissionSet = set of TPermission;

  TRolePermissions = class
  private
    class var FRoles: TDictionary<string, TPermissionSet>;
    class constructor Create;
    class destructor Destroy;
  public
    class function ForRole(const ARole: string): TPermissionSet; static;
    class procedure Define(const ARole: string; APermissions: TPermissionSet); static;
  end;

function LoadPermissions(const AUserName: string; ARoles: TStrings): TPermissionSet;
function PermissionName(APermission: TPermission): string;

implementation

uses
  uUserDirectory;

const
  PermissionNames: array[TPermission] of string = ('view customers', 'edit customers',
    'view orders', 'edit orders', 'approve orders', 'view reports', 'administration');

class constructor TRolePermissions.Create;
begin
  FRoles := TDictionary<string, TPermissionSet>.Create;
  FRoles.Add('clerk', [pmViewCustomers, pmViewOrders, pmEditOrders]);
  FRoles.Add('sales', [pmViewCustomers, pmEditCustomers, pmViewOrders, pmEditOrders, pmViewReports]);
  FRoles.Add('manager', [pmViewCustomers, pmViewOrders, pmApproveOrders, pmViewReports]);
  FRoles.Add('admin', [Low(TPermission)..High(TPermission)]);
end;

class destructor TRolePermissions.Destroy;
begin
  FRoles.Free;
end;

class function TRolePermissions.ForRole(const ARole: string): TPermissionSet;
begin
  if not FRoles.TryGetValue(LowerCase(ARole), Result) then
    Result := [];
end;

class procedure TRolePermissions.Define(const ARole: string; APermissions: TPermissionSet);
begin
  FRoles.AddOrSetValue(LowerCase(ARole), APermissions);
end;

function LoadPermissions(const AUserName: string; ARoles: TStrings): TPermissionSet;
var
  Role: string;
begin
  ARoles.Clear;
  UserDirectory.RolesOf(AUserName, ARoles);
  Result := [];
  for Role in ARoles do
    Result := Result + TRolePermissions.ForRole(Role);
  { An administrator may do everything, whatever else the directory says. }
  if ARoles.IndexOf('admin') >= 0 then
    Result := [Low(TPermission)..High(TPermission)];
end;

function PermissionName(APermission: TPermission): string;
begin
  Result := PermissionNames[APermission];
end;

end.
