CREATE OR REPLACE FUNCTION audit_key_of (p_table IN VARCHAR2, p_rowid IN ROWID)
  RETURN VARCHAR2
  ACCESSIBLE BY (PACKAGE pkg_audit_util, TRIGGER orders_aud)
IS
  l_key VARCHAR2(200);
BEGIN
  -- a single-row lookup; no explicit cursor needed here
  EXECUTE IMMEDIATE
    'SELECT ' || CASE UPPER(p_table)
                   WHEN 'ORDERS'      THEN q'{TO_CHAR(order_id)}'
                   WHEN 'ORDER_LINES' THEN q'{order_id || '/' || line_no}'
                   ELSE q'{ROWIDTOCHAR(ROWID)}'
                 END
    || ' FROM ' || DBMS_ASSERT.SIMPLE_SQL_NAME(p_table) || ' WHERE ROWID = :r'
    INTO l_key USING p_rowid;
  RETURN l_key;
END audit_key_of;
/

CREATE OR REPLACE PACKAGE BODY pkg_audit_util AS
  /*
   * Audit trail helpers.
   *
   * The old logger looked like this and leaked its cursor; do not restore:
   *
   *   PROCEDURE log_change IS
   *     CURSOR c_x IS SELECT * FROM audit_trail;
   *   BEGIN
   *     OPEN c_x;
   *     FETCH c_x INTO ...;
   *   END;
   */

  g_app_name  CONSTANT VARCHAR2(30) := 'ORDERS';

  ------------------------------------------------------------------------
  PROCEDURE write_entry (p_table  IN VARCHAR2,
                         p_key    IN VARCHAR2,
                         p_action IN VARCHAR2,
                         p_detail IN VARCHAR2)
  IS
    PRAGMA AUTONOMOUS_TRANSACTION;
  BEGIN
    INSERT INTO audit_trail (entry_id, app_name, table_name, row_key, action,
                             detail, logged_at, logged_by)
    VALUES (audit_seq.NEXTVAL, g_app_name, UPPER(p_table), p_key, p_action,
            SUBSTR(p_detail, 1, 4000), SYSTIMESTAMP, USER);
    COMMIT;
  END write_entry;

  ------------------------------------------------------------------------
  FUNCTION next_ticket (p_queue IN VARCHAR2) RETURN NUMBER
  IS
    PRAGMA AUTONOMOUS_TRANSACTION;
    CURSOR c_queue IS
      SELECT last_ticket
        FROM audit_queues
       WHERE queue_name = p_queue
         FOR UPDATE;
    l_ticket NUMBER;
  BEGIN
    OPEN c_queue;
    FETCH c_queue INTO l_ticket;
    IF c_queue%NOTFOUND THEN
      CLOSE c_queue;
      INSERT INTO audit_queues (queue_name, last_ticket) VALUES (p_queue, 1);
      COMMIT;
      RETURN 1;
    END IF;
    l_ticket := l_ticket + 1;
    UPDATE audit_queues SET last_ticket = l_ticket WHERE CURRENT OF c_queue;
    CLOSE c_queue;
    COMMIT;
    RETURN l_ticket;
  EXCEPTION
    WHEN OTHERS THEN
      ROLLBACK;
      write_entry('AUDIT_QUEUES', p_queue, 'ERROR',
                  q'{OPEN of c_queue failed or it's locked: }' || SQLERRM);
      RAISE;
  END next_ticket;

  ------------------------------------------------------------------------
  PROCEDURE install_audit_trigger (p_table IN VARCHAR2) IS
    l_ddl VARCHAR2(32767);
  BEGIN
    l_ddl := q'[CREATE OR REPLACE TRIGGER #TAB#_aud
  AFTER INSERT OR UPDATE OR DELETE ON #TAB#
  FOR EACH ROW
DECLARE
  CURSOR c_cfg IS SELECT enabled FROM audit_config WHERE table_name = '#TAB#';
  l_on VARCHAR2(1);
BEGIN
  OPEN c_cfg;
  FETCH c_cfg INTO l_on;
  CLOSE c_cfg;
  IF l_on = 'Y' THEN
    pkg_audit_util.write_entry('#TAB#', NVL(:NEW.ROWID, :OLD.ROWID), 'DML', 'it''s audited');
  END IF;
END;]';
    EXECUTE IMMEDIATE REPLACE(l_ddl, '#TAB#', DBMS_ASSERT.SIMPLE_SQL_NAME(p_table));
    write_entry(p_table, NULL, 'DDL', 'audit trigger installed');
  END install_audit_trigger;

  ------------------------------------------------------------------------
  FUNCTION count_changes (p_table IN VARCHAR2, p_since IN TIMESTAMP) RETURN NUMBER
    ACCESSIBLE BY (PACKAGE pkg_audit_report)
  IS
    CURSOR c_changes IS
      SELECT action, COUNT(*) AS cnt
        FROM audit_trail
       WHERE table_name = UPPER(p_table)
         AND logged_at >= p_since
       GROUP BY action;
    l_action audit_trail.action%TYPE;
    l_cnt    NUMBER;
    l_total  NUMBER := 0;
  BEGIN
    OPEN c_changes;
    LOOP
      FETCH c_changes INTO l_action, l_cnt;
      EXIT WHEN c_changes%NOTFOUND;
      l_total := l_total + CASE l_action WHEN 'DDL' THEN 0 ELSE l_cnt END;
    END LOOP;
    -- CLOSE c_changes;   (commented out while chasing ORA-01001, see AUD-212)
    write_entry(p_table, NULL, 'STAT', q'[counted; CLOSE c_changes; skipped]');
    RETURN l_total;
  END count_changes;

  ------------------------------------------------------------------------
  PROCEDURE purge_old (p_days IN PLS_INTEGER) IS
    CURSOR c_tables IS
      SELECT DISTINCT table_name FROM audit_trail;
    l_table  audit_trail.table_name%TYPE;
    l_purged NUMBER;
  BEGIN
    OPEN c_tables;
    LOOP
      FETCH c_tables INTO l_table;
      EXIT WHEN c_tables%NOTFOUND;
      EXECUTE IMMEDIATE q'[
        BEGIN
          DELETE FROM audit_trail
           WHERE table_name = :t
             AND logged_at < SYSTIMESTAMP - NUMTODSINTERVAL(:d, 'DAY');
          :n := SQL%ROWCOUNT;
        END;]'
        USING IN l_table, IN p_days, OUT l_purged;
      write_entry(l_table, NULL, 'PURGE', l_purged || q'{ rows; that's the "END;" of them}');
    END LOOP;
    CLOSE c_tables;
  END purge_old;

  ------------------------------------------------------------------------
  FUNCTION column_list (p_table IN VARCHAR2) RETURN VARCHAR2 IS
    l_cur    INTEGER;
    l_cols   DBMS_SQL.DESC_TAB2;
    l_n      INTEGER;
    l_list   VARCHAR2(4000);
  BEGIN
    l_cur := DBMS_SQL.OPEN_CURSOR;
    DBMS_SQL.PARSE(l_cur,
                   'SELECT * FROM ' || DBMS_ASSERT.SQL_OBJECT_NAME(p_table) || ' WHERE 1 = 0',
                   DBMS_SQL.NATIVE);
    DBMS_SQL.DESCRIBE_COLUMNS2(l_cur, l_n, l_cols);
    DBMS_SQL.CLOSE_CURSOR(l_cur);
    FOR i IN 1 .. l_n LOOP
      l_list := l_list || CASE WHEN i > 1 THEN ',' END || l_cols(i).col_name;
    END LOOP;
    RETURN l_list;
  EXCEPTION
    WHEN OTHERS THEN
      IF DBMS_SQL.IS_OPEN(l_cur) THEN
        DBMS_SQL.CLOSE_CURSOR(l_cur);
      END IF;
      RAISE;
  END column_list;

  ------------------------------------------------------------------------
  PROCEDURE notify_owner (p_table IN VARCHAR2, p_changes IN NUMBER) IS
    l_msg NVARCHAR2(2000);
  BEGIN
    l_msg := nq'!Hallo Frau Müller, table "!' || p_table
             || nq'!" saw !' || p_changes
             || nq'! changes. Don't OPEN a ticket unless it's over 1000; END; of report.!';
    /* old mail body:
       BEGIN OPEN c_mail; FETCH c_mail INTO l_addr; END;
    */
    INSERT INTO mail_outbox (mail_id, recipient, subject, body_text, queued_at)
    VALUES (mail_seq.NEXTVAL, 'audit.owner@example.com',
            q'<Audit summary: 'weekly'>', l_msg, SYSTIMESTAMP);
  END notify_owner;

END pkg_audit_util;
/
