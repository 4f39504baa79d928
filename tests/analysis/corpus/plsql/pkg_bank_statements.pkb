CREATE OR REPLACE PACKAGE BODY pkg_bank_statements AS
  /*
   * Imports bank statements (MT940 text in a CLOB) and matches the payments
   * to open invoices by the invoice number in the reference line :86:.
   */

  FUNCTION next_line(p_text IN CLOB, p_pos IN OUT NUMBER) RETURN VARCHAR2 IS
    l_end  NUMBER;
    l_line VARCHAR2(4000);
  BEGIN
    IF p_pos > dbms_lob.getlength(p_text) THEN
      RETURN NULL;
    END IF;
    l_end := dbms_lob.instr(p_text, CHR(10), p_pos);
    IF l_end = 0 THEN
      l_end := dbms_lob.getlength(p_text) + 1;
    END IF;
    l_line := RTRIM(dbms_lob.substr(p_text, l_end - p_pos, p_pos), CHR(13));
    p_pos := l_end + 1;
    RETURN l_line;
  END next_line;

  FUNCTION match_invoice(p_reference IN VARCHAR2, p_amount IN NUMBER) RETURN NUMBER IS
    CURSOR c_by_number(cp_number VARCHAR2) IS
      SELECT invoice_id, open_amount
        FROM invoices
       WHERE invoice_no = cp_number
         AND open_amount > 0;
    CURSOR c_by_amount(cp_amount NUMBER) IS
      SELECT invoice_id, open_amount
        FROM invoices
       WHERE open_amount = cp_amount
         AND due_date > SYSDATE - 90;
    l_number  VARCHAR2(20) := REGEXP_SUBSTR(p_reference, 'INV[0-9]{7}');
    l_invoice invoices.invoice_id%TYPE;
    l_open    invoices.open_amount%TYPE;
  BEGIN
    CASE
      WHEN l_number IS NOT NULL THEN
        OPEN c_by_number(l_number);
        FETCH c_by_number INTO l_invoice, l_open;
        CLOSE c_by_number;
      ELSE
        OPEN c_by_amount(p_amount);
        FETCH c_by_amount INTO l_invoice, l_open;
        IF c_by_amount%ROWCOUNT = 1 THEN
          FETCH c_by_amount INTO l_invoice, l_open;
          IF c_by_amount%FOUND THEN
            l_invoice := NULL; -- two invoices with this amount: leave it to a person
          END IF;
        END IF;
        CLOSE c_by_amount;
    END CASE;
    RETURN l_invoice;
  END match_invoice;

  PROCEDURE import(p_statement IN CLOB, p_account_id IN NUMBER) IS
    l_pos       NUMBER := 1;
    l_line      VARCHAR2(4000);
    l_amount    NUMBER;
    l_booked    DATE;
    l_invoice   NUMBER;
    l_count     PLS_INTEGER := 0;
  BEGIN
    LOOP
      l_line := next_line(p_statement, l_pos);
      EXIT WHEN l_line IS NULL;
      CASE SUBSTR(l_line, 1, 4)
        WHEN ':61:' THEN
          l_booked := TO_DATE(SUBSTR(l_line, 5, 6), 'YYMMDD');
          l_amount := TO_NUMBER(REPLACE(REGEXP_SUBSTR(l_line, '[0-9]+,[0-9]*'), ',', '.'),
                                '999999999990D99', 'NLS_NUMERIC_CHARACTERS=''.,''');
          IF SUBSTR(l_line, 11, 1) = 'D' OR SUBSTR(l_line, 15, 1) = 'D' THEN
            l_amount := -l_amount;
          END IF;
        WHEN ':86:' THEN
          IF l_amount > 0 THEN
            l_invoice := match_invoice(SUBSTR(l_line, 5), l_amount);
            INSERT INTO payments (payment_id, account_id, booked_on, amount, reference, invoice_id)
            VALUES (payments_seq.NEXTVAL, p_account_id, l_booked, l_amount, SUBSTR(l_line, 5, 390), l_invoice);
            IF l_invoice IS NOT NULL THEN
              UPDATE invoices SET open_amount = open_amount - l_amount WHERE invoice_id = l_invoice;
            END IF;
            l_count := l_count + 1;
          END IF;
        ELSE
          NULL;
      END CASE;
    END LOOP;
    INSERT INTO statement_imports (account_id, imported_at, payments) VALUES (p_account_id, SYSDATE, l_count);
  END import;

END pkg_bank_statements;
/
