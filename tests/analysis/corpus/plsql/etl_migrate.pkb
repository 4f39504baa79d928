CREATE OR REPLACE PACKAGE BODY etl_migrate
AS
  e_bulk_errors EXCEPTION;
  PRAGMA EXCEPTION_INIT(e_bulk_errors, -24381);

  CURSOR c_src (p_batch_id IN NUMBER) RETURN stg_customers%ROWTYPE IS
    SELECT *
      FROM stg_customers
     WHERE batch_id = p_batch_id
       AND status   = 'NEW'
     ORDER BY stg_id;

  CURSOR c_orders (p_since IN DATE) IS
    SELECT o.order_no, o.cust_no, o.order_date, o.amount, o.currency
      FROM legacy_orders@legacy_link o
     WHERE o.changed_at >= p_since;

  TYPE t_src_tab   IS TABLE OF stg_customers%ROWTYPE;
  TYPE t_order_tab IS TABLE OF c_orders%ROWTYPE;

  ---------------------------------------------------------------------------
  PROCEDURE log_error (p_batch_id IN NUMBER, p_key IN VARCHAR2, p_code IN NUMBER, p_msg IN VARCHAR2)
  IS
    PRAGMA AUTONOMOUS_TRANSACTION;
  BEGIN
    INSERT INTO etl_errors (batch_id, src_key, err_code, err_msg, logged_at)
    VALUES (p_batch_id, p_key, p_code, SUBSTR(p_msg, 1, 4000), SYSTIMESTAMP);
    COMMIT;
  END log_error;

  ---------------------------------------------------------------------------
  FUNCTION validate_batch (p_batch_id IN NUMBER) RETURN PLS_INTEGER
  IS
    l_bad PLS_INTEGER := 0;
    l_reason VARCHAR2(200);
  BEGIN
    FOR r IN c_src(p_batch_id) LOOP
      l_reason :=
        CASE
          WHEN r.cust_no IS NULL                      THEN 'missing customer number'
          WHEN r.email IS NOT NULL
           AND NOT REGEXP_LIKE(r.email, '^[^@ ]+@[^@ ]+\.[a-z]{2,}$', 'i') THEN 'invalid e-mail'
          WHEN r.country_code NOT IN ('DE', 'AT', 'CH', 'NL', 'BE') THEN 'unsupported country'
          ELSE NULL
        END;
      CONTINUE WHEN l_reason IS NULL;
      l_bad := l_bad + 1;
      log_error(p_batch_id, r.cust_no, -20301, l_reason);
      UPDATE stg_customers SET status = 'INVALID' WHERE stg_id = r.stg_id;
    END LOOP;
    COMMIT;
    RETURN l_bad;
  END validate_batch;

  ---------------------------------------------------------------------------
  FUNCTION load_customers (p_batch_id IN NUMBER) RETURN t_stats
  IS
    l_rows  t_src_tab;
    l_stats t_stats;
  BEGIN
    OPEN c_src(p_batch_id);
    LOOP
      FETCH c_src BULK COLLECT INTO l_rows LIMIT g_batch_size;
      EXIT WHEN l_rows.COUNT = 0;
      l_stats.read_cnt := l_stats.read_cnt + l_rows.COUNT;

      BEGIN
        FORALL i IN 1 .. l_rows.COUNT SAVE EXCEPTIONS
          INSERT INTO customers (cust_no, name, email, country_code, created_at, source)
          VALUES (l_rows(i).cust_no, TRIM(l_rows(i).name), LOWER(l_rows(i).email),
                  l_rows(i).country_code, SYSDATE, 'LEGACY');
        l_stats.loaded_cnt := l_stats.loaded_cnt + SQL%ROWCOUNT;
      EXCEPTION
        WHEN e_bulk_errors THEN
          -- keep going with the next batch; the cursor stays OPEN on purpose
          l_stats.loaded_cnt := l_stats.loaded_cnt + SQL%ROWCOUNT;
          FOR j IN 1 .. SQL%BULK_EXCEPTIONS.COUNT LOOP
            l_stats.error_cnt := l_stats.error_cnt + 1;
            log_error(p_batch_id,
                      l_rows(SQL%BULK_EXCEPTIONS(j).ERROR_INDEX).cust_no,
                      -SQL%BULK_EXCEPTIONS(j).ERROR_CODE,
                      SQLERRM(-SQL%BULK_EXCEPTIONS(j).ERROR_CODE));
          END LOOP;
          IF l_stats.error_cnt > g_max_errors THEN
            RAISE_APPLICATION_ERROR(-20300, 'batch ' || p_batch_id || ': too many errors');
          END IF;
      END;

      FORALL i IN 1 .. l_rows.COUNT
        UPDATE stg_customers SET status = 'DONE' WHERE stg_id = l_rows(i).stg_id;
      COMMIT;
    END LOOP;
    CLOSE c_src;
    RETURN l_stats;
  EXCEPTION
    WHEN OTHERS THEN
      IF c_src%ISOPEN THEN
        CLOSE c_src;
      END IF;
      ROLLBACK;
      RAISE;
  END load_customers;

  ---------------------------------------------------------------------------
  FUNCTION migrate_orders (p_since IN DATE) RETURN t_stats
  IS
    l_orders t_order_tab;
    l_stats  t_stats;
  BEGIN
    OPEN c_orders(p_since);
    <<batch_loop>>
    LOOP
      FETCH c_orders BULK COLLECT INTO l_orders LIMIT g_batch_size;
      EXIT batch_loop WHEN l_orders.COUNT = 0;
      l_stats.read_cnt := l_stats.read_cnt + l_orders.COUNT;

      FORALL i IN INDICES OF l_orders SAVE EXCEPTIONS
        MERGE INTO orders t
        USING (SELECT l_orders(i).order_no AS order_no FROM dual) s
           ON (t.order_no = s.order_no)
         WHEN MATCHED THEN
           UPDATE SET t.amount = l_orders(i).amount, t.currency = l_orders(i).currency
         WHEN NOT MATCHED THEN
           INSERT (order_no, cust_no, order_date, amount, currency)
           VALUES (l_orders(i).order_no, l_orders(i).cust_no, l_orders(i).order_date,
                   l_orders(i).amount, l_orders(i).currency);
      l_stats.loaded_cnt := l_stats.loaded_cnt + SQL%ROWCOUNT;
      COMMIT;
    END LOOP batch_loop;
    CLOSE c_orders;
    RETURN l_stats;
  EXCEPTION
    WHEN e_bulk_errors THEN
      FOR j IN 1 .. SQL%BULK_EXCEPTIONS.COUNT LOOP
        log_error(NULL, 'order#' || SQL%BULK_EXCEPTIONS(j).ERROR_INDEX,
                  -SQL%BULK_EXCEPTIONS(j).ERROR_CODE,
                  SQLERRM(-SQL%BULK_EXCEPTIONS(j).ERROR_CODE));
      END LOOP;
      ROLLBACK;
      RAISE;
    WHEN OTHERS THEN
      log_error(NULL, 'orders', SQLCODE, SQLERRM || ' ' || DBMS_UTILITY.FORMAT_ERROR_BACKTRACE);
      ROLLBACK;
      RAISE;
  END migrate_orders;

  ---------------------------------------------------------------------------
  -- Compares staged and loaded customers; retries lookups that hit a
  -- locked row a few times before it gives up.
  PROCEDURE reconcile (p_batch_id IN NUMBER)
  IS
    CURSOR c_diff IS
      SELECT s.stg_id, s.cust_no
        FROM stg_customers s
       WHERE s.batch_id = p_batch_id
         AND s.status = 'DONE'
         AND NOT EXISTS (SELECT NULL FROM customers c WHERE c.cust_no = s.cust_no);
    l_diff   c_diff%ROWTYPE;
    l_errors PLS_INTEGER := 0;
    l_found  BOOLEAN;
    l_dummy  PLS_INTEGER;
  BEGIN
    OPEN c_diff;
    <<outer>>
    LOOP
      FETCH c_diff INTO l_diff;
      EXIT outer WHEN c_diff%NOTFOUND;
      l_found := FALSE;
      <<retry>>
      FOR attempt IN 1 .. 3 LOOP
        BEGIN
          SELECT 1 INTO l_dummy FROM dual
           WHERE EXISTS (SELECT NULL FROM customers_pending p WHERE p.cust_no = l_diff.cust_no);
          l_found := TRUE;
          EXIT retry;
        EXCEPTION
          WHEN NO_DATA_FOUND THEN
            EXIT retry;
          WHEN OTHERS THEN
            IF SQLCODE = -54 THEN          -- resource busy, try again
              DBMS_SESSION.SLEEP(attempt);
            ELSE
              RAISE;
            END IF;
        END;
      END LOOP retry;
      IF NOT l_found THEN
        l_errors := l_errors + 1;
        log_error(p_batch_id, l_diff.cust_no, -20302, 'staged as DONE but not in CUSTOMERS');
      END IF;
      EXIT outer WHEN l_errors >= g_max_errors;
    END LOOP outer;
    CLOSE c_diff;
    COMMIT;
  END reconcile;

  ---------------------------------------------------------------------------
  PROCEDURE archive_batch (p_batch_id IN NUMBER)
  IS
    l_moved PLS_INTEGER := 0;
  BEGIN
    INSERT INTO stg_customers_arch SELECT * FROM stg_customers WHERE batch_id = p_batch_id;
    l_moved := SQL%ROWCOUNT;

    DECLARE
      CURSOR c_err (p_batch IN NUMBER) IS
        SELECT err_code, COUNT(*) AS cnt
          FROM etl_errors
         WHERE batch_id = p_batch
         GROUP BY err_code;
      l_err c_err%ROWTYPE;
    BEGIN
      Open c_err(p_batch_id);
      Loop
        Fetch c_err Into l_err;
        Exit When c_err%NotFound;
        INSERT INTO etl_batch_summary (batch_id, err_code, cnt)
        VALUES (p_batch_id, l_err.err_code, l_err.cnt);
      End Loop;
      Close c_err;
    END;

    DELETE FROM stg_customers WHERE batch_id = p_batch_id;
    IF SQL%ROWCOUNT <> l_moved THEN
      RAISE_APPLICATION_ERROR(-20303, 'archive of batch ' || p_batch_id || ' is incomplete');
    END IF;
    COMMIT;
  EXCEPTION
    WHEN OTHERS THEN
      ROLLBACK;
      RAISE;
  END archive_batch;

END etl_migrate;
/
