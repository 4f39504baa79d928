CREATE OR REPLACE PACKAGE BODY pkg_inventory
AS

   gc_max_purge CONSTANT PLS_INTEGER := 10000;
   g_batch_running BOOLEAN := FALSE;
   g_last_top      PLS_INTEGER;
   g_open_count    PLS_INTEGER := 0;  -- "OPEN" in a name only

   CURSOR c_pending_item IS
      SELECT *
        FROM inv_items
       WHERE status = 'N'
         FOR UPDATE SKIP LOCKED;

   CURSOR c_pending_move IS
      SELECT *
        FROM inv_moves
       WHERE status = 'N'
         FOR UPDATE SKIP LOCKED;

   -- forward declarations of private routines
   PROCEDURE log_msg (p_where IN VARCHAR2, p_text IN VARCHAR2);
   PROCEDURE raise_app (p_code IN PLS_INTEGER, p_text IN VARCHAR2);
   FUNCTION validate_item (p_row IN inv_items%ROWTYPE) RETURN BOOLEAN;
   FUNCTION fmt_item_key (p_code IN VARCHAR2) RETURN VARCHAR2;
   FUNCTION lock_item (p_id IN NUMBER) RETURN BOOLEAN;
   FUNCTION validate_move (p_row IN inv_moves%ROWTYPE) RETURN BOOLEAN;
   FUNCTION fmt_move_key (p_code IN VARCHAR2) RETURN VARCHAR2;
   FUNCTION lock_move (p_id IN NUMBER) RETURN BOOLEAN;


   -- no exception section: the caller handles errors and calls reset_state
   PROCEDURE export_item_lines (p_file IN UTL_FILE.FILE_TYPE)
   IS
      l_rec c_pending_item%ROWTYPE;
   BEGIN
      OPEN c_pending_item;
      LOOP
         FETCH c_pending_item INTO l_rec;
         EXIT WHEN c_pending_item%NOTFOUND;
         UTL_FILE.PUT_LINE(p_file, l_rec.item_id || ';' || l_rec.sku || ';' || l_rec.unit_cost);
      END LOOP;
      CLOSE c_pending_item;
   END export_item_lines;

   -- local cursor deliberately shadows the package-level one of the same name
   FUNCTION first_pending_item RETURN NUMBER
   IS
      CURSOR c_pending_item IS
         SELECT item_id FROM inv_items WHERE status = 'N' ORDER BY last_counted;
      l_id NUMBER;
   BEGIN
      OPEN c_pending_item;
      FETCH c_pending_item INTO l_id;
      CLOSE c_pending_item;
      RETURN l_id;
   END first_pending_item;

   FUNCTION lock_item (p_id IN NUMBER) RETURN BOOLEAN
   IS
      e_locked EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_locked, -54);
      CURSOR c_lock IS
         SELECT item_id
           FROM inv_items
          WHERE item_id = p_id
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
   END lock_item;

   -- autonomous logging: commits independently of the caller
   PROCEDURE log_msg (p_where IN VARCHAR2, p_text IN VARCHAR2)
   IS
      PRAGMA AUTONOMOUS_TRANSACTION;
   BEGIN
      INSERT INTO inv_log (log_id, logged_at, module, location, msg)
      VALUES (inv_log_seq.NEXTVAL, SYSTIMESTAMP, 'pkg_inventory', p_where, SUBSTR(p_text, 1, 4000));
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
   FUNCTION get_item (p_code IN VARCHAR2) RETURN inv_items%ROWTYPE
   IS
      CURSOR c_by_code (cp_code VARCHAR2) IS
         SELECT *
           FROM inv_items
          WHERE sku = cp_code;
      l_row inv_items%ROWTYPE;
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
   END get_item;

   FUNCTION list_items (p_status IN VARCHAR2 DEFAULT NULL) RETURN SYS_REFCURSOR
   IS
      l_rc SYS_REFCURSOR;
   BEGIN
      IF p_status IS NULL THEN
         OPEN l_rc FOR
            SELECT item_id, sku, status, unit_cost
              FROM inv_items
             ORDER BY item_id;
      ELSE
         OPEN l_rc FOR
            SELECT item_id, sku, status, unit_cost
              FROM inv_items
             WHERE status = p_status
             ORDER BY item_id;
      END IF;
      RETURN l_rc;
   END list_items;

   PROCEDURE peek_items (p_parent IN NUMBER,
                         p_total  OUT NUMBER)
   IS
      l_rc   SYS_REFCURSOR;
      l_ids  t_id_tab;
      l_amts t_num_tab;
   BEGIN
      OPEN l_rc FOR
         SELECT item_id, unit_cost
           FROM inv_items
          WHERE warehouse_id = p_parent;
      FETCH l_rc BULK COLLECT INTO l_ids, l_amts;
      p_total := 0;
      FOR i IN 1 .. l_amts.COUNT LOOP
         p_total := p_total + l_amts(i);
      END LOOP;
   END peek_items;

   PROCEDURE purge_item_dupes
   IS
      CURSOR c_groups IS
         SELECT sku, COUNT(*) cnt
           FROM inv_items
          GROUP BY sku
         HAVING COUNT(*) > 1;
      CURSOR c_members (cp_code VARCHAR2) IS
         SELECT item_id
           FROM inv_items
          WHERE sku = cp_code
          ORDER BY item_id;
      l_keep NUMBER;
      l_gone PLS_INTEGER := 0;
   BEGIN
      <<group_loop>>
      FOR g IN c_groups LOOP
         l_keep := NULL;
         <<member_loop>>
         FOR m IN c_members(g.sku) LOOP
            IF l_keep IS NULL THEN
               l_keep := m.item_id;
               CONTINUE member_loop;
            END IF;
            DELETE FROM inv_items WHERE item_id = m.item_id;
            l_gone := l_gone + 1;
            EXIT group_loop WHEN l_gone >= gc_max_purge;
         END LOOP member_loop;
      END LOOP group_loop;
      log_msg('purge_item_dupes', 'removed ' || l_gone);
   END purge_item_dupes;

   PROCEDURE drain_item_queue (p_max IN PLS_INTEGER DEFAULT 100)
   IS
      CURSOR c_queue (cp_state VARCHAR2) IS
         SELECT q.queue_id, q.item_id
           FROM inv_items_queue q
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
            WHEN lock_item(l_id) THEN
               DELETE FROM inv_items_queue WHERE queue_id = l_qid;
               l_cnt := l_cnt + 1;
            ELSE
               NULL;
         END CASE;
      END LOOP drain;
      CLOSE c_queue;
      log_msg('drain_item_queue', l_cnt || ' drained');
   END drain_item_queue;

   ----------------------------------------------------------------------------
   -- nightly batch: walks open items, checks rules, books moves
   ----------------------------------------------------------------------------
   PROCEDURE process_batch (p_run_date IN DATE DEFAULT TRUNC(SYSDATE),
                            p_dry_run  IN BOOLEAN DEFAULT FALSE)
   IS
      TYPE t_flag_tab IS TABLE OF VARCHAR2(10) INDEX BY PLS_INTEGER;
      TYPE t_hdr_rec IS RECORD (
         item_id    inv_items.item_id%TYPE,
         sku inv_items.sku%TYPE,
         unit_cost  inv_items.unit_cost%TYPE,
         status  inv_items.status%TYPE
      );
      CURSOR c_hdr IS
         SELECT item_id, sku, unit_cost, status
           FROM inv_items
          WHERE status IN ('N', 'O')
            AND last_counted <= p_run_date
          ORDER BY item_id;
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
            IF l_hdr.unit_cost IS NOT NULL AND l_hdr.unit_cost > 1000000 THEN
               l_flags(l_flags.COUNT + 1) := 'R1';
               l_warn := l_warn + 1;
            END IF;
            -- rule 2
            IF l_hdr.unit_cost IS NOT NULL AND l_hdr.unit_cost < 50000 THEN
               l_flags(l_flags.COUNT + 1) := 'R2';
               l_warn := l_warn + 1;
            END IF;
            -- rule 3
            IF l_hdr.unit_cost IS NOT NULL AND l_hdr.unit_cost > 0 THEN
               l_flags(l_flags.COUNT + 1) := 'R3';
               l_warn := l_warn + 1;
            END IF;
            -- rule 4
            IF l_hdr.unit_cost IS NOT NULL AND l_hdr.unit_cost < 0 THEN
               l_flags(l_flags.COUNT + 1) := 'R4';
               l_warn := l_warn + 1;
            END IF;
            -- rule 5
            IF l_hdr.unit_cost IS NOT NULL AND l_hdr.unit_cost > 250000 THEN
               l_flags(l_flags.COUNT + 1) := 'R5';
               l_warn := l_warn + 1;
            END IF;
            -- rule 6
            IF l_hdr.unit_cost IS NOT NULL AND l_hdr.unit_cost < 100 THEN
               l_flags(l_flags.COUNT + 1) := 'R6';
               l_warn := l_warn + 1;
            END IF;
            -- rule 7
            IF l_hdr.unit_cost IS NOT NULL AND l_hdr.unit_cost > 5 THEN
               l_flags(l_flags.COUNT + 1) := 'R7';
               l_warn := l_warn + 1;
            END IF;

         CASE
            WHEN l_flags.COUNT > 3 THEN
               l_errors := l_errors + 1;
               log_msg('process_batch', 'too many flags on ' || l_hdr.item_id);
               CONTINUE hdr_loop;
            WHEN l_flags.COUNT > 0 THEN
               log_msg('process_batch', l_flags.COUNT || ' flags on ' || l_hdr.item_id);
            ELSE
               NULL;
         END CASE;

         set_phase('children');
         <<child_block>>
         DECLARE
            CURSOR c_child (cp_id NUMBER) IS
               SELECT move_id
                 FROM inv_moves
                WHERE item_id = cp_id
                  AND status <> 'C';
            l_kids t_id_tab;
         BEGIN
            IF l_hdr.status = 'O' THEN
               OPEN c_child(l_hdr.item_id);
               FETCH c_child BULK COLLECT INTO l_kids;
               CLOSE c_child;
               IF l_kids.COUNT = 0 THEN
                  l_skipped := l_skipped + 1;
               END IF;
               FOR i IN 1 .. l_kids.COUNT LOOP
                  IF NOT p_dry_run THEN
                     UPDATE inv_moves
                        SET status = 'B'
                      WHERE move_id = l_kids(i);
                  END IF;
               END LOOP;
            END IF;
         EXCEPTION
            WHEN DUP_VAL_ON_INDEX THEN
               l_errors := l_errors + 1;
               log_msg('process_batch', 'duplicate booking for ' || l_hdr.item_id);
         END child_block;

         set_phase('book');
         BEGIN
            IF NOT p_dry_run THEN
               UPDATE inv_items
                  SET status = CASE l_hdr.status WHEN 'N' THEN 'O' ELSE 'C' END,
                      last_counted = GREATEST(last_counted, p_run_date)
                WHERE item_id = l_hdr.item_id;
            END IF;
            l_done := l_done + 1;
         EXCEPTION
            WHEN OTHERS THEN
               l_errors := l_errors + 1;
               log_msg('process_batch', 'book ' || l_hdr.item_id || ': ' || SQLERRM);
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

   FUNCTION dyn_count_items (p_where IN VARCHAR2) RETURN NUMBER
   IS
      l_cur  INTEGER;
      l_cnt  NUMBER;
      l_ign  INTEGER;
      l_sql  VARCHAR2(4000);
   BEGIN
      l_sql := 'SELECT COUNT(*) FROM inv_items WHERE ' || NVL(p_where, '1=1');
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
   END dyn_count_items;

   PROCEDURE sync_item_status
   IS
      l_rec c_pending_item%ROWTYPE;
   BEGIN
      OPEN c_pending_item;
      LOOP
         FETCH c_pending_item INTO l_rec;
         EXIT WHEN c_pending_item%NOTFOUND;
         BEGIN
            UPDATE inv_items
               SET status = 'S'
             WHERE item_id = l_rec.item_id;
         EXCEPTION
            WHEN OTHERS THEN
               -- keep going; a single bad row must not stop the sync
               log_msg('sync_item_status', 'row ' || l_rec.item_id || ': ' || SQLERRM);
         END;
      END LOOP;
      CLOSE c_pending_item;
   END sync_item_status;

   -- returns one item row by key; raises when missing
   FUNCTION get_item (p_id IN inv_items.item_id%TYPE) RETURN inv_items%ROWTYPE
   IS
      l_row inv_items%ROWTYPE;
   BEGIN
      SELECT *
        INTO l_row
        FROM inv_items
       WHERE item_id = p_id;
      RETURN l_row;
   EXCEPTION
      WHEN NO_DATA_FOUND THEN
         raise_app(-20101, 'item ' || p_id || ' not found');
         RETURN NULL;
   END get_item;

   PROCEDURE summarize_items (p_mode IN VARCHAR2, p_limit IN PLS_INTEGER)
   IS
      l_total NUMBER := 0;
   BEGIN
      CASE p_mode
      WHEN 'TOTAL' THEN
         SELECT NVL(SUM(unit_cost), 0) INTO l_total FROM inv_items;
         log_msg('summarize_items', 'total=' || l_total);
      WHEN 'TOP' THEN
         DECLARE
            CURSOR c_top (cp_n PLS_INTEGER) IS
               SELECT item_id
                 FROM (SELECT item_id FROM inv_items ORDER BY unit_cost DESC)
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
   END summarize_items;

   PROCEDURE archive_items (p_before IN DATE)
   IS
      CURSOR c_old IS
         SELECT item_id
           FROM inv_items
          WHERE last_counted < p_before
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
            INSERT INTO inv_items_hist
               SELECT * FROM inv_items WHERE item_id = l_ids(i);
         FORALL i IN 1 .. l_ids.COUNT
            DELETE FROM inv_items WHERE item_id = l_ids(i);
         l_moved := l_moved + l_ids.COUNT;
         COMMIT;
      END LOOP batch_loop;
      CLOSE c_old;
      log_msg('archive_items', 'moved ' || l_moved || ' rows');
   EXCEPTION
      WHEN OTHERS THEN
         IF c_old%ISOPEN THEN
            CLOSE c_old;
         END IF;
         ROLLBACK;
         log_msg('archive_items', SQLERRM);
         RAISE;
   END archive_items;

   FUNCTION count_items (p_status IN VARCHAR2) RETURN PLS_INTEGER
   IS
      CURSOR c_stat IS
         SELECT status, COUNT(*) cnt
           FROM inv_items
          GROUP BY status;
      l_total PLS_INTEGER := 0;
   BEGIN
      FOR r IN c_stat LOOP
         IF r.status = p_status OR p_status = '*' THEN
            l_total := l_total + r.cnt;
         END IF;
      END LOOP;
      FOR r IN (SELECT COUNT(*) cnt FROM inv_items_hist WHERE status = p_status) LOOP
         l_total := l_total + r.cnt;
      END LOOP;
      RETURN l_total;
   END count_items;

   PROCEDURE put_item (p_row IN inv_items%ROWTYPE)
   IS
   BEGIN
      IF NOT validate_item(p_row) THEN
         raise_app(-20130, 'invalid item row');
      END IF;
      MERGE INTO inv_items d
      USING (SELECT p_row.item_id AS id FROM dual) s
         ON (d.item_id = s.id)
       WHEN MATCHED THEN
         UPDATE SET d.sku = p_row.sku,
                    d.unit_cost  = p_row.unit_cost,
                    d.status = p_row.status
       WHEN NOT MATCHED THEN
         INSERT (item_id, sku, unit_cost, status)
         VALUES (p_row.item_id, p_row.sku, p_row.unit_cost, p_row.status);
   END put_item;

   PROCEDURE adjust_items (p_ids IN t_id_tab, p_pct IN NUMBER)
   IS
      l_done PLS_INTEGER := 0;
      PROCEDURE apply_one (p_id IN NUMBER, p_pct IN NUMBER)
      IS
         CURSOR c_lines IS
            SELECT line_id, unit_cost
              FROM inv_items_lines
             WHERE item_id = p_id
               FOR UPDATE;
         l_line_id NUMBER;
         l_amt     NUMBER;
      BEGIN
         OPEN c_lines;
         LOOP
            FETCH c_lines INTO l_line_id, l_amt;
            EXIT WHEN c_lines%NOTFOUND;
            UPDATE inv_items_lines
               SET unit_cost = ROUND(l_amt * (1 + p_pct / 100), 2)
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
      log_msg('adjust_items', l_done || ' adjusted');
   END adjust_items;

   PROCEDURE bulk_set_item_status (p_ids IN t_id_tab, p_status IN VARCHAR2)
   IS
      e_bulk EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_bulk, -24381);
   BEGIN
      FORALL i IN INDICES OF p_ids SAVE EXCEPTIONS
         UPDATE inv_items
            SET status = p_status
          WHERE item_id = p_ids(i);
   EXCEPTION
      WHEN e_bulk THEN
         FOR j IN 1 .. SQL%BULK_EXCEPTIONS.COUNT LOOP
            log_msg('bulk_set_item_status',
                    'index ' || SQL%BULK_EXCEPTIONS(j).ERROR_INDEX ||
                    ' code ' || SQL%BULK_EXCEPTIONS(j).ERROR_CODE);
         END LOOP;
   END bulk_set_item_status;

   PROCEDURE rebuild_item_index (p_days IN PLS_INTEGER DEFAULT 30)
   IS
      l_row c_due_item%ROWTYPE;
      l_n   PLS_INTEGER := 0;
   BEGIN
      DELETE FROM inv_items_idx WHERE built_on < TRUNC(SYSDATE);
      OPEN c_due_item(p_days);
      FETCH c_due_item INTO l_row;
      IF c_due_item%NOTFOUND THEN
         CLOSE c_due_item;
         RAISE NO_DATA_FOUND;
      END IF;
      WHILE c_due_item%FOUND LOOP
         INSERT INTO inv_items_idx (item_id, idx_key, built_on)
         VALUES (l_row.item_id, fmt_item_key(l_row.sku), SYSDATE);
         l_n := l_n + 1;
         FETCH c_due_item INTO l_row;
      END LOOP;
      CLOSE c_due_item;
      log_msg('rebuild_item_index', l_n || ' keys');
   EXCEPTION
      WHEN NO_DATA_FOUND THEN
         IF c_due_item%ISOPEN THEN
            CLOSE c_due_item;
         END IF;
         log_msg('rebuild_item_index', 'nothing due');
      WHEN OTHERS THEN
         IF c_due_item%ISOPEN THEN CLOSE c_due_item; END IF;
         ROLLBACK;
         RAISE;
   END rebuild_item_index;

   PROCEDURE open_items_for (p_parent IN NUMBER, p_rc OUT SYS_REFCURSOR)
   IS
   BEGIN
      OPEN p_rc FOR
         SELECT t.item_id, t.sku,
                CASE t.status
                   WHEN 'N' THEN 'new'
                   WHEN 'C' THEN 'closed'
                   ELSE 'other'
                END AS status_text
           FROM inv_items t
          WHERE t.warehouse_id = p_parent;
   END open_items_for;

   PROCEDURE recalc_item_totals
   IS
      e_stale EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_stale, -20555);
      l_rec   c_pending_item%ROWTYPE;
      l_sum   NUMBER := 0;
   BEGIN
      OPEN c_pending_item;
      <<fetch_loop>>
      LOOP
         FETCH c_pending_item INTO l_rec;
         EXIT fetch_loop WHEN c_pending_item%NOTFOUND;
         l_sum := l_sum + NVL(l_rec.unit_cost, 0);
         IF l_rec.status = 'X' THEN
            RAISE e_stale;
         END IF;
      END LOOP fetch_loop;
      CLOSE c_pending_item;
      UPDATE inv_items_totals SET total = l_sum, calc_on = SYSDATE;
   EXCEPTION
      WHEN e_stale THEN
         log_msg('recalc_item_totals', 'stale data, giving up');
         ROLLBACK;
      WHEN OTHERS THEN
         ROLLBACK;
         log_msg('recalc_item_totals', SQLERRM);
         RAISE;
   END recalc_item_totals;

   -- no exception section: the caller handles errors and calls reset_state
   PROCEDURE export_move_lines (p_file IN UTL_FILE.FILE_TYPE)
   IS
      l_rec c_pending_move%ROWTYPE;
   BEGIN
      OPEN c_pending_move;
      LOOP
         FETCH c_pending_move INTO l_rec;
         EXIT WHEN c_pending_move%NOTFOUND;
         UTL_FILE.PUT_LINE(p_file, l_rec.move_id || ';' || l_rec.move_ref || ';' || l_rec.qty);
      END LOOP;
      CLOSE c_pending_move;
   END export_move_lines;

   -- local cursor deliberately shadows the package-level one of the same name
   FUNCTION first_pending_move RETURN NUMBER
   IS
      CURSOR c_pending_move IS
         SELECT move_id FROM inv_moves WHERE status = 'N' ORDER BY moved_on;
      l_id NUMBER;
   BEGIN
      OPEN c_pending_move;
      FETCH c_pending_move INTO l_id;
      CLOSE c_pending_move;
      RETURN l_id;
   END first_pending_move;

   FUNCTION lock_move (p_id IN NUMBER) RETURN BOOLEAN
   IS
      e_locked EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_locked, -54);
      CURSOR c_lock IS
         SELECT move_id
           FROM inv_moves
          WHERE move_id = p_id
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
   END lock_move;

   -- overload: lookup by business code
   FUNCTION get_move (p_code IN VARCHAR2) RETURN inv_moves%ROWTYPE
   IS
      CURSOR c_by_code (cp_code VARCHAR2) IS
         SELECT *
           FROM inv_moves
          WHERE move_ref = cp_code;
      l_row inv_moves%ROWTYPE;
   BEGIN
      OPEN c_by_code(UPPER(p_code));
      FETCH c_by_code INTO l_row;
      IF c_by_code%NOTFOUND THEN
         l_row := NULL;
      END IF;
      RETURN l_row;
   END get_move;

   FUNCTION list_moves (p_status IN VARCHAR2 DEFAULT NULL) RETURN SYS_REFCURSOR
   IS
      l_rc SYS_REFCURSOR;
   BEGIN
      IF p_status IS NULL THEN
         OPEN l_rc FOR
            SELECT move_id, move_ref, status, qty
              FROM inv_moves
             ORDER BY move_id;
      ELSE
         OPEN l_rc FOR
            SELECT move_id, move_ref, status, qty
              FROM inv_moves
             WHERE status = p_status
             ORDER BY move_id;
      END IF;
      RETURN l_rc;
   END list_moves;

   PROCEDURE peek_moves (p_parent IN NUMBER,
                         p_total  OUT NUMBER,
                         p_rc     OUT SYS_REFCURSOR)
   IS
      l_rc   SYS_REFCURSOR;
      l_ids  t_id_tab;
      l_amts t_num_tab;
   BEGIN
      OPEN l_rc FOR
         SELECT move_id, qty
           FROM inv_moves
          WHERE item_id = p_parent;
      p_total := NULL;
      p_rc := l_rc;
   END peek_moves;

   PROCEDURE purge_move_dupes
   IS
      CURSOR c_groups IS
         SELECT move_ref, COUNT(*) cnt
           FROM inv_moves
          GROUP BY move_ref
         HAVING COUNT(*) > 1;
      CURSOR c_members (cp_code VARCHAR2) IS
         SELECT move_id
           FROM inv_moves
          WHERE move_ref = cp_code
          ORDER BY move_id;
      l_keep NUMBER;
      l_gone PLS_INTEGER := 0;
   BEGIN
      <<group_loop>>
      FOR g IN c_groups LOOP
         l_keep := NULL;
         <<member_loop>>
         FOR m IN c_members(g.move_ref) LOOP
            IF l_keep IS NULL THEN
               l_keep := m.move_id;
               CONTINUE member_loop;
            END IF;
            DELETE FROM inv_moves WHERE move_id = m.move_id;
            l_gone := l_gone + 1;
            EXIT group_loop WHEN l_gone >= gc_max_purge;
         END LOOP member_loop;
      END LOOP group_loop;
      log_msg('purge_move_dupes', 'removed ' || l_gone);
   END purge_move_dupes;

   PROCEDURE drain_move_queue (p_max IN PLS_INTEGER DEFAULT 100)
   IS
      CURSOR c_queue (cp_state VARCHAR2) IS
         SELECT q.queue_id, q.move_id
           FROM inv_moves_queue q
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
            WHEN lock_move(l_id) THEN
               DELETE FROM inv_moves_queue WHERE queue_id = l_qid;
               l_cnt := l_cnt + 1;
            ELSE
               NULL;
         END CASE;
      END LOOP drain;
      CLOSE c_queue;
      log_msg('drain_move_queue', l_cnt || ' drained');
   END drain_move_queue;

   FUNCTION dyn_count_moves (p_where IN VARCHAR2) RETURN NUMBER
   IS
      l_cur  INTEGER;
      l_cnt  NUMBER;
      l_ign  INTEGER;
      l_sql  VARCHAR2(4000);
   BEGIN
      l_sql := 'SELECT COUNT(*) FROM inv_moves WHERE ' || NVL(p_where, '1=1');
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
   END dyn_count_moves;

   PROCEDURE sync_move_status
   IS
      l_rec c_pending_move%ROWTYPE;
   BEGIN
      OPEN c_pending_move;
      LOOP
         FETCH c_pending_move INTO l_rec;
         EXIT WHEN c_pending_move%NOTFOUND;
         BEGIN
            UPDATE inv_moves
               SET status = 'S'
             WHERE move_id = l_rec.move_id;
         EXCEPTION
            WHEN OTHERS THEN
               -- keep going; a single bad row must not stop the sync
               log_msg('sync_move_status', 'row ' || l_rec.move_id || ': ' || SQLERRM);
         END;
      END LOOP;
      CLOSE c_pending_move;
   END sync_move_status;

   -- returns one move row by key; raises when missing
   FUNCTION get_move (p_id IN inv_moves.move_id%TYPE) RETURN inv_moves%ROWTYPE
   IS
      l_row inv_moves%ROWTYPE;
   BEGIN
      SELECT *
        INTO l_row
        FROM inv_moves
       WHERE move_id = p_id;
      RETURN l_row;
   EXCEPTION
      WHEN NO_DATA_FOUND THEN
         raise_app(-20101, 'move ' || p_id || ' not found');
         RETURN NULL;
   END get_move;

   PROCEDURE summarize_moves (p_mode IN VARCHAR2, p_limit IN PLS_INTEGER)
   IS
      l_total NUMBER := 0;
   BEGIN
      CASE p_mode
      WHEN 'TOTAL' THEN
         SELECT NVL(SUM(qty), 0) INTO l_total FROM inv_moves;
         log_msg('summarize_moves', 'total=' || l_total);
      WHEN 'TOP' THEN
         DECLARE
            CURSOR c_top (cp_n PLS_INTEGER) IS
               SELECT move_id
                 FROM (SELECT move_id FROM inv_moves ORDER BY qty DESC)
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
   END summarize_moves;

   PROCEDURE archive_moves (p_before IN DATE)
   IS
      CURSOR c_old IS
         SELECT move_id
           FROM inv_moves
          WHERE moved_on < p_before
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
            INSERT INTO inv_moves_hist
               SELECT * FROM inv_moves WHERE move_id = l_ids(i);
         FORALL i IN 1 .. l_ids.COUNT
            DELETE FROM inv_moves WHERE move_id = l_ids(i);
         l_moved := l_moved + l_ids.COUNT;
         COMMIT;
      END LOOP batch_loop;
      CLOSE c_old;
      log_msg('archive_moves', 'moved ' || l_moved || ' rows');
   EXCEPTION
      WHEN OTHERS THEN
         IF c_old%ISOPEN THEN
            CLOSE c_old;
         END IF;
         ROLLBACK;
         log_msg('archive_moves', SQLERRM);
         RAISE;
   END archive_moves;

   FUNCTION count_moves (p_status IN VARCHAR2) RETURN PLS_INTEGER
   IS
      CURSOR c_stat IS
         SELECT status, COUNT(*) cnt
           FROM inv_moves
          GROUP BY status;
      l_total PLS_INTEGER := 0;
   BEGIN
      FOR r IN c_stat LOOP
         IF r.status = p_status OR p_status = '*' THEN
            l_total := l_total + r.cnt;
         END IF;
      END LOOP;
      FOR r IN (SELECT COUNT(*) cnt FROM inv_moves_hist WHERE status = p_status) LOOP
         l_total := l_total + r.cnt;
      END LOOP;
      RETURN l_total;
   END count_moves;

   PROCEDURE put_move (p_row IN inv_moves%ROWTYPE)
   IS
   BEGIN
      IF NOT validate_move(p_row) THEN
         raise_app(-20130, 'invalid move row');
      END IF;
      MERGE INTO inv_moves d
      USING (SELECT p_row.move_id AS id FROM dual) s
         ON (d.move_id = s.id)
       WHEN MATCHED THEN
         UPDATE SET d.move_ref = p_row.move_ref,
                    d.qty  = p_row.qty,
                    d.status = p_row.status
       WHEN NOT MATCHED THEN
         INSERT (move_id, move_ref, qty, status)
         VALUES (p_row.move_id, p_row.move_ref, p_row.qty, p_row.status);
   END put_move;

   PROCEDURE adjust_moves (p_ids IN t_id_tab, p_pct IN NUMBER)
   IS
      l_done PLS_INTEGER := 0;
      PROCEDURE apply_one (p_id IN NUMBER, p_pct IN NUMBER)
      IS
         CURSOR c_lines IS
            SELECT line_id, qty
              FROM inv_moves_lines
             WHERE move_id = p_id
               FOR UPDATE;
         l_line_id NUMBER;
         l_amt     NUMBER;
      BEGIN
         OPEN c_lines;
         LOOP
            FETCH c_lines INTO l_line_id, l_amt;
            EXIT WHEN c_lines%NOTFOUND;
            UPDATE inv_moves_lines
               SET qty = ROUND(l_amt * (1 + p_pct / 100), 2)
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
      log_msg('adjust_moves', l_done || ' adjusted');
   END adjust_moves;

   PROCEDURE bulk_set_move_status (p_ids IN t_id_tab, p_status IN VARCHAR2)
   IS
      e_bulk EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_bulk, -24381);
   BEGIN
      FORALL i IN INDICES OF p_ids SAVE EXCEPTIONS
         UPDATE inv_moves
            SET status = p_status
          WHERE move_id = p_ids(i);
   EXCEPTION
      WHEN e_bulk THEN
         FOR j IN 1 .. SQL%BULK_EXCEPTIONS.COUNT LOOP
            log_msg('bulk_set_move_status',
                    'index ' || SQL%BULK_EXCEPTIONS(j).ERROR_INDEX ||
                    ' code ' || SQL%BULK_EXCEPTIONS(j).ERROR_CODE);
         END LOOP;
   END bulk_set_move_status;

   PROCEDURE rebuild_move_index (p_days IN PLS_INTEGER DEFAULT 30)
   IS
      l_row c_due_move%ROWTYPE;
      l_n   PLS_INTEGER := 0;
   BEGIN
      DELETE FROM inv_moves_idx WHERE built_on < TRUNC(SYSDATE);
      OPEN c_due_move(p_days);
      FETCH c_due_move INTO l_row;
      IF c_due_move%NOTFOUND THEN
         CLOSE c_due_move;
         RAISE NO_DATA_FOUND;
      END IF;
      WHILE c_due_move%FOUND LOOP
         INSERT INTO inv_moves_idx (move_id, idx_key, built_on)
         VALUES (l_row.move_id, fmt_move_key(l_row.move_ref), SYSDATE);
         l_n := l_n + 1;
         FETCH c_due_move INTO l_row;
      END LOOP;
      CLOSE c_due_move;
      log_msg('rebuild_move_index', l_n || ' keys');
   EXCEPTION
      WHEN NO_DATA_FOUND THEN
         log_msg('rebuild_move_index', 'nothing due');
      WHEN DUP_VAL_ON_INDEX THEN
         ROLLBACK;
         log_msg('rebuild_move_index', 'duplicate: ' || SQLERRM);
      WHEN OTHERS THEN
         ROLLBACK;
         RAISE;
   END rebuild_move_index;

   PROCEDURE open_moves_for (p_parent IN NUMBER, p_rc OUT SYS_REFCURSOR)
   IS
   BEGIN
      OPEN p_rc FOR
         SELECT t.move_id, t.move_ref,
                CASE t.status
                   WHEN 'N' THEN 'new'
                   WHEN 'C' THEN 'closed'
                   ELSE 'other'
                END AS status_text
           FROM inv_moves t
          WHERE t.item_id = p_parent;
   END open_moves_for;

   PROCEDURE recalc_move_totals
   IS
      e_stale EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_stale, -20555);
      l_rec   c_pending_move%ROWTYPE;
      l_sum   NUMBER := 0;
   BEGIN
      OPEN c_pending_move;
      <<fetch_loop>>
      LOOP
         FETCH c_pending_move INTO l_rec;
         EXIT fetch_loop WHEN c_pending_move%NOTFOUND;
         l_sum := l_sum + NVL(l_rec.qty, 0);
         IF l_rec.status = 'X' THEN
            RAISE e_stale;
         END IF;
      END LOOP fetch_loop;
      CLOSE c_pending_move;
      UPDATE inv_moves_totals SET total = l_sum, calc_on = SYSDATE;
   EXCEPTION
      WHEN e_stale THEN
         IF c_pending_move%ISOPEN THEN
            CLOSE c_pending_move;
         END IF;
         ROLLBACK;
      WHEN OTHERS THEN
         IF c_pending_move%ISOPEN THEN
            CLOSE c_pending_move;
         END IF;
         log_msg('recalc_move_totals', SQLERRM);
         RAISE;
   END recalc_move_totals;

   PROCEDURE reset_state
   IS
   BEGIN
      IF c_pending_item%ISOPEN THEN CLOSE c_pending_item; END IF;
      IF c_due_item%ISOPEN THEN CLOSE c_due_item; END IF;
      IF c_pending_move%ISOPEN THEN CLOSE c_pending_move; END IF;
      IF c_due_move%ISOPEN THEN CLOSE c_due_move; END IF;
      g_batch_running := FALSE;
   END reset_state;

BEGIN
   -- package initialization
   g_open_count := 0;
   DBMS_APPLICATION_INFO.SET_MODULE('pkg_inventory', 'init');
END pkg_inventory;
/
