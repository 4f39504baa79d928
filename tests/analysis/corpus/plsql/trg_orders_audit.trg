--------------------------------------------------------------------------------
-- trg_orders_audit.trg
--
-- Triggers of the ORDERS and ORDER_LINES tables.
--   TRG_ORDERS_AUDIT     compound trigger: status history + customer totals
--   TRG_ORDER_LINES_BIU  row trigger: default unit price from the price list
--------------------------------------------------------------------------------
SET DEFINE OFF

PROMPT Creating trigger TRG_ORDERS_AUDIT

CREATE OR REPLACE EDITIONABLE TRIGGER trg_orders_audit
  FOR INSERT OR UPDATE OF status OR DELETE ON orders
  COMPOUND TRIGGER

  -- state shared by the timing points of one statement
  TYPE t_hist_tab IS TABLE OF order_status_history%ROWTYPE INDEX BY PLS_INTEGER;
  g_hist      t_hist_tab;
  g_customers SYS.ODCINUMBERLIST := SYS.ODCINUMBERLIST();

  c_flush_limit CONSTANT PLS_INTEGER := 1000;

  PROCEDURE flush_history IS
  BEGIN
    FORALL i IN 1 .. g_hist.COUNT
      INSERT INTO order_status_history VALUES g_hist(i);
    g_hist.DELETE;
  END flush_history;

  BEFORE STATEMENT IS
  BEGIN
    g_hist.DELETE;
    g_customers.DELETE;
  END BEFORE STATEMENT;

  BEFORE EACH ROW IS
  BEGIN
    IF INSERTING THEN
      :NEW.status     := NVL(:NEW.status, 'OPEN');
      :NEW.created_at := SYSTIMESTAMP;
    ELSIF UPDATING('STATUS') AND :NEW.status = 'CLOSED' THEN
      :NEW.close_date := SYSDATE;
    END IF;
  END BEFORE EACH ROW;

  AFTER EACH ROW IS
    l_idx PLS_INTEGER := g_hist.COUNT + 1;
  BEGIN
    g_hist(l_idx).order_id   := COALESCE(:NEW.order_id, :OLD.order_id);
    g_hist(l_idx).old_status := :OLD.status;
    g_hist(l_idx).new_status := CASE
                                  WHEN DELETING THEN 'DELETED'
                                  ELSE :NEW.status
                                END;
    g_hist(l_idx).changed_at := SYSTIMESTAMP;
    g_hist(l_idx).changed_by := SYS_CONTEXT('USERENV', 'SESSION_USER');

    g_customers.EXTEND;
    g_customers(g_customers.COUNT) := COALESCE(:NEW.customer_id, :OLD.customer_id);

    IF g_hist.COUNT >= c_flush_limit THEN
      flush_history;
    END IF;
  END AFTER EACH ROW;

  AFTER STATEMENT IS
    CURSOR c_cust IS
      SELECT DISTINCT COLUMN_VALUE AS customer_id
        FROM TABLE(g_customers);
    l_cust NUMBER;
  BEGIN
    flush_history;

    OPEN c_cust;
    LOOP
      FETCH c_cust INTO l_cust;
      EXIT WHEN c_cust%NOTFOUND;

      MERGE INTO customer_stats cs
      USING (SELECT l_cust AS customer_id,
                    COUNT(CASE WHEN status = 'OPEN' THEN 1 END) AS open_cnt,
                    MAX(order_date)                             AS last_date
               FROM orders
              WHERE customer_id = l_cust) src
         ON (cs.customer_id = src.customer_id)
       WHEN MATCHED THEN
         UPDATE SET cs.open_orders = src.open_cnt, cs.last_order_date = src.last_date
       WHEN NOT MATCHED THEN
         INSERT (customer_id, open_orders, last_order_date)
         VALUES (src.customer_id, src.open_cnt, src.last_date);
    END LOOP;
    CLOSE c_cust;
  END AFTER STATEMENT;

END trg_orders_audit;
/
SHOW ERRORS TRIGGER trg_orders_audit

PROMPT Creating trigger TRG_ORDER_LINES_BIU

CREATE OR REPLACE TRIGGER trg_order_lines_biu
  BEFORE INSERT OR UPDATE OF item_id, quantity ON order_lines
  FOR EACH ROW
  WHEN (NEW.quantity > 0)
DECLARE
  CURSOR c_price (cp_item_id NUMBER, cp_date DATE) IS
    SELECT unit_price, discount_pct
      FROM price_list
     WHERE item_id = cp_item_id
       AND cp_date BETWEEN valid_from AND NVL(valid_to, cp_date)
     ORDER BY valid_from DESC;
  l_price    price_list.unit_price%TYPE;
  l_discount price_list.discount_pct%TYPE;
BEGIN
  IF :NEW.unit_price IS NULL THEN
    OPEN c_price(:NEW.item_id, SYSDATE);
    FETCH c_price INTO l_price, l_discount;
    IF c_price%NOTFOUND THEN
      RAISE_APPLICATION_ERROR(-20601, 'No price for item ' || :NEW.item_id);
    END IF;
    :NEW.unit_price := ROUND(l_price * (1 - NVL(l_discount, 0) / 100), 2);
  END IF;

  :NEW.line_amount := :NEW.quantity * :NEW.unit_price;

  IF :NEW.status IS NULL THEN
    :NEW.status := CASE WHEN :NEW.quantity > 0 THEN 'OPEN' ELSE 'CLOSED' END;
  END IF;
END trg_order_lines_biu;
/
SHOW ERRORS TRIGGER trg_order_lines_biu

PROMPT Creating trigger TRG_ORDERS_NO_DELETE_CLOSED

CREATE OR REPLACE TRIGGER trg_orders_no_delete_closed
  BEFORE DELETE ON orders
  FOR EACH ROW
BEGIN
  -- closed orders are kept for the auditors; only OPEN and CANCELLED may go
  IF :OLD.status = 'CLOSED' THEN
    RAISE_APPLICATION_ERROR(-20602, 'Closed order ' || :OLD.order_id || ' cannot be deleted');
  END IF;
END;
/
