unit uMailQueue;

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections, System.SyncObjs,
  IdSMTP, IdMessage, IdExplicitTLSClientServerBase, uLogger;

type
  TQueuedMail = class
  public
    Recipient: string;
    Subject: string;
    Body: TStringList;
    Attempts: Integer;
    constructor Create;
    destructor Destroy; override;
  end;

  TMailQueue = class
  private
    FQueue: TObjectQueue<TQueuedMail>;
    FFailed: TObjectList<TQueuedMail>;
    FLock: TCriticalSection;
    FHost: string;
    FPort: Integer;
    FLogger: ILogger;
    function Connect: TIdSMTP;
    procedure SendOne(ASmtp: TIdSMTP; AMail: TQueuedMail);
  public
    constructor Create(const AHost: string; APort: Integer; const ALogger: ILogger);
    destructor Destroy; override;
    procedure Enqueue(const ARecipient, ASubject: string; ABody: TStrings);
    function Flush: Integer;
  end;

implementation

const
  MaxAttempts = 3;

{ TQueuedMail }

constructor TQueuedMail.Create;
begin
  inherited;
  Body := TStringList.Create;
end;

destructor TQueuedMail.Destroy;
begin
  Body.Free;
  inherited;
end;

{ TMailQueue }

constructor TMailQueue.Create(const AHost: string; APort: Integer; const ALogger: ILogger);
begin
  inherited Create;
  FHost := AHost;
  FPort := APort;
  FLogger := ALogger;
  FQueue := TObjectQueue<TQueuedMail>.Create(True);
  FFailed := TObjectList<TQueuedMail>.Create(True);
  FLock := TCriticalSection.Create;
end;

destructor TMailQueue.Destroy;
begin
  FQueue.Free;
  FFailed.Free;
  FLock.Free;
  inherited Destroy;
{$IFDEF DEBUG}
  FLogger.Log(llDebug, 'mail queue destroyed');
{$ENDIF}
end;

procedure TMailQueue.Enqueue(const ARecipient, ASubject: string; ABody: TStrings);
var
  Mail: TQueuedMail;
begin
  Mail := TQueuedMail.Create;
  Mail.Recipient := ARecipient;
  Mail.Subject := ASubject;
  Mail.Body.Assign(ABody);
  FLock.Enter;
  try
    FQueue.Enqueue(Mail);
  finally
    FLock.Leave;
  end;
end;

function TMailQueue.Connect: TIdSMTP;
begin
  Result := TIdSMTP.Create(nil);
  Result.Host := FHost;
  Result.Port := FPort;
  Result.UseTLS := utUseExplicitTLS;
  Result.Connect;
end;

procedure TMailQueue.SendOne(ASmtp: TIdSMTP; AMail: TQueuedMail);
var
  Msg: TIdMessage;
begin
  Msg := TIdMessage.Create(nil);
  try
    Msg.Recipients.EMailAddresses := AMail.Recipient;
    Msg.Subject := AMail.Subject;
    Msg.Body.Assign(AMail.Body);
    ASmtp.Send(Msg);
  finally
    Msg.Free;
  end;
end;

function TMailQueue.Flush: Integer;
var
  Smtp: TIdSMTP;
  Mail: TQueuedMail;
begin
  Result := 0;
  Smtp := Connect;
  try
    FLock.Enter;
    try
      while FQueue.Count > 0 do
      begin
        Mail := FQueue.Extract;
        try
          SendOne(Smtp, Mail);
          Mail.Free;
          Inc(Result);
        except
          on E: Exception do
          begin
            Inc(Mail.Attempts);
            FLogger.Log(llWarning, Format('Mail to %s failed: %s', [Mail.Recipient, E.Message]));
            if Mail.Attempts >= MaxAttempts then
              FFailed.Add(Mail)
            else
              FQueue.Enqueue(Mail);
          end;
        end;
      end;
    finally
      FLock.Leave;
    end;
  finally
    Smtp.Disconnect;
    Smtp.Free;
  end;
end;

end.
