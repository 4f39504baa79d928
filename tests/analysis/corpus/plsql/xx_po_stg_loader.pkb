CREATE OR REPLACE PACKAGE BODY xx_po_stg_loader
AS
  /**************************************************************************
   * Supplier price-catalogue interface
   *
   *   file  (XX_INBOUND_DIR/<supplier>_cat_YYYYMMDD.csv)
   *     -> external table XX_PO_CAT_EXT
   *     -> staging XX_PO_CAT_STG  (direct path)
   *     -> validation, attachments (PDF data sheets)
   *     -> PO_PRICE_LIST_INTERFACE
   *
   * 2016-02-01  mvoss     created
   * 2017-05-12  mvoss     reject file read back into the run log
   * 2021-11-30  jtanaka   data sheet attachments as BLOB
   **************************************************************************/

  g_dir        CONSTANT VARCHAR2(30) := 'XX_INBOUND_DIR';
  g_log_dir    CONSTANT VARCHAR2(30) := 'XX_LOG_DIR';
  g_log        UTL_FILE.FILE_TYPE;
  g_run_id     NUMBER;

  CURSOR c_stg (p_run_id NUMBER) IS
    SELECT s.stg_id, s.supplier_item, s.uom, s.unit_price, s.currency,
           s.valid_from, s.status, s.error_text
      FROM xx_po_cat_stg s
     WHERE s.run_id = p_run_id
       AND s.status = 'NEW'
       FOR UPDATE OF s.status, s.error_text;

  CURSOR c_run (p_run_id NUMBER) IS
    SELECT run_id, supplier_id, file_name, status, rows_loaded
      FROM xx_po_cat_runs
     WHERE run_id = p_run_id
       FOR UPDATE NOWAIT;

  --------------------------------------------------------------------------
  PROCEDURE log_line (p_text IN VARCHAR2) IS
  BEGIN
    IF UTL_FILE.IS_OPEN(g_log) THEN
      UTL_FILE.PUT_LINE(g_log, TO_CHAR(SYSDATE, 'YYYY-MM-DD HH24:MI:SS') || ' ' || p_text);
      UTL_FILE.FFLUSH(g_log);
    END IF;
  END log_line;

  --------------------------------------------------------------------------
  PROCEDURE open_log (p_run_id IN NUMBER) IS
  BEGIN
    g_log := UTL_FILE.FOPEN(g_log_dir, 'xx_po_cat_' || p_run_id || '.log', 'w', 32767);
    log_line('run ' || p_run_id || ' started');
  END open_log;

  --------------------------------------------------------------------------
  PROCEDURE close_log IS
  BEGIN
    IF UTL_FILE.IS_OPEN(g_log) THEN
      log_line('log closed');
      UTL_FILE.FCLOSE(g_log);
    END IF;
  END close_log;

  --------------------------------------------------------------------------
  PROCEDURE cleanup IS
  BEGIN
    IF c_stg%ISOPEN THEN CLOSE c_stg; END IF;
    IF c_run%ISOPEN THEN CLOSE c_run; END IF;
    close_log;
  END cleanup;

  --------------------------------------------------------------------------
  -- point the external table at the file and load it direct path
  --------------------------------------------------------------------------
  PROCEDURE load_file (p_file_name IN VARCHAR2, x_rows OUT NUMBER)
  IS
  BEGIN
    EXECUTE IMMEDIATE 'ALTER TABLE xx_po_cat_ext LOCATION (' || g_dir || ':'''
                      || DBMS_ASSERT.SIMPLE_SQL_NAME(REPLACE(p_file_name, '.csv'))
                      || '.csv'')';

    INSERT /*+ APPEND */ INTO xx_po_cat_stg
      (stg_id, run_id, supplier_item, uom, unit_price, currency, valid_from,
       datasheet_file, status)
    SELECT xx_po_cat_stg_s.NEXTVAL, g_run_id,
           TRIM(e.supplier_item), UPPER(TRIM(e.uom)),
           TO_NUMBER(e.unit_price DEFAULT NULL ON CONVERSION ERROR, '999999990D9999',
                     'NLS_NUMERIC_CHARACTERS=''.,'''),
           NVL(e.currency, 'EUR'),
           TO_DATE(e.valid_from DEFAULT NULL ON CONVERSION ERROR, 'YYYY-MM-DD'),
           e.datasheet, 'NEW'
      FROM xx_po_cat_ext e
     WHERE e.supplier_item IS NOT NULL;

    x_rows := SQL%ROWCOUNT;
    COMMIT;   -- needed after direct path before reading the table again
    log_line(x_rows || ' rows loaded from ' || p_file_name);
  END load_file;

  --------------------------------------------------------------------------
  -- peek at the external table: rows the access driver would reject
  --------------------------------------------------------------------------
  PROCEDURE check_external (p_file_name IN VARCHAR2, x_bad OUT NUMBER)
  IS
    l_total NUMBER;
  BEGIN
    SELECT COUNT(*) INTO l_total FROM xx_po_cat_ext;
    log_line(p_file_name || ': ' || l_total || ' rows in file');

    DECLARE
      CURSOR c_bad IS
        SELECT supplier_item, unit_price, valid_from
          FROM xx_po_cat_ext
         WHERE VALIDATE_CONVERSION(unit_price AS NUMBER, '999999990D9999',
                                   'NLS_NUMERIC_CHARACTERS=''.,''') = 0
            OR VALIDATE_CONVERSION(valid_from AS DATE, 'YYYY-MM-DD') = 0;
      r_bad c_bad%ROWTYPE;
    BEGIN
      x_bad := 0;
      OPEN c_bad;
      LOOP
        FETCH c_bad INTO r_bad;
        EXIT WHEN c_bad%NOTFOUND OR c_bad%ROWCOUNT > 100;
        log_line('bad row: ' || r_bad.supplier_item || ' / ' || r_bad.unit_price
                 || ' / ' || r_bad.valid_from);
        x_bad := x_bad + 1;
      END LOOP;
      /* CLOSE c_bad; -- moved to cleanup, see ticket 4471 */
    END;
  END check_external;

  --------------------------------------------------------------------------
  PROCEDURE read_reject_file (p_file_name IN VARCHAR2)
  IS
    l_fh    UTL_FILE.FILE_TYPE;
    l_line  VARCHAR2(32767);
    l_n     PLS_INTEGER := 0;
  BEGIN
    l_fh := UTL_FILE.FOPEN(g_dir, REPLACE(p_file_name, '.csv', '.bad'), 'r', 32767);
    LOOP
      BEGIN
        UTL_FILE.GET_LINE(l_fh, l_line);
      EXCEPTION
        WHEN NO_DATA_FOUND THEN EXIT;
      END;
      l_n := l_n + 1;
      log_line('rejected: ' || SUBSTR(l_line, 1, 200));
    END LOOP;
    UTL_FILE.FCLOSE(l_fh);
  EXCEPTION
    WHEN UTL_FILE.INVALID_OPERATION OR UTL_FILE.INVALID_PATH THEN
      log_line('no reject file');     -- nothing was rejected
    WHEN OTHERS THEN
      IF UTL_FILE.IS_OPEN(l_fh) THEN
        UTL_FILE.FCLOSE(l_fh);
      END IF;
      RAISE;
  END read_reject_file;

  --------------------------------------------------------------------------
  PROCEDURE validate_staging (x_errors OUT NUMBER)
  IS
    r       c_stg%ROWTYPE;
    l_err   VARCHAR2(400);
  BEGIN
    x_errors := 0;
    OPEN c_stg(g_run_id);
    LOOP
      FETCH c_stg INTO r;
      EXIT WHEN c_stg%NOTFOUND;

      l_err := CASE
                 WHEN r.unit_price IS NULL OR r.unit_price <= 0 THEN 'invalid price'
                 WHEN r.valid_from IS NULL THEN 'invalid date'
                 WHEN r.uom NOT IN ('EA', 'BOX', 'KG', 'M', 'L') THEN 'unknown uom ' || r.uom
                 ELSE NULL
               END;

      UPDATE xx_po_cat_stg
         SET status = CASE WHEN l_err IS NULL THEN 'VALID' ELSE 'ERROR' END,
             error_text = l_err
       WHERE CURRENT OF c_stg;

      IF l_err IS NOT NULL THEN
        x_errors := x_errors + 1;
      END IF;
    END LOOP;
    CLOSE c_stg;
  EXCEPTION
    WHEN OTHERS THEN
      log_line('validate_staging: ' || SQLERRM);
      cleanup;
      RAISE;
  END validate_staging;

  --------------------------------------------------------------------------
  PROCEDURE load_datasheets
  IS
    CURSOR c_att IS
      SELECT stg_id, datasheet_file, datasheet
        FROM xx_po_cat_stg
       WHERE run_id = g_run_id
         AND status = 'VALID'
         AND datasheet_file IS NOT NULL
       FOR UPDATE OF datasheet;

    l_bfile   BFILE;
    l_blob    BLOB;
    l_dest    INTEGER := 1;
    l_src     INTEGER := 1;
  BEGIN
    FOR r IN c_att LOOP
      UPDATE xx_po_cat_stg
         SET datasheet = EMPTY_BLOB()
       WHERE CURRENT OF c_att
      RETURNING datasheet INTO l_blob;

      l_bfile := BFILENAME(g_dir, r.datasheet_file);
      IF DBMS_LOB.FILEEXISTS(l_bfile) = 1 THEN
        DBMS_LOB.FILEOPEN(l_bfile, DBMS_LOB.FILE_READONLY);
        DBMS_LOB.OPEN(l_blob, DBMS_LOB.LOB_READWRITE);
        l_dest := 1;
        l_src  := 1;
        DBMS_LOB.LOADBLOBFROMFILE(l_blob, l_bfile, DBMS_LOB.LOBMAXSIZE, l_dest, l_src);
        DBMS_LOB.CLOSE(l_blob);
        DBMS_LOB.FILECLOSE(l_bfile);
      ELSE
        log_line('data sheet missing: ' || r.datasheet_file);
      END IF;
    END LOOP;
  END load_datasheets;

  --------------------------------------------------------------------------
  PROCEDURE finish_run (p_status IN VARCHAR2, p_rows IN NUMBER)
  IS
    r_run c_run%ROWTYPE;
  BEGIN
    OPEN c_run(g_run_id);
    FETCH c_run INTO r_run;

    UPDATE xx_po_cat_runs
       SET status = p_status,
           rows_loaded = p_rows,
           finished_at = SYSDATE
     WHERE CURRENT OF c_run;

    CLOSE c_run;

    INSERT INTO po_price_list_interface
      (interface_id, supplier_id, supplier_item, uom_code, unit_price,
       currency_code, effective_date, process_flag)
    SELECT po_price_list_interface_s.NEXTVAL, r_run.supplier_id, supplier_item,
           uom, unit_price, currency, valid_from, 'PENDING'
      FROM xx_po_cat_stg
     WHERE run_id = g_run_id
       AND status = 'VALID';
  EXCEPTION
    WHEN OTHERS THEN
      UTL_FILE.FCLOSE_ALL;
      ROLLBACK;
      RAISE;
  END finish_run;

  --------------------------------------------------------------------------
  PROCEDURE run (errbuf OUT VARCHAR2, retcode OUT NUMBER,
                 p_supplier_id IN NUMBER, p_file_name IN VARCHAR2)
  IS
    l_rows    NUMBER;
    l_bad     NUMBER;
    l_errors  NUMBER;
  BEGIN
    SELECT xx_po_cat_runs_s.NEXTVAL INTO g_run_id FROM dual;
    INSERT INTO xx_po_cat_runs (run_id, supplier_id, file_name, status, started_at)
    VALUES (g_run_id, p_supplier_id, p_file_name, 'RUNNING', SYSDATE);
    COMMIT;

    open_log(g_run_id);
    check_external(p_file_name, l_bad);
    load_file(p_file_name, l_rows);
    read_reject_file(p_file_name);
    validate_staging(l_errors);
    load_datasheets;
    finish_run(CASE WHEN l_errors = 0 THEN 'DONE' ELSE 'DONE_WITH_ERRORS' END, l_rows);
    COMMIT;

    retcode := CASE WHEN l_errors + l_bad > 0 THEN 1 ELSE 0 END;
    close_log;
  EXCEPTION
    WHEN OTHERS THEN
      errbuf  := SUBSTR(SQLERRM, 1, 240);
      retcode := 2;
      cleanup;
  END run;

END xx_po_stg_loader;
/
