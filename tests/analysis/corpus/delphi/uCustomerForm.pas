unit uCustomerForm;

{ Customer maintenance form: list, search and edit of customer records. }

interface

uses
  Winapi.Windows, System.SysUtils, System.Classes, Vcl.Controls, Vcl.Forms,
  Vcl.StdCtrls, Vcl.ExtCtrls, Vcl.Grids, Vcl.Menus, Vcl.Dialogs,
  uCustomer, uCustomerService;

type
  TCustomerForm = class(TForm)
    pnlTop: TPanel;
    edtSearch: TEdit;
    btnSearch: TButton;
    grdCustomers: TStringGrid;
    procedure FormCreate(Sender: TObject);
    procedure FormDestroy(Sender: TObject);
    procedure btnSearchClick(Sender: TObject);
    procedure grdCustomersDblClick(Sender: TObject);
  private
    FService: TCustomerService;
    FCustomers: TCustomerList;
    FPopup: TPopupMenu;
    procedure BuildPopup;
    procedure FillGrid;
    procedure ExportToCsv(const AFileName: string);
    procedure PopupExportClick(Sender: TObject);
  end;

var
  CustomerForm: TCustomerForm;

implementation

{$R *.dfm}

uses
  uCustomerEditForm;

procedure TCustomerForm.FormCreate(Sender: TObject);
begin
  FService := TCustomerService.Create;
  FCustomers := TCustomerList.Create(True);
  BuildPopup;
  grdCustomers.Cells[0, 0] := 'Number';
  grdCustomers.Cells[1, 0] := 'Name';
  grdCustomers.Cells[2, 0] := 'City';
end;

procedure TCustomerForm.FormDestroy(Sender: TObject);
begin
  FCustomers.Free;
  FService.Free;
end;

procedure TCustomerForm.BuildPopup;
var
  Item: TMenuItem;
begin
  FPopup := TPopupMenu.Create(Self);
  Item := TMenuItem.Create(FPopup);
  Item.Caption := 'Export to CSV...';
  Item.OnClick := PopupExportClick;
  FPopup.Items.Add(Item);
  grdCustomers.PopupMenu := FPopup;
end;

procedure TCustomerForm.btnSearchClick(Sender: TObject);
begin
  Screen.Cursor := crHourGlass;
  try
    try
      FCustomers.Clear;
      FService.Search(Trim(edtSearch.Text), FCustomers);
      FillGrid;
    except
      on E: ECustomerServiceError do
        MessageDlg('Search failed, please try again: ' + E.Message, mtError, [mbOK], 0);
    end;
  finally
    Screen.Cursor := crDefault;
  end;
end;

procedure TCustomerForm.FillGrid;
var
  I: Integer;
begin
  grdCustomers.RowCount := FCustomers.Count + 1;
  for I := 0 to FCustomers.Count - 1 do
  begin
    grdCustomers.Cells[0, I + 1] := FCustomers[I].Number;
    grdCustomers.Cells[1, I + 1] := FCustomers[I].Name;
    grdCustomers.Cells[2, I + 1] := FCustomers[I].City;
    grdCustomers.Objects[0, I + 1] := FCustomers[I];
  end;
end;

procedure TCustomerForm.grdCustomersDblClick(Sender: TObject);
var
  Editor: TCustomerEditForm;
  Customer: TCustomer;
begin
  Customer := TCustomer(grdCustomers.Objects[0, grdCustomers.Row]);
  if Customer = nil then
    Exit;
  Editor := TCustomerEditForm.Create(nil);
  try
    Editor.Customer := Customer;
    if Editor.ShowModal = mrOk then
    begin
      FService.Save(Customer);
      FillGrid;
    end;
  finally
    Editor.Free;
  end;
end;

procedure TCustomerForm.ExportToCsv(const AFileName: string);
var
  Lines: TStringList;
  Customer: TCustomer;
begin
  Lines := TStringList.Create;
  try
    Lines.Add('number;name;city');
    for Customer in FCustomers do
      Lines.Add(Format('%s;%s;%s', [Customer.Number, Customer.Name, Customer.City]));
    Lines.SaveToFile(AFileName, TEncoding.UTF8);
  finally
    Lines.Free;
  end;
end;

procedure TCustomerForm.PopupExportClick(Sender: TObject);
var
  Dialog: TSaveDialog;
begin
  Dialog := TSaveDialog.Create(Self);
  Dialog.DefaultExt := 'csv';
  Dialog.Filter := 'CSV files (*.csv)|*.csv';
  if Dialog.Execute then
    ExportToCsv(Dialog.FileName);
end;

end.
