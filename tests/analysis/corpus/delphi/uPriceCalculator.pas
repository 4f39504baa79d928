unit uPriceCalculator;

interface

uses
  System.SysUtils, System.Math, uOrder;

type
  TDiscountKind = (dkNone, dkPercent, dkAmount, dkTiered);

  TPriceRule = record
    Kind: TDiscountKind;
    Value: Currency;
    MinQuantity: Integer;
  end;

  TPriceCalculator = class
  private
    FVatRate: Double;
    FRules: TArray<TPriceRule>;
    function ApplyRule(const ARule: TPriceRule; AQuantity: Integer; AGross: Currency): Currency;
  public
    constructor Create(AVatRate: Double);
    procedure AddRule(AKind: TDiscountKind; AValue: Currency; AMinQuantity: Integer = 0);
    function LinePrice(AUnitPrice: Currency; AQuantity: Integer): Currency;
    function Margin(ACost, APrice: Currency): Double;
    function WithVat(ANet: Currency): Currency;
  end;

implementation

constructor TPriceCalculator.Create(AVatRate: Double);
begin
  inherited Create;
  FVatRate := AVatRate;
end;

procedure TPriceCalculator.AddRule(AKind: TDiscountKind; AValue: Currency; AMinQuantity: Integer);
var
  Rule: TPriceRule;
begin
  Rule.Kind := AKind;
  Rule.Value := AValue;
  Rule.MinQuantity := AMinQuantity;
  FRules := FRules + [Rule];
end;

function TPriceCalculator.ApplyRule(const ARule: TPriceRule; AQuantity: Integer;
  AGross: Currency): Currency;

  function Tier(AQuantity: Integer): Currency;
  begin
    case AQuantity of
      0..9: Result := 0;
      10..49: Result := 0.03;
      50..199: Result := 0.05;
    else
      Result := 0.08;
    end;
  end;

begin
  Result := AGross;
  if AQuantity < ARule.MinQuantity then
    Exit;
  case ARule.Kind of
    dkNone:
      ;
    dkPercent:
      Result := AGross * (1 - ARule.Value / 100);
    dkAmount:
      Result := Max(AGross - ARule.Value, 0);
    dkTiered:
      begin
        Result := AGross * (1 - Tier(AQuantity));
        if Result < ARule.Value then
          Result := ARule.Value;
      end;
  end;
end;

function TPriceCalculator.LinePrice(AUnitPrice: Currency; AQuantity: Integer): Currency;
var
  Rule: TPriceRule;
  Candidate: Currency;
begin
  Result := AUnitPrice * AQuantity;
  for Rule in FRules do
  begin
    Candidate := ApplyRule(Rule, AQuantity, AUnitPrice * AQuantity);
    if Candidate < Result then
      Result := Candidate;
  end;
  Result := RoundTo(Result, -2);
end;

function TPriceCalculator.Margin(ACost, APrice: Currency): Double;
begin
  try
    Result := (APrice - ACost) / APrice * 100;
  except
    on EZeroDivide do
      Result := 0;
    on EInvalidOp do
      Result := 0;
  end;
end;

function TPriceCalculator.WithVat(ANet: Currency): Currency;
begin
  Result := RoundTo(ANet * (1 + FVatRate / 100), -2);
end;

end.
