REM ============================================================================
REM  report_procs.sql
REM  Standalone reporting procedures and functions for the HR schema.
REM  Run as the schema owner:  @report_procs.sql
REM ============================================================================
SET DEFINE OFF
SET SERVEROUTPUT ON SIZE UNLIMITED
SET FEEDBACK ON
WHENEVER SQLERROR EXIT FAILURE ROLLBACK

PROMPT
PROMPT Creating function F_DEPT_SUMMARY (returns an open cursor)
PROMPT

CREATE OR REPLACE FUNCTION f_dept_summary (
  p_location_id IN NUMBER DEFAULT NULL
) RETURN SYS_REFCURSOR
AS
  l_rc SYS_REFCURSOR;
BEGIN
  OPEN l_rc FOR
    SELECT d.department_id,
           d.department_name,
           COUNT(e.employee_id)  AS headcount,
           ROUND(AVG(e.salary))  AS avg_salary,
           MAX(e.hire_date)      AS last_hire
      FROM departments d
      LEFT JOIN employees e ON e.department_id = d.department_id
     WHERE d.location_id = NVL(p_location_id, d.location_id)
     GROUP BY d.department_id, d.department_name
     ORDER BY d.department_name;
  RETURN l_rc;
END f_dept_summary;
/
SHOW ERRORS

PROMPT Creating procedure P_EMP_LIST

CREATE OR REPLACE PROCEDURE p_emp_list (
  p_dept_id IN  NUMBER,
  p_rc      OUT SYS_REFCURSOR
)
AS
BEGIN
  IF p_dept_id IS NULL THEN
    OPEN p_rc FOR
      SELECT employee_id, first_name, last_name, salary
        FROM employees
       ORDER BY last_name;
  ELSE
    OPEN p_rc FOR
      SELECT employee_id, first_name, last_name, salary
        FROM employees
       WHERE department_id = p_dept_id
       ORDER BY last_name;
  END IF;
END p_emp_list;
/
SHOW ERRORS

PROMPT Creating procedure P_TOP_EARNERS

CREATE OR REPLACE PROCEDURE p_top_earners (p_n IN PLS_INTEGER DEFAULT 10)
AS
  CURSOR c_top IS
    SELECT e.first_name || ' ' || e.last_name AS full_name,
           e.salary,
           d.department_name
      FROM employees e
      JOIN departments d ON d.department_id = e.department_id
     ORDER BY e.salary DESC;
  r_top c_top%ROWTYPE;
BEGIN
  DBMS_OUTPUT.PUT_LINE(RPAD('Name', 40) || RPAD('Department', 30) || LPAD('Salary', 12));
  DBMS_OUTPUT.PUT_LINE(RPAD('-', 82, '-'));
  OPEN c_top;
  LOOP
    FETCH c_top INTO r_top;
    EXIT WHEN c_top%NOTFOUND OR c_top%ROWCOUNT > p_n;
    DBMS_OUTPUT.PUT_LINE(RPAD(r_top.full_name, 40)
                      || RPAD(r_top.department_name, 30)
                      || LPAD(TO_CHAR(r_top.salary, '999G999D99'), 12));
  END LOOP;
  DBMS_OUTPUT.PUT_LINE(RPAD('-', 82, '-'));
END p_top_earners;
/
SHOW ERRORS

PROMPT Creating procedure P_SALARY_REPORT

CREATE OR REPLACE PROCEDURE p_salary_report (p_year IN PLS_INTEGER)
AS
  l_total   NUMBER := 0;
  l_rc      SYS_REFCURSOR;
  l_dept_id departments.department_id%TYPE;
  l_name    departments.department_name%TYPE;
  l_count   NUMBER;
  l_avg     NUMBER;
  l_last    DATE;

  -- prints one line of the report
  PROCEDURE print_line (p_label IN VARCHAR2, p_value IN NUMBER) IS
  BEGIN
    DBMS_OUTPUT.PUT_LINE(RPAD(p_label, 40, '.') || LPAD(TO_CHAR(p_value, '999G999G990'), 15));
  END print_line;
BEGIN
  DBMS_OUTPUT.PUT_LINE('Salary report ' || p_year);

  -- department lines of the report come from f_dept_summary
  l_rc := f_dept_summary;
  LOOP
    FETCH l_rc INTO l_dept_id, l_name, l_count, l_avg, l_last;
    EXIT WHEN l_rc%NOTFOUND;
    print_line(l_name, l_count * l_avg);
    l_total := l_total + l_count * l_avg;
  END LOOP;
  CLOSE l_rc;
  print_line('TOTAL', l_total);

  -- raises of the year, in a block of its own
  DECLARE
    CURSOR c_raises (cp_year PLS_INTEGER) IS
      SELECT employee_id, old_salary, new_salary
        FROM salary_history
       WHERE EXTRACT(YEAR FROM change_date) = cp_year;
    TYPE t_raise_tab IS TABLE OF c_raises%ROWTYPE;
    l_raises t_raise_tab;
    l_sum    NUMBER := 0;
  BEGIN
    OPEN c_raises(p_year);
    FETCH c_raises BULK COLLECT INTO l_raises;
    CLOSE c_raises;

    FOR i IN 1 .. l_raises.COUNT LOOP
      l_sum := l_sum + (l_raises(i).new_salary - l_raises(i).old_salary);
    END LOOP;
    print_line('Raises (' || l_raises.COUNT || ')', l_sum);
  EXCEPTION
    WHEN NO_DATA_FOUND THEN
      print_line('Raises', 0);
  END;
EXCEPTION
  WHEN OTHERS THEN
    IF l_rc%ISOPEN THEN
      CLOSE l_rc;
    END IF;
    DBMS_OUTPUT.PUT_LINE('Report failed: ' || SQLERRM);
    RAISE;
END p_salary_report;
/
SHOW ERRORS

PROMPT Creating function F_EMP_COUNT

CREATE OR REPLACE FUNCTION f_emp_count (p_job_id IN VARCHAR2) RETURN NUMBER
AS
  l_cnt NUMBER;
BEGIN
  SELECT COUNT(*) INTO l_cnt FROM employees WHERE job_id = p_job_id;
  RETURN l_cnt;
END f_emp_count;
/
SHOW ERRORS

PROMPT Creating procedure P_MANAGER_CHAIN

CREATE OR REPLACE PROCEDURE p_manager_chain (p_emp_id IN NUMBER)
AS
  CURSOR c_chain IS
    SELECT LEVEL AS lvl, employee_id, first_name, last_name
      FROM employees
     START WITH employee_id = p_emp_id
   CONNECT BY PRIOR manager_id = employee_id;
  r c_chain%ROWTYPE;
BEGIN
  IF NOT c_chain%ISOPEN THEN
    OPEN c_chain;
  END IF;
  FETCH c_chain INTO r;
  WHILE c_chain%FOUND LOOP
    DBMS_OUTPUT.PUT_LINE(LPAD(' ', 2 * (r.lvl - 1)) || r.first_name || ' ' || r.last_name);
    FETCH c_chain INTO r;
  END LOOP;
  IF c_chain%ISOPEN THEN
    CLOSE c_chain;
  END IF;
END p_manager_chain;
/
SHOW ERRORS

PROMPT All report procedures created.
