CREATE OR REPLACE PACKAGE pkg_payroll
AS
   -- public interface of pkg_payroll

   TYPE t_id_tab  IS TABLE OF NUMBER INDEX BY PLS_INTEGER;
   TYPE t_num_tab IS TABLE OF NUMBER INDEX BY PLS_INTEGER;
   gc_batch     CONSTANT PLS_INTEGER := 500;

   -- cursor with its query in this header only
   CURSOR c_due_employee (p_days IN PLS_INTEGER) IS
      SELECT emp_id, badge_no, hired_on
        FROM hr_employees
       WHERE hired_on < SYSDATE - p_days
       ORDER BY hired_on;

   -- cursor with its query in this header only
   CURSOR c_due_payslip (p_days IN PLS_INTEGER) IS
      SELECT slip_id, slip_no, pay_date
        FROM hr_payslips
       WHERE pay_date < SYSDATE - p_days
       ORDER BY pay_date;

   FUNCTION get_employee (p_id IN hr_employees.emp_id%TYPE) RETURN hr_employees%ROWTYPE;
   FUNCTION get_employee (p_code IN VARCHAR2) RETURN hr_employees%ROWTYPE;
   FUNCTION list_employees (p_status IN VARCHAR2 DEFAULT NULL) RETURN SYS_REFCURSOR;
   PROCEDURE open_employees_for (p_parent IN NUMBER, p_rc OUT SYS_REFCURSOR);
   FUNCTION count_employees (p_status IN VARCHAR2) RETURN PLS_INTEGER;
   PROCEDURE archive_employees (p_before IN DATE);
   PROCEDURE recalc_employee_totals;
   PROCEDURE rebuild_employee_index (p_days IN PLS_INTEGER DEFAULT 30);
   PROCEDURE export_employee_lines (p_file IN UTL_FILE.FILE_TYPE);
   PROCEDURE sync_employee_status;
   PROCEDURE adjust_employees (p_ids IN t_id_tab, p_pct IN NUMBER);
   PROCEDURE bulk_set_employee_status (p_ids IN t_id_tab, p_status IN VARCHAR2);
   PROCEDURE summarize_employees (p_mode IN VARCHAR2, p_limit IN PLS_INTEGER);
   PROCEDURE purge_employee_dupes;
   PROCEDURE drain_employee_queue (p_max IN PLS_INTEGER DEFAULT 100);
   PROCEDURE put_employee (p_row IN hr_employees%ROWTYPE);
   PROCEDURE peek_employees (p_parent IN NUMBER, p_total OUT NUMBER, p_rc OUT SYS_REFCURSOR);

   FUNCTION get_payslip (p_id IN hr_payslips.slip_id%TYPE) RETURN hr_payslips%ROWTYPE;
   FUNCTION get_payslip (p_code IN VARCHAR2) RETURN hr_payslips%ROWTYPE;
   FUNCTION list_payslips (p_status IN VARCHAR2 DEFAULT NULL) RETURN SYS_REFCURSOR;
   PROCEDURE open_payslips_for (p_parent IN NUMBER, p_rc OUT SYS_REFCURSOR);
   FUNCTION count_payslips (p_status IN VARCHAR2) RETURN PLS_INTEGER;
   PROCEDURE archive_payslips (p_before IN DATE);
   PROCEDURE recalc_payslip_totals;
   PROCEDURE rebuild_payslip_index (p_days IN PLS_INTEGER DEFAULT 30);
   PROCEDURE export_payslip_lines (p_file IN UTL_FILE.FILE_TYPE);
   PROCEDURE sync_payslip_status;
   PROCEDURE adjust_payslips (p_ids IN t_id_tab, p_pct IN NUMBER);
   PROCEDURE bulk_set_payslip_status (p_ids IN t_id_tab, p_status IN VARCHAR2);
   PROCEDURE summarize_payslips (p_mode IN VARCHAR2, p_limit IN PLS_INTEGER);
   PROCEDURE purge_payslip_dupes;
   PROCEDURE drain_payslip_queue (p_max IN PLS_INTEGER DEFAULT 100);
   PROCEDURE put_payslip (p_row IN hr_payslips%ROWTYPE);
   PROCEDURE peek_payslips (p_parent IN NUMBER, p_total OUT NUMBER, p_rc OUT SYS_REFCURSOR);

   PROCEDURE process_batch (p_run_date IN DATE DEFAULT TRUNC(SYSDATE),
                            p_dry_run  IN BOOLEAN DEFAULT FALSE);
   PROCEDURE reset_state;
END pkg_payroll;
/
