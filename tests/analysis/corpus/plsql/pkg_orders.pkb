CREATE OR REPLACE PACKAGE BODY pkg_orders AS
  /*
   * Order entry: totals, status changes and the nightly clean-up of
   * abandoned carts. Status values are 'OPEN', 'CLOSED' and 'CANCELLED'.
   */

  c_status_open      CONSTANT VARCHAR2(10) := 'OPEN';
  c_status_closed    CONSTANT VARCHAR2(10) := 'CLOSED';
  c_status_cancelled CONSTANT VARCHAR2(10) := 'CANCELLED';

  FUNCTION get_order_total(p_order_id IN orders.order_id%TYPE) RETURN NUMBER IS
    CURSOR c_lines(cp_order_id orders.order_id%TYPE) IS
      SELECT SUM(quantity * unit_price) AS total
        FROM order_lines
       WHERE order_id = cp_order_id;
    l_total NUMBER;
  BEGIN
    OPEN c_lines(p_order_id);
    FETCH c_lines INTO l_total;
    RETURN NVL(l_total, 0);
  END get_order_total;

  FUNCTION order_status(p_order_id IN orders.order_id%TYPE) RETURN VARCHAR2 IS
    CURSOR c_order IS
      SELECT status FROM orders WHERE order_id = p_order_id;
    l_status orders.status%TYPE;
  BEGIN
    OPEN c_order;
    FETCH c_order INTO l_status;
    IF c_order%NOTFOUND THEN
      l_status := NULL;
    END IF;
    CLOSE c_order;
    RETURN l_status;
  END order_status;

  PROCEDURE close_order(p_order_id IN orders.order_id%TYPE) IS
    l_status orders.status%TYPE;
  BEGIN
    l_status := order_status(p_order_id);
    CASE l_status
      WHEN c_status_open THEN
        UPDATE orders
           SET status = c_status_closed,
               closed_at = SYSDATE
         WHERE order_id = p_order_id;
      WHEN c_status_closed THEN
        NULL; -- closing twice is harmless
      ELSE
        raise_application_error(-20010, 'Order ' || p_order_id || ' cannot be closed from status ' || l_status);
    END CASE;
  END close_order;

  PROCEDURE recalculate_totals(p_customer_id IN customers.customer_id%TYPE) IS
  BEGIN
    FOR r IN (SELECT order_id FROM orders
               WHERE customer_id = p_customer_id
                 AND status = c_status_open)
    LOOP
      UPDATE orders
         SET total_amount = get_order_total(r.order_id)
       WHERE order_id = r.order_id;
    END LOOP;
  END recalculate_totals;

  PROCEDURE cancel_abandoned(p_days IN PLS_INTEGER DEFAULT 30) IS
    CURSOR c_abandoned IS
      SELECT order_id, created_at
        FROM orders
       WHERE status = c_status_open
         AND created_at < SYSDATE - p_days
         FOR UPDATE SKIP LOCKED;
    TYPE t_ids IS TABLE OF orders.order_id%TYPE;
    l_ids   t_ids;
    l_dates SYS.odcidatelist;
  BEGIN
    OPEN c_abandoned;
    LOOP
      FETCH c_abandoned BULK COLLECT INTO l_ids, l_dates LIMIT 500;
      EXIT WHEN l_ids.COUNT = 0;
      FORALL i IN 1 .. l_ids.COUNT
        UPDATE orders
           SET status = c_status_cancelled
         WHERE order_id = l_ids(i);
    END LOOP;
    CLOSE c_abandoned;
    COMMIT;
  EXCEPTION
    WHEN OTHERS THEN
      IF c_abandoned%ISOPEN THEN
        CLOSE c_abandoned;
      END IF;
      ROLLBACK;
      RAISE;
  END cancel_abandoned;

  FUNCTION open_order_count(p_customer_id IN customers.customer_id%TYPE) RETURN PLS_INTEGER IS
    l_count PLS_INTEGER;
  BEGIN
    SELECT COUNT(*)
      INTO l_count
      FROM orders
     WHERE customer_id = p_customer_id
       AND status = 'OPEN';
    RETURN l_count;
  END open_order_count;

END pkg_orders;
/
