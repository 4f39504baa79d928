SET DEFINE OFF
SET SCAN OFF
PROMPT ===============================================================
PROMPT ETL_LOADER package body (file OPEN / parse / CLOSE helpers)
PROMPT ===============================================================

CREATE OR REPLACE PACKAGE BODY etl_loader IS

  -- $$etl_trace is set with
  --   ALTER PACKAGE etl_loader COMPILE BODY PLSQL_CCFLAGS = 'etl_trace:TRUE';

  gc_dir       CONSTANT VARCHAR2(30) := 'ETL_IN';
  gc_rej_dir   CONSTANT VARCHAR2(30) := 'ETL_REJECT';
  gc_max_line  CONSTANT PLS_INTEGER  := 32767;

  ------------------------------------------------------------------------------
  PROCEDURE trace (p_text IN VARCHAR2) IS
  BEGIN
    $IF $$etl_trace $THEN
      DBMS_OUTPUT.PUT_LINE(TO_CHAR(SYSTIMESTAMP, 'HH24:MI:SS.FF3') || ' ' || p_text);
    $ELSE
      NULL;
    $END
  END trace;

  ------------------------------------------------------------------------------
  -- read_file: loads a flat file line by line into STG_ROWS
  ------------------------------------------------------------------------------
  PROCEDURE read_file (p_file IN VARCHAR2, p_batch_id IN NUMBER) IS
    l_fh    UTL_FILE.FILE_TYPE;
    l_line  VARCHAR2(32767);
    l_no    PLS_INTEGER := 0;
  BEGIN
    trace('open file ' || p_file);
    l_fh := UTL_FILE.FOPEN(gc_dir, p_file, 'r', gc_max_line);
    LOOP
      BEGIN
        UTL_FILE.GET_LINE(l_fh, l_line);
      EXCEPTION
        WHEN NO_DATA_FOUND THEN
          EXIT;   -- end of file
      END;
      l_no := l_no + 1;
      INSERT INTO stg_rows (batch_id, line_no, raw_text)
      VALUES (p_batch_id, l_no, l_line);
    END LOOP;
    UTL_FILE.FCLOSE(l_fh);
    trace('close file, ' || l_no || ' lines');
  EXCEPTION
    WHEN OTHERS THEN
      IF UTL_FILE.IS_OPEN(l_fh) THEN
        UTL_FILE.FCLOSE(l_fh);
      END IF;
      RAISE;
  END read_file;

  ------------------------------------------------------------------------------
  -- exec_dynamic: runs one statement through DBMS_SQL, returns rows processed
  ------------------------------------------------------------------------------
  FUNCTION exec_dynamic (p_stmt IN VARCHAR2) RETURN NUMBER IS
    l_cur  INTEGER;
    l_rows INTEGER;
  BEGIN
    l_cur := DBMS_SQL.OPEN_CURSOR;
    DBMS_SQL.PARSE(l_cur, p_stmt, DBMS_SQL.NATIVE);
    l_rows := DBMS_SQL.EXECUTE(l_cur);
    DBMS_SQL.CLOSE_CURSOR(l_cur);
    RETURN l_rows;
  EXCEPTION
    WHEN OTHERS THEN
      IF DBMS_SQL.IS_OPEN(l_cur) THEN
        DBMS_SQL.CLOSE_CURSOR(l_cur);
      END IF;
      RAISE;
  END exec_dynamic;

  ------------------------------------------------------------------------------
  -- query_to_refcursor: binds :batch and hands the result out as a ref cursor.
  -- After TO_REFCURSOR the DBMS_SQL cursor number must not be closed any more.
  ------------------------------------------------------------------------------
  FUNCTION query_to_refcursor (p_sql IN VARCHAR2, p_batch_id IN NUMBER)
    RETURN SYS_REFCURSOR
  IS
    l_cur    INTEGER;
    l_ignore INTEGER;
    l_rc     SYS_REFCURSOR;
  BEGIN
    l_cur := DBMS_SQL.OPEN_CURSOR;
    DBMS_SQL.PARSE(l_cur, p_sql, DBMS_SQL.NATIVE);
    DBMS_SQL.BIND_VARIABLE(l_cur, ':batch', p_batch_id);
    l_ignore := DBMS_SQL.EXECUTE(l_cur);
    l_rc := DBMS_SQL.TO_REFCURSOR(l_cur);
    RETURN l_rc;
  END query_to_refcursor;

  ------------------------------------------------------------------------------
  -- load_rejects: writes the rejected rows of a batch to a reject file
  ------------------------------------------------------------------------------
  PROCEDURE load_rejects (p_batch_id IN NUMBER, p_table IN VARCHAR2) IS
    TYPE t_cur IS REF CURSOR;
    l_cur   t_cur;
    v_sql   VARCHAR2(1000);
    l_fh    UTL_FILE.FILE_TYPE;
    l_no    stg_rows.line_no%TYPE;
    l_text  stg_rows.raw_text%TYPE;
    l_err   VARCHAR2(4000);
  BEGIN
    v_sql := 'SELECT line_no, raw_text, error_text FROM '
          || DBMS_ASSERT.ENQUOTE_NAME(p_table)
          || ' WHERE batch_id = :b AND error_text IS NOT NULL ORDER BY line_no';

    l_fh := UTL_FILE.FOPEN(gc_rej_dir, 'reject_' || p_batch_id || '.txt', 'w', gc_max_line);

    OPEN l_cur FOR v_sql USING p_batch_id;
    LOOP
      FETCH l_cur INTO l_no, l_text, l_err;
      EXIT WHEN l_cur%NOTFOUND;
      UTL_FILE.PUT_LINE(l_fh, l_no || ';' || l_err || ';' || l_text);
    END LOOP;

    UTL_FILE.FCLOSE(l_fh);
    trace('rejects written for batch ' || p_batch_id);
  END load_rejects;

  ------------------------------------------------------------------------------
  -- preview: first p_rows staging rows of a batch
  ------------------------------------------------------------------------------
  PROCEDURE preview (p_batch_id IN NUMBER, p_rows IN PLS_INTEGER DEFAULT 20) IS
    l_rc   SYS_REFCURSOR;
    l_no   stg_rows.line_no%TYPE;
    l_text stg_rows.raw_text%TYPE;
  BEGIN
    $IF DBMS_DB_VERSION.VERSION >= 12 $THEN
      OPEN l_rc FOR
        SELECT line_no, raw_text
          FROM stg_rows
         WHERE batch_id = p_batch_id
         ORDER BY line_no
         FETCH FIRST p_rows ROWS ONLY;
    $ELSE
      OPEN l_rc FOR
        SELECT line_no, raw_text
          FROM (SELECT line_no, raw_text
                  FROM stg_rows
                 WHERE batch_id = p_batch_id
                 ORDER BY line_no)
         WHERE ROWNUM <= p_rows;
    $END

    LOOP
      FETCH l_rc INTO l_no, l_text;
      EXIT WHEN l_rc%NOTFOUND;
      DBMS_OUTPUT.PUT_LINE(LPAD(l_no, 6) || ' ' || SUBSTR(l_text, 1, 100));
    END LOOP;
    CLOSE l_rc;
  END preview;

  ------------------------------------------------------------------------------
  -- merge_staging: moves the valid rows of a batch into the target table
  ------------------------------------------------------------------------------
  PROCEDURE merge_staging (p_batch_id IN NUMBER) IS
    l_merged PLS_INTEGER;
  BEGIN
    EXECUTE IMMEDIATE q'[ALTER SESSION SET NLS_DATE_FORMAT = 'YYYY-MM-DD']';

    MERGE INTO customers_ext t
    USING (SELECT REGEXP_SUBSTR(raw_text, '[^;]+', 1, 1) AS ext_id,
                  REGEXP_SUBSTR(raw_text, '[^;]+', 1, 2) AS name,
                  REGEXP_SUBSTR(raw_text, '[^;]+', 1, 3) AS region
             FROM stg_rows
            WHERE batch_id = p_batch_id
              AND error_text IS NULL) s
       ON (t.ext_id = s.ext_id)
     WHEN MATCHED THEN
       UPDATE SET t.name = s.name, t.region = s.region, t.updated_at = SYSDATE
     WHEN NOT MATCHED THEN
       INSERT (ext_id, name, region, updated_at)
       VALUES (s.ext_id, s.name, s.region, SYSDATE);
    l_merged := SQL%ROWCOUNT;

    trace('merged ' || l_merged || ' rows');

    EXECUTE IMMEDIATE 'DELETE FROM stg_rows WHERE batch_id = :b' USING p_batch_id;
    COMMIT;
  END merge_staging;

  ------------------------------------------------------------------------------
  -- run: the whole load of one file
  ------------------------------------------------------------------------------
  PROCEDURE run (p_file IN VARCHAR2) IS
    l_batch_id NUMBER;
    l_dummy    NUMBER;
  BEGIN
    INSERT INTO etl_batches (batch_id, file_name, started_at, status)
    VALUES (etl_batches_seq.NEXTVAL, p_file, SYSTIMESTAMP, 'OPEN')
    RETURNING batch_id INTO l_batch_id;

    read_file(p_file, l_batch_id);
    l_dummy := exec_dynamic('BEGIN etl_validate.check_batch(' || l_batch_id || '); END;');
    load_rejects(l_batch_id, 'STG_ROWS');
    merge_staging(l_batch_id);

    UPDATE etl_batches
       SET status = 'CLOSED', ended_at = SYSTIMESTAMP
     WHERE batch_id = l_batch_id;
    COMMIT;
  END run;

END etl_loader;
/
SHOW ERRORS PACKAGE BODY etl_loader
