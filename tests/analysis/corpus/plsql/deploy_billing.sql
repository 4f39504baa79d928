REM ======================================================================
REM  deploy_billing.sql  -  billing objects of the order system
REM  usage: sqlplus deployer@orcl @deploy_billing.sql <release tag>
REM ======================================================================
SET SERVEROUTPUT ON SIZE UNLIMITED
SET VERIFY OFF
SET FEEDBACK ON
SET DEFINE ON
WHENEVER SQLERROR EXIT SQL.SQLCODE ROLLBACK
WHENEVER OSERROR EXIT FAILURE

DEFINE app_schema  = BILLING
DEFINE release_tag = '&1'
DEFINE grace_days  = 14

SPOOL deploy_billing_&&release_tag..log

PROMPT === Deploying billing release &&release_tag into &&app_schema ===

ALTER SESSION SET CURRENT_SCHEMA = &&app_schema;

@@billing_tables.sql
@@billing_grants.sql

PROMPT Checking for running bill runs
DECLARE
  CURSOR c_running IS
    SELECT run_id, started_at
      FROM bill_runs
     WHERE status = 'RUNNING';
  l_run_id     NUMBER;
  l_started_at DATE;
BEGIN
  OPEN c_running;
  FETCH c_running INTO l_run_id, l_started_at;
  IF c_running%FOUND THEN
    RAISE_APPLICATION_ERROR(-20601,
      'bill run ' || l_run_id || ' still running since '
      || TO_CHAR(l_started_at, 'YYYY-MM-DD HH24:MI'));
  END IF;
  DBMS_OUTPUT.PUT_LINE('No bill run in progress.');
END;
/

PROMPT Refreshing statistics of the invoice tables
BEGIN
  EXECUTE IMMEDIATE q'[BEGIN
    DBMS_STATS.GATHER_TABLE_STATS(ownname => USER, tabname => 'INVOICES');
    DBMS_STATS.GATHER_TABLE_STATS(ownname => USER, tabname => 'INVOICE_LINES');
  END;]';
  FOR t IN (SELECT table_name
              FROM user_tables
             WHERE table_name LIKE 'BILL#%'
                OR table_name LIKE 'BILL$%') LOOP
    EXECUTE IMMEDIATE 'BEGIN DBMS_STATS.GATHER_TABLE_STATS(USER, :t); END;'
      USING t.table_name;
  END LOOP;
END;
/

CREATE OR REPLACE PROCEDURE bill_close_run (
  p_run_id IN NUMBER
) AUTHID DEFINER
IS
  CURSOR c_invoices IS
    SELECT invoice_id, customer_id, total_amount
      FROM invoices
     WHERE run_id = p_run_id
       AND status = 'DRAFT'
       FOR UPDATE OF status;
  l_inv_id    invoices.invoice_id%TYPE;
  l_cust_id   invoices.customer_id%TYPE;
  l_total     invoices.total_amount%TYPE;
  l_count     PLS_INTEGER := 0;
BEGIN
  OPEN c_invoices;
  LOOP
    FETCH c_invoices INTO l_inv_id, l_cust_id, l_total;
    EXIT WHEN c_invoices%NOTFOUND;
    UPDATE invoices
       SET status   = CASE WHEN l_total = 0 THEN 'VOID' ELSE 'FINAL' END,
           due_date = TRUNC(SYSDATE) + &&grace_days
     WHERE CURRENT OF c_invoices;
    l_count := l_count + 1;
  END LOOP;

  UPDATE bill_runs
     SET status        = 'CLOSED',
         closed_at     = SYSDATE,
         invoice_count = l_count
   WHERE run_id = p_run_id;
END bill_close_run;
/
SHOW ERRORS

CREATE OR REPLACE PROCEDURE bill_open_statement (
  p_customer_id IN  NUMBER,
  p_rc          OUT SYS_REFCURSOR
) IS
  l_rc SYS_REFCURSOR;
BEGIN
  OPEN l_rc FOR
    SELECT invoice_id, invoice_date, due_date, total_amount,
           CASE
             WHEN due_date < TRUNC(SYSDATE) THEN 'OVERDUE'
             ELSE 'OPEN'
           END AS state
      FROM invoices
     WHERE customer_id = p_customer_id
       AND status = 'FINAL'
     ORDER BY due_date;
  p_rc := l_rc;
END bill_open_statement;
/
SHOW ERRORS

CREATE OR REPLACE PROCEDURE bill_flag_late_payers (p_months IN PLS_INTEGER DEFAULT 12) IS
  CURSOR c_streaks (p_customer_id NUMBER) IS
    SELECT first_late, last_late, late_count
      FROM (SELECT invoice_date, paid_date, due_date
              FROM invoices
             WHERE customer_id = p_customer_id
               AND invoice_date >= ADD_MONTHS(TRUNC(SYSDATE), -p_months)
               AND status = 'PAID')
      MATCH_RECOGNIZE (
        ORDER BY invoice_date
        MEASURES FIRST(late.invoice_date) AS first_late,
                 LAST(late.invoice_date)  AS last_late,
                 COUNT(late.*)            AS late_count
        ONE ROW PER MATCH
        PATTERN (late{3,})
        DEFINE
          late AS late.paid_date > late.due_date + 5
      );
  l_streak c_streaks%ROWTYPE;
BEGIN
  FOR c IN (SELECT customer_id FROM customers WHERE credit_hold = 'N') LOOP
    OPEN c_streaks(c.customer_id);
    FETCH c_streaks INTO l_streak;
    IF c_streaks%FOUND THEN
      UPDATE customers
         SET credit_hold = 'Y',
             hold_reason = 'late payments ' || TO_CHAR(l_streak.first_late, 'YYYY-MM')
                           || ' .. ' || TO_CHAR(l_streak.last_late, 'YYYY-MM')
       WHERE customer_id = c.customer_id;
    END IF;
    CLOSE c_streaks;
  END LOOP;
  COMMIT;
END bill_flag_late_payers;
/
SHOW ERRORS

CREATE OR REPLACE TRIGGER trg_invoices_biu
  BEFORE INSERT OR UPDATE OF customer_id, invoice_date ON invoices
  FOR EACH ROW
DECLARE
  CURSOR c_terms (p_customer_id NUMBER) IS
    SELECT pt.net_days, pt.discount_days, pt.discount_pct
      FROM customers c
      JOIN payment_terms pt ON pt.terms_code = c.terms_code
     WHERE c.customer_id = p_customer_id;
  l_net_days       payment_terms.net_days%TYPE;
  l_discount_days  payment_terms.discount_days%TYPE;
  l_discount_pct   payment_terms.discount_pct%TYPE;
BEGIN
  OPEN c_terms(:NEW.customer_id);
  FETCH c_terms INTO l_net_days, l_discount_days, l_discount_pct;
  IF c_terms%NOTFOUND THEN
    l_net_days := 30;
  END IF;

  :NEW.due_date       := NVL(:NEW.invoice_date, TRUNC(SYSDATE)) + l_net_days;
  :NEW.discount_until := CASE
                           WHEN l_discount_days IS NOT NULL
                           THEN NVL(:NEW.invoice_date, TRUNC(SYSDATE)) + l_discount_days
                         END;
  :NEW.discount_pct   := l_discount_pct;
  CASE
    WHEN INSERTING THEN
      :NEW.created_by := NVL(:NEW.created_by, USER);
    WHEN UPDATING THEN
      :NEW.changed_by := USER;
      :NEW.changed_at := SYSDATE;
  END CASE;
END trg_invoices_biu;
/
SHOW ERRORS

PROMPT Recording the release
DECLARE
  l_cnt PLS_INTEGER;
BEGIN
  SELECT COUNT(*) INTO l_cnt FROM user_errors WHERE name LIKE 'BILL%' OR name = 'TRG_INVOICES_BIU';
  IF l_cnt > 0 THEN
    RAISE_APPLICATION_ERROR(-20602, l_cnt || ' compilation errors; see the log');
  END IF;
  INSERT INTO app_releases (component, release_tag, installed_at, installed_by)
  VALUES ('BILLING', '&&release_tag', SYSDATE, USER);
  COMMIT;
END;
/

@@billing_jobs.sql

SPOOL OFF
UNDEFINE release_tag
EXIT
