unit uApprovalWorkflow;

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections, uOrder, uUserSession,
  uPermissions, uMailQueue;

type
  TApprovalState = (asDraft, asSubmitted, asApproved, asRejected, asCancelled);

  EWorkflowError = class(Exception);

  TApprovalStep = class
  public
    State: TApprovalState;
    UserName: string;
    Stamp: TDateTime;
    Comment: string;
  end;

  TNotifier = class abstract
  public
    procedure Notify(AOrder: TOrder; AState: TApprovalState; AQueue: TMailQueue); virtual; abstract;
  end;

  TMailNotifier = class(TNotifier)
  public
    procedure Notify(AOrder: TOrder; AState: TApprovalState; AQueue: TMailQueue); override;
  end;

  TLogNotifier = class(TNotifier)
  public
    procedure Notify(AOrder: TOrder; AState: TApprovalState; AQueue: TMailQueue); override;
  end;

  TApprovalWorkflow = class
  private
    FHistory: TObjectList<TApprovalStep>;
    FState: TApprovalState;
    FOrder: TOrder;
    FMailQueue: TMailQueue;
    procedure AddStep(ASession: TUserSession; ANewState: TApprovalState; const AComment: string);
    procedure NotifyAll(ANewState: TApprovalState);
  public
    constructor Create(AOrder: TOrder; AMailQueue: TMailQueue);
    destructor Destroy; override;
    procedure Submit(ASession: TUserSession);
    procedure Approve(ASession: TUserSession; const AComment: string = '');
    procedure Reject(ASession: TUserSession; const AComment: string);
    procedure Cancel(ASession: TUserSession);
    function StateText: string;
    property State: TApprovalState read FState;
  end;

implementation

const
  StateTexts: array[TApprovalState] of string = ('draft', 'submitted', 'approved', 'rejected',
    'cancelled');

procedure TMailNotifier.Notify(AOrder: TOrder; AState: TApprovalState; AQueue: TMailQueue);
var
  Body: TStringList;
begin
  Body := TStringList.Create;
  try
    Body.Add(Format('Order %d is now %s.', [AOrder.Id, StateTexts[AState]]));
    Body.Add('Please do not answer this mail; begin a new request in the order screen instead.');
    AQueue.Enqueue(AOrder.OwnerMail, Format('Order %d %s', [AOrder.Id, StateTexts[AState]]), Body);
  finally
    Body.Free;
  end;
end;

procedure TLogNotifier.Notify(AOrder: TOrder; AState: TApprovalState; AQueue: TMailQueue);
begin
  WriteLn(ErrOutput, Format('order %d -> %s', [AOrder.Id, StateTexts[AState]]));
end;

constructor TApprovalWorkflow.Create(AOrder: TOrder; AMailQueue: TMailQueue);
begin
  inherited Create;
  FOrder := AOrder;
  FMailQueue := AMailQueue;
  FHistory := TObjectList<TApprovalStep>.Create;
  FState := asDraft;
end;

destructor TApprovalWorkflow.Destroy;
begin
  FHistory.Free;
  inherited;
end;

procedure TApprovalWorkflow.AddStep(ASession: TUserSession; ANewState: TApprovalState;
  const AComment: string);
var
  Step: TApprovalStep;
begin
  Step := TApprovalStep.Create;
  Step.State := ANewState;
  Step.UserName := ASession.UserName;
  Step.Stamp := Now;
  Step.Comment := AComment;
  FHistory.Add(Step);
  FState := ANewState;
  NotifyAll(ANewState);
end;

procedure TApprovalWorkflow.NotifyAll(ANewState: TApprovalState);
var
  Notifier: TNotifier;
begin
  if FMailQueue <> nil then
    Notifier := TMailNotifier.Create
  else
    Notifier := TLogNotifier.Create;
  Notifier.Notify(FOrder, ANewState, FMailQueue);
end;

procedure TApprovalWorkflow.Submit(ASession: TUserSession);
begin
  if FState <> asDraft then
    raise EWorkflowError.CreateFmt('Only a draft can be submitted, the order is %s', [StateText]);
  AddStep(ASession, asSubmitted, '');
end;

procedure TApprovalWorkflow.Approve(ASession: TUserSession; const AComment: string);
begin
  if not ASession.Can(pmApproveOrders) then
    raise EWorkflowError.Create('You may not approve orders');
  case FState of
    asSubmitted:
      AddStep(ASession, asApproved, AComment);
    asApproved:
      ; // approving twice changes nothing
  else
    raise EWorkflowError.CreateFmt('An order that is %s cannot be approved', [StateText]);
  end;
end;

procedure TApprovalWorkflow.Reject(ASession: TUserSession; const AComment: string);
begin
  if Trim(AComment) = '' then
    raise EWorkflowError.Create('Say why the order is rejected');
  if FState <> asSubmitted then
    raise EWorkflowError.CreateFmt('An order that is %s cannot be rejected', [StateText]);
  AddStep(ASession, asRejected, AComment);
end;

procedure TApprovalWorkflow.Cancel(ASession: TUserSession);
begin
  try
    if FState in [asApproved, asCancelled] then
      raise EWorkflowError.CreateFmt('An order that is %s cannot be cancelled', [StateText]);
    AddStep(ASession, asCancelled, 'cancelled by ' + ASession.UserName);
  except
    on E: ESessionExpired do
      raise EWorkflowError.Create('Your session has expired; log in again and retry');
  end;
end;

function TApprovalWorkflow.StateText: string;
begin
  Result := StateTexts[FState];
end;

end.
