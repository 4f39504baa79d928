CREATE OR REPLACE PACKAGE BODY pkg_payroll
AS

   gc_max_purge CONSTANT PLS_INTEGER := 10000;
   g_batch_running BOOLEAN := FALSE;
   g_last_top      PLS_INTEGER;
   g_open_count    PLS_INTEGER := 0;  -- "OPEN" in a name only

   CURSOR c_pending_employee IS
      SELECT *
        FROM hr_employees
       WHERE status = 'N'
         FOR UPDATE SKIP LOCKED;

   CURSOR c_pending_payslip IS
      SELECT *
        FROM hr_payslips
       WHERE status = 'N'
         FOR UPDATE SKIP LOCKED;

   -- forward declarations of private routines
   PROCEDURE log_msg (p_where IN VARCHAR2, p_text IN VARCHAR2);
   PROCEDURE raise_app (p_code IN PLS_INTEGER, p_text IN VARCHAR2);
   FUNCTION validate_employee (p_row IN hr_employees%ROWTYPE) RETURN BOOLEAN;
   FUNCTION fmt_employee_key (p_code IN VARCHAR2) RETURN VARCHAR2;
   FUNCTION lock_employee (p_id IN NUMBER) RETURN BOOLEAN;
   FUNCTION validate_payslip (p_row IN hr_payslips%ROWTYPE) RETURN BOOLEAN;
   FUNCTION fmt_payslip_key (p_code IN VARCHAR2) RETURN VARCHAR2;
   FUNCTION lock_payslip (p_id IN NUMBER) RETURN BOOLEAN;


   -- local cursor deliberately shadows the package-level one of the same name
   FUNCTION first_pending_employee RETURN NUMBER
   IS
      CURSOR c_pending_employee IS
         SELECT emp_id FROM hr_employees WHERE status = 'N' ORDER BY hired_on;
      l_id NUMBER;
   BEGIN
      OPEN c_pending_employee;
      FETCH c_pending_employee INTO l_id;
      CLOSE c_pending_employee;
      RETURN l_id;
   END first_pending_employee;

   FUNCTION count_employees (p_status IN VARCHAR2) RETURN PLS_INTEGER
   IS
      CURSOR c_stat IS
         SELECT status, COUNT(*) cnt
           FROM hr_employees
          GROUP BY status;
      l_total PLS_INTEGER := 0;
   BEGIN
      FOR r IN c_stat LOOP
         IF r.status = p_status OR p_status = '*' THEN
            l_total := l_total + r.cnt;
         END IF;
      END LOOP;
      FOR r IN (SELECT COUNT(*) cnt FROM hr_employees_hist WHERE status = p_status) LOOP
         l_total := l_total + r.cnt;
      END LOOP;
      RETURN l_total;
   END count_employees;

   PROCEDURE sync_employee_status
   IS
      l_rec c_pending_employee%ROWTYPE;
   BEGIN
      OPEN c_pending_employee;
      LOOP
         FETCH c_pending_employee INTO l_rec;
         EXIT WHEN c_pending_employee%NOTFOUND;
         BEGIN
            UPDATE hr_employees
               SET status = 'S'
             WHERE emp_id = l_rec.emp_id;
         EXCEPTION
            WHEN OTHERS THEN
               -- keep going; a single bad row must not stop the sync
               log_msg('sync_employee_status', 'row ' || l_rec.emp_id || ': ' || SQLERRM);
         END;
      END LOOP;
      CLOSE c_pending_employee;
   END sync_employee_status;

   PROCEDURE open_employees_for (p_parent IN NUMBER, p_rc OUT SYS_REFCURSOR)
   IS
   BEGIN
      OPEN p_rc FOR
         SELECT t.emp_id, t.badge_no,
                CASE t.status
                   WHEN 'N' THEN 'new'
                   WHEN 'C' THEN 'closed'
                   ELSE 'other'
                END AS status_text
           FROM hr_employees t
          WHERE t.unit_id = p_parent;
   END open_employees_for;

   PROCEDURE archive_employees (p_before IN DATE)
   IS
      CURSOR c_old IS
         SELECT emp_id
           FROM hr_employees
          WHERE hired_on < p_before
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
            INSERT INTO hr_employees_hist
               SELECT * FROM hr_employees WHERE emp_id = l_ids(i);
         FORALL i IN 1 .. l_ids.COUNT
            DELETE FROM hr_employees WHERE emp_id = l_ids(i);
         l_moved := l_moved + l_ids.COUNT;
         COMMIT;
      END LOOP batch_loop;
      CLOSE c_old;
      log_msg('archive_employees', 'moved ' || l_moved || ' rows');
   EXCEPTION
      WHEN OTHERS THEN
         IF c_old%ISOPEN THEN
            CLOSE c_old;
         END IF;
         ROLLBACK;
         log_msg('archive_employees', SQLERRM);
         RAISE;
   END archive_employees;

   PROCEDURE bulk_set_employee_status (p_ids IN t_id_tab, p_status IN VARCHAR2)
   IS
      e_bulk EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_bulk, -24381);
   BEGIN
      FORALL i IN INDICES OF p_ids SAVE EXCEPTIONS
         UPDATE hr_employees
            SET status = p_status
          WHERE emp_id = p_ids(i);
   EXCEPTION
      WHEN e_bulk THEN
         FOR j IN 1 .. SQL%BULK_EXCEPTIONS.COUNT LOOP
            log_msg('bulk_set_employee_status',
                    'index ' || SQL%BULK_EXCEPTIONS(j).ERROR_INDEX ||
                    ' code ' || SQL%BULK_EXCEPTIONS(j).ERROR_CODE);
         END LOOP;
   END bulk_set_employee_status;

   FUNCTION list_employees (p_status IN VARCHAR2 DEFAULT NULL) RETURN SYS_REFCURSOR
   IS
      l_rc SYS_REFCURSOR;
   BEGIN
      IF p_status IS NULL THEN
         OPEN l_rc FOR
            SELECT emp_id, badge_no, status, base_salary
              FROM hr_employees
             ORDER BY emp_id;
      ELSE
         OPEN l_rc FOR
            SELECT emp_id, badge_no, status, base_salary
              FROM hr_employees
             WHERE status = p_status
             ORDER BY emp_id;
      END IF;
      RETURN l_rc;
   END list_employees;

   FUNCTION dyn_count_employees (p_where IN VARCHAR2) RETURN NUMBER
   IS
      l_cur  INTEGER;
      l_cnt  NUMBER;
      l_ign  INTEGER;
      l_sql  VARCHAR2(4000);
   BEGIN
      l_sql := 'SELECT COUNT(*) FROM hr_employees WHERE ' || NVL(p_where, '1=1');
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
   END dyn_count_employees;

   PROCEDURE recalc_employee_totals
   IS
      e_stale EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_stale, -20555);
      l_rec   c_pending_employee%ROWTYPE;
      l_sum   NUMBER := 0;
   BEGIN
      OPEN c_pending_employee;
      <<fetch_loop>>
      LOOP
         FETCH c_pending_employee INTO l_rec;
         EXIT fetch_loop WHEN c_pending_employee%NOTFOUND;
         l_sum := l_sum + NVL(l_rec.base_salary, 0);
         IF l_rec.status = 'X' THEN
            RAISE e_stale;
         END IF;
      END LOOP fetch_loop;
      CLOSE c_pending_employee;
      UPDATE hr_employees_totals SET total = l_sum, calc_on = SYSDATE;
   EXCEPTION
      WHEN e_stale THEN
         log_msg('recalc_employee_totals', 'stale data, giving up');
         ROLLBACK;
      WHEN OTHERS THEN
         ROLLBACK;
         log_msg('recalc_employee_totals', SQLERRM);
         RAISE;
   END recalc_employee_totals;

   PROCEDURE peek_employees (p_parent IN NUMBER,
                         p_total  OUT NUMBER,
                         p_rc     OUT SYS_REFCURSOR)
   IS
      l_rc   SYS_REFCURSOR;
      l_ids  t_id_tab;
      l_amts t_num_tab;
   BEGIN
      OPEN l_rc FOR
         SELECT emp_id, base_salary
           FROM hr_employees
          WHERE unit_id = p_parent;
      p_total := NULL;
      p_rc := l_rc;
   END peek_employees;

   FUNCTION lock_employee (p_id IN NUMBER) RETURN BOOLEAN
   IS
      e_locked EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_locked, -54);
      CURSOR c_lock IS
         SELECT emp_id
           FROM hr_employees
          WHERE emp_id = p_id
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
   END lock_employee;

   -- autonomous logging: commits independently of the caller
   PROCEDURE log_msg (p_where IN VARCHAR2, p_text IN VARCHAR2)
   IS
      PRAGMA AUTONOMOUS_TRANSACTION;
   BEGIN
      INSERT INTO pay_log (log_id, logged_at, module, location, msg)
      VALUES (pay_log_seq.NEXTVAL, SYSTIMESTAMP, 'pkg_payroll', p_where, SUBSTR(p_text, 1, 4000));
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

   PROCEDURE summarize_employees (p_mode IN VARCHAR2, p_limit IN PLS_INTEGER)
   IS
      l_total NUMBER := 0;
   BEGIN
      CASE p_mode
      WHEN 'TOTAL' THEN
         SELECT NVL(SUM(base_salary), 0) INTO l_total FROM hr_employees;
         log_msg('summarize_employees', 'total=' || l_total);
      WHEN 'TOP' THEN
         DECLARE
            CURSOR c_top (cp_n PLS_INTEGER) IS
               SELECT emp_id
                 FROM (SELECT emp_id FROM hr_employees ORDER BY base_salary DESC)
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
   END summarize_employees;

   PROCEDURE drain_employee_queue (p_max IN PLS_INTEGER DEFAULT 100)
   IS
      CURSOR c_queue (cp_state VARCHAR2) IS
         SELECT q.queue_id, q.emp_id
           FROM hr_employees_queue q
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
            WHEN lock_employee(l_id) THEN
               DELETE FROM hr_employees_queue WHERE queue_id = l_qid;
               l_cnt := l_cnt + 1;
            ELSE
               NULL;
         END CASE;
      END LOOP drain;
      log_msg('drain_employee_queue', l_cnt || ' drained');
   END drain_employee_queue;

   ----------------------------------------------------------------------------
   -- nightly batch: walks open employees, checks rules, books payslips
   ----------------------------------------------------------------------------
   PROCEDURE process_batch (p_run_date IN DATE DEFAULT TRUNC(SYSDATE),
                            p_dry_run  IN BOOLEAN DEFAULT FALSE)
   IS
      TYPE t_flag_tab IS TABLE OF VARCHAR2(10) INDEX BY PLS_INTEGER;
      TYPE t_hdr_rec IS RECORD (
         emp_id    hr_employees.emp_id%TYPE,
         badge_no hr_employees.badge_no%TYPE,
         base_salary  hr_employees.base_salary%TYPE,
         status  hr_employees.status%TYPE
      );
      CURSOR c_hdr IS
         SELECT emp_id, badge_no, base_salary, status
           FROM hr_employees
          WHERE status IN ('N', 'O')
            AND hired_on <= p_run_date
          ORDER BY emp_id;
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
            IF l_hdr.base_salary IS NOT NULL AND l_hdr.base_salary > 1000000 THEN
               l_flags(l_flags.COUNT + 1) := 'R1';
               l_warn := l_warn + 1;
            END IF;
            -- rule 2
            IF l_hdr.base_salary IS NOT NULL AND l_hdr.base_salary < 50000 THEN
               l_flags(l_flags.COUNT + 1) := 'R2';
               l_warn := l_warn + 1;
            END IF;
            -- rule 3
            IF l_hdr.base_salary IS NOT NULL AND l_hdr.base_salary > 0 THEN
               l_flags(l_flags.COUNT + 1) := 'R3';
               l_warn := l_warn + 1;
            END IF;
            -- rule 4
            IF l_hdr.base_salary IS NOT NULL AND l_hdr.base_salary < 0 THEN
               l_flags(l_flags.COUNT + 1) := 'R4';
               l_warn := l_warn + 1;
            END IF;
            -- rule 5
            IF l_hdr.base_salary IS NOT NULL AND l_hdr.base_salary > 250000 THEN
               l_flags(l_flags.COUNT + 1) := 'R5';
               l_warn := l_warn + 1;
            END IF;
            -- rule 6
            IF l_hdr.base_salary IS NOT NULL AND l_hdr.base_salary < 100 THEN
               l_flags(l_flags.COUNT + 1) := 'R6';
               l_warn := l_warn + 1;
            END IF;
            -- rule 7
            IF l_hdr.base_salary IS NOT NULL AND l_hdr.base_salary > 5 THEN
               l_flags(l_flags.COUNT + 1) := 'R7';
               l_warn := l_warn + 1;
            END IF;

         CASE
            WHEN l_flags.COUNT > 3 THEN
               l_errors := l_errors + 1;
               log_msg('process_batch', 'too many flags on ' || l_hdr.emp_id);
               CONTINUE hdr_loop;
            WHEN l_flags.COUNT > 0 THEN
               log_msg('process_batch', l_flags.COUNT || ' flags on ' || l_hdr.emp_id);
            ELSE
               NULL;
         END CASE;

         set_phase('children');
         <<child_block>>
         DECLARE
            CURSOR c_child (cp_id NUMBER) IS
               SELECT slip_id
                 FROM hr_payslips
                WHERE emp_id = cp_id
                  AND status <> 'C';
            l_kids t_id_tab;
         BEGIN
            IF l_hdr.status = 'O' THEN
               OPEN c_child(l_hdr.emp_id);
               FETCH c_child BULK COLLECT INTO l_kids;
               CLOSE c_child;
               IF l_kids.COUNT = 0 THEN
                  l_skipped := l_skipped + 1;
               END IF;
               FOR i IN 1 .. l_kids.COUNT LOOP
                  IF NOT p_dry_run THEN
                     UPDATE hr_payslips
                        SET status = 'B'
                      WHERE slip_id = l_kids(i);
                  END IF;
               END LOOP;
            END IF;
         EXCEPTION
            WHEN DUP_VAL_ON_INDEX THEN
               l_errors := l_errors + 1;
               log_msg('process_batch', 'duplicate booking for ' || l_hdr.emp_id);
         END child_block;

         set_phase('book');
         BEGIN
            IF NOT p_dry_run THEN
               UPDATE hr_employees
                  SET status = CASE l_hdr.status WHEN 'N' THEN 'O' ELSE 'C' END,
                      hired_on = GREATEST(hired_on, p_run_date)
                WHERE emp_id = l_hdr.emp_id;
            END IF;
            l_done := l_done + 1;
         EXCEPTION
            WHEN OTHERS THEN
               l_errors := l_errors + 1;
               log_msg('process_batch', 'book ' || l_hdr.emp_id || ': ' || SQLERRM);
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

   PROCEDURE rebuild_employee_index (p_days IN PLS_INTEGER DEFAULT 30)
   IS
      l_row c_due_employee%ROWTYPE;
      l_n   PLS_INTEGER := 0;
   BEGIN
      DELETE FROM hr_employees_idx WHERE built_on < TRUNC(SYSDATE);
      OPEN c_due_employee(p_days);
      FETCH c_due_employee INTO l_row;
      IF c_due_employee%NOTFOUND THEN
         CLOSE c_due_employee;
         RAISE NO_DATA_FOUND;
      END IF;
      WHILE c_due_employee%FOUND LOOP
         INSERT INTO hr_employees_idx (emp_id, idx_key, built_on)
         VALUES (l_row.emp_id, fmt_employee_key(l_row.badge_no), SYSDATE);
         l_n := l_n + 1;
         FETCH c_due_employee INTO l_row;
      END LOOP;
      CLOSE c_due_employee;
      log_msg('rebuild_employee_index', l_n || ' keys');
   EXCEPTION
      WHEN NO_DATA_FOUND THEN
         IF c_due_employee%ISOPEN THEN
            CLOSE c_due_employee;
         END IF;
         log_msg('rebuild_employee_index', 'nothing due');
      WHEN OTHERS THEN
         IF c_due_employee%ISOPEN THEN CLOSE c_due_employee; END IF;
         ROLLBACK;
         RAISE;
   END rebuild_employee_index;

   -- overload: lookup by business code
   FUNCTION get_employee (p_code IN VARCHAR2) RETURN hr_employees%ROWTYPE
   IS
      CURSOR c_by_code (cp_code VARCHAR2) IS
         SELECT *
           FROM hr_employees
          WHERE badge_no = cp_code;
      l_row hr_employees%ROWTYPE;
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
   END get_employee;

   -- returns one employee row by key; raises when missing
   FUNCTION get_employee (p_id IN hr_employees.emp_id%TYPE) RETURN hr_employees%ROWTYPE
   IS
      l_row hr_employees%ROWTYPE;
   BEGIN
      SELECT *
        INTO l_row
        FROM hr_employees
       WHERE emp_id = p_id;
      RETURN l_row;
   EXCEPTION
      WHEN NO_DATA_FOUND THEN
         raise_app(-20101, 'employee ' || p_id || ' not found');
         RETURN NULL;
   END get_employee;

   PROCEDURE purge_employee_dupes
   IS
      CURSOR c_groups IS
         SELECT badge_no, COUNT(*) cnt
           FROM hr_employees
          GROUP BY badge_no
         HAVING COUNT(*) > 1;
      CURSOR c_members (cp_code VARCHAR2) IS
         SELECT emp_id
           FROM hr_employees
          WHERE badge_no = cp_code
          ORDER BY emp_id;
      l_keep NUMBER;
      l_gone PLS_INTEGER := 0;
   BEGIN
      <<group_loop>>
      FOR g IN c_groups LOOP
         l_keep := NULL;
         <<member_loop>>
         FOR m IN c_members(g.badge_no) LOOP
            IF l_keep IS NULL THEN
               l_keep := m.emp_id;
               CONTINUE member_loop;
            END IF;
            DELETE FROM hr_employees WHERE emp_id = m.emp_id;
            l_gone := l_gone + 1;
            EXIT group_loop WHEN l_gone >= gc_max_purge;
         END LOOP member_loop;
      END LOOP group_loop;
      log_msg('purge_employee_dupes', 'removed ' || l_gone);
   END purge_employee_dupes;

   PROCEDURE adjust_employees (p_ids IN t_id_tab, p_pct IN NUMBER)
   IS
      l_done PLS_INTEGER := 0;
      PROCEDURE apply_one (p_id IN NUMBER, p_pct IN NUMBER)
      IS
         CURSOR c_lines IS
            SELECT line_id, base_salary
              FROM hr_employees_lines
             WHERE emp_id = p_id
               FOR UPDATE;
         l_line_id NUMBER;
         l_amt     NUMBER;
      BEGIN
         OPEN c_lines;
         LOOP
            FETCH c_lines INTO l_line_id, l_amt;
            EXIT WHEN c_lines%NOTFOUND;
            UPDATE hr_employees_lines
               SET base_salary = ROUND(l_amt * (1 + p_pct / 100), 2)
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
      log_msg('adjust_employees', l_done || ' adjusted');
   END adjust_employees;

   PROCEDURE put_employee (p_row IN hr_employees%ROWTYPE)
   IS
   BEGIN
      IF NOT validate_employee(p_row) THEN
         raise_app(-20130, 'invalid employee row');
      END IF;
      MERGE INTO hr_employees d
      USING (SELECT p_row.emp_id AS id FROM dual) s
         ON (d.emp_id = s.id)
       WHEN MATCHED THEN
         UPDATE SET d.badge_no = p_row.badge_no,
                    d.base_salary  = p_row.base_salary,
                    d.status = p_row.status
       WHEN NOT MATCHED THEN
         INSERT (emp_id, badge_no, base_salary, status)
         VALUES (p_row.emp_id, p_row.badge_no, p_row.base_salary, p_row.status);
   END put_employee;

   -- no exception section: the caller handles errors and calls reset_state
   PROCEDURE export_employee_lines (p_file IN UTL_FILE.FILE_TYPE)
   IS
      l_rec c_pending_employee%ROWTYPE;
   BEGIN
      OPEN c_pending_employee;
      LOOP
         FETCH c_pending_employee INTO l_rec;
         EXIT WHEN c_pending_employee%NOTFOUND;
         UTL_FILE.PUT_LINE(p_file, l_rec.emp_id || ';' || l_rec.badge_no || ';' || l_rec.base_salary);
      END LOOP;
      CLOSE c_pending_employee;
   END export_employee_lines;

   -- local cursor deliberately shadows the package-level one of the same name
   FUNCTION first_pending_payslip RETURN NUMBER
   IS
      CURSOR c_pending_payslip IS
         SELECT slip_id FROM hr_payslips WHERE status = 'N' ORDER BY pay_date;
      l_id NUMBER;
   BEGIN
      OPEN c_pending_payslip;
      FETCH c_pending_payslip INTO l_id;
      CLOSE c_pending_payslip;
      RETURN l_id;
   END first_pending_payslip;

   FUNCTION count_payslips (p_status IN VARCHAR2) RETURN PLS_INTEGER
   IS
      CURSOR c_stat IS
         SELECT status, COUNT(*) cnt
           FROM hr_payslips
          GROUP BY status;
      l_total PLS_INTEGER := 0;
   BEGIN
      FOR r IN c_stat LOOP
         IF r.status = p_status OR p_status = '*' THEN
            l_total := l_total + r.cnt;
         END IF;
      END LOOP;
      FOR r IN (SELECT COUNT(*) cnt FROM hr_payslips_hist WHERE status = p_status) LOOP
         l_total := l_total + r.cnt;
      END LOOP;
      RETURN l_total;
   END count_payslips;

   PROCEDURE sync_payslip_status
   IS
      l_rec c_pending_payslip%ROWTYPE;
   BEGIN
      OPEN c_pending_payslip;
      LOOP
         FETCH c_pending_payslip INTO l_rec;
         EXIT WHEN c_pending_payslip%NOTFOUND;
         BEGIN
            UPDATE hr_payslips
               SET status = 'S'
             WHERE slip_id = l_rec.slip_id;
         EXCEPTION
            WHEN OTHERS THEN
               -- keep going; a single bad row must not stop the sync
               log_msg('sync_payslip_status', 'row ' || l_rec.slip_id || ': ' || SQLERRM);
         END;
      END LOOP;
      CLOSE c_pending_payslip;
   END sync_payslip_status;

   PROCEDURE open_payslips_for (p_parent IN NUMBER, p_rc OUT SYS_REFCURSOR)
   IS
   BEGIN
      OPEN p_rc FOR
         SELECT t.slip_id, t.slip_no,
                CASE t.status
                   WHEN 'N' THEN 'new'
                   WHEN 'C' THEN 'closed'
                   ELSE 'other'
                END AS status_text
           FROM hr_payslips t
          WHERE t.emp_id = p_parent;
   END open_payslips_for;

   PROCEDURE archive_payslips (p_before IN DATE)
   IS
      CURSOR c_old IS
         SELECT slip_id
           FROM hr_payslips
          WHERE pay_date < p_before
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
            INSERT INTO hr_payslips_hist
               SELECT * FROM hr_payslips WHERE slip_id = l_ids(i);
         FORALL i IN 1 .. l_ids.COUNT
            DELETE FROM hr_payslips WHERE slip_id = l_ids(i);
         l_moved := l_moved + l_ids.COUNT;
         COMMIT;
      END LOOP batch_loop;
      CLOSE c_old;
      log_msg('archive_payslips', 'moved ' || l_moved || ' rows');
   EXCEPTION
      WHEN OTHERS THEN
         IF c_old%ISOPEN THEN
            CLOSE c_old;
         END IF;
         ROLLBACK;
         log_msg('archive_payslips', SQLERRM);
         RAISE;
   END archive_payslips;

   PROCEDURE bulk_set_payslip_status (p_ids IN t_id_tab, p_status IN VARCHAR2)
   IS
      e_bulk EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_bulk, -24381);
   BEGIN
      FORALL i IN INDICES OF p_ids SAVE EXCEPTIONS
         UPDATE hr_payslips
            SET status = p_status
          WHERE slip_id = p_ids(i);
   EXCEPTION
      WHEN e_bulk THEN
         FOR j IN 1 .. SQL%BULK_EXCEPTIONS.COUNT LOOP
            log_msg('bulk_set_payslip_status',
                    'index ' || SQL%BULK_EXCEPTIONS(j).ERROR_INDEX ||
                    ' code ' || SQL%BULK_EXCEPTIONS(j).ERROR_CODE);
         END LOOP;
   END bulk_set_payslip_status;

   FUNCTION list_payslips (p_status IN VARCHAR2 DEFAULT NULL) RETURN SYS_REFCURSOR
   IS
      l_rc SYS_REFCURSOR;
   BEGIN
      IF p_status IS NULL THEN
         OPEN l_rc FOR
            SELECT slip_id, slip_no, status, net_pay
              FROM hr_payslips
             ORDER BY slip_id;
      ELSE
         OPEN l_rc FOR
            SELECT slip_id, slip_no, status, net_pay
              FROM hr_payslips
             WHERE status = p_status
             ORDER BY slip_id;
      END IF;
      RETURN l_rc;
   END list_payslips;

   FUNCTION dyn_count_payslips (p_where IN VARCHAR2) RETURN NUMBER
   IS
      l_cur  INTEGER;
      l_cnt  NUMBER;
      l_ign  INTEGER;
      l_sql  VARCHAR2(4000);
   BEGIN
      l_sql := 'SELECT COUNT(*) FROM hr_payslips WHERE ' || NVL(p_where, '1=1');
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
   END dyn_count_payslips;

   PROCEDURE recalc_payslip_totals
   IS
      e_stale EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_stale, -20555);
      l_rec   c_pending_payslip%ROWTYPE;
      l_sum   NUMBER := 0;
   BEGIN
      OPEN c_pending_payslip;
      <<fetch_loop>>
      LOOP
         FETCH c_pending_payslip INTO l_rec;
         EXIT fetch_loop WHEN c_pending_payslip%NOTFOUND;
         l_sum := l_sum + NVL(l_rec.net_pay, 0);
         IF l_rec.status = 'X' THEN
            RAISE e_stale;
         END IF;
      END LOOP fetch_loop;
      CLOSE c_pending_payslip;
      UPDATE hr_payslips_totals SET total = l_sum, calc_on = SYSDATE;
   EXCEPTION
      WHEN e_stale THEN
         IF c_pending_payslip%ISOPEN THEN
            CLOSE c_pending_payslip;
         END IF;
         ROLLBACK;
      WHEN OTHERS THEN
         IF c_pending_payslip%ISOPEN THEN
            CLOSE c_pending_payslip;
         END IF;
         log_msg('recalc_payslip_totals', SQLERRM);
         RAISE;
   END recalc_payslip_totals;

   PROCEDURE peek_payslips (p_parent IN NUMBER,
                         p_total  OUT NUMBER,
                         p_rc     OUT SYS_REFCURSOR)
   IS
      l_rc   SYS_REFCURSOR;
      l_ids  t_id_tab;
      l_amts t_num_tab;
   BEGIN
      OPEN l_rc FOR
         SELECT slip_id, net_pay
           FROM hr_payslips
          WHERE emp_id = p_parent;
      p_total := NULL;
      p_rc := l_rc;
   END peek_payslips;

   FUNCTION lock_payslip (p_id IN NUMBER) RETURN BOOLEAN
   IS
      e_locked EXCEPTION;
      PRAGMA EXCEPTION_INIT(e_locked, -54);
      CURSOR c_lock IS
         SELECT slip_id
           FROM hr_payslips
          WHERE slip_id = p_id
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
   END lock_payslip;

   PROCEDURE summarize_payslips (p_mode IN VARCHAR2, p_limit IN PLS_INTEGER)
   IS
      l_total NUMBER := 0;
   BEGIN
      CASE p_mode
      WHEN 'TOTAL' THEN
         SELECT NVL(SUM(net_pay), 0) INTO l_total FROM hr_payslips;
         log_msg('summarize_payslips', 'total=' || l_total);
      WHEN 'TOP' THEN
         DECLARE
            CURSOR c_top (cp_n PLS_INTEGER) IS
               SELECT slip_id
                 FROM (SELECT slip_id FROM hr_payslips ORDER BY net_pay DESC)
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
   END summarize_payslips;

   PROCEDURE drain_payslip_queue (p_max IN PLS_INTEGER DEFAULT 100)
   IS
      CURSOR c_queue (cp_state VARCHAR2) IS
         SELECT q.queue_id, q.slip_id
           FROM hr_payslips_queue q
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
            WHEN lock_payslip(l_id) THEN
               DELETE FROM hr_payslips_queue WHERE queue_id = l_qid;
               l_cnt := l_cnt + 1;
            ELSE
               NULL;
         END CASE;
      END LOOP drain;
      CLOSE c_queue;
      log_msg('drain_payslip_queue', l_cnt || ' drained');
   END drain_payslip_queue;

   PROCEDURE rebuild_payslip_index (p_days IN PLS_INTEGER DEFAULT 30)
   IS
      l_row c_due_payslip%ROWTYPE;
      l_n   PLS_INTEGER := 0;
   BEGIN
      DELETE FROM hr_payslips_idx WHERE built_on < TRUNC(SYSDATE);
      OPEN c_due_payslip(p_days);
      FETCH c_due_payslip INTO l_row;
      IF c_due_payslip%NOTFOUND THEN
         CLOSE c_due_payslip;
         RAISE NO_DATA_FOUND;
      END IF;
      WHILE c_due_payslip%FOUND LOOP
         INSERT INTO hr_payslips_idx (slip_id, idx_key, built_on)
         VALUES (l_row.slip_id, fmt_payslip_key(l_row.slip_no), SYSDATE);
         l_n := l_n + 1;
         FETCH c_due_payslip INTO l_row;
      END LOOP;
      CLOSE c_due_payslip;
      log_msg('rebuild_payslip_index', l_n || ' keys');
   EXCEPTION
      WHEN NO_DATA_FOUND THEN
         log_msg('rebuild_payslip_index', 'nothing due');
      WHEN DUP_VAL_ON_INDEX THEN
         ROLLBACK;
         log_msg('rebuild_payslip_index', 'duplicate: ' || SQLERRM);
      WHEN OTHERS THEN
         ROLLBACK;
         RAISE;
   END rebuild_payslip_index;

   -- overload: lookup by business code
   FUNCTION get_payslip (p_code IN VARCHAR2) RETURN hr_payslips%ROWTYPE
   IS
      CURSOR c_by_code (cp_code VARCHAR2) IS
         SELECT *
           FROM hr_payslips
          WHERE slip_no = cp_code;
      l_row hr_payslips%ROWTYPE;
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
   END get_payslip;

   -- returns one payslip row by key; raises when missing
   FUNCTION get_payslip (p_id IN hr_payslips.slip_id%TYPE) RETURN hr_payslips%ROWTYPE
   IS
      l_row hr_payslips%ROWTYPE;
   BEGIN
      SELECT *
        INTO l_row
        FROM hr_payslips
       WHERE slip_id = p_id;
      RETURN l_row;
   EXCEPTION
      WHEN NO_DATA_FOUND THEN
         raise_app(-20101, 'payslip ' || p_id || ' not found');
         RETURN NULL;
   END get_payslip;

   PROCEDURE purge_payslip_dupes
   IS
      CURSOR c_groups IS
         SELECT slip_no, COUNT(*) cnt
           FROM hr_payslips
          GROUP BY slip_no
         HAVING COUNT(*) > 1;
      CURSOR c_members (cp_code VARCHAR2) IS
         SELECT slip_id
           FROM hr_payslips
          WHERE slip_no = cp_code
          ORDER BY slip_id;
      l_keep NUMBER;
      l_gone PLS_INTEGER := 0;
   BEGIN
      <<group_loop>>
      FOR g IN c_groups LOOP
         l_keep := NULL;
         <<member_loop>>
         FOR m IN c_members(g.slip_no) LOOP
            IF l_keep IS NULL THEN
               l_keep := m.slip_id;
               CONTINUE member_loop;
            END IF;
            DELETE FROM hr_payslips WHERE slip_id = m.slip_id;
            l_gone := l_gone + 1;
            EXIT group_loop WHEN l_gone >= gc_max_purge;
         END LOOP member_loop;
      END LOOP group_loop;
      log_msg('purge_payslip_dupes', 'removed ' || l_gone);
   END purge_payslip_dupes;

   PROCEDURE adjust_payslips (p_ids IN t_id_tab, p_pct IN NUMBER)
   IS
      l_done PLS_INTEGER := 0;
      PROCEDURE apply_one (p_id IN NUMBER, p_pct IN NUMBER)
      IS
         CURSOR c_lines IS
            SELECT line_id, net_pay
              FROM hr_payslips_lines
             WHERE slip_id = p_id
               FOR UPDATE;
         l_line_id NUMBER;
         l_amt     NUMBER;
      BEGIN
         OPEN c_lines;
         LOOP
            FETCH c_lines INTO l_line_id, l_amt;
            EXIT WHEN c_lines%NOTFOUND;
            UPDATE hr_payslips_lines
               SET net_pay = ROUND(l_amt * (1 + p_pct / 100), 2)
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
      log_msg('adjust_payslips', l_done || ' adjusted');
   END adjust_payslips;

   PROCEDURE put_payslip (p_row IN hr_payslips%ROWTYPE)
   IS
   BEGIN
      IF NOT validate_payslip(p_row) THEN
         raise_app(-20130, 'invalid payslip row');
      END IF;
      MERGE INTO hr_payslips d
      USING (SELECT p_row.slip_id AS id FROM dual) s
         ON (d.slip_id = s.id)
       WHEN MATCHED THEN
         UPDATE SET d.slip_no = p_row.slip_no,
                    d.net_pay  = p_row.net_pay,
                    d.status = p_row.status
       WHEN NOT MATCHED THEN
         INSERT (slip_id, slip_no, net_pay, status)
         VALUES (p_row.slip_id, p_row.slip_no, p_row.net_pay, p_row.status);
   END put_payslip;

   -- no exception section: the caller handles errors and calls reset_state
   PROCEDURE export_payslip_lines (p_file IN UTL_FILE.FILE_TYPE)
   IS
      l_rec c_pending_payslip%ROWTYPE;
   BEGIN
      OPEN c_pending_payslip;
      LOOP
         FETCH c_pending_payslip INTO l_rec;
         EXIT WHEN c_pending_payslip%NOTFOUND;
         UTL_FILE.PUT_LINE(p_file, l_rec.slip_id || ';' || l_rec.slip_no || ';' || l_rec.net_pay);
      END LOOP;
      CLOSE c_pending_payslip;
   END export_payslip_lines;

   PROCEDURE reset_state
   IS
   BEGIN
      IF c_pending_employee%ISOPEN THEN CLOSE c_pending_employee; END IF;
      IF c_due_employee%ISOPEN THEN CLOSE c_due_employee; END IF;
      IF c_pending_payslip%ISOPEN THEN CLOSE c_pending_payslip; END IF;
      IF c_due_payslip%ISOPEN THEN CLOSE c_due_payslip; END IF;
      g_batch_running := FALSE;
   END reset_state;

BEGIN
   -- package initialization
   g_open_count := 0;
   DBMS_APPLICATION_INFO.SET_MODULE('pkg_payroll', 'init');
END pkg_payroll;
/
