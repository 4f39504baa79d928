CREATE OR REPLACE PACKAGE pkg_billing
AS
   -- public interface of pkg_billing

   TYPE t_id_tab  IS TABLE OF NUMBER INDEX BY PLS_INTEGER;
   TYPE t_num_tab IS TABLE OF NUMBER INDEX BY PLS_INTEGER;
   gc_batch     CONSTANT PLS_INTEGER := 500;

   -- cursor with its query in this header only
   CURSOR c_due_invoice (p_days IN PLS_INTEGER) IS
      SELECT invoice_id, invoice_no, due_date
        FROM bil_invoices
       WHERE due_date < SYSDATE - p_days
       ORDER BY due_date;

   -- cursor with its query in this header only
   CURSOR c_due_payment (p_days IN PLS_INTEGER) IS
      SELECT payment_id, payment_ref, paid_on
        FROM bil_payments
       WHERE paid_on < SYSDATE - p_days
       ORDER BY paid_on;

   FUNCTION get_invoice (p_id IN bil_invoices.invoice_id%TYPE) RETURN bil_invoices%ROWTYPE;
   FUNCTION get_invoice (p_code IN VARCHAR2) RETURN bil_invoices%ROWTYPE;
   FUNCTION list_invoices (p_status IN VARCHAR2 DEFAULT NULL) RETURN SYS_REFCURSOR;
   PROCEDURE open_invoices_for (p_parent IN NUMBER, p_rc OUT SYS_REFCURSOR);
   FUNCTION count_invoices (p_status IN VARCHAR2) RETURN PLS_INTEGER;
   PROCEDURE archive_invoices (p_before IN DATE);
   PROCEDURE recalc_invoice_totals;
   PROCEDURE rebuild_invoice_index (p_days IN PLS_INTEGER DEFAULT 30);
   PROCEDURE export_invoice_lines (p_file IN UTL_FILE.FILE_TYPE);
   PROCEDURE sync_invoice_status;
   PROCEDURE adjust_invoices (p_ids IN t_id_tab, p_pct IN NUMBER);
   PROCEDURE bulk_set_invoice_status (p_ids IN t_id_tab, p_status IN VARCHAR2);
   PROCEDURE summarize_invoices (p_mode IN VARCHAR2, p_limit IN PLS_INTEGER);
   PROCEDURE purge_invoice_dupes;
   PROCEDURE drain_invoice_queue (p_max IN PLS_INTEGER DEFAULT 100);
   PROCEDURE put_invoice (p_row IN bil_invoices%ROWTYPE);
   PROCEDURE peek_invoices (p_parent IN NUMBER, p_total OUT NUMBER, p_rc OUT SYS_REFCURSOR);

   FUNCTION get_payment (p_id IN bil_payments.payment_id%TYPE) RETURN bil_payments%ROWTYPE;
   FUNCTION get_payment (p_code IN VARCHAR2) RETURN bil_payments%ROWTYPE;
   FUNCTION list_payments (p_status IN VARCHAR2 DEFAULT NULL) RETURN SYS_REFCURSOR;
   PROCEDURE open_payments_for (p_parent IN NUMBER, p_rc OUT SYS_REFCURSOR);
   FUNCTION count_payments (p_status IN VARCHAR2) RETURN PLS_INTEGER;
   PROCEDURE archive_payments (p_before IN DATE);
   PROCEDURE recalc_payment_totals;
   PROCEDURE rebuild_payment_index (p_days IN PLS_INTEGER DEFAULT 30);
   PROCEDURE export_payment_lines (p_file IN UTL_FILE.FILE_TYPE);
   PROCEDURE sync_payment_status;
   PROCEDURE adjust_payments (p_ids IN t_id_tab, p_pct IN NUMBER);
   PROCEDURE bulk_set_payment_status (p_ids IN t_id_tab, p_status IN VARCHAR2);
   PROCEDURE summarize_payments (p_mode IN VARCHAR2, p_limit IN PLS_INTEGER);
   PROCEDURE purge_payment_dupes;
   PROCEDURE drain_payment_queue (p_max IN PLS_INTEGER DEFAULT 100);
   PROCEDURE put_payment (p_row IN bil_payments%ROWTYPE);
   PROCEDURE peek_payments (p_parent IN NUMBER, p_total OUT NUMBER, p_rc OUT SYS_REFCURSOR);

   PROCEDURE process_batch (p_run_date IN DATE DEFAULT TRUNC(SYSDATE),
                            p_dry_run  IN BOOLEAN DEFAULT FALSE);
   PROCEDURE reset_state;
END pkg_billing;
/
