CREATE OR REPLACE PACKAGE BODY pkg_dunning AS
  -- Dunning run: finds overdue invoices, raises the dunning level and creates
  -- the letters. Level 3 blocks the customer for new orders.

  CURSOR c_overdue(cp_as_of DATE) IS
    SELECT i.invoice_id, i.customer_id, i.due_date, i.open_amount, NVL(i.dunning_level, 0) AS dunning_level
      FROM invoices i
     WHERE i.open_amount > 0
       AND i.due_date < cp_as_of - 7
       AND NVL(i.dunning_hold, 'N') = 'N'
     ORDER BY i.customer_id, i.due_date;

  TYPE t_fee_table IS TABLE OF NUMBER INDEX BY PLS_INTEGER;
  g_fees t_fee_table;

  PROCEDURE load_fees IS
  BEGIN
    g_fees(1) := 0;
    g_fees(2) := 5;
    g_fees(3) := 15;
  END load_fees;

  FUNCTION customer_language(p_customer_id IN NUMBER) RETURN VARCHAR2 IS
    CURSOR c_lang IS
      SELECT NVL(language_code, 'EN')
        FROM customers
       WHERE customer_id = p_customer_id;
    l_lang VARCHAR2(2);
  BEGIN
    OPEN c_lang;
    FETCH c_lang INTO l_lang;
    IF c_lang%NOTFOUND THEN
      l_lang := 'EN';
    END IF;
    RETURN l_lang;
  END customer_language;

  PROCEDURE create_letter(p_invoice_id IN NUMBER, p_customer_id IN NUMBER, p_level IN PLS_INTEGER) IS
  BEGIN
    INSERT INTO dunning_letters (letter_id, invoice_id, customer_id, dunning_level, fee, language_code, created_at)
    VALUES (dunning_letters_seq.NEXTVAL, p_invoice_id, p_customer_id, p_level, g_fees(p_level),
            customer_language(p_customer_id), SYSDATE);
  END create_letter;

  PROCEDURE run(p_as_of IN DATE DEFAULT TRUNC(SYSDATE)) IS
    l_inv   c_overdue%ROWTYPE;
    l_level PLS_INTEGER;
  BEGIN
    load_fees;
    OPEN c_overdue(p_as_of);
    LOOP
      FETCH c_overdue INTO l_inv;
      EXIT WHEN c_overdue%NOTFOUND;
      l_level := LEAST(l_inv.dunning_level + 1, 3);
      UPDATE invoices
         SET dunning_level = l_level,
             last_dunned_at = p_as_of
       WHERE invoice_id = l_inv.invoice_id;
      create_letter(l_inv.invoice_id, l_inv.customer_id, l_level);
      IF l_level = 3 THEN
        UPDATE customers SET order_block = 'Y', block_reason = 'DUNNING' WHERE customer_id = l_inv.customer_id;
      END IF;
    END LOOP;
    CLOSE c_overdue;
    COMMIT;
  EXCEPTION
    WHEN OTHERS THEN
      ROLLBACK;
      INSERT INTO job_errors (job_name, failed_at, message) VALUES ('DUNNING', SYSDATE, SQLERRM);
      COMMIT;
  END run;

  FUNCTION overdue_total(p_customer_id IN NUMBER, p_as_of IN DATE) RETURN NUMBER IS
    l_total NUMBER := 0;
  BEGIN
    FOR r IN c_overdue(p_as_of) LOOP
      IF r.customer_id = p_customer_id THEN
        l_total := l_total + r.open_amount;
      END IF;
    END LOOP;
    RETURN l_total;
  END overdue_total;

END pkg_dunning;
/
