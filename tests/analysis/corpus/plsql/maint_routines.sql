--------------------------------------------------------------------------------
-- maint_routines.sql
-- Nightly maintenance: archiving, period handling, row counts and a check of
-- the job log. Install as the OPS owner; scheduled from DBMS_SCHEDULER.
--------------------------------------------------------------------------------
SET DEFINE OFF

CREATE OR REPLACE PROCEDURE archive_old_invoices(p_before IN DATE,
                                                 p_batch  IN PLS_INTEGER DEFAULT 500)
IS
  CURSOR c_old IS
    SELECT invoice_id
      FROM invoices
     WHERE invoice_date < p_before
       AND paid_amount >= total_amount
       AND archived_flag = 'N';
  TYPE t_ids IS TABLE OF invoices.invoice_id%TYPE;
  l_ids    t_ids;
  l_moved  PLS_INTEGER := 0;
BEGIN
  OPEN c_old;
  LOOP
    FETCH c_old BULK COLLECT INTO l_ids LIMIT p_batch;
    EXIT WHEN l_ids.COUNT = 0;

    FORALL i IN 1 .. l_ids.COUNT
      INSERT INTO invoices_archive
      SELECT * FROM invoices WHERE invoice_id = l_ids(i);

    FORALL i IN 1 .. l_ids.COUNT
      INSERT INTO invoice_lines_archive
      SELECT * FROM invoice_lines WHERE invoice_id = l_ids(i);

    FORALL i IN 1 .. l_ids.COUNT
      DELETE FROM invoice_lines WHERE invoice_id = l_ids(i);

    FORALL i IN 1 .. l_ids.COUNT
      UPDATE invoices SET archived_flag = 'Y' WHERE invoice_id = l_ids(i);

    l_moved := l_moved + l_ids.COUNT;
  END LOOP;
  -- CLOSE c_old;   not needed, the cursor ends with the procedure
  ops_log.info('archive_old_invoices', l_moved || ' invoices archived');
  COMMIT;
END archive_old_invoices;
/

CREATE OR REPLACE PROCEDURE open_period(p_period IN VARCHAR2)
IS
BEGIN
  UPDATE accounting_periods
     SET status = 'OPEN', opened_at = SYSTIMESTAMP
   WHERE period_code = p_period
     AND status = 'PLANNED';
  IF SQL%ROWCOUNT = 0 THEN
    raise_application_error(-20030, 'period ' || p_period || ' cannot be opened');
  END IF;
END open_period;
/

CREATE OR REPLACE PROCEDURE close_period(p_period IN VARCHAR2)
IS
  CURSOR c_unposted IS
    SELECT COUNT(*)
      FROM journal_entries
     WHERE period_code = p_period
       AND posted_flag = 'N';
  l_unposted NUMBER;
BEGIN
  OPEN c_unposted;
  FETCH c_unposted INTO l_unposted;
  CLOSE c_unposted;
  IF l_unposted > 0 THEN
    raise_application_error(-20031, l_unposted || ' unposted entries in ' || p_period);
  END IF;
  UPDATE accounting_periods
     SET status = 'CLOSED', closed_at = SYSTIMESTAMP
   WHERE period_code = p_period
     AND status = 'OPEN';
EXCEPTION
  WHEN OTHERS THEN
    IF c_unposted%ISOPEN THEN
      CLOSE c_unposted;
    END IF;
    RAISE;
END close_period;
/

CREATE OR REPLACE PROCEDURE roll_period(p_from IN VARCHAR2, p_to IN VARCHAR2)
IS
BEGIN
  close_period(p_from);
  open_period(p_to);
  COMMIT;
END roll_period;
/

CREATE OR REPLACE FUNCTION table_row_counts(p_owner IN VARCHAR2) RETURN SYS_REFCURSOR
IS
  l_sql  CLOB;
  l_rc   SYS_REFCURSOR;
BEGIN
  FOR t IN (SELECT table_name
              FROM all_tables
             WHERE owner = UPPER(p_owner)
               AND nested = 'NO'
               AND temporary = 'N'
             ORDER BY table_name) LOOP
    IF l_sql IS NOT NULL THEN
      l_sql := l_sql || ' UNION ALL ';
    END IF;
    l_sql := l_sql || 'SELECT ' || DBMS_ASSERT.enquote_literal(t.table_name)
             || ' AS table_name, COUNT(*) AS row_count FROM '
             || DBMS_ASSERT.enquote_name(p_owner) || '.'
             || DBMS_ASSERT.enquote_name(t.table_name);
  END LOOP;
  IF l_sql IS NULL THEN
    l_sql := 'SELECT CAST(NULL AS VARCHAR2(128)) AS table_name, 0 AS row_count'
             || ' FROM dual WHERE 1 = 0';
  END IF;
  OPEN l_rc FOR l_sql;
  RETURN l_rc;
END table_row_counts;
/

CREATE OR REPLACE PROCEDURE check_job_log(p_hours IN NUMBER DEFAULT 24,
                                          p_failed OUT SYS_REFCURSOR)
IS
  l_rc     SYS_REFCURSOR;
  l_block  VARCHAR2(1000) :=
    'BEGIN OPEN :rc FOR SELECT job_name, status, log_date, additional_info'
    || ' FROM user_scheduler_job_run_details'
    || ' WHERE log_date > SYSTIMESTAMP - NUMTODSINTERVAL(:h, ''HOUR'')'
    || '   AND status <> ''SUCCEEDED'' ORDER BY log_date DESC; END;';
BEGIN
  -- the block opens the cursor; the caller fetches and closes it
  EXECUTE IMMEDIATE l_block USING IN OUT l_rc, IN p_hours;
  p_failed := l_rc;
END check_job_log;
/

CREATE OR REPLACE PROCEDURE export_job_failures(p_dir IN VARCHAR2, p_hours IN NUMBER DEFAULT 24)
IS
  l_failed  SYS_REFCURSOR;
  l_name    VARCHAR2(128);
  l_status  VARCHAR2(30);
  l_date    TIMESTAMP WITH TIME ZONE;
  l_info    VARCHAR2(4000);
  l_doc     CLOB;
  l_file    UTL_FILE.file_type;
BEGIN
  DBMS_LOB.createtemporary(l_doc, TRUE);
  DBMS_LOB.open(l_doc, DBMS_LOB.lob_readwrite);
  check_job_log(p_hours, l_failed);
  LOOP
    FETCH l_failed INTO l_name, l_status, l_date, l_info;
    EXIT WHEN l_failed%NOTFOUND;
    DBMS_LOB.append(l_doc, l_name || ';' || l_status || ';'
                    || TO_CHAR(l_date, 'YYYY-MM-DD HH24:MI:SS') || ';'
                    || REPLACE(l_info, CHR(10), ' ') || CHR(10));
  END LOOP;
  CLOSE l_failed;
  DBMS_LOB.close(l_doc);
  l_file := UTL_FILE.fopen(p_dir, 'job_failures.csv', 'w', 32767);
  FOR i IN 0 .. TRUNC((DBMS_LOB.getlength(l_doc) - 1) / 32000) LOOP
    UTL_FILE.put(l_file, DBMS_LOB.substr(l_doc, 32000, i * 32000 + 1));
  END LOOP;
  UTL_FILE.fclose(l_file);
  DBMS_LOB.freetemporary(l_doc);
EXCEPTION
  WHEN OTHERS THEN
    IF l_failed%ISOPEN THEN
      CLOSE l_failed;
    END IF;
    IF UTL_FILE.is_open(l_file) THEN
      UTL_FILE.fclose(l_file);
    END IF;
    IF DBMS_LOB.isopen(l_doc) = 1 THEN
      DBMS_LOB.close(l_doc);
    END IF;
    RAISE;
END export_job_failures;
/

-- manual check after installation
DECLARE
  l_rc     SYS_REFCURSOR;
  l_table  VARCHAR2(128);
  l_rows   NUMBER;
BEGIN
  l_rc := table_row_counts(USER);
  LOOP
    FETCH l_rc INTO l_table, l_rows;
    EXIT WHEN l_rc%NOTFOUND;
    DBMS_OUTPUT.put_line(RPAD(l_table, 40) || l_rows);
  END LOOP;
  CLOSE l_rc;
END;
/
