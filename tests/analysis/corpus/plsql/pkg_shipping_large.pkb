CREATE OR REPLACE PACKAGE BODY pkg_shipping
AS

   gc_max_purge CONSTANT PLS_INTEGER := 10000;
   g_batch_running BOOLEAN := FALSE;
   g_last_top      PLS_INTEGER;
   g_open_count    PLS_INTEGER := 0;  -- "OPEN" in a name only

   CURSOR c_pending_shipment IS
      SELECT *
        FROM shp_shipments
       WHERE status = 'N'
         FOR UPDATE SKIP LOCKED;

   CURSOR c_pending_parcel IS
      SELECT *
        FROM shp_parcels
       WHERE status = 'N'
         FOR UPDATE SKIP LOCKED;

   -- forward declarations of private routines
   PROCEDURE log_msg (p_where IN VARCHAR2, p_text IN VARCHAR2);
   PROCEDURE raise_app (p_code IN PLS_INTEGER, p_text IN VARCHAR2);
   FUNCTION validate_shipment (p_row IN shp_shipments%ROWTYPE) RETURN BOOLEAN;
   FUNCTION fmt_shipment_key (p_code IN VARCHAR2) RETURN VARCHAR2;
   FUNCTION lock_shipment (p_id IN NUMBER) RETURN BOOLEAN;
   FUNCTION validate_parcel (p_row IN shp_parcels%ROWTYPE) RETURN BOOLEAN;
   FUNCTION fmt_parcel_key (p_code IN VARCHAR2) RETURN VARCHAR2;
   FUNCTION lock_parcel (p_id IN NUMBER) RETURN BOOLEAN;


   PROCEDURE put_shipment (p_row IN shp_shipments%ROWTYPE)
   IS
   BEGIN
      IF NOT validate_shipment(p_row) THEN
         raise_app(-20130, 'invalid shipment row');
      END IF;
      MERGE INTO shp_shipments d
      USING (SELECT p_row.shipment_id AS id FROM dual) s
         ON (d.shipment_id = s.id)
       WHEN MATCHED THEN
         UPDATE SET d.tracking_no = p_row.tracking_no,
                    d.weight_kg  = p_row.weight_kg,
                    d.status = p_row.status
       WHEN NOT MATCHED THEN
         INSERT (shipment_id, tracking_no, weight_kg, status)
         VALUES (p_row.shipment_id, p_row.tracking_no, p_row.weight_kg, p_row.status);
   END put_shipment;

   PROCEDURE sync_shipment_status
   IS
      l_rec c_pending_shipment%ROWTYPE;
   BEGIN
      OPEN c_pending_shipment;
      LOOP
         FETCH c_pending_shipment INTO l_rec;
         EXIT WHEN c_pending_shipment%NOTFOUND;
         BEGIN
            UPDATE shp_shipments
               SET status = 'S'
             WHERE shipment_id = l_rec.shipment_id;
         EXCEPTION
            WHEN OTHERS THEN
               -- keep going; a single bad row must not stop the sync
               log_msg('sync_shipment_status', 'row ' || l_rec.shipment_id || ': ' || SQLERRM);
         END;
      END LOOP;
      CLOSE c_pending_shipment;
   END sync_shipment_status;

   PROCEDURE summarize_shipments (p_mode IN VARCHAR2, p_limit IN PLS_INTEGER)
   IS
      l_total NUMBER := 0;
   BEGIN
      CASE p_mode
      WHEN 'TOTAL' THEN
         SELECT NVL(SUM(weight_kg), 0) INTO l_total FROM shp_shipments;
         log_msg('summarize_shipments', 'total=' || l_total);
      WHEN 'TOP' THEN
         DECLARE
            CURSOR c_top (cp_n PLS_INTEGER) IS
               SELECT shipment_id
                 FROM (SELECT shipment_id FROM shp_shipments ORDER BY weight_kg DESC)
                WHERE ROWNUM <= cp_n;
            l_top t_id_tab;
         BEGIN
         OPEN c_top(p_limit);
         FETCH c_top BULK COLLECT INTO l_top;
         g_last_top := l_top.COUNT;
         EXCEPTION
            WHEN NO_DATA_FOUND THEN
               g_last_top := 0;
         END;
      ELSE
         raise_app(-20120, 'unknown mode ' || p_mode);
      END CASE;
   END summarize_shipments;

   -- returns one shipment row by key; raises when missing
   FUNCTION get_shipment (p_id IN shp_shipments.shipment_id%TYPE) RETURN shp_shipments%ROWTYPE
   IS
      l_row shp_shipments%ROWTYPE;
   BEGIN
      SELECT *
        INTO l_row
        FROM shp_shipments
       WHERE shipment_id = p_id;
      RETURN l_row;
   EXCEPTION
      WHEN NO_DATA_FOUND THEN
         raise_app(-20101, 'shipment ' || p_id || ' not found');
         RETURN NULL;
   END get_shipment;

   FUNCTION lock_shipment (p_id IN NUMBER) RETURN BOOLEAN
   IS
      e_locked EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_locked, -54);
      CURSOR c_lock IS
         SELECT shipment_id
           FROM shp_shipments
          WHERE shipment_id = p_id
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
   END lock_shipment;

   -- autonomous logging: commits independently of the caller
   PROCEDURE log_msg (p_where IN VARCHAR2, p_text IN VARCHAR2)
   IS
      PRAGMA AUTONOMOUS_TRANSACTION;
   BEGIN
      INSERT INTO shp_log (log_id, logged_at, module, location, msg)
      VALUES (shp_log_seq.NEXTVAL, SYSTIMESTAMP, 'pkg_shipping', p_where, SUBSTR(p_text, 1, 4000));
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

   -- overload: lookup by business code
   FUNCTION get_shipment (p_code IN VARCHAR2) RETURN shp_shipments%ROWTYPE
   IS
      CURSOR c_by_code (cp_code VARCHAR2) IS
         SELECT *
           FROM shp_shipments
          WHERE tracking_no = cp_code;
      l_row shp_shipments%ROWTYPE;
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
   END get_shipment;

   -- no exception section: the caller handles errors and calls reset_state
   PROCEDURE export_shipment_lines (p_file IN UTL_FILE.FILE_TYPE)
   IS
      l_rec c_pending_shipment%ROWTYPE;
   BEGIN
      OPEN c_pending_shipment;
      LOOP
         FETCH c_pending_shipment INTO l_rec;
         EXIT WHEN c_pending_shipment%NOTFOUND;
         UTL_FILE.PUT_LINE(p_file, l_rec.shipment_id || ';' || l_rec.tracking_no || ';' || l_rec.weight_kg);
      END LOOP;
      CLOSE c_pending_shipment;
   END export_shipment_lines;

   PROCEDURE peek_shipments (p_parent IN NUMBER,
                         p_total  OUT NUMBER,
                         p_rc     OUT SYS_REFCURSOR)
   IS
      l_rc   SYS_REFCURSOR;
      l_ids  t_id_tab;
      l_amts t_num_tab;
   BEGIN
      OPEN l_rc FOR
         SELECT shipment_id, weight_kg
           FROM shp_shipments
          WHERE order_id = p_parent;
      p_total := NULL;
      p_rc := l_rc;
   END peek_shipments;

   PROCEDURE archive_shipments (p_before IN DATE)
   IS
      CURSOR c_old IS
         SELECT shipment_id
           FROM shp_shipments
          WHERE ship_date < p_before
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
            INSERT INTO shp_shipments_hist
               SELECT * FROM shp_shipments WHERE shipment_id = l_ids(i);
         FORALL i IN 1 .. l_ids.COUNT
            DELETE FROM shp_shipments WHERE shipment_id = l_ids(i);
         l_moved := l_moved + l_ids.COUNT;
         COMMIT;
      END LOOP batch_loop;
      CLOSE c_old;
      log_msg('archive_shipments', 'moved ' || l_moved || ' rows');
   EXCEPTION
      WHEN OTHERS THEN
         IF c_old%ISOPEN THEN
            CLOSE c_old;
         END IF;
         ROLLBACK;
         log_msg('archive_shipments', SQLERRM);
         RAISE;
   END archive_shipments;

   PROCEDURE rebuild_shipment_index (p_days IN PLS_INTEGER DEFAULT 30)
   IS
      l_row c_due_shipment%ROWTYPE;
      l_n   PLS_INTEGER := 0;
   BEGIN
      DELETE FROM shp_shipments_idx WHERE built_on < TRUNC(SYSDATE);
      OPEN c_due_shipment(p_days);
      FETCH c_due_shipment INTO l_row;
      IF c_due_shipment%NOTFOUND THEN
         CLOSE c_due_shipment;
         RAISE NO_DATA_FOUND;
      END IF;
      WHILE c_due_shipment%FOUND LOOP
         INSERT INTO shp_shipments_idx (shipment_id, idx_key, built_on)
         VALUES (l_row.shipment_id, fmt_shipment_key(l_row.tracking_no), SYSDATE);
         l_n := l_n + 1;
         FETCH c_due_shipment INTO l_row;
      END LOOP;
      CLOSE c_due_shipment;
      log_msg('rebuild_shipment_index', l_n || ' keys');
   EXCEPTION
      WHEN NO_DATA_FOUND THEN
         IF c_due_shipment%ISOPEN THEN
            CLOSE c_due_shipment;
         END IF;
         log_msg('rebuild_shipment_index', 'nothing due');
      WHEN OTHERS THEN
         IF c_due_shipment%ISOPEN THEN CLOSE c_due_shipment; END IF;
         ROLLBACK;
         RAISE;
   END rebuild_shipment_index;

   PROCEDURE adjust_shipments (p_ids IN t_id_tab, p_pct IN NUMBER)
   IS
      l_done PLS_INTEGER := 0;
      PROCEDURE apply_one (p_id IN NUMBER, p_pct IN NUMBER)
      IS
         CURSOR c_lines IS
            SELECT line_id, weight_kg
              FROM shp_shipments_lines
             WHERE shipment_id = p_id
               FOR UPDATE;
         l_line_id NUMBER;
         l_amt     NUMBER;
      BEGIN
         OPEN c_lines;
         LOOP
            FETCH c_lines INTO l_line_id, l_amt;
            EXIT WHEN c_lines%NOTFOUND;
            UPDATE shp_shipments_lines
               SET weight_kg = ROUND(l_amt * (1 + p_pct / 100), 2)
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
      log_msg('adjust_shipments', l_done || ' adjusted');
   END adjust_shipments;

   PROCEDURE purge_shipment_dupes
   IS
      CURSOR c_groups IS
         SELECT tracking_no, COUNT(*) cnt
           FROM shp_shipments
          GROUP BY tracking_no
         HAVING COUNT(*) > 1;
      CURSOR c_members (cp_code VARCHAR2) IS
         SELECT shipment_id
           FROM shp_shipments
          WHERE tracking_no = cp_code
          ORDER BY shipment_id;
      l_keep NUMBER;
      l_gone PLS_INTEGER := 0;
   BEGIN
      <<group_loop>>
      FOR g IN c_groups LOOP
         l_keep := NULL;
         <<member_loop>>
         FOR m IN c_members(g.tracking_no) LOOP
            IF l_keep IS NULL THEN
               l_keep := m.shipment_id;
               CONTINUE member_loop;
            END IF;
            DELETE FROM shp_shipments WHERE shipment_id = m.shipment_id;
            l_gone := l_gone + 1;
            EXIT group_loop WHEN l_gone >= gc_max_purge;
         END LOOP member_loop;
      END LOOP group_loop;
      log_msg('purge_shipment_dupes', 'removed ' || l_gone);
   END purge_shipment_dupes;

   PROCEDURE bulk_set_shipment_status (p_ids IN t_id_tab, p_status IN VARCHAR2)
   IS
      e_bulk EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_bulk, -24381);
   BEGIN
      FORALL i IN INDICES OF p_ids SAVE EXCEPTIONS
         UPDATE shp_shipments
            SET status = p_status
          WHERE shipment_id = p_ids(i);
   EXCEPTION
      WHEN e_bulk THEN
         FOR j IN 1 .. SQL%BULK_EXCEPTIONS.COUNT LOOP
            log_msg('bulk_set_shipment_status',
                    'index ' || SQL%BULK_EXCEPTIONS(j).ERROR_INDEX ||
                    ' code ' || SQL%BULK_EXCEPTIONS(j).ERROR_CODE);
         END LOOP;
   END bulk_set_shipment_status;

   PROCEDURE drain_shipment_queue (p_max IN PLS_INTEGER DEFAULT 100)
   IS
      CURSOR c_queue (cp_state VARCHAR2) IS
         SELECT q.queue_id, q.shipment_id
           FROM shp_shipments_queue q
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
            WHEN lock_shipment(l_id) THEN
               DELETE FROM shp_shipments_queue WHERE queue_id = l_qid;
               l_cnt := l_cnt + 1;
            ELSE
               NULL;
         END CASE;
      END LOOP drain;
      CLOSE c_queue;
      log_msg('drain_shipment_queue', l_cnt || ' drained');
   END drain_shipment_queue;

   ----------------------------------------------------------------------------
   -- nightly batch: walks open shipments, checks rules, books parcels
   ----------------------------------------------------------------------------
   PROCEDURE process_batch (p_run_date IN DATE DEFAULT TRUNC(SYSDATE),
                            p_dry_run  IN BOOLEAN DEFAULT FALSE)
   IS
      TYPE t_flag_tab IS TABLE OF VARCHAR2(10) INDEX BY PLS_INTEGER;
      TYPE t_hdr_rec IS RECORD (
         shipment_id    shp_shipments.shipment_id%TYPE,
         tracking_no shp_shipments.tracking_no%TYPE,
         weight_kg  shp_shipments.weight_kg%TYPE,
         status  shp_shipments.status%TYPE
      );
      CURSOR c_hdr IS
         SELECT shipment_id, tracking_no, weight_kg, status
           FROM shp_shipments
          WHERE status IN ('N', 'O')
            AND ship_date <= p_run_date
          ORDER BY shipment_id;
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
            IF l_hdr.weight_kg IS NOT NULL AND l_hdr.weight_kg > 1000000 THEN
               l_flags(l_flags.COUNT + 1) := 'R1';
               l_warn := l_warn + 1;
            END IF;
            -- rule 2
            IF l_hdr.weight_kg IS NOT NULL AND l_hdr.weight_kg < 50000 THEN
               l_flags(l_flags.COUNT + 1) := 'R2';
               l_warn := l_warn + 1;
            END IF;
            -- rule 3
            IF l_hdr.weight_kg IS NOT NULL AND l_hdr.weight_kg > 0 THEN
               l_flags(l_flags.COUNT + 1) := 'R3';
               l_warn := l_warn + 1;
            END IF;
            -- rule 4
            IF l_hdr.weight_kg IS NOT NULL AND l_hdr.weight_kg < 0 THEN
               l_flags(l_flags.COUNT + 1) := 'R4';
               l_warn := l_warn + 1;
            END IF;
            -- rule 5
            IF l_hdr.weight_kg IS NOT NULL AND l_hdr.weight_kg > 250000 THEN
               l_flags(l_flags.COUNT + 1) := 'R5';
               l_warn := l_warn + 1;
            END IF;
            -- rule 6
            IF l_hdr.weight_kg IS NOT NULL AND l_hdr.weight_kg < 100 THEN
               l_flags(l_flags.COUNT + 1) := 'R6';
               l_warn := l_warn + 1;
            END IF;
            -- rule 7
            IF l_hdr.weight_kg IS NOT NULL AND l_hdr.weight_kg > 5 THEN
               l_flags(l_flags.COUNT + 1) := 'R7';
               l_warn := l_warn + 1;
            END IF;

         CASE
            WHEN l_flags.COUNT > 3 THEN
               l_errors := l_errors + 1;
               log_msg('process_batch', 'too many flags on ' || l_hdr.shipment_id);
               CONTINUE hdr_loop;
            WHEN l_flags.COUNT > 0 THEN
               log_msg('process_batch', l_flags.COUNT || ' flags on ' || l_hdr.shipment_id);
            ELSE
               NULL;
         END CASE;

         set_phase('children');
         <<child_block>>
         DECLARE
            CURSOR c_child (cp_id NUMBER) IS
               SELECT parcel_id
                 FROM shp_parcels
                WHERE shipment_id = cp_id
                  AND status <> 'C';
            l_kids t_id_tab;
         BEGIN
            IF l_hdr.status = 'O' THEN
               OPEN c_child(l_hdr.shipment_id);
               FETCH c_child BULK COLLECT INTO l_kids;
               CLOSE c_child;
               IF l_kids.COUNT = 0 THEN
                  l_skipped := l_skipped + 1;
               END IF;
               FOR i IN 1 .. l_kids.COUNT LOOP
                  IF NOT p_dry_run THEN
                     UPDATE shp_parcels
                        SET status = 'B'
                      WHERE parcel_id = l_kids(i);
                  END IF;
               END LOOP;
            END IF;
         EXCEPTION
            WHEN DUP_VAL_ON_INDEX THEN
               l_errors := l_errors + 1;
               log_msg('process_batch', 'duplicate booking for ' || l_hdr.shipment_id);
         END child_block;

         set_phase('book');
         BEGIN
            IF NOT p_dry_run THEN
               UPDATE shp_shipments
                  SET status = CASE l_hdr.status WHEN 'N' THEN 'O' ELSE 'C' END,
                      ship_date = GREATEST(ship_date, p_run_date)
                WHERE shipment_id = l_hdr.shipment_id;
            END IF;
            l_done := l_done + 1;
         EXCEPTION
            WHEN OTHERS THEN
               l_errors := l_errors + 1;
               log_msg('process_batch', 'book ' || l_hdr.shipment_id || ': ' || SQLERRM);
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

   FUNCTION count_shipments (p_status IN VARCHAR2) RETURN PLS_INTEGER
   IS
      CURSOR c_stat IS
         SELECT status, COUNT(*) cnt
           FROM shp_shipments
          GROUP BY status;
      l_total PLS_INTEGER := 0;
   BEGIN
      FOR r IN c_stat LOOP
         IF r.status = p_status OR p_status = '*' THEN
            l_total := l_total + r.cnt;
         END IF;
      END LOOP;
      FOR r IN (SELECT COUNT(*) cnt FROM shp_shipments_hist WHERE status = p_status) LOOP
         l_total := l_total + r.cnt;
      END LOOP;
      RETURN l_total;
   END count_shipments;

   PROCEDURE recalc_shipment_totals
   IS
      e_stale EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_stale, -20555);
      l_rec   c_pending_shipment%ROWTYPE;
      l_sum   NUMBER := 0;
   BEGIN
      OPEN c_pending_shipment;
      <<fetch_loop>>
      LOOP
         FETCH c_pending_shipment INTO l_rec;
         EXIT fetch_loop WHEN c_pending_shipment%NOTFOUND;
         l_sum := l_sum + NVL(l_rec.weight_kg, 0);
         IF l_rec.status = 'X' THEN
            RAISE e_stale;
         END IF;
      END LOOP fetch_loop;
      CLOSE c_pending_shipment;
      UPDATE shp_shipments_totals SET total = l_sum, calc_on = SYSDATE;
   EXCEPTION
      WHEN e_stale THEN
         IF c_pending_shipment%ISOPEN THEN
            CLOSE c_pending_shipment;
         END IF;
         ROLLBACK;
      WHEN OTHERS THEN
         IF c_pending_shipment%ISOPEN THEN
            CLOSE c_pending_shipment;
         END IF;
         log_msg('recalc_shipment_totals', SQLERRM);
         RAISE;
   END recalc_shipment_totals;

   PROCEDURE open_shipments_for (p_parent IN NUMBER, p_rc OUT SYS_REFCURSOR)
   IS
   BEGIN
      OPEN p_rc FOR
         SELECT t.shipment_id, t.tracking_no,
                CASE t.status
                   WHEN 'N' THEN 'new'
                   WHEN 'C' THEN 'closed'
                   ELSE 'other'
                END AS status_text
           FROM shp_shipments t
          WHERE t.order_id = p_parent;
   END open_shipments_for;

   -- local cursor deliberately shadows the package-level one of the same name
   FUNCTION first_pending_shipment RETURN NUMBER
   IS
      CURSOR c_pending_shipment IS
         SELECT shipment_id FROM shp_shipments WHERE status = 'N' ORDER BY ship_date;
      l_id NUMBER;
   BEGIN
      OPEN c_pending_shipment;
      FETCH c_pending_shipment INTO l_id;
      CLOSE c_pending_shipment;
      RETURN l_id;
   END first_pending_shipment;

   FUNCTION dyn_count_shipments (p_where IN VARCHAR2) RETURN NUMBER
   IS
      l_cur  INTEGER;
      l_cnt  NUMBER;
      l_ign  INTEGER;
      l_sql  VARCHAR2(4000);
   BEGIN
      l_sql := 'SELECT COUNT(*) FROM shp_shipments WHERE ' || NVL(p_where, '1=1');
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
   END dyn_count_shipments;

   FUNCTION list_shipments (p_status IN VARCHAR2 DEFAULT NULL) RETURN SYS_REFCURSOR
   IS
      l_rc SYS_REFCURSOR;
   BEGIN
      IF p_status IS NULL THEN
         OPEN l_rc FOR
            SELECT shipment_id, tracking_no, status, weight_kg
              FROM shp_shipments
             ORDER BY shipment_id;
      ELSE
         OPEN l_rc FOR
            SELECT shipment_id, tracking_no, status, weight_kg
              FROM shp_shipments
             WHERE status = p_status
             ORDER BY shipment_id;
      END IF;
      RETURN l_rc;
   END list_shipments;

   PROCEDURE put_parcel (p_row IN shp_parcels%ROWTYPE)
   IS
   BEGIN
      IF NOT validate_parcel(p_row) THEN
         raise_app(-20130, 'invalid parcel row');
      END IF;
      MERGE INTO shp_parcels d
      USING (SELECT p_row.parcel_id AS id FROM dual) s
         ON (d.parcel_id = s.id)
       WHEN MATCHED THEN
         UPDATE SET d.label_no = p_row.label_no,
                    d.volume_l  = p_row.volume_l,
                    d.status = p_row.status
       WHEN NOT MATCHED THEN
         INSERT (parcel_id, label_no, volume_l, status)
         VALUES (p_row.parcel_id, p_row.label_no, p_row.volume_l, p_row.status);
   END put_parcel;

   PROCEDURE sync_parcel_status
   IS
      l_rec c_pending_parcel%ROWTYPE;
   BEGIN
      OPEN c_pending_parcel;
      LOOP
         FETCH c_pending_parcel INTO l_rec;
         EXIT WHEN c_pending_parcel%NOTFOUND;
         BEGIN
            UPDATE shp_parcels
               SET status = 'S'
             WHERE parcel_id = l_rec.parcel_id;
         EXCEPTION
            WHEN OTHERS THEN
               -- keep going; a single bad row must not stop the sync
               log_msg('sync_parcel_status', 'row ' || l_rec.parcel_id || ': ' || SQLERRM);
         END;
      END LOOP;
      CLOSE c_pending_parcel;
   END sync_parcel_status;

   PROCEDURE summarize_parcels (p_mode IN VARCHAR2, p_limit IN PLS_INTEGER)
   IS
      l_total NUMBER := 0;
   BEGIN
      CASE p_mode
      WHEN 'TOTAL' THEN
         SELECT NVL(SUM(volume_l), 0) INTO l_total FROM shp_parcels;
         log_msg('summarize_parcels', 'total=' || l_total);
      WHEN 'TOP' THEN
         DECLARE
            CURSOR c_top (cp_n PLS_INTEGER) IS
               SELECT parcel_id
                 FROM (SELECT parcel_id FROM shp_parcels ORDER BY volume_l DESC)
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
   END summarize_parcels;

   -- returns one parcel row by key; raises when missing
   FUNCTION get_parcel (p_id IN shp_parcels.parcel_id%TYPE) RETURN shp_parcels%ROWTYPE
   IS
      l_row shp_parcels%ROWTYPE;
   BEGIN
      SELECT *
        INTO l_row
        FROM shp_parcels
       WHERE parcel_id = p_id;
      RETURN l_row;
   EXCEPTION
      WHEN NO_DATA_FOUND THEN
         raise_app(-20101, 'parcel ' || p_id || ' not found');
         RETURN NULL;
   END get_parcel;

   FUNCTION lock_parcel (p_id IN NUMBER) RETURN BOOLEAN
   IS
      e_locked EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_locked, -54);
      CURSOR c_lock IS
         SELECT parcel_id
           FROM shp_parcels
          WHERE parcel_id = p_id
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
   END lock_parcel;

   -- overload: lookup by business code
   FUNCTION get_parcel (p_code IN VARCHAR2) RETURN shp_parcels%ROWTYPE
   IS
      CURSOR c_by_code (cp_code VARCHAR2) IS
         SELECT *
           FROM shp_parcels
          WHERE label_no = cp_code;
      l_row shp_parcels%ROWTYPE;
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
   END get_parcel;

   -- no exception section: the caller handles errors and calls reset_state
   PROCEDURE export_parcel_lines (p_file IN UTL_FILE.FILE_TYPE)
   IS
      l_rec c_pending_parcel%ROWTYPE;
   BEGIN
      OPEN c_pending_parcel;
      LOOP
         FETCH c_pending_parcel INTO l_rec;
         EXIT WHEN c_pending_parcel%NOTFOUND;
         UTL_FILE.PUT_LINE(p_file, l_rec.parcel_id || ';' || l_rec.label_no || ';' || l_rec.volume_l);
      END LOOP;
      CLOSE c_pending_parcel;
   END export_parcel_lines;

   PROCEDURE peek_parcels (p_parent IN NUMBER,
                         p_total  OUT NUMBER,
                         p_rc     OUT SYS_REFCURSOR)
   IS
      l_rc   SYS_REFCURSOR;
      l_ids  t_id_tab;
      l_amts t_num_tab;
   BEGIN
      OPEN l_rc FOR
         SELECT parcel_id, volume_l
           FROM shp_parcels
          WHERE shipment_id = p_parent;
      p_total := NULL;
      p_rc := l_rc;
   END peek_parcels;

   PROCEDURE archive_parcels (p_before IN DATE)
   IS
      CURSOR c_old IS
         SELECT parcel_id
           FROM shp_parcels
          WHERE scanned_on < p_before
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
            INSERT INTO shp_parcels_hist
               SELECT * FROM shp_parcels WHERE parcel_id = l_ids(i);
         FORALL i IN 1 .. l_ids.COUNT
            DELETE FROM shp_parcels WHERE parcel_id = l_ids(i);
         l_moved := l_moved + l_ids.COUNT;
         COMMIT;
      END LOOP batch_loop;
      CLOSE c_old;
      log_msg('archive_parcels', 'moved ' || l_moved || ' rows');
   EXCEPTION
      WHEN OTHERS THEN
         IF c_old%ISOPEN THEN
            CLOSE c_old;
         END IF;
         ROLLBACK;
         log_msg('archive_parcels', SQLERRM);
         RAISE;
   END archive_parcels;

   PROCEDURE rebuild_parcel_index (p_days IN PLS_INTEGER DEFAULT 30)
   IS
      l_row c_due_parcel%ROWTYPE;
      l_n   PLS_INTEGER := 0;
   BEGIN
      DELETE FROM shp_parcels_idx WHERE built_on < TRUNC(SYSDATE);
      OPEN c_due_parcel(p_days);
      FETCH c_due_parcel INTO l_row;
      IF c_due_parcel%NOTFOUND THEN
         CLOSE c_due_parcel;
         RAISE NO_DATA_FOUND;
      END IF;
      WHILE c_due_parcel%FOUND LOOP
         INSERT INTO shp_parcels_idx (parcel_id, idx_key, built_on)
         VALUES (l_row.parcel_id, fmt_parcel_key(l_row.label_no), SYSDATE);
         l_n := l_n + 1;
         FETCH c_due_parcel INTO l_row;
      END LOOP;
      CLOSE c_due_parcel;
      log_msg('rebuild_parcel_index', l_n || ' keys');
   EXCEPTION
      WHEN NO_DATA_FOUND THEN
         IF c_due_parcel%ISOPEN THEN
            CLOSE c_due_parcel;
         END IF;
         log_msg('rebuild_parcel_index', 'nothing due');
      WHEN OTHERS THEN
         IF c_due_parcel%ISOPEN THEN CLOSE c_due_parcel; END IF;
         ROLLBACK;
         RAISE;
   END rebuild_parcel_index;

   PROCEDURE adjust_parcels (p_ids IN t_id_tab, p_pct IN NUMBER)
   IS
      l_done PLS_INTEGER := 0;
      PROCEDURE apply_one (p_id IN NUMBER, p_pct IN NUMBER)
      IS
         CURSOR c_lines IS
            SELECT line_id, volume_l
              FROM shp_parcels_lines
             WHERE parcel_id = p_id
               FOR UPDATE;
         l_line_id NUMBER;
         l_amt     NUMBER;
      BEGIN
         OPEN c_lines;
         LOOP
            FETCH c_lines INTO l_line_id, l_amt;
            EXIT WHEN c_lines%NOTFOUND;
            UPDATE shp_parcels_lines
               SET volume_l = ROUND(l_amt * (1 + p_pct / 100), 2)
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
      log_msg('adjust_parcels', l_done || ' adjusted');
   END adjust_parcels;

   PROCEDURE purge_parcel_dupes
   IS
      CURSOR c_groups IS
         SELECT label_no, COUNT(*) cnt
           FROM shp_parcels
          GROUP BY label_no
         HAVING COUNT(*) > 1;
      CURSOR c_members (cp_code VARCHAR2) IS
         SELECT parcel_id
           FROM shp_parcels
          WHERE label_no = cp_code
          ORDER BY parcel_id;
      l_keep NUMBER;
      l_gone PLS_INTEGER := 0;
   BEGIN
      <<group_loop>>
      FOR g IN c_groups LOOP
         l_keep := NULL;
         <<member_loop>>
         FOR m IN c_members(g.label_no) LOOP
            IF l_keep IS NULL THEN
               l_keep := m.parcel_id;
               CONTINUE member_loop;
            END IF;
            DELETE FROM shp_parcels WHERE parcel_id = m.parcel_id;
            l_gone := l_gone + 1;
            EXIT group_loop WHEN l_gone >= gc_max_purge;
         END LOOP member_loop;
      END LOOP group_loop;
      log_msg('purge_parcel_dupes', 'removed ' || l_gone);
   END purge_parcel_dupes;

   PROCEDURE bulk_set_parcel_status (p_ids IN t_id_tab, p_status IN VARCHAR2)
   IS
      e_bulk EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_bulk, -24381);
   BEGIN
      FORALL i IN INDICES OF p_ids SAVE EXCEPTIONS
         UPDATE shp_parcels
            SET status = p_status
          WHERE parcel_id = p_ids(i);
   EXCEPTION
      WHEN e_bulk THEN
         FOR j IN 1 .. SQL%BULK_EXCEPTIONS.COUNT LOOP
            log_msg('bulk_set_parcel_status',
                    'index ' || SQL%BULK_EXCEPTIONS(j).ERROR_INDEX ||
                    ' code ' || SQL%BULK_EXCEPTIONS(j).ERROR_CODE);
         END LOOP;
   END bulk_set_parcel_status;

   PROCEDURE drain_parcel_queue (p_max IN PLS_INTEGER DEFAULT 100)
   IS
      CURSOR c_queue (cp_state VARCHAR2) IS
         SELECT q.queue_id, q.parcel_id
           FROM shp_parcels_queue q
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
            WHEN lock_parcel(l_id) THEN
               DELETE FROM shp_parcels_queue WHERE queue_id = l_qid;
               l_cnt := l_cnt + 1;
            ELSE
               NULL;
         END CASE;
      END LOOP drain;
      log_msg('drain_parcel_queue', l_cnt || ' drained');
   END drain_parcel_queue;

   FUNCTION count_parcels (p_status IN VARCHAR2) RETURN PLS_INTEGER
   IS
      CURSOR c_stat IS
         SELECT status, COUNT(*) cnt
           FROM shp_parcels
          GROUP BY status;
      l_total PLS_INTEGER := 0;
   BEGIN
      FOR r IN c_stat LOOP
         IF r.status = p_status OR p_status = '*' THEN
            l_total := l_total + r.cnt;
         END IF;
      END LOOP;
      FOR r IN (SELECT COUNT(*) cnt FROM shp_parcels_hist WHERE status = p_status) LOOP
         l_total := l_total + r.cnt;
      END LOOP;
      RETURN l_total;
   END count_parcels;

   PROCEDURE recalc_parcel_totals
   IS
      e_stale EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_stale, -20555);
      l_rec   c_pending_parcel%ROWTYPE;
      l_sum   NUMBER := 0;
   BEGIN
      OPEN c_pending_parcel;
      <<fetch_loop>>
      LOOP
         FETCH c_pending_parcel INTO l_rec;
         EXIT fetch_loop WHEN c_pending_parcel%NOTFOUND;
         l_sum := l_sum + NVL(l_rec.volume_l, 0);
         IF l_rec.status = 'X' THEN
            RAISE e_stale;
         END IF;
      END LOOP fetch_loop;
      CLOSE c_pending_parcel;
      UPDATE shp_parcels_totals SET total = l_sum, calc_on = SYSDATE;
   EXCEPTION
      WHEN e_stale THEN
         log_msg('recalc_parcel_totals', 'stale data, giving up');
         ROLLBACK;
      WHEN OTHERS THEN
         ROLLBACK;
         log_msg('recalc_parcel_totals', SQLERRM);
         RAISE;
   END recalc_parcel_totals;

   PROCEDURE open_parcels_for (p_parent IN NUMBER, p_rc OUT SYS_REFCURSOR)
   IS
   BEGIN
      OPEN p_rc FOR
         SELECT t.parcel_id, t.label_no,
                CASE t.status
                   WHEN 'N' THEN 'new'
                   WHEN 'C' THEN 'closed'
                   ELSE 'other'
                END AS status_text
           FROM shp_parcels t
          WHERE t.shipment_id = p_parent;
   END open_parcels_for;

   -- local cursor deliberately shadows the package-level one of the same name
   FUNCTION first_pending_parcel RETURN NUMBER
   IS
      CURSOR c_pending_parcel IS
         SELECT parcel_id FROM shp_parcels WHERE status = 'N' ORDER BY scanned_on;
      l_id NUMBER;
   BEGIN
      OPEN c_pending_parcel;
      FETCH c_pending_parcel INTO l_id;
      CLOSE c_pending_parcel;
      RETURN l_id;
   END first_pending_parcel;

   FUNCTION dyn_count_parcels (p_where IN VARCHAR2) RETURN NUMBER
   IS
      l_cur  INTEGER;
      l_cnt  NUMBER;
      l_ign  INTEGER;
      l_sql  VARCHAR2(4000);
   BEGIN
      l_sql := 'SELECT COUNT(*) FROM shp_parcels WHERE ' || NVL(p_where, '1=1');
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
   END dyn_count_parcels;

   FUNCTION list_parcels (p_status IN VARCHAR2 DEFAULT NULL) RETURN SYS_REFCURSOR
   IS
      l_rc SYS_REFCURSOR;
   BEGIN
      IF p_status IS NULL THEN
         OPEN l_rc FOR
            SELECT parcel_id, label_no, status, volume_l
              FROM shp_parcels
             ORDER BY parcel_id;
      ELSE
         OPEN l_rc FOR
            SELECT parcel_id, label_no, status, volume_l
              FROM shp_parcels
             WHERE status = p_status
             ORDER BY parcel_id;
      END IF;
      RETURN l_rc;
   END list_parcels;

   PROCEDURE reset_state
   IS
   BEGIN
      IF c_pending_shipment%ISOPEN THEN CLOSE c_pending_shipment; END IF;
      IF c_due_shipment%ISOPEN THEN CLOSE c_due_shipment; END IF;
      IF c_pending_parcel%ISOPEN THEN CLOSE c_pending_parcel; END IF;
      IF c_due_parcel%ISOPEN THEN CLOSE c_due_parcel; END IF;
      g_batch_running := FALSE;
   END reset_state;

BEGIN
   -- package initialization
   g_open_count := 0;
   DBMS_APPLICATION_INFO.SET_MODULE('pkg_shipping', 'init');
END pkg_shipping;
/
