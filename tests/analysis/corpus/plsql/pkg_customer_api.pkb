CREATE OR REPLACE PACKAGE BODY pkg_customer_api AS
  -- Read API for the web front end. Every query returns a ref cursor that the
  -- caller fetches and closes; nothing here keeps a cursor open between calls.

  FUNCTION search_customers(p_name_pattern IN VARCHAR2,
                            p_city         IN VARCHAR2 DEFAULT NULL)
    RETURN SYS_REFCURSOR
  IS
    l_result SYS_REFCURSOR;
  BEGIN
    OPEN l_result FOR
      SELECT customer_id, name, city, created_at
        FROM customers
       WHERE UPPER(name) LIKE UPPER(p_name_pattern) || '%'
         AND (p_city IS NULL OR city = p_city)
       ORDER BY name;
    RETURN l_result;
  END search_customers;

  PROCEDURE get_customer(p_customer_id IN  customers.customer_id%TYPE,
                         p_details     OUT t_customer_cur,
                         p_addresses   OUT SYS_REFCURSOR)
  IS
  BEGIN
    OPEN p_details FOR
      SELECT customer_id, name, email, phone, credit_limit
        FROM customers
       WHERE customer_id = p_customer_id;

    OPEN p_addresses FOR
      SELECT address_type, street, zip, city, country
        FROM customer_addresses
       WHERE customer_id = p_customer_id
       ORDER BY CASE address_type WHEN 'BILLING' THEN 1 WHEN 'SHIPPING' THEN 2 ELSE 3 END;
  END get_customer;

  PROCEDURE recent_orders(p_customer_id IN  customers.customer_id%TYPE,
                          p_days        IN  PLS_INTEGER,
                          p_orders      OUT SYS_REFCURSOR)
  IS
    l_cur SYS_REFCURSOR;
  BEGIN
    IF p_days NOT BETWEEN 1 AND 366 THEN
      raise_application_error(-20100, 'p_days must be between 1 and 366');
    END IF;

    OPEN l_cur FOR
      SELECT order_id, status, total_amount, created_at
        FROM orders
       WHERE customer_id = p_customer_id
         AND created_at >= TRUNC(SYSDATE) - p_days
       ORDER BY created_at DESC;
    p_orders := l_cur;
  END recent_orders;

  FUNCTION customer_orders_dynamic(p_where IN VARCHAR2) RETURN t_order_cur IS
    l_sql VARCHAR2(4000);
    l_cur t_order_cur;
  BEGIN
    l_sql := 'SELECT o.* FROM orders o WHERE ' || p_where;
    -- The caller builds p_where from a fixed list of filters, never from user text.
    OPEN l_cur FOR l_sql;
    RETURN l_cur;
  END customer_orders_dynamic;

  PROCEDURE export_customer(p_customer_id IN customers.customer_id%TYPE) IS
    l_orders SYS_REFCURSOR;
  BEGIN
    OPEN l_orders FOR
      SELECT order_id, total_amount
        FROM orders
       WHERE customer_id = p_customer_id;
    pkg_export.write_orders(p_customer_id, l_orders);
  END export_customer;

  FUNCTION credit_available(p_customer_id IN customers.customer_id%TYPE) RETURN NUMBER IS
    l_cur    SYS_REFCURSOR;
    l_limit  customers.credit_limit%TYPE;
    l_open   NUMBER;
  BEGIN
    OPEN l_cur FOR
      SELECT c.credit_limit,
             NVL((SELECT SUM(o.total_amount)
                    FROM orders o
                   WHERE o.customer_id = c.customer_id
                     AND o.status = 'OPEN'), 0)
        FROM customers c
       WHERE c.customer_id = p_customer_id;
    FETCH l_cur INTO l_limit, l_open;
    CLOSE l_cur;
    RETURN GREATEST(NVL(l_limit, 0) - l_open, 0);
  END credit_available;

END pkg_customer_api;
/
