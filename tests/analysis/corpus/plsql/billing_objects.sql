--------------------------------------------------------------------------------
-- billing_objects.sql
-- Standalone billing functions, procedures and triggers.
-- Run with SQL*Plus / SQLcl as the BILLING owner:  @billing_objects.sql
--------------------------------------------------------------------------------
SET DEFINE OFF
SET SERVEROUTPUT ON SIZE UNLIMITED

PROMPT === function get_customer_invoices
CREATE OR REPLACE FUNCTION get_customer_invoices(p_customer_id IN NUMBER,
                                                 p_open_only   IN VARCHAR2 DEFAULT 'Y')
  RETURN SYS_REFCURSOR
IS
  l_rc SYS_REFCURSOR;
BEGIN
  OPEN l_rc FOR
    SELECT invoice_id, invoice_date, due_date, total_amount, paid_amount
      FROM invoices
     WHERE customer_id = p_customer_id
       AND (p_open_only = 'N' OR paid_amount < total_amount)
     ORDER BY invoice_date DESC;
  RETURN l_rc;
END get_customer_invoices;
/
SHOW ERRORS

PROMPT === procedure list_invoices
CREATE OR REPLACE PROCEDURE list_invoices(p_from IN DATE,
                                          p_to   IN DATE,
                                          o_rc   OUT SYS_REFCURSOR)
IS
BEGIN
  OPEN o_rc FOR
    SELECT i.invoice_id, c.customer_name, i.invoice_date, i.total_amount
      FROM invoices i
      JOIN customers c ON c.customer_id = i.customer_id
     WHERE i.invoice_date BETWEEN p_from AND p_to
     ORDER BY i.invoice_date, i.invoice_id;
EXCEPTION
  WHEN OTHERS THEN
    IF o_rc%ISOPEN THEN
      CLOSE o_rc;
    END IF;
    RAISE;
END list_invoices;
/
SHOW ERRORS

PROMPT === function invoice_total
CREATE OR REPLACE FUNCTION invoice_total(p_invoice_id IN NUMBER) RETURN NUMBER
IS
  CURSOR c_lines IS
    SELECT SUM(quantity * unit_price * (1 - NVL(discount_pct, 0) / 100))
      FROM invoice_lines
     WHERE invoice_id = p_invoice_id;
  l_total NUMBER;
BEGIN
  OPEN c_lines;
  FETCH c_lines INTO l_total;
  CLOSE c_lines;
  RETURN NVL(l_total, 0);
EXCEPTION
  WHEN NO_DATA_FOUND THEN
    RETURN 0;
  WHEN OTHERS THEN
    IF c_lines%ISOPEN THEN
      CLOSE c_lines;
    END IF;
    RAISE;
END invoice_total;
/
SHOW ERRORS

PROMPT === procedure print_cursor
CREATE OR REPLACE PROCEDURE print_cursor(p_rc IN OUT SYS_REFCURSOR,
                                         p_title IN VARCHAR2 DEFAULT NULL)
IS
  l_cur    INTEGER;
  l_cols   DBMS_SQL.desc_tab2;
  l_ncols  INTEGER;
  l_val    VARCHAR2(4000);
  l_line   VARCHAR2(32767);
BEGIN
  l_cur := DBMS_SQL.to_cursor_number(p_rc);
  DBMS_SQL.describe_columns2(l_cur, l_ncols, l_cols);
  FOR i IN 1 .. l_ncols LOOP
    DBMS_SQL.define_column(l_cur, i, l_val, 4000);
    l_line := l_line || RPAD(l_cols(i).col_name, 20);
  END LOOP;
  IF p_title IS NOT NULL THEN
    DBMS_OUTPUT.put_line('--- ' || p_title);
  END IF;
  DBMS_OUTPUT.put_line(l_line);
  WHILE DBMS_SQL.fetch_rows(l_cur) > 0 LOOP
    l_line := NULL;
    FOR i IN 1 .. l_ncols LOOP
      DBMS_SQL.column_value(l_cur, i, l_val);
      l_line := l_line || RPAD(NVL(l_val, ' '), 20);
    END LOOP;
    DBMS_OUTPUT.put_line(l_line);
  END LOOP;
  DBMS_SQL.close_cursor(l_cur);
END print_cursor;
/
SHOW ERRORS

PROMPT === procedure show_overdue
CREATE OR REPLACE PROCEDURE show_overdue(p_days IN PLS_INTEGER DEFAULT 30)
IS
  l_rc SYS_REFCURSOR;
BEGIN
  OPEN l_rc FOR
    SELECT invoice_id, customer_id, due_date, total_amount - paid_amount AS open_amount
      FROM invoices
     WHERE due_date < TRUNC(SYSDATE) - p_days
       AND paid_amount < total_amount
     ORDER BY due_date;
  print_cursor(l_rc, 'Overdue more than ' || p_days || ' days');
END show_overdue;
/
SHOW ERRORS

PROMPT === function overdue_summary
CREATE OR REPLACE FUNCTION overdue_summary RETURN VARCHAR2
IS
  l_rc      SYS_REFCURSOR;
  l_count   NUMBER;
  l_amount  NUMBER;

  PROCEDURE close_rc IS
  BEGIN
    IF l_rc%ISOPEN THEN
      CLOSE l_rc;
    END IF;
  END close_rc;
BEGIN
  OPEN l_rc FOR
    SELECT COUNT(*), SUM(total_amount - paid_amount)
      FROM invoices
     WHERE due_date < TRUNC(SYSDATE)
       AND paid_amount < total_amount;
  FETCH l_rc INTO l_count, l_amount;
  close_rc;
  RETURN l_count || ' overdue invoices, ' || TO_CHAR(l_amount, 'FM999G999G990D00') || ' open';
EXCEPTION
  WHEN OTHERS THEN
    close_rc;
    RAISE;
END overdue_summary;
/
SHOW ERRORS

PROMPT === trigger trg_invoice_lines_biu
CREATE OR REPLACE TRIGGER trg_invoice_lines_biu
  BEFORE INSERT OR UPDATE OF product_id, quantity ON invoice_lines
  FOR EACH ROW
DECLARE
  CURSOR c_price(p_product_id IN NUMBER, p_on IN DATE) IS
    SELECT unit_price, discount_pct
      FROM price_list
     WHERE product_id = p_product_id
       AND p_on BETWEEN valid_from AND NVL(valid_to, p_on)
     ORDER BY valid_from DESC;
  l_price     price_list.unit_price%TYPE;
  l_discount  price_list.discount_pct%TYPE;
BEGIN
  IF :NEW.unit_price IS NULL THEN
    OPEN c_price(:NEW.product_id, NVL(:NEW.line_date, SYSDATE));
    FETCH c_price INTO l_price, l_discount;
    IF c_price%NOTFOUND THEN
      raise_application_error(-20020, 'no price for product ' || :NEW.product_id);
    END IF;
    :NEW.unit_price   := l_price;
    :NEW.discount_pct := NVL(:NEW.discount_pct, l_discount);
  END IF;
END trg_invoice_lines_biu;
/
SHOW ERRORS

PROMPT === trigger trg_invoices_bu
CREATE OR REPLACE TRIGGER trg_invoices_bu
  BEFORE UPDATE OF paid_amount ON invoices
  FOR EACH ROW
DECLARE
  CURSOR c_customer IS
    SELECT credit_hold FROM customers WHERE customer_id = :NEW.customer_id;
  l_hold customers.credit_hold%TYPE;
BEGIN
  OPEN c_customer;
  FETCH c_customer INTO l_hold;
  CLOSE c_customer;
  IF l_hold = 'Y' AND :NEW.paid_amount >= :NEW.total_amount THEN
    :NEW.release_hold_flag := 'Y';
  END IF;
END trg_invoices_bu;
/
SHOW ERRORS

PROMPT === smoke test
DECLARE
  l_rc      SYS_REFCURSOR;
  l_id      NUMBER;
  l_date    DATE;
  l_due     DATE;
  l_total   NUMBER;
  l_paid    NUMBER;
BEGIN
  OPEN l_rc FOR SELECT MIN(customer_id) FROM customers;
  FETCH l_rc INTO l_id;
  l_rc := get_customer_invoices(l_id);
  FETCH l_rc INTO l_id, l_date, l_due, l_total, l_paid;
  DBMS_OUTPUT.put_line('first open invoice: ' || l_id || ' total ' || l_total);
  DBMS_OUTPUT.put_line(overdue_summary);
END;
/
