--------------------------------------------------------------------------------
-- emp_pipeline.pkb
-- Pipelined table functions over the HR schema for the BI layer:
--   SELECT * FROM TABLE(emp_pipeline.employees_of(50));
--   SELECT * FROM TABLE(emp_pipeline.salary_bands(
--                         CURSOR(SELECT * FROM employees WHERE job_id LIKE 'SA%')));
-- The strong ref cursor types are declared in the package header so that
-- callers and the transform functions agree on the row shape.
--------------------------------------------------------------------------------

CREATE OR REPLACE PACKAGE emp_pipeline AS

  TYPE t_emp_rc IS REF CURSOR RETURN employees%ROWTYPE;

  TYPE t_dept_count IS RECORD (
    department_id    NUMBER,
    department_name  VARCHAR2(30),
    headcount        NUMBER
  );
  TYPE t_dept_rc  IS REF CURSOR RETURN t_dept_count;
  TYPE t_dept_tab IS TABLE OF t_dept_count;

  TYPE t_emp_tab IS TABLE OF employees%ROWTYPE;

  TYPE t_band IS RECORD (
    employee_id  NUMBER,
    last_name    VARCHAR2(25),
    salary       NUMBER,
    band         VARCHAR2(10)
  );
  TYPE t_band_tab IS TABLE OF t_band;

  TYPE t_name_tab IS TABLE OF VARCHAR2(30);

  FUNCTION open_emps(p_dept_id IN NUMBER) RETURN t_emp_rc;

  FUNCTION employees_of(p_dept_id IN NUMBER) RETURN t_emp_tab PIPELINED;

  FUNCTION employees_all RETURN t_emp_tab PIPELINED;

  FUNCTION salary_bands(p_src IN t_emp_rc) RETURN t_band_tab PIPELINED
    PARALLEL_ENABLE (PARTITION p_src BY ANY);

  FUNCTION dept_headcounts(p_min IN NUMBER DEFAULT 0) RETURN t_dept_tab PIPELINED;

  FUNCTION dept_names RETURN t_name_tab PIPELINED;
END emp_pipeline;
/

CREATE OR REPLACE PACKAGE BODY emp_pipeline AS

  CURSOR c_depts IS
    SELECT department_id, department_name
      FROM departments
     ORDER BY department_name;

  FUNCTION band_of(p_salary IN NUMBER) RETURN VARCHAR2 IS
  BEGIN
    RETURN CASE
             WHEN p_salary <  4000 THEN 'LOW'
             WHEN p_salary < 10000 THEN 'MID'
             WHEN p_salary < 20000 THEN 'HIGH'
             ELSE 'EXEC'
           END;
  END band_of;

  FUNCTION open_emps(p_dept_id IN NUMBER) RETURN t_emp_rc IS
    l_rc t_emp_rc;
  BEGIN
    OPEN l_rc FOR
      SELECT *
        FROM employees
       WHERE department_id = p_dept_id
       ORDER BY last_name, first_name;
    RETURN l_rc;
  END open_emps;

  FUNCTION employees_of(p_dept_id IN NUMBER) RETURN t_emp_tab PIPELINED IS
    l_rc   t_emp_rc;
    l_row  employees%ROWTYPE;
  BEGIN
    OPEN l_rc FOR
      SELECT * FROM employees WHERE department_id = p_dept_id;
    LOOP
      FETCH l_rc INTO l_row;
      EXIT WHEN l_rc%NOTFOUND;
      PIPE ROW (l_row);
    END LOOP;
    CLOSE l_rc;
    RETURN;
  EXCEPTION
    WHEN NO_DATA_NEEDED THEN
      IF l_rc%ISOPEN THEN
        CLOSE l_rc;
      END IF;
      RETURN;
  END employees_of;

  FUNCTION employees_all RETURN t_emp_tab PIPELINED IS
    l_dept_id    departments.department_id%TYPE;
    l_dept_name  departments.department_name%TYPE;
    l_rc         t_emp_rc;
    l_row        employees%ROWTYPE;
  BEGIN
    OPEN c_depts;
    LOOP
      FETCH c_depts INTO l_dept_id, l_dept_name;
      EXIT WHEN c_depts%NOTFOUND;
      l_rc := open_emps(l_dept_id);
      LOOP
        FETCH l_rc INTO l_row;
        EXIT WHEN l_rc%NOTFOUND;
        PIPE ROW (l_row);
      END LOOP;
      CLOSE l_rc;
    END LOOP;
    CLOSE c_depts;
    RETURN;
  EXCEPTION
    WHEN NO_DATA_NEEDED THEN
      IF l_rc%ISOPEN THEN
        CLOSE l_rc;
      END IF;
      IF c_depts%ISOPEN THEN
        CLOSE c_depts;
      END IF;
      RETURN;
  END employees_all;

  FUNCTION salary_bands(p_src IN t_emp_rc) RETURN t_band_tab PIPELINED
    PARALLEL_ENABLE (PARTITION p_src BY ANY)
  IS
    l_row   employees%ROWTYPE;
    l_out   t_band;
  BEGIN
    LOOP
      FETCH p_src INTO l_row;
      EXIT WHEN p_src%NOTFOUND;
      l_out.employee_id := l_row.employee_id;
      l_out.last_name   := l_row.last_name;
      l_out.salary      := l_row.salary;
      l_out.band        := band_of(l_row.salary);
      PIPE ROW (l_out);
    END LOOP;
    CLOSE p_src;
    RETURN;
  EXCEPTION
    WHEN NO_DATA_NEEDED THEN
      RETURN;
  END salary_bands;

  FUNCTION dept_headcounts(p_min IN NUMBER DEFAULT 0) RETURN t_dept_tab PIPELINED IS
    l_rc   t_dept_rc;
    l_row  t_dept_count;
  BEGIN
    OPEN l_rc FOR
      SELECT d.department_id, d.department_name, COUNT(e.employee_id)
        FROM departments d
        LEFT JOIN employees e ON e.department_id = d.department_id
       GROUP BY d.department_id, d.department_name
      HAVING COUNT(e.employee_id) >= p_min
       ORDER BY d.department_name;
    LOOP
      FETCH l_rc INTO l_row;
      EXIT WHEN l_rc%NOTFOUND;
      PIPE ROW (l_row);
    END LOOP;
    RETURN;
  EXCEPTION
    WHEN NO_DATA_NEEDED THEN
      RETURN;
  END dept_headcounts;

  FUNCTION dept_names RETURN t_name_tab PIPELINED IS
    l_id    departments.department_id%TYPE;
    l_name  departments.department_name%TYPE;
  BEGIN
    OPEN c_depts;
    LOOP
      FETCH c_depts INTO l_id, l_name;
      EXIT WHEN c_depts%NOTFOUND;
      PIPE ROW (l_name);
    END LOOP;
    CLOSE c_depts;
    RETURN;
  EXCEPTION
    WHEN NO_DATA_NEEDED THEN
      RETURN;
  END dept_names;
END emp_pipeline;
/

-- Views used by the BI layer
CREATE OR REPLACE VIEW v_sales_bands AS
  SELECT *
    FROM TABLE(emp_pipeline.salary_bands(
                 CURSOR(SELECT * FROM employees WHERE job_id LIKE 'SA%')));

CREATE OR REPLACE VIEW v_dept_headcounts AS
  SELECT * FROM TABLE(emp_pipeline.dept_headcounts(1));
