CREATE OR REPLACE PACKAGE BODY pkg_billing
AS

   gc_max_purge CONSTANT PLS_INTEGER := 10000;
   g_batch_running BOOLEAN := FALSE;
   g_last_top      PLS_INTEGER;
   g_open_count    PLS_INTEGER := 0;  -- "OPEN" in a name only

   CURSOR c_pending_invoice IS
      SELECT *
        FROM bil_invoices
       WHERE status = 'N'
         FOR UPDATE SKIP LOCKED;

   CURSOR c_pending_payment IS
      SELECT *
        FROM bil_payments
       WHERE status = 'N'
         FOR UPDATE SKIP LOCKED;

   -- forward declarations of private routines
   PROCEDURE log_msg (p_where IN VARCHAR2, p_text IN VARCHAR2);
   PROCEDURE raise_app (p_code IN PLS_INTEGER, p_text IN VARCHAR2);
   FUNCTION validate_invoice (p_row IN bil_invoices%ROWTYPE) RETURN BOOLEAN;
   FUNCTION fmt_invoice_key (p_code IN VARCHAR2) RETURN VARCHAR2;
   FUNCTION lock_invoice (p_id IN NUMBER) RETURN BOOLEAN;
   FUNCTION validate_payment (p_row IN bil_payments%ROWTYPE) RETURN BOOLEAN;
   FUNCTION fmt_payment_key (p_code IN VARCHAR2) RETURN VARCHAR2;
   FUNCTION lock_payment (p_id IN NUMBER) RETURN BOOLEAN;


   FUNCTION list_invoices (p_status IN VARCHAR2 DEFAULT NULL) RETURN SYS_REFCURSOR
   IS
      l_rc SYS_REFCURSOR;
   BEGIN
      IF p_status IS NULL THEN
         OPEN l_rc FOR
            SELECT invoice_id, invoice_no, status, gross_amount
              FROM bil_invoices
             ORDER BY invoice_id;
      ELSE
         OPEN l_rc FOR
            SELECT invoice_id, invoice_no, status, gross_amount
              FROM bil_invoices
             WHERE status = p_status
             ORDER BY invoice_id;
      END IF;
      RETURN l_rc;
   END list_invoices;

   PROCEDURE bulk_set_invoice_status (p_ids IN t_id_tab, p_status IN VARCHAR2)
   IS
      e_bulk EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_bulk, -24381);
   BEGIN
      FORALL i IN INDICES OF p_ids SAVE EXCEPTIONS
         UPDATE bil_invoices
            SET status = p_status
          WHERE invoice_id = p_ids(i);
   EXCEPTION
      WHEN e_bulk THEN
         FOR j IN 1 .. SQL%BULK_EXCEPTIONS.COUNT LOOP
            log_msg('bulk_set_invoice_status',
                    'index ' || SQL%BULK_EXCEPTIONS(j).ERROR_INDEX ||
                    ' code ' || SQL%BULK_EXCEPTIONS(j).ERROR_CODE);
         END LOOP;
   END bulk_set_invoice_status;

   FUNCTION count_invoices (p_status IN VARCHAR2) RETURN PLS_INTEGER
   IS
      CURSOR c_stat IS
         SELECT status, COUNT(*) cnt
           FROM bil_invoices
          GROUP BY status;
      l_total PLS_INTEGER := 0;
   BEGIN
      FOR r IN c_stat LOOP
         IF r.status = p_status OR p_status = '*' THEN
            l_total := l_total + r.cnt;
         END IF;
      END LOOP;
      FOR r IN (SELECT COUNT(*) cnt FROM bil_invoices_hist WHERE status = p_status) LOOP
         l_total := l_total + r.cnt;
      END LOOP;
      RETURN l_total;
   END count_invoices;

   PROCEDURE sync_invoice_status
   IS
      l_rec c_pending_invoice%ROWTYPE;
   BEGIN
      OPEN c_pending_invoice;
      LOOP
         FETCH c_pending_invoice INTO l_rec;
         EXIT WHEN c_pending_invoice%NOTFOUND;
         BEGIN
            UPDATE bil_invoices
               SET status = 'S'
             WHERE invoice_id = l_rec.invoice_id;
         EXCEPTION
            WHEN OTHERS THEN
               -- keep going; a single bad row must not stop the sync
               log_msg('sync_invoice_status', 'row ' || l_rec.invoice_id || ': ' || SQLERRM);
         END;
      END LOOP;
      CLOSE c_pending_invoice;
   END sync_invoice_status;

   PROCEDURE purge_invoice_dupes
   IS
      CURSOR c_groups IS
         SELECT invoice_no, COUNT(*) cnt
           FROM bil_invoices
          GROUP BY invoice_no
         HAVING COUNT(*) > 1;
      CURSOR c_members (cp_code VARCHAR2) IS
         SELECT invoice_id
           FROM bil_invoices
          WHERE invoice_no = cp_code
          ORDER BY invoice_id;
      l_keep NUMBER;
      l_gone PLS_INTEGER := 0;
   BEGIN
      <<group_loop>>
      FOR g IN c_groups LOOP
         l_keep := NULL;
         <<member_loop>>
         FOR m IN c_members(g.invoice_no) LOOP
            IF l_keep IS NULL THEN
               l_keep := m.invoice_id;
               CONTINUE member_loop;
            END IF;
            DELETE FROM bil_invoices WHERE invoice_id = m.invoice_id;
            l_gone := l_gone + 1;
            EXIT group_loop WHEN l_gone >= gc_max_purge;
         END LOOP member_loop;
      END LOOP group_loop;
      log_msg('purge_invoice_dupes', 'removed ' || l_gone);
   END purge_invoice_dupes;

   PROCEDURE peek_invoices (p_parent IN NUMBER,
                         p_total  OUT NUMBER,
                         p_rc     OUT SYS_REFCURSOR)
   IS
      l_rc   SYS_REFCURSOR;
      l_ids  t_id_tab;
      l_amts t_num_tab;
   BEGIN
      OPEN l_rc FOR
         SELECT invoice_id, gross_amount
           FROM bil_invoices
          WHERE customer_id = p_parent;
      p_total := NULL;
      p_rc := l_rc;
   END peek_invoices;

   PROCEDURE put_invoice (p_row IN bil_invoices%ROWTYPE)
   IS
   BEGIN
      IF NOT validate_invoice(p_row) THEN
         raise_app(-20130, 'invalid invoice row');
      END IF;
      MERGE INTO bil_invoices d
      USING (SELECT p_row.invoice_id AS id FROM dual) s
         ON (d.invoice_id = s.id)
       WHEN MATCHED THEN
         UPDATE SET d.invoice_no = p_row.invoice_no,
                    d.gross_amount  = p_row.gross_amount,
                    d.status = p_row.status
       WHEN NOT MATCHED THEN
         INSERT (invoice_id, invoice_no, gross_amount, status)
         VALUES (p_row.invoice_id, p_row.invoice_no, p_row.gross_amount, p_row.status);
   END put_invoice;

   PROCEDURE drain_invoice_queue (p_max IN PLS_INTEGER DEFAULT 100)
   IS
      CURSOR c_queue (cp_state VARCHAR2) IS
         SELECT q.queue_id, q.invoice_id
           FROM bil_invoices_queue q
          WHERE q.state = cp_state
          ORDER BY q.queue_id;
      l_qid  NUMBER;
      l_id   NUMBER;
      l_cnt  PLS_INTEGER := 0;
   BEGIN
      OPEN c_queue('READY');
      <<drain>>
      LOOP
         FETCH c_queue INTO l_qid, l_id;
         EXIT drain WHEN c_queue%NOTFOUND OR l_cnt >= p_max;
         CASE
            WHEN lock_invoice(l_id) THEN
               DELETE FROM bil_invoices_queue WHERE queue_id = l_qid;
               l_cnt := l_cnt + 1;
            ELSE
               NULL;
         END CASE;
      END LOOP drain;
      CLOSE c_queue;
      log_msg('drain_invoice_queue', l_cnt || ' drained');
   END drain_invoice_queue;

   ----------------------------------------------------------------------------
   -- nightly batch: walks open invoices, checks rules, books payments
   ----------------------------------------------------------------------------
   PROCEDURE process_batch (p_run_date IN DATE DEFAULT TRUNC(SYSDATE),
                            p_dry_run  IN BOOLEAN DEFAULT FALSE)
   IS
      TYPE t_flag_tab IS TABLE OF VARCHAR2(10) INDEX BY PLS_INTEGER;
      TYPE t_hdr_rec IS RECORD (
         invoice_id    bil_invoices.invoice_id%TYPE,
         invoice_no bil_invoices.invoice_no%TYPE,
         gross_amount  bil_invoices.gross_amount%TYPE,
         status  bil_invoices.status%TYPE
      );
      CURSOR c_hdr IS
         SELECT invoice_id, invoice_no, gross_amount, status
           FROM bil_invoices
          WHERE status IN ('N', 'O')
            AND due_date <= p_run_date
          ORDER BY invoice_id;
      l_hdr      t_hdr_rec;
      l_flags    t_flag_tab;
      l_warn     PLS_INTEGER := 0;
      l_done     PLS_INTEGER := 0;
      l_skipped  PLS_INTEGER := 0;
      l_errors   PLS_INTEGER := 0;
      l_phase    VARCHAR2(30) := 'init';
      l_started  TIMESTAMP := SYSTIMESTAMP;

      PROCEDURE set_phase (p IN VARCHAR2) IS
      BEGIN
         l_phase := p;
         DBMS_APPLICATION_INFO.SET_ACTION('process_batch:' || p);
      END set_phase;

      FUNCTION elapsed RETURN NUMBER IS
         l_iv INTERVAL DAY TO SECOND;
      BEGIN
         l_iv := SYSTIMESTAMP - l_started;
         RETURN EXTRACT(MINUTE FROM l_iv) * 60 + EXTRACT(SECOND FROM l_iv);
      END elapsed;
   BEGIN
      set_phase('start');
      log_msg('process_batch', 'run date ' || TO_CHAR(p_run_date, 'YYYY-MM-DD'));
      IF g_batch_running THEN
         raise_app(-20140, 'batch already running');
      END IF;
      g_batch_running := TRUE;

      set_phase('headers');
      OPEN c_hdr;
      <<hdr_loop>>
      LOOP
         FETCH c_hdr INTO l_hdr;
         EXIT hdr_loop WHEN c_hdr%NOTFOUND;
         l_flags.DELETE;

            -- rule 1
            IF l_hdr.gross_amount IS NOT NULL AND l_hdr.gross_amount > 1000000 THEN
               l_flags(l_flags.COUNT + 1) := 'R1';
               l_warn := l_warn + 1;
            END IF;
            -- rule 2
            IF l_hdr.gross_amount IS NOT NULL AND l_hdr.gross_amount < 50000 THEN
               l_flags(l_flags.COUNT + 1) := 'R2';
               l_warn := l_warn + 1;
            END IF;
            -- rule 3
            IF l_hdr.gross_amount IS NOT NULL AND l_hdr.gross_amount > 0 THEN
               l_flags(l_flags.COUNT + 1) := 'R3';
               l_warn := l_warn + 1;
            END IF;
            -- rule 4
            IF l_hdr.gross_amount IS NOT NULL AND l_hdr.gross_amount < 0 THEN
               l_flags(l_flags.COUNT + 1) := 'R4';
               l_warn := l_warn + 1;
            END IF;
            -- rule 5
            IF l_hdr.gross_amount IS NOT NULL AND l_hdr.gross_amount > 250000 THEN
               l_flags(l_flags.COUNT + 1) := 'R5';
               l_warn := l_warn + 1;
            END IF;
            -- rule 6
            IF l_hdr.gross_amount IS NOT NULL AND l_hdr.gross_amount < 100 THEN
               l_flags(l_flags.COUNT + 1) := 'R6';
               l_warn := l_warn + 1;
            END IF;
            -- rule 7
            IF l_hdr.gross_amount IS NOT NULL AND l_hdr.gross_amount > 5 THEN
               l_flags(l_flags.COUNT + 1) := 'R7';
               l_warn := l_warn + 1;
            END IF;

         CASE
            WHEN l_flags.COUNT > 3 THEN
               l_errors := l_errors + 1;
               log_msg('process_batch', 'too many flags on ' || l_hdr.invoice_id);
               CONTINUE hdr_loop;
            WHEN l_flags.COUNT > 0 THEN
               log_msg('process_batch', l_flags.COUNT || ' flags on ' || l_hdr.invoice_id);
            ELSE
               NULL;
         END CASE;

         set_phase('children');
         <<child_block>>
         DECLARE
            CURSOR c_child (cp_id NUMBER) IS
               SELECT payment_id
                 FROM bil_payments
                WHERE invoice_id = cp_id
                  AND status <> 'C';
            l_kids t_id_tab;
         BEGIN
            IF l_hdr.status = 'O' THEN
               OPEN c_child(l_hdr.invoice_id);
               FETCH c_child BULK COLLECT INTO l_kids;
               IF l_kids.COUNT = 0 THEN
                  l_skipped := l_skipped + 1;
               END IF;
               FOR i IN 1 .. l_kids.COUNT LOOP
                  IF NOT p_dry_run THEN
                     UPDATE bil_payments
                        SET status = 'B'
                      WHERE payment_id = l_kids(i);
                  END IF;
               END LOOP;
            END IF;
         EXCEPTION
            WHEN DUP_VAL_ON_INDEX THEN
               l_errors := l_errors + 1;
               log_msg('process_batch', 'duplicate booking for ' || l_hdr.invoice_id);
         END child_block;

         set_phase('book');
         BEGIN
            IF NOT p_dry_run THEN
               UPDATE bil_invoices
                  SET status = CASE l_hdr.status WHEN 'N' THEN 'O' ELSE 'C' END,
                      due_date = GREATEST(due_date, p_run_date)
                WHERE invoice_id = l_hdr.invoice_id;
            END IF;
            l_done := l_done + 1;
         EXCEPTION
            WHEN OTHERS THEN
               l_errors := l_errors + 1;
               log_msg('process_batch', 'book ' || l_hdr.invoice_id || ': ' || SQLERRM);
         END;

         IF MOD(l_done, gc_batch) = 0 AND NOT p_dry_run THEN
            COMMIT;
         END IF;
      END LOOP hdr_loop;
      CLOSE c_hdr;

      set_phase('finish');
      IF p_dry_run THEN
         ROLLBACK;
      ELSE
         COMMIT;
      END IF;
      log_msg('process_batch',
              'done=' || l_done || ' skipped=' || l_skipped ||
              ' warn=' || l_warn || ' errors=' || l_errors ||
              ' secs=' || ROUND(elapsed, 1));
      g_batch_running := FALSE;
   EXCEPTION
      WHEN OTHERS THEN
         IF c_hdr%ISOPEN THEN
            CLOSE c_hdr;
         END IF;
         g_batch_running := FALSE;
         ROLLBACK;
         log_msg('process_batch', 'failed in ' || l_phase || ': ' || SQLERRM);
         RAISE;
   END process_batch;

   PROCEDURE recalc_invoice_totals
   IS
      e_stale EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_stale, -20555);
      l_rec   c_pending_invoice%ROWTYPE;
      l_sum   NUMBER := 0;
   BEGIN
      OPEN c_pending_invoice;
      <<fetch_loop>>
      LOOP
         FETCH c_pending_invoice INTO l_rec;
         EXIT fetch_loop WHEN c_pending_invoice%NOTFOUND;
         l_sum := l_sum + NVL(l_rec.gross_amount, 0);
         IF l_rec.status = 'X' THEN
            RAISE e_stale;
         END IF;
      END LOOP fetch_loop;
      CLOSE c_pending_invoice;
      UPDATE bil_invoices_totals SET total = l_sum, calc_on = SYSDATE;
   EXCEPTION
      WHEN e_stale THEN
         IF c_pending_invoice%ISOPEN THEN
            CLOSE c_pending_invoice;
         END IF;
         ROLLBACK;
      WHEN OTHERS THEN
         IF c_pending_invoice%ISOPEN THEN
            CLOSE c_pending_invoice;
         END IF;
         log_msg('recalc_invoice_totals', SQLERRM);
         RAISE;
   END recalc_invoice_totals;

   PROCEDURE summarize_invoices (p_mode IN VARCHAR2, p_limit IN PLS_INTEGER)
   IS
      l_total NUMBER := 0;
   BEGIN
      CASE p_mode
      WHEN 'TOTAL' THEN
         SELECT NVL(SUM(gross_amount), 0) INTO l_total FROM bil_invoices;
         log_msg('summarize_invoices', 'total=' || l_total);
      WHEN 'TOP' THEN
         DECLARE
            CURSOR c_top (cp_n PLS_INTEGER) IS
               SELECT invoice_id
                 FROM (SELECT invoice_id FROM bil_invoices ORDER BY gross_amount DESC)
                WHERE ROWNUM <= cp_n;
            l_top t_id_tab;
         BEGIN
         OPEN c_top(p_limit);
         FETCH c_top BULK COLLECT INTO l_top;
         CLOSE c_top;
         g_last_top := l_top.COUNT;
         EXCEPTION
            WHEN NO_DATA_FOUND THEN
               g_last_top := 0;
         END;
      ELSE
         raise_app(-20120, 'unknown mode ' || p_mode);
      END CASE;
   END summarize_invoices;

   FUNCTION dyn_count_invoices (p_where IN VARCHAR2) RETURN NUMBER
   IS
      l_cur  INTEGER;
      l_cnt  NUMBER;
      l_ign  INTEGER;
      l_sql  VARCHAR2(4000);
   BEGIN
      l_sql := 'SELECT COUNT(*) FROM bil_invoices WHERE ' || NVL(p_where, '1=1');
      /* older version used: OPEN c_dyn FOR l_sql; ... never closed it */
      l_cur := DBMS_SQL.OPEN_CURSOR;
      DBMS_SQL.PARSE(l_cur, l_sql, DBMS_SQL.NATIVE);
      DBMS_SQL.DEFINE_COLUMN(l_cur, 1, l_cnt);
      l_ign := DBMS_SQL.EXECUTE_AND_FETCH(l_cur);
      DBMS_SQL.COLUMN_VALUE(l_cur, 1, l_cnt);
      DBMS_SQL.CLOSE_CURSOR(l_cur);
      RETURN l_cnt;
   EXCEPTION
      WHEN OTHERS THEN
         IF DBMS_SQL.IS_OPEN(l_cur) THEN
            DBMS_SQL.CLOSE_CURSOR(l_cur);
         END IF;
         RAISE;
   END dyn_count_invoices;

   PROCEDURE adjust_invoices (p_ids IN t_id_tab, p_pct IN NUMBER)
   IS
      l_done PLS_INTEGER := 0;
      PROCEDURE apply_one (p_id IN NUMBER, p_pct IN NUMBER)
      IS
         CURSOR c_lines IS
            SELECT line_id, gross_amount
              FROM bil_invoices_lines
             WHERE invoice_id = p_id
               FOR UPDATE;
         l_line_id NUMBER;
         l_amt     NUMBER;
      BEGIN
         OPEN c_lines;
         LOOP
            FETCH c_lines INTO l_line_id, l_amt;
            EXIT WHEN c_lines%NOTFOUND;
            UPDATE bil_invoices_lines
               SET gross_amount = ROUND(l_amt * (1 + p_pct / 100), 2)
             WHERE CURRENT OF c_lines;
         END LOOP;
         CLOSE c_lines;
      END apply_one;

      FUNCTION pct_ok (p IN NUMBER) RETURN BOOLEAN IS
      BEGIN
         RETURN p BETWEEN -50 AND 50;
      END pct_ok;
   BEGIN
      IF NOT pct_ok(p_pct) THEN
         raise_app(-20110, 'percentage out of range');
      END IF;
      FOR i IN 1 .. p_ids.COUNT LOOP
         apply_one(p_ids(i), p_pct);
         l_done := l_done + 1;
      END LOOP;
      log_msg('adjust_invoices', l_done || ' adjusted');
   END adjust_invoices;

   -- local cursor deliberately shadows the package-level one of the same name
   FUNCTION first_pending_invoice RETURN NUMBER
   IS
      CURSOR c_pending_invoice IS
         SELECT invoice_id FROM bil_invoices WHERE status = 'N' ORDER BY due_date;
      l_id NUMBER;
   BEGIN
      OPEN c_pending_invoice;
      FETCH c_pending_invoice INTO l_id;
      CLOSE c_pending_invoice;
      RETURN l_id;
   END first_pending_invoice;

   PROCEDURE archive_invoices (p_before IN DATE)
   IS
      CURSOR c_old IS
         SELECT invoice_id
           FROM bil_invoices
          WHERE due_date < p_before
            AND status = 'C';
      l_ids t_id_tab;
      l_moved PLS_INTEGER := 0;
   BEGIN
      OPEN c_old;
      <<batch_loop>>
      LOOP
         FETCH c_old BULK COLLECT INTO l_ids LIMIT gc_batch;
         EXIT batch_loop WHEN l_ids.COUNT = 0;
         FORALL i IN 1 .. l_ids.COUNT
            INSERT INTO bil_invoices_hist
               SELECT * FROM bil_invoices WHERE invoice_id = l_ids(i);
         FORALL i IN 1 .. l_ids.COUNT
            DELETE FROM bil_invoices WHERE invoice_id = l_ids(i);
         l_moved := l_moved + l_ids.COUNT;
         COMMIT;
      END LOOP batch_loop;
      CLOSE c_old;
      log_msg('archive_invoices', 'moved ' || l_moved || ' rows');
   EXCEPTION
      WHEN OTHERS THEN
         IF c_old%ISOPEN THEN
            CLOSE c_old;
         END IF;
         ROLLBACK;
         log_msg('archive_invoices', SQLERRM);
         RAISE;
   END archive_invoices;

   PROCEDURE open_invoices_for (p_parent IN NUMBER, p_rc OUT SYS_REFCURSOR)
   IS
   BEGIN
      OPEN p_rc FOR
         SELECT t.invoice_id, t.invoice_no,
                CASE t.status
                   WHEN 'N' THEN 'new'
                   WHEN 'C' THEN 'closed'
                   ELSE 'other'
                END AS status_text
           FROM bil_invoices t
          WHERE t.customer_id = p_parent;
   END open_invoices_for;

   PROCEDURE rebuild_invoice_index (p_days IN PLS_INTEGER DEFAULT 30)
   IS
      l_row c_due_invoice%ROWTYPE;
      l_n   PLS_INTEGER := 0;
   BEGIN
      DELETE FROM bil_invoices_idx WHERE built_on < TRUNC(SYSDATE);
      OPEN c_due_invoice(p_days);
      FETCH c_due_invoice INTO l_row;
      IF c_due_invoice%NOTFOUND THEN
         CLOSE c_due_invoice;
         RAISE NO_DATA_FOUND;
      END IF;
      WHILE c_due_invoice%FOUND LOOP
         INSERT INTO bil_invoices_idx (invoice_id, idx_key, built_on)
         VALUES (l_row.invoice_id, fmt_invoice_key(l_row.invoice_no), SYSDATE);
         l_n := l_n + 1;
         FETCH c_due_invoice INTO l_row;
      END LOOP;
      CLOSE c_due_invoice;
      log_msg('rebuild_invoice_index', l_n || ' keys');
   EXCEPTION
      WHEN NO_DATA_FOUND THEN
         IF c_due_invoice%ISOPEN THEN
            CLOSE c_due_invoice;
         END IF;
         log_msg('rebuild_invoice_index', 'nothing due');
      WHEN OTHERS THEN
         IF c_due_invoice%ISOPEN THEN CLOSE c_due_invoice; END IF;
         ROLLBACK;
         RAISE;
   END rebuild_invoice_index;

   FUNCTION lock_invoice (p_id IN NUMBER) RETURN BOOLEAN
   IS
      e_locked EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_locked, -54);
      CURSOR c_lock IS
         SELECT invoice_id
           FROM bil_invoices
          WHERE invoice_id = p_id
            FOR UPDATE NOWAIT;
      l_id NUMBER;
   BEGIN
      OPEN c_lock;
      FETCH c_lock INTO l_id;
      CLOSE c_lock;
      RETURN l_id IS NOT NULL;
   EXCEPTION
      WHEN e_locked THEN
         IF c_lock%ISOPEN THEN
            CLOSE c_lock;
         END IF;
         RETURN FALSE;
   END lock_invoice;

   -- autonomous logging: commits independently of the caller
   PROCEDURE log_msg (p_where IN VARCHAR2, p_text IN VARCHAR2)
   IS
      PRAGMA AUTONOMOUS_TRANSACTION;
   BEGIN
      INSERT INTO bil_log (log_id, logged_at, module, location, msg)
      VALUES (bil_log_seq.NEXTVAL, SYSTIMESTAMP, 'pkg_billing', p_where, SUBSTR(p_text, 1, 4000));
      COMMIT;
   EXCEPTION
      WHEN OTHERS THEN
         ROLLBACK;
   END log_msg;

   PROCEDURE raise_app (p_code IN PLS_INTEGER, p_text IN VARCHAR2)
   IS
   BEGIN
      log_msg('raise_app', p_code || ' ' || p_text);
      RAISE_APPLICATION_ERROR(p_code, p_text);
   END raise_app;

   -- overloaded: log with a number
   PROCEDURE log_msg (p_where IN VARCHAR2, p_num IN NUMBER)
   IS
   BEGIN
      log_msg(p_where, TO_CHAR(p_num));
   END log_msg;

   -- no exception section: the caller handles errors and calls reset_state
   PROCEDURE export_invoice_lines (p_file IN UTL_FILE.FILE_TYPE)
   IS
      l_rec c_pending_invoice%ROWTYPE;
   BEGIN
      OPEN c_pending_invoice;
      LOOP
         FETCH c_pending_invoice INTO l_rec;
         EXIT WHEN c_pending_invoice%NOTFOUND;
         UTL_FILE.PUT_LINE(p_file, l_rec.invoice_id || ';' || l_rec.invoice_no || ';' || l_rec.gross_amount);
      END LOOP;
      CLOSE c_pending_invoice;
   END export_invoice_lines;

   -- returns one invoice row by key; raises when missing
   FUNCTION get_invoice (p_id IN bil_invoices.invoice_id%TYPE) RETURN bil_invoices%ROWTYPE
   IS
      l_row bil_invoices%ROWTYPE;
   BEGIN
      SELECT *
        INTO l_row
        FROM bil_invoices
       WHERE invoice_id = p_id;
      RETURN l_row;
   EXCEPTION
      WHEN NO_DATA_FOUND THEN
         raise_app(-20101, 'invoice ' || p_id || ' not found');
         RETURN NULL;
   END get_invoice;

   -- overload: lookup by business code
   FUNCTION get_invoice (p_code IN VARCHAR2) RETURN bil_invoices%ROWTYPE
   IS
      CURSOR c_by_code (cp_code VARCHAR2) IS
         SELECT *
           FROM bil_invoices
          WHERE invoice_no = cp_code;
      l_row bil_invoices%ROWTYPE;
   BEGIN
      OPEN c_by_code(UPPER(p_code));
      FETCH c_by_code INTO l_row;
      CLOSE c_by_code;
      RETURN l_row;
   EXCEPTION
      WHEN OTHERS THEN
         IF c_by_code%ISOPEN THEN
            CLOSE c_by_code;
         END IF;
         RAISE;
   END get_invoice;

   FUNCTION list_payments (p_status IN VARCHAR2 DEFAULT NULL) RETURN SYS_REFCURSOR
   IS
      l_rc SYS_REFCURSOR;
   BEGIN
      IF p_status IS NULL THEN
         OPEN l_rc FOR
            SELECT payment_id, payment_ref, status, paid_amount
              FROM bil_payments
             ORDER BY payment_id;
      ELSE
         OPEN l_rc FOR
            SELECT payment_id, payment_ref, status, paid_amount
              FROM bil_payments
             WHERE status = p_status
             ORDER BY payment_id;
      END IF;
      RETURN l_rc;
   END list_payments;

   PROCEDURE bulk_set_payment_status (p_ids IN t_id_tab, p_status IN VARCHAR2)
   IS
      e_bulk EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_bulk, -24381);
   BEGIN
      FORALL i IN INDICES OF p_ids SAVE EXCEPTIONS
         UPDATE bil_payments
            SET status = p_status
          WHERE payment_id = p_ids(i);
   EXCEPTION
      WHEN e_bulk THEN
         FOR j IN 1 .. SQL%BULK_EXCEPTIONS.COUNT LOOP
            log_msg('bulk_set_payment_status',
                    'index ' || SQL%BULK_EXCEPTIONS(j).ERROR_INDEX ||
                    ' code ' || SQL%BULK_EXCEPTIONS(j).ERROR_CODE);
         END LOOP;
   END bulk_set_payment_status;

   FUNCTION count_payments (p_status IN VARCHAR2) RETURN PLS_INTEGER
   IS
      CURSOR c_stat IS
         SELECT status, COUNT(*) cnt
           FROM bil_payments
          GROUP BY status;
      l_total PLS_INTEGER := 0;
   BEGIN
      FOR r IN c_stat LOOP
         IF r.status = p_status OR p_status = '*' THEN
            l_total := l_total + r.cnt;
         END IF;
      END LOOP;
      FOR r IN (SELECT COUNT(*) cnt FROM bil_payments_hist WHERE status = p_status) LOOP
         l_total := l_total + r.cnt;
      END LOOP;
      RETURN l_total;
   END count_payments;

   PROCEDURE sync_payment_status
   IS
      l_rec c_pending_payment%ROWTYPE;
   BEGIN
      OPEN c_pending_payment;
      LOOP
         FETCH c_pending_payment INTO l_rec;
         EXIT WHEN c_pending_payment%NOTFOUND;
         BEGIN
            UPDATE bil_payments
               SET status = 'S'
             WHERE payment_id = l_rec.payment_id;
         EXCEPTION
            WHEN OTHERS THEN
               -- keep going; a single bad row must not stop the sync
               log_msg('sync_payment_status', 'row ' || l_rec.payment_id || ': ' || SQLERRM);
         END;
      END LOOP;
      CLOSE c_pending_payment;
   END sync_payment_status;

   PROCEDURE purge_payment_dupes
   IS
      CURSOR c_groups IS
         SELECT payment_ref, COUNT(*) cnt
           FROM bil_payments
          GROUP BY payment_ref
         HAVING COUNT(*) > 1;
      CURSOR c_members (cp_code VARCHAR2) IS
         SELECT payment_id
           FROM bil_payments
          WHERE payment_ref = cp_code
          ORDER BY payment_id;
      l_keep NUMBER;
      l_gone PLS_INTEGER := 0;
   BEGIN
      <<group_loop>>
      FOR g IN c_groups LOOP
         l_keep := NULL;
         <<member_loop>>
         FOR m IN c_members(g.payment_ref) LOOP
            IF l_keep IS NULL THEN
               l_keep := m.payment_id;
               CONTINUE member_loop;
            END IF;
            DELETE FROM bil_payments WHERE payment_id = m.payment_id;
            l_gone := l_gone + 1;
            EXIT group_loop WHEN l_gone >= gc_max_purge;
         END LOOP member_loop;
      END LOOP group_loop;
      log_msg('purge_payment_dupes', 'removed ' || l_gone);
   END purge_payment_dupes;

   PROCEDURE peek_payments (p_parent IN NUMBER,
                         p_total  OUT NUMBER,
                         p_rc     OUT SYS_REFCURSOR)
   IS
      l_rc   SYS_REFCURSOR;
      l_ids  t_id_tab;
      l_amts t_num_tab;
   BEGIN
      OPEN l_rc FOR
         SELECT payment_id, paid_amount
           FROM bil_payments
          WHERE invoice_id = p_parent;
      p_total := NULL;
      p_rc := l_rc;
   END peek_payments;

   PROCEDURE put_payment (p_row IN bil_payments%ROWTYPE)
   IS
   BEGIN
      IF NOT validate_payment(p_row) THEN
         raise_app(-20130, 'invalid payment row');
      END IF;
      MERGE INTO bil_payments d
      USING (SELECT p_row.payment_id AS id FROM dual) s
         ON (d.payment_id = s.id)
       WHEN MATCHED THEN
         UPDATE SET d.payment_ref = p_row.payment_ref,
                    d.paid_amount  = p_row.paid_amount,
                    d.status = p_row.status
       WHEN NOT MATCHED THEN
         INSERT (payment_id, payment_ref, paid_amount, status)
         VALUES (p_row.payment_id, p_row.payment_ref, p_row.paid_amount, p_row.status);
   END put_payment;

   PROCEDURE drain_payment_queue (p_max IN PLS_INTEGER DEFAULT 100)
   IS
      CURSOR c_queue (cp_state VARCHAR2) IS
         SELECT q.queue_id, q.payment_id
           FROM bil_payments_queue q
          WHERE q.state = cp_state
          ORDER BY q.queue_id;
      l_qid  NUMBER;
      l_id   NUMBER;
      l_cnt  PLS_INTEGER := 0;
   BEGIN
      OPEN c_queue('READY');
      <<drain>>
      LOOP
         FETCH c_queue INTO l_qid, l_id;
         EXIT drain WHEN c_queue%NOTFOUND OR l_cnt >= p_max;
         CASE
            WHEN lock_payment(l_id) THEN
               DELETE FROM bil_payments_queue WHERE queue_id = l_qid;
               l_cnt := l_cnt + 1;
            ELSE
               NULL;
         END CASE;
      END LOOP drain;
      CLOSE c_queue;
      log_msg('drain_payment_queue', l_cnt || ' drained');
   END drain_payment_queue;

   PROCEDURE recalc_payment_totals
   IS
      e_stale EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_stale, -20555);
      l_rec   c_pending_payment%ROWTYPE;
      l_sum   NUMBER := 0;
   BEGIN
      OPEN c_pending_payment;
      <<fetch_loop>>
      LOOP
         FETCH c_pending_payment INTO l_rec;
         EXIT fetch_loop WHEN c_pending_payment%NOTFOUND;
         l_sum := l_sum + NVL(l_rec.paid_amount, 0);
         IF l_rec.status = 'X' THEN
            RAISE e_stale;
         END IF;
      END LOOP fetch_loop;
      CLOSE c_pending_payment;
      UPDATE bil_payments_totals SET total = l_sum, calc_on = SYSDATE;
   EXCEPTION
      WHEN e_stale THEN
         IF c_pending_payment%ISOPEN THEN
            CLOSE c_pending_payment;
         END IF;
         ROLLBACK;
      WHEN OTHERS THEN
         IF c_pending_payment%ISOPEN THEN
            CLOSE c_pending_payment;
         END IF;
         log_msg('recalc_payment_totals', SQLERRM);
         RAISE;
   END recalc_payment_totals;

   PROCEDURE summarize_payments (p_mode IN VARCHAR2, p_limit IN PLS_INTEGER)
   IS
      l_total NUMBER := 0;
   BEGIN
      CASE p_mode
      WHEN 'TOTAL' THEN
         SELECT NVL(SUM(paid_amount), 0) INTO l_total FROM bil_payments;
         log_msg('summarize_payments', 'total=' || l_total);
      WHEN 'TOP' THEN
         DECLARE
            CURSOR c_top (cp_n PLS_INTEGER) IS
               SELECT payment_id
                 FROM (SELECT payment_id FROM bil_payments ORDER BY paid_amount DESC)
                WHERE ROWNUM <= cp_n;
            l_top t_id_tab;
         BEGIN
         OPEN c_top(p_limit);
         FETCH c_top BULK COLLECT INTO l_top;
         CLOSE c_top;
         g_last_top := l_top.COUNT;
         EXCEPTION
            WHEN NO_DATA_FOUND THEN
               g_last_top := 0;
         END;
      ELSE
         raise_app(-20120, 'unknown mode ' || p_mode);
      END CASE;
   END summarize_payments;

   FUNCTION dyn_count_payments (p_where IN VARCHAR2) RETURN NUMBER
   IS
      l_cur  INTEGER;
      l_cnt  NUMBER;
      l_ign  INTEGER;
      l_sql  VARCHAR2(4000);
   BEGIN
      l_sql := 'SELECT COUNT(*) FROM bil_payments WHERE ' || NVL(p_where, '1=1');
      /* older version used: OPEN c_dyn FOR l_sql; ... never closed it */
      l_cur := DBMS_SQL.OPEN_CURSOR;
      DBMS_SQL.PARSE(l_cur, l_sql, DBMS_SQL.NATIVE);
      DBMS_SQL.DEFINE_COLUMN(l_cur, 1, l_cnt);
      l_ign := DBMS_SQL.EXECUTE_AND_FETCH(l_cur);
      DBMS_SQL.COLUMN_VALUE(l_cur, 1, l_cnt);
      DBMS_SQL.CLOSE_CURSOR(l_cur);
      RETURN l_cnt;
   EXCEPTION
      WHEN OTHERS THEN
         IF DBMS_SQL.IS_OPEN(l_cur) THEN
            DBMS_SQL.CLOSE_CURSOR(l_cur);
         END IF;
         RAISE;
   END dyn_count_payments;

   PROCEDURE adjust_payments (p_ids IN t_id_tab, p_pct IN NUMBER)
   IS
      l_done PLS_INTEGER := 0;
      PROCEDURE apply_one (p_id IN NUMBER, p_pct IN NUMBER)
      IS
         CURSOR c_lines IS
            SELECT line_id, paid_amount
              FROM bil_payments_lines
             WHERE payment_id = p_id
               FOR UPDATE;
         l_line_id NUMBER;
         l_amt     NUMBER;
      BEGIN
         OPEN c_lines;
         LOOP
            FETCH c_lines INTO l_line_id, l_amt;
            EXIT WHEN c_lines%NOTFOUND;
            UPDATE bil_payments_lines
               SET paid_amount = ROUND(l_amt * (1 + p_pct / 100), 2)
             WHERE CURRENT OF c_lines;
         END LOOP;
      END apply_one;

      FUNCTION pct_ok (p IN NUMBER) RETURN BOOLEAN IS
      BEGIN
         RETURN p BETWEEN -50 AND 50;
      END pct_ok;
   BEGIN
      IF NOT pct_ok(p_pct) THEN
         raise_app(-20110, 'percentage out of range');
      END IF;
      FOR i IN 1 .. p_ids.COUNT LOOP
         apply_one(p_ids(i), p_pct);
         l_done := l_done + 1;
      END LOOP;
      log_msg('adjust_payments', l_done || ' adjusted');
   END adjust_payments;

   -- local cursor deliberately shadows the package-level one of the same name
   FUNCTION first_pending_payment RETURN NUMBER
   IS
      CURSOR c_pending_payment IS
         SELECT payment_id FROM bil_payments WHERE status = 'N' ORDER BY paid_on;
      l_id NUMBER;
   BEGIN
      OPEN c_pending_payment;
      FETCH c_pending_payment INTO l_id;
      CLOSE c_pending_payment;
      RETURN l_id;
   END first_pending_payment;

   PROCEDURE archive_payments (p_before IN DATE)
   IS
      CURSOR c_old IS
         SELECT payment_id
           FROM bil_payments
          WHERE paid_on < p_before
            AND status = 'C';
      l_ids t_id_tab;
      l_moved PLS_INTEGER := 0;
   BEGIN
      OPEN c_old;
      <<batch_loop>>
      LOOP
         FETCH c_old BULK COLLECT INTO l_ids LIMIT gc_batch;
         EXIT batch_loop WHEN l_ids.COUNT = 0;
         FORALL i IN 1 .. l_ids.COUNT
            INSERT INTO bil_payments_hist
               SELECT * FROM bil_payments WHERE payment_id = l_ids(i);
         FORALL i IN 1 .. l_ids.COUNT
            DELETE FROM bil_payments WHERE payment_id = l_ids(i);
         l_moved := l_moved + l_ids.COUNT;
         COMMIT;
      END LOOP batch_loop;
      CLOSE c_old;
      log_msg('archive_payments', 'moved ' || l_moved || ' rows');
   EXCEPTION
      WHEN OTHERS THEN
         IF c_old%ISOPEN THEN
            CLOSE c_old;
         END IF;
         ROLLBACK;
         log_msg('archive_payments', SQLERRM);
         RAISE;
   END archive_payments;

   PROCEDURE open_payments_for (p_parent IN NUMBER, p_rc OUT SYS_REFCURSOR)
   IS
   BEGIN
      OPEN p_rc FOR
         SELECT t.payment_id, t.payment_ref,
                CASE t.status
                   WHEN 'N' THEN 'new'
                   WHEN 'C' THEN 'closed'
                   ELSE 'other'
                END AS status_text
           FROM bil_payments t
          WHERE t.invoice_id = p_parent;
   END open_payments_for;

   PROCEDURE rebuild_payment_index (p_days IN PLS_INTEGER DEFAULT 30)
   IS
      l_row c_due_payment%ROWTYPE;
      l_n   PLS_INTEGER := 0;
   BEGIN
      DELETE FROM bil_payments_idx WHERE built_on < TRUNC(SYSDATE);
      OPEN c_due_payment(p_days);
      FETCH c_due_payment INTO l_row;
      IF c_due_payment%NOTFOUND THEN
         CLOSE c_due_payment;
         RAISE NO_DATA_FOUND;
      END IF;
      WHILE c_due_payment%FOUND LOOP
         INSERT INTO bil_payments_idx (payment_id, idx_key, built_on)
         VALUES (l_row.payment_id, fmt_payment_key(l_row.payment_ref), SYSDATE);
         l_n := l_n + 1;
         FETCH c_due_payment INTO l_row;
      END LOOP;
      CLOSE c_due_payment;
      log_msg('rebuild_payment_index', l_n || ' keys');
   EXCEPTION
      WHEN NO_DATA_FOUND THEN
         log_msg('rebuild_payment_index', 'nothing due');
      WHEN DUP_VAL_ON_INDEX THEN
         ROLLBACK;
         log_msg('rebuild_payment_index', 'duplicate: ' || SQLERRM);
      WHEN OTHERS THEN
         ROLLBACK;
         RAISE;
   END rebuild_payment_index;

   FUNCTION lock_payment (p_id IN NUMBER) RETURN BOOLEAN
   IS
      e_locked EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_locked, -54);
      CURSOR c_lock IS
         SELECT payment_id
           FROM bil_payments
          WHERE payment_id = p_id
            FOR UPDATE NOWAIT;
      l_id NUMBER;
   BEGIN
      OPEN c_lock;
      FETCH c_lock INTO l_id;
      CLOSE c_lock;
      RETURN l_id IS NOT NULL;
   EXCEPTION
      WHEN e_locked THEN
         IF c_lock%ISOPEN THEN
            CLOSE c_lock;
         END IF;
         RETURN FALSE;
   END lock_payment;

   -- no exception section: the caller handles errors and calls reset_state
   PROCEDURE export_payment_lines (p_file IN UTL_FILE.FILE_TYPE)
   IS
      l_rec c_pending_payment%ROWTYPE;
   BEGIN
      OPEN c_pending_payment;
      LOOP
         FETCH c_pending_payment INTO l_rec;
         EXIT WHEN c_pending_payment%NOTFOUND;
         UTL_FILE.PUT_LINE(p_file, l_rec.payment_id || ';' || l_rec.payment_ref || ';' || l_rec.paid_amount);
      END LOOP;
      CLOSE c_pending_payment;
   END export_payment_lines;

   -- returns one payment row by key; raises when missing
   FUNCTION get_payment (p_id IN bil_payments.payment_id%TYPE) RETURN bil_payments%ROWTYPE
   IS
      l_row bil_payments%ROWTYPE;
   BEGIN
      SELECT *
        INTO l_row
        FROM bil_payments
       WHERE payment_id = p_id;
      RETURN l_row;
   EXCEPTION
      WHEN NO_DATA_FOUND THEN
         raise_app(-20101, 'payment ' || p_id || ' not found');
         RETURN NULL;
   END get_payment;

   -- overload: lookup by business code
   FUNCTION get_payment (p_code IN VARCHAR2) RETURN bil_payments%ROWTYPE
   IS
      CURSOR c_by_code (cp_code VARCHAR2) IS
         SELECT *
           FROM bil_payments
          WHERE payment_ref = cp_code;
      l_row bil_payments%ROWTYPE;
   BEGIN
      OPEN c_by_code(UPPER(p_code));
      FETCH c_by_code INTO l_row;
      CLOSE c_by_code;
      RETURN l_row;
   EXCEPTION
      WHEN OTHERS THEN
         IF c_by_code%ISOPEN THEN
            CLOSE c_by_code;
         END IF;
         RAISE;
   END get_payment;

   PROCEDURE reset_state
   IS
   BEGIN
      IF c_pending_invoice%ISOPEN THEN CLOSE c_pending_invoice; END IF;
      IF c_due_invoice%ISOPEN THEN CLOSE c_due_invoice; END IF;
      IF c_pending_payment%ISOPEN THEN CLOSE c_pending_payment; END IF;
      IF c_due_payment%ISOPEN THEN CLOSE c_due_payment; END IF;
      g_batch_running := FALSE;
   END reset_state;

BEGIN
   -- package initialization
   g_open_count := 0;
   DBMS_APPLICATION_INFO.SET_MODULE('pkg_billing', 'init');
END pkg_billing;
/
