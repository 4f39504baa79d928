CREATE OR REPLACE PACKAGE BODY pkg_invoice_batch AS

  -- Orders that are delivered and not yet invoiced, oldest first.
  CURSOR c_uninvoiced(cp_cutoff DATE) IS
    SELECT o.order_id, o.customer_id, o.total_amount, o.delivered_at
      FROM orders o
     WHERE o.status = 'DELIVERED'
       AND o.invoice_id IS NULL
       AND o.delivered_at < cp_cutoff
     ORDER BY o.delivered_at;

  CURSOR c_draft_invoices IS
    SELECT invoice_id, customer_id
      FROM invoices
     WHERE status = 'DRAFT'
     FOR UPDATE;

  g_batch_id NUMBER;

  PROCEDURE log_step(p_text IN VARCHAR2) IS
    PRAGMA AUTONOMOUS_TRANSACTION;
  BEGIN
    INSERT INTO batch_log (batch_id, logged_at, message)
    VALUES (g_batch_id, SYSTIMESTAMP, SUBSTR(p_text, 1, 4000));
    COMMIT;
  END log_step;

  FUNCTION new_invoice(p_customer_id IN NUMBER) RETURN NUMBER IS
    l_invoice_id invoices.invoice_id%TYPE;
  BEGIN
    INSERT INTO invoices (invoice_id, customer_id, status, created_at)
    VALUES (invoices_seq.NEXTVAL, p_customer_id, 'DRAFT', SYSDATE)
    RETURNING invoice_id INTO l_invoice_id;
    RETURN l_invoice_id;
  END new_invoice;

  PROCEDURE create_invoices(p_cutoff IN DATE DEFAULT TRUNC(SYSDATE)) IS
    l_row        c_uninvoiced%ROWTYPE;
    l_invoice_id invoices.invoice_id%TYPE;
    l_last_cust  orders.customer_id%TYPE := -1;
    l_count      PLS_INTEGER := 0;
  BEGIN
    SELECT batch_seq.NEXTVAL INTO g_batch_id FROM dual;
    log_step('create_invoices started, cutoff ' || TO_CHAR(p_cutoff, 'YYYY-MM-DD'));
    OPEN c_uninvoiced(p_cutoff);
    LOOP
      FETCH c_uninvoiced INTO l_row;
      EXIT WHEN c_uninvoiced%NOTFOUND;
      IF l_row.customer_id <> l_last_cust THEN
        l_invoice_id := new_invoice(l_row.customer_id);
        l_last_cust := l_row.customer_id;
      END IF;
      UPDATE orders SET invoice_id = l_invoice_id WHERE order_id = l_row.order_id;
      l_count := l_count + 1;
    END LOOP;
    CLOSE c_uninvoiced;
    log_step(l_count || ' orders invoiced');
  EXCEPTION
    WHEN OTHERS THEN
      log_step('create_invoices failed: ' || SQLERRM);
      RAISE;
  END create_invoices;

  PROCEDURE finalise_invoices IS
    l_invoice_id invoices.invoice_id%TYPE;
    l_customer   invoices.customer_id%TYPE;
  BEGIN
    OPEN c_draft_invoices;
    LOOP
      FETCH c_draft_invoices INTO l_invoice_id, l_customer;
      EXIT WHEN c_draft_invoices%NOTFOUND;
      UPDATE invoices
         SET status = 'FINAL',
             total_amount = (SELECT SUM(total_amount) FROM orders WHERE invoice_id = l_invoice_id)
       WHERE CURRENT OF c_draft_invoices;
    END LOOP;
    CLOSE c_draft_invoices;
  EXCEPTION
    WHEN OTHERS THEN
      IF c_draft_invoices%ISOPEN THEN
        CLOSE c_draft_invoices;
      END IF;
      log_step('finalise_invoices failed: ' || SQLERRM);
      RAISE;
  END finalise_invoices;

  PROCEDURE preview(p_cutoff IN DATE) IS
    l_row c_uninvoiced%ROWTYPE;
  BEGIN
    OPEN c_uninvoiced(p_cutoff);
    FETCH c_uninvoiced INTO l_row;
    WHILE c_uninvoiced%FOUND LOOP
      dbms_output.put_line(l_row.order_id || ' ' || l_row.total_amount);
      FETCH c_uninvoiced INTO l_row;
    END LOOP;
    CLOSE c_uninvoiced;
  END preview;

  PROCEDURE run(p_cutoff IN DATE DEFAULT TRUNC(SYSDATE)) IS
  BEGIN
    create_invoices(p_cutoff);
    finalise_invoices;
    COMMIT;
  EXCEPTION
    WHEN OTHERS THEN
      ROLLBACK;
      RAISE;
  END run;

END pkg_invoice_batch;
/
