SET DEFINE OFF
SET SQLBLANKLINES ON
PROMPT Creating package HR_PAYROLL_PKG

CREATE OR REPLACE PACKAGE hr_payroll_pkg AUTHID DEFINER AS
  /*
   * ============================================================================
   *  HR_PAYROLL_PKG
   *
   *  Monthly payroll calculation and posting.
   *
   *  Typical call sequence of the nightly job:
   *
   *     BEGIN
   *        hr_payroll_pkg.calc_batch(:batch_id);
   *        hr_payroll_pkg.post_batch(:batch_id);
   *     END;
   *
   *  Notes
   *  -----
   *  - All routines raise ORA-20100 .. ORA-20199 for business errors.
   *  - The package keeps a few cursors at package level; callers never see
   *    them, they are OPENed and CLOSEd inside the body.
   *  - get_department_staff hands an open cursor to the caller, the caller
   *    must close it when done.
   *
   *  History
   *  -------
   *  2014-03-02  jdoe    created
   *  2016-11-19  mkhan   grade lookup moved from trigger into the package
   *  2019-06-07  jdoe    post_batch skips lines that were already posted
   *  2021-01-12  rsingh  run_payroll added for the scheduler job
   * ============================================================================
   */

  gc_version        CONSTANT VARCHAR2(10) := '2.4.1';
  gc_status_open    CONSTANT VARCHAR2(20) := 'OPEN';
  gc_status_closed  CONSTANT VARCHAR2(20) := 'CLOSED';
  gc_status_posted  CONSTANT VARCHAR2(20) := 'POSTED';

  -- Strongly typed cursor variable for employee lists
  TYPE t_emp_cur IS REF CURSOR RETURN employees%ROWTYPE;

  -- One calculated pay line
  TYPE t_pay_line IS RECORD (
    employee_id  employees.employee_id%TYPE,
    gross        NUMBER(12,2),
    tax          NUMBER(12,2),
    net          NUMBER(12,2)
  );
  TYPE t_pay_lines IS TABLE OF t_pay_line INDEX BY PLS_INTEGER;

  -- Number of employees per salary grade, indexed by grade id
  TYPE t_grade_count IS TABLE OF PLS_INTEGER INDEX BY PLS_INTEGER;

  -- Raised when the batch header is locked by another session (ORA-00054)
  e_batch_locked EXCEPTION;
  PRAGMA EXCEPTION_INIT(e_batch_locked, -54);

  -- Raised when no open pay period exists
  e_no_open_period EXCEPTION;
  PRAGMA EXCEPTION_INIT(e_no_open_period, -20101);

  ------------------------------------------------------------------------------
  -- calc_batch
  --   Calculates gross, tax and net pay for every member of the batch and
  --   stores the result in PAY_LINES. Sets the batch status to CALCULATED.
  ------------------------------------------------------------------------------
  PROCEDURE calc_batch (p_batch_id IN NUMBER);

  ------------------------------------------------------------------------------
  -- post_batch
  --   Writes the GL postings of a calculated batch. Lines that were posted
  --   by an earlier, interrupted run are skipped.
  ------------------------------------------------------------------------------
  PROCEDURE post_batch (p_batch_id IN NUMBER);

  ------------------------------------------------------------------------------
  -- recalc_department
  --   Re-derives the salary grade of every active employee of a department.
  ------------------------------------------------------------------------------
  PROCEDURE recalc_department (p_dept_id IN NUMBER);

  ------------------------------------------------------------------------------
  -- get_department_staff
  --   Returns an open cursor over the staff of a department, sorted by name.
  --   The caller must CLOSE the cursor.
  ------------------------------------------------------------------------------
  PROCEDURE get_department_staff (
    p_dept_id IN  NUMBER,
    p_rc      OUT t_emp_cur
  );

  ------------------------------------------------------------------------------
  -- grade_histogram
  --   Number of employees per salary grade.
  ------------------------------------------------------------------------------
  PROCEDURE grade_histogram (p_counts OUT t_grade_count);

  ------------------------------------------------------------------------------
  -- grade_for_salary
  --   Salary grade id for a yearly salary, NULL when no grade matches.
  ------------------------------------------------------------------------------
  FUNCTION grade_for_salary (p_salary IN NUMBER) RETURN NUMBER;

  ------------------------------------------------------------------------------
  -- current_period
  --   The earliest pay period that is still open.
  --   Raises e_no_open_period when there is none.
  ------------------------------------------------------------------------------
  FUNCTION current_period RETURN pay_periods.period_id%TYPE;

  ------------------------------------------------------------------------------
  -- run_payroll
  --   Entry point of the scheduler job: calculates and posts all batches of
  --   the current period. A failing batch is logged and does not stop the
  --   others.
  ------------------------------------------------------------------------------
  PROCEDURE run_payroll;

END hr_payroll_pkg;
/
SHOW ERRORS

PROMPT Done.
