--------------------------------------------------------------------------------
-- test_order_api.pkb
-- Suite for ORDER_API. Fixture rows are inserted by the --%beforeeach setup and
-- removed again by rollback in --%aftereach; each test compares the cursor
-- returned by ORDER_API with an expected cursor through ut_expect().
--------------------------------------------------------------------------------

CREATE OR REPLACE PACKAGE test_order_api AS
  --%suite(Order API)
  --%suitepath(sales.orders)
  --%rollback(manual)

  --%beforeeach
  PROCEDURE setup_fixture;

  --%aftereach
  PROCEDURE teardown_fixture;

  --%test(Open orders of a customer are returned newest first)
  PROCEDURE open_orders_newest_first;

  --%test(Order lines total up to the order amount)
  PROCEDURE line_totals_match;

  --%test(Cancelled orders are not listed)
  PROCEDURE cancelled_not_listed;

  --%test(Status history is written on cancel)
  PROCEDURE status_history_written;

  --%test(Listing through the OUT parameter matches the function)
  PROCEDURE out_param_matches_function;

  --%test(First fixture order is the oldest)
  PROCEDURE first_fixture_is_oldest;

  --%test(Unknown customer gives an empty list)
  --%throws(-20404)
  PROCEDURE unknown_customer_empty;
END test_order_api;
/

CREATE OR REPLACE PACKAGE BODY test_order_api AS

  gc_customer CONSTANT NUMBER := -4711;

  CURSOR c_fixture_orders IS
    SELECT order_id, order_date, status, amount
      FROM orders
     WHERE customer_id = gc_customer
     ORDER BY order_date;

  CURSOR c_order_lines(p_order_id IN NUMBER) IS
    SELECT line_no, product_id, quantity, unit_price, quantity * unit_price AS line_total
      FROM order_lines
     WHERE order_id = p_order_id
     ORDER BY line_no;

  g_first_order orders%ROWTYPE;

  FUNCTION expected_orders(p_status IN VARCHAR2) RETURN SYS_REFCURSOR IS
    l_rc SYS_REFCURSOR;
  BEGIN
    OPEN l_rc FOR
      SELECT order_id, status, amount
        FROM orders
       WHERE customer_id = gc_customer
         AND status = p_status
       ORDER BY order_date DESC;
    RETURN l_rc;
  END expected_orders;

  PROCEDURE expect_same(a_actual IN SYS_REFCURSOR, a_expected IN SYS_REFCURSOR) IS
  BEGIN
    ut_expect(a_actual).to_equal(a_expected);
  END expect_same;

  PROCEDURE setup_fixture IS
  BEGIN
    SAVEPOINT before_fixture;
    INSERT INTO customers (customer_id, name, status)
    VALUES (gc_customer, 'Fixture Customer', 'ACTIVE');
    FOR i IN 1 .. 4 LOOP
      INSERT INTO orders (order_id, customer_id, order_date, status, amount)
      VALUES (order_seq.NEXTVAL, gc_customer, DATE '2024-01-01' + i,
              CASE WHEN i = 3 THEN 'CANCELLED' ELSE 'OPEN' END, i * 100);
      INSERT INTO order_lines (order_id, line_no, product_id, quantity, unit_price)
      VALUES (order_seq.CURRVAL, 1, 10, i, 50);
      INSERT INTO order_lines (order_id, line_no, product_id, quantity, unit_price)
      VALUES (order_seq.CURRVAL, 2, 11, i, 50);
    END LOOP;
    OPEN c_fixture_orders;
    FETCH c_fixture_orders INTO g_first_order.order_id, g_first_order.order_date,
                                g_first_order.status, g_first_order.amount;
  END setup_fixture;

  PROCEDURE teardown_fixture IS
  BEGIN
    IF c_fixture_orders%ISOPEN THEN
      CLOSE c_fixture_orders;
    END IF;
    ROLLBACK TO before_fixture;
  END teardown_fixture;

  PROCEDURE open_orders_newest_first IS
    l_actual   SYS_REFCURSOR;
    l_expected SYS_REFCURSOR;
  BEGIN
    l_expected := expected_orders('OPEN');
    l_actual   := order_api.get_open_orders(p_customer_id => gc_customer);
    ut_expect(l_actual).to_equal(l_expected);
  END open_orders_newest_first;

  PROCEDURE line_totals_match IS
    l_line    c_order_lines%ROWTYPE;
    l_sum     NUMBER := 0;
    l_amount  NUMBER;
  BEGIN
    SELECT amount INTO l_amount FROM orders WHERE order_id = g_first_order.order_id;
    OPEN c_order_lines(g_first_order.order_id);
    LOOP
      FETCH c_order_lines INTO l_line;
      EXIT WHEN c_order_lines%NOTFOUND;
      l_sum := l_sum + l_line.line_total;
    END LOOP;
    CLOSE c_order_lines;
    IF l_sum <> l_amount THEN
      ut_assert.fail('line_totals_match', 'lines ' || l_sum || ' <> order ' || l_amount);
    ELSE
      ut_assert.pass('line_totals_match');
    END IF;
  EXCEPTION
    WHEN NO_DATA_FOUND THEN
      ut_assert.fail('line_totals_match', 'fixture order missing');
    WHEN OTHERS THEN
      ut_assert.fail('line_totals_match', SQLERRM);
      RAISE;
  END line_totals_match;

  PROCEDURE cancelled_not_listed IS
    l_actual   SYS_REFCURSOR;
    l_expected SYS_REFCURSOR;
  BEGIN
    OPEN l_expected FOR
      SELECT order_id, status, amount
        FROM orders
       WHERE customer_id = gc_customer AND status <> 'CANCELLED'
       ORDER BY order_date DESC;
    OPEN l_actual FOR
      SELECT order_id, status, amount
        FROM TABLE(order_api.list_orders_tab(gc_customer))
       ORDER BY order_date DESC;
    expect_same(l_actual, l_expected);
  END cancelled_not_listed;

  PROCEDURE status_history_written IS
    CURSOR c_history(p_order_id IN NUMBER) IS
      SELECT old_status, new_status
        FROM order_status_history
       WHERE order_id = p_order_id
       ORDER BY changed_at DESC;
    l_old  order_status_history.old_status%TYPE;
    l_new  order_status_history.new_status%TYPE;
  BEGIN
    order_api.cancel_order(g_first_order.order_id, p_reason => 'test');
    OPEN c_history(g_first_order.order_id);
    FETCH c_history INTO l_old, l_new;
    IF c_history%NOTFOUND THEN
      ut_assert.fail('status_history_written', 'no history row');
      RETURN;
    END IF;
    IF l_old = 'OPEN' AND l_new = 'CANCELLED' THEN
      ut_assert.pass('status_history_written');
    ELSE
      ut_assert.fail('status_history_written', l_old || ' -> ' || l_new);
    END IF;
  END status_history_written;

  PROCEDURE out_param_matches_function IS
    l_actual   SYS_REFCURSOR;
    l_expected SYS_REFCURSOR;
  BEGIN
    order_api.list_orders(p_customer_id => gc_customer, p_orders => l_actual);
    l_expected := order_api.get_open_orders(gc_customer);
    ut_expect(l_actual).to_equal(l_expected);
  EXCEPTION
    WHEN OTHERS THEN
      IF l_actual%ISOPEN THEN
        CLOSE l_actual;
      END IF;
      IF l_expected%ISOPEN THEN
        CLOSE l_expected;
      END IF;
      RAISE;
  END out_param_matches_function;

  PROCEDURE first_fixture_is_oldest IS
    l_order_id  NUMBER;
    l_date      DATE;
    l_status    VARCHAR2(30);
    l_amount    NUMBER;
  BEGIN
    OPEN c_fixture_orders;
    FETCH c_fixture_orders INTO l_order_id, l_date, l_status, l_amount;
    CLOSE c_fixture_orders;
    IF l_date = DATE '2024-01-02' THEN
      ut_assert.pass('first_fixture_is_oldest');
    ELSE
      ut_assert.fail('first_fixture_is_oldest', TO_CHAR(l_date, 'YYYY-MM-DD'));
    END IF;
  EXCEPTION
    WHEN CURSOR_ALREADY_OPEN THEN
      CLOSE c_fixture_orders;
      first_fixture_is_oldest;
    WHEN OTHERS THEN
      IF c_fixture_orders%ISOPEN THEN
        CLOSE c_fixture_orders;
      END IF;
      RAISE;
  END first_fixture_is_oldest;

  PROCEDURE unknown_customer_empty IS
    l_actual SYS_REFCURSOR;
  BEGIN
    l_actual := order_api.get_open_orders(p_customer_id => -1);
    ut_expect(l_actual).to_be_empty;
  END unknown_customer_empty;
END test_order_api;
/
