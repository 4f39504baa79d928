CREATE OR REPLACE PACKAGE BODY pkg_audit AS
  -- Audit log for ticket status changes. Tickets move between the states
  -- 'NEW', 'OPEN', 'ON HOLD' and 'CLOSED'; an 'OPEN' ticket that is closed and
  -- opened again counts as reopened.
  --
  -- Note for callers: do not open a cursor on audit_log yourself, use the
  -- views; fetch and close are done for you by history().

  PROCEDURE write(p_ticket_id IN NUMBER,
                  p_old_status IN VARCHAR2,
                  p_new_status IN VARCHAR2,
                  p_comment IN VARCHAR2 DEFAULT NULL) IS
    PRAGMA AUTONOMOUS_TRANSACTION;
  BEGIN
    INSERT INTO audit_log (log_id, ticket_id, old_status, new_status, changed_by, changed_at, remark)
    VALUES (audit_log_seq.NEXTVAL, p_ticket_id, p_old_status, p_new_status,
            SYS_CONTEXT('USERENV', 'SESSION_USER'), SYSTIMESTAMP, p_comment);
    COMMIT;
  END write;

  FUNCTION transition_allowed(p_old IN VARCHAR2, p_new IN VARCHAR2) RETURN BOOLEAN IS
  BEGIN
    RETURN CASE
             WHEN p_old = 'NEW' AND p_new IN ('OPEN', 'CLOSED') THEN TRUE
             WHEN p_old = 'OPEN' AND p_new IN ('ON HOLD', 'CLOSED') THEN TRUE
             WHEN p_old = 'ON HOLD' AND p_new IN ('OPEN', 'CLOSED') THEN TRUE
             WHEN p_old = 'CLOSED' AND p_new = 'OPEN' THEN TRUE
             ELSE FALSE
           END;
  END transition_allowed;

  PROCEDURE change_status(p_ticket_id IN NUMBER, p_new_status IN VARCHAR2, p_comment IN VARCHAR2) IS
    l_old tickets.status%TYPE;
  BEGIN
    SELECT status INTO l_old FROM tickets WHERE ticket_id = p_ticket_id FOR UPDATE;
    IF NOT transition_allowed(l_old, p_new_status) THEN
      raise_application_error(-20500, 'A ticket that is ' || l_old || ' cannot become ' || p_new_status);
    END IF;
    UPDATE tickets
       SET status = p_new_status,
           reopened = CASE WHEN l_old = 'CLOSED' AND p_new_status = 'OPEN' THEN reopened + 1 ELSE reopened END,
           closed_at = CASE p_new_status WHEN 'CLOSED' THEN SYSDATE END
     WHERE ticket_id = p_ticket_id;
    write(p_ticket_id, l_old, p_new_status, p_comment);
  END change_status;

  FUNCTION history(p_ticket_id IN NUMBER) RETURN VARCHAR2 IS
    CURSOR c_log IS
      SELECT changed_at, old_status, new_status, changed_by
        FROM audit_log
       WHERE ticket_id = p_ticket_id
       ORDER BY changed_at;
    l_text VARCHAR2(32767);
    l_row  c_log%ROWTYPE;
  BEGIN
    /* open, fetch all, close: the log of one ticket is short */
    OPEN c_log;
    LOOP
      FETCH c_log INTO l_row;
      EXIT WHEN c_log%NOTFOUND;
      l_text := l_text || TO_CHAR(l_row.changed_at, 'YYYY-MM-DD HH24:MI') || ' '
             || l_row.old_status || ' -> ' || l_row.new_status
             || ' (' || l_row.changed_by || ')' || CHR(10);
    END LOOP;
    CLOSE c_log;
    RETURN l_text;
  END history;

  PROCEDURE purge(p_before IN DATE) IS
  BEGIN
    DELETE FROM audit_log
     WHERE changed_at < p_before
       AND ticket_id IN (SELECT ticket_id FROM tickets WHERE status = 'CLOSED');
    write(NULL, NULL, NULL, 'purged ' || SQL%ROWCOUNT || ' rows older than ' || TO_CHAR(p_before, 'YYYY-MM-DD'));
  END purge;

END pkg_audit;
/
