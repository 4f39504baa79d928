SET DEFINE OFF
PROMPT Creating package body HR_PAYROLL_PKG

CREATE OR REPLACE PACKAGE BODY hr_payroll_pkg AS
  ------------------------------------------------------------------------------
  -- Package level cursors. They are shared by several routines, so every
  -- routine that OPENs one of them must make sure it is CLOSEd again, also
  -- when an error occurs (otherwise ORA-06511 on the next call).
  ------------------------------------------------------------------------------
  CURSOR c_pay_batch (p_batch_id IN pay_batches.batch_id%TYPE) IS
    SELECT e.employee_id,
           e.salary,
           e.commission_pct,
           e.department_id,
           b.period_id
      FROM employees e
      JOIN pay_batch_members m ON m.employee_id = e.employee_id
      JOIN pay_batches b       ON b.batch_id    = m.batch_id
     WHERE m.batch_id = p_batch_id
     ORDER BY e.employee_id;

  CURSOR c_grades IS
    SELECT grade_id, lowest_sal, highest_sal
      FROM salary_grades
     ORDER BY lowest_sal;

  CURSOR c_dept_emps (p_dept_id IN departments.department_id%TYPE) IS
    SELECT *
      FROM employees
     WHERE department_id = p_dept_id
       AND termination_date IS NULL;

  CURSOR c_open_periods IS
    SELECT period_id, start_date, end_date
      FROM pay_periods
     WHERE status = 'OPEN'
     ORDER BY start_date;

  g_tax_rate NUMBER := 0.22;

  -- private helpers -----------------------------------------------------------

  PROCEDURE log_msg (p_text IN VARCHAR2, p_level IN VARCHAR2 DEFAULT 'INFO') IS
    PRAGMA AUTONOMOUS_TRANSACTION;
  BEGIN
    INSERT INTO payroll_log (log_id, log_time, log_level, message)
    VALUES (payroll_log_seq.NEXTVAL, SYSTIMESTAMP, p_level, SUBSTR(p_text, 1, 4000));
    COMMIT;
  END log_msg;

  PROCEDURE close_all_cursors IS
  BEGIN
    IF c_pay_batch%ISOPEN THEN
      CLOSE c_pay_batch;
    END IF;
    IF c_grades%ISOPEN THEN
      CLOSE c_grades;
    END IF;
    IF c_open_periods%ISOPEN THEN
      CLOSE c_open_periods;
    END IF;
  END close_all_cursors;

  -- public routines -----------------------------------------------------------

  FUNCTION grade_for_salary (p_salary IN NUMBER) RETURN NUMBER IS
    r_grade  c_grades%ROWTYPE;
    l_result NUMBER;
  BEGIN
    OPEN c_grades;
    LOOP
      FETCH c_grades INTO r_grade;
      EXIT WHEN c_grades%NOTFOUND;
      IF p_salary BETWEEN r_grade.lowest_sal AND r_grade.highest_sal THEN
        l_result := r_grade.grade_id;
        EXIT;
      END IF;
    END LOOP;
    CLOSE c_grades;
    RETURN l_result;
  EXCEPTION
    WHEN OTHERS THEN
      IF c_grades%ISOPEN THEN
        CLOSE c_grades;
      END IF;
      RAISE;
  END grade_for_salary;

  FUNCTION current_period RETURN pay_periods.period_id%TYPE IS
    l_period_id pay_periods.period_id%TYPE;
    l_start     DATE;
    l_end       DATE;
  BEGIN
    OPEN c_open_periods;
    FETCH c_open_periods INTO l_period_id, l_start, l_end;
    IF c_open_periods%NOTFOUND THEN
      CLOSE c_open_periods;
      RAISE_APPLICATION_ERROR(-20101, 'No open pay period found');
    END IF;
    CLOSE c_open_periods;
    RETURN l_period_id;
  EXCEPTION
    WHEN OTHERS THEN
      close_all_cursors;
      RAISE;
  END current_period;

  PROCEDURE calc_batch (p_batch_id IN NUMBER) IS
    r_emp    c_pay_batch%ROWTYPE;
    l_status pay_batches.status%TYPE;
    l_gross  NUMBER;
    l_tax    NUMBER;
    l_count  PLS_INTEGER := 0;
  BEGIN
    log_msg('calc_batch: begin batch ' || p_batch_id);

    -- lock the batch header first so that nobody posts it meanwhile
    SELECT status
      INTO l_status
      FROM pay_batches
     WHERE batch_id = p_batch_id
       FOR UPDATE NOWAIT;

    OPEN c_pay_batch(p_batch_id);
    LOOP
      FETCH c_pay_batch INTO r_emp;
      EXIT WHEN c_pay_batch%NOTFOUND;

      l_gross := r_emp.salary / 12
                 + NVL(r_emp.commission_pct, 0) * r_emp.salary / 12;
      l_tax   := ROUND(l_gross * g_tax_rate, 2);

      INSERT INTO pay_lines (batch_id, employee_id, period_id, gross, tax, net)
      VALUES (p_batch_id, r_emp.employee_id, r_emp.period_id,
              l_gross, l_tax, l_gross - l_tax);
      l_count := l_count + 1;
    END LOOP;
    CLOSE c_pay_batch;

    UPDATE pay_batches
       SET status     = 'CALCULATED',
           line_count = l_count
     WHERE batch_id = p_batch_id;

    log_msg('calc_batch: end, ' || l_count || ' lines');
  EXCEPTION
    WHEN e_batch_locked THEN
      log_msg('calc_batch: batch ' || p_batch_id || ' is locked', 'WARN');
      RAISE_APPLICATION_ERROR(-20102, 'Batch ' || p_batch_id || ' is locked by another session');
    WHEN OTHERS THEN
      log_msg('calc_batch: ' || SQLERRM, 'ERROR');
      ROLLBACK;
      RAISE;
  END calc_batch;

  PROCEDURE post_batch (p_batch_id IN NUMBER) IS
    r_emp c_pay_batch%ROWTYPE;
  BEGIN
    OPEN c_pay_batch(p_batch_id);
    LOOP
      FETCH c_pay_batch INTO r_emp;
      EXIT WHEN c_pay_batch%NOTFOUND;
      BEGIN
        INSERT INTO gl_postings (batch_id, employee_id, account_code, amount)
        SELECT p_batch_id, pl.employee_id, d.cost_center, pl.gross
          FROM pay_lines pl
          JOIN departments d ON d.department_id = r_emp.department_id
         WHERE pl.batch_id    = p_batch_id
           AND pl.employee_id = r_emp.employee_id;
      EXCEPTION
        WHEN DUP_VAL_ON_INDEX THEN
          -- already posted by an earlier (interrupted) run: skip the line,
          -- do not end the loop
          NULL;
      END;
    END LOOP;
    CLOSE c_pay_batch;

    UPDATE pay_batches SET status = gc_status_posted WHERE batch_id = p_batch_id;
  END post_batch;

  PROCEDURE recalc_department (p_dept_id IN NUMBER) IS
    l_grade NUMBER;
  BEGIN
    FOR r_emp IN c_dept_emps(p_dept_id) LOOP
      l_grade := grade_for_salary(r_emp.salary);
      UPDATE employees
         SET grade_id = l_grade
       WHERE employee_id = r_emp.employee_id
         AND NVL(grade_id, -1) <> NVL(l_grade, -1);
    END LOOP;
  EXCEPTION
    WHEN OTHERS THEN
      log_msg('recalc_department ' || p_dept_id || ': ' || SQLERRM, 'ERROR');
      RAISE;
  END recalc_department;

  PROCEDURE get_department_staff (
    p_dept_id IN  NUMBER,
    p_rc      OUT t_emp_cur
  ) IS
  BEGIN
    OPEN p_rc FOR
      SELECT *
        FROM employees
       WHERE department_id = p_dept_id
       ORDER BY last_name, first_name;
  END get_department_staff;

  PROCEDURE grade_histogram (p_counts OUT t_grade_count) IS
    -- local cursor; hides the package cursor of the same name on purpose
    CURSOR c_grades IS
      SELECT g.grade_id, COUNT(e.employee_id) AS cnt
        FROM salary_grades g
        LEFT JOIN employees e ON e.grade_id = g.grade_id
       GROUP BY g.grade_id
       ORDER BY g.grade_id;
    r c_grades%ROWTYPE;
  BEGIN
    OPEN c_grades;
    LOOP
      FETCH c_grades INTO r;
      EXIT WHEN c_grades%NOTFOUND;
      p_counts(r.grade_id) := r.cnt;
    END LOOP;
    CLOSE c_grades;
  EXCEPTION
    WHEN VALUE_ERROR THEN
      log_msg('grade_histogram: grade id out of range', 'ERROR');
      RAISE;
  END grade_histogram;

  PROCEDURE run_payroll IS
    l_period pay_periods.period_id%TYPE;
    l_failed PLS_INTEGER := 0;
  BEGIN
    l_period := current_period;

    <<batches>>
    FOR b IN (SELECT batch_id
                FROM pay_batches
               WHERE period_id = l_period
                 AND status   <> gc_status_posted
               ORDER BY batch_id)
    LOOP
      BEGIN
        calc_batch(b.batch_id);
        post_batch(b.batch_id);
        COMMIT;
      EXCEPTION
        WHEN OTHERS THEN
          ROLLBACK;
          close_all_cursors;   -- post_batch has no handler of its own
          l_failed := l_failed + 1;
          log_msg('run_payroll: batch ' || b.batch_id || ' failed: ' || SQLERRM, 'ERROR');
          EXIT batches WHEN l_failed > 10;
      END;
    END LOOP batches;

    log_msg('run_payroll: done, ' || l_failed || ' batches failed');
  END run_payroll;

BEGIN
  -- package initialisation: read the tax rate once per session
  BEGIN
    SELECT TO_NUMBER(setting_value)
      INTO g_tax_rate
      FROM payroll_settings
     WHERE setting_name = 'TAX_RATE';
  EXCEPTION
    WHEN NO_DATA_FOUND THEN
      NULL;  -- keep the default
  END;
END hr_payroll_pkg;
/
SHOW ERRORS
