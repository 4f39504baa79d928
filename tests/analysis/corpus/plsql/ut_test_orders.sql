PROMPT ===================================================================
PROMPT  ut_test_orders - the order table API's test suite
PROMPT  (run with: exec ut.run('ut_test_orders'); it's safe on a shared
PROMPT  schema, every test rolls back)
PROMPT ===================================================================

CREATE OR REPLACE PACKAGE ut_test_orders
AS
  --%suite(Order table API)
  --%suitepath(sales.orders)
  --%rollback(auto)

  --%beforeall
  PROCEDURE setup_fixture;

  --%afterall
  PROCEDURE teardown_fixture;

  --%beforeeach
  PROCEDURE reset_counters;

  --%context(single row access)

  --%test(get_row returns the inserted row)
  PROCEDURE get_row_returns_row;

  --%test(get_row raises e_row_missing for an unknown id)
  --%throws(-20003)
  PROCEDURE get_row_unknown_raises;

  --%test(exists_row is false after del)
  PROCEDURE exists_row_false_after_del;

  --%test(lock_row raises when another session holds the lock)
  --%disabled(needs a second session; see tests/manual/lock_row.sql)
  PROCEDURE lock_row_raises_when_locked;

  --%endcontext

  --%context(cursors)

  --%test(open_orders_cur lists only 'OPEN' orders, newest first)
  PROCEDURE open_orders_cursor_lists_open;

  --%test(open_cursor and open_orders_cur agree)
  PROCEDURE open_cursor_matches_function;

  --%test(closed orders carry a close_date)
  PROCEDURE closed_orders_have_close_date;

  --%test(get_page returns at most p_page_size rows)
  PROCEDURE get_page_respects_size;

  --%endcontext

  --%context(batch)

  --%test(close_stale closes only stale 'OPEN' orders)
  PROCEDURE close_stale_closes_old_orders;

  --%test(del removes every fixture row)
  PROCEDURE del_removes_fixture_rows;

  --%endcontext

END ut_test_orders;
/
SHOW ERRORS PACKAGE ut_test_orders

CREATE OR REPLACE PACKAGE BODY ut_test_orders
AS
  gc_customer_name CONSTANT VARCHAR2(30) := 'UT_ORDERS_FIXTURE';

  g_customer_id customers.customer_id%TYPE;
  g_checked     PLS_INTEGER := 0;

  CURSOR c_fixture_orders IS
    SELECT order_id
      FROM orders
     WHERE customer_id = g_customer_id
     ORDER BY order_id;

  ---------------------------------------------------------------------------
  FUNCTION fixture_count RETURN PLS_INTEGER
  IS
    l_rc SYS_REFCURSOR;
    l_n  PLS_INTEGER;
  BEGIN
    OPEN l_rc FOR
      SELECT COUNT(*)
        FROM orders
       WHERE customer_id = g_customer_id;
    FETCH l_rc INTO l_n;
    RETURN l_n;
  END fixture_count;

  ---------------------------------------------------------------------------
  PROCEDURE add_order (p_days_old IN PLS_INTEGER, p_status IN VARCHAR2 DEFAULT 'OPEN')
  IS
    l_row tapi_orders.t_row;
  BEGIN
    l_row.customer_id   := g_customer_id;
    l_row.order_date    := TRUNC(SYSDATE) - p_days_old;
    l_row.status        := p_status;
    l_row.total_amount  := 100 + p_days_old;
    l_row.currency_code := 'EUR';
    tapi_orders.ins(l_row);
  END add_order;

  ---------------------------------------------------------------------------
  PROCEDURE setup_fixture
  IS
  BEGIN
    MERGE INTO customers c
    USING (SELECT gc_customer_name AS name FROM dual) s
       ON (c.name = s.name)
     WHEN NOT MATCHED THEN
       INSERT (customer_id, name, status) VALUES (customers_seq.NEXTVAL, s.name, 'OPEN');

    SELECT customer_id INTO g_customer_id FROM customers WHERE name = gc_customer_name;

    add_order(1);
    add_order(10);
    add_order(120);
    add_order(200, 'CLOSED');
    add_order(400, 'CANCELLED');
  END setup_fixture;

  ---------------------------------------------------------------------------
  PROCEDURE teardown_fixture
  IS
  BEGIN
    DELETE FROM orders    WHERE customer_id = g_customer_id;
    DELETE FROM customers WHERE customer_id = g_customer_id;
    g_customer_id := NULL;
  END teardown_fixture;

  ---------------------------------------------------------------------------
  PROCEDURE reset_counters
  IS
  BEGIN
    g_checked := 0;
  END reset_counters;

  ---------------------------------------------------------------------------
  PROCEDURE get_row_returns_row
  IS
    l_id  orders.order_id%TYPE;
    l_row tapi_orders.t_row;
  BEGIN
    OPEN c_fixture_orders;
    FETCH c_fixture_orders INTO l_id;
    CLOSE c_fixture_orders;

    l_row := tapi_orders.get_row(l_id);

    ut.expect(l_row.order_id).to_equal(l_id);
    ut.expect(l_row.customer_id).to_equal(g_customer_id);
    ut.expect(l_row.row_version).to_equal(1);
  END get_row_returns_row;

  ---------------------------------------------------------------------------
  PROCEDURE get_row_unknown_raises
  IS
    l_row tapi_orders.t_row;
  BEGIN
    l_row := tapi_orders.get_row(-1);
  END get_row_unknown_raises;

  ---------------------------------------------------------------------------
  PROCEDURE exists_row_false_after_del
  IS
    l_id orders.order_id%TYPE;
  BEGIN
    SELECT MIN(order_id) INTO l_id FROM orders WHERE customer_id = g_customer_id;
    tapi_orders.del(l_id);
    ut.expect(tapi_orders.exists_row(l_id)).to_be_false();
  END exists_row_false_after_del;

  ---------------------------------------------------------------------------
  PROCEDURE lock_row_raises_when_locked
  IS
  BEGIN
    -- the lock is taken by tests/manual/lock_row.sql in a second session
    tapi_orders.lock_row(-42);
    ut.fail('lock_row should have raised ORA-20002');
  EXCEPTION
    WHEN OTHERS THEN
      ut.expect(SQLCODE).to_equal(-20002);
  END lock_row_raises_when_locked;

  ---------------------------------------------------------------------------
  PROCEDURE open_orders_cursor_lists_open
  IS
    l_actual   SYS_REFCURSOR;
    l_expected SYS_REFCURSOR;
  BEGIN
    OPEN l_expected FOR
      SELECT *
        FROM orders
       WHERE customer_id = g_customer_id
         AND status      = 'OPEN'
       ORDER BY order_date DESC, order_id DESC;

    l_actual := tapi_orders.open_orders_cur(g_customer_id);

    ut.expect(l_actual).to_equal(l_expected);
  END open_orders_cursor_lists_open;

  ---------------------------------------------------------------------------
  PROCEDURE open_cursor_matches_function
  IS
    l_strong tapi_orders.t_strong_cur;
    l_actual SYS_REFCURSOR;
    l_weak   SYS_REFCURSOR;
  BEGIN
    tapi_orders.open_cursor(g_customer_id, l_strong);
    OPEN l_actual FOR
      SELECT * FROM orders WHERE customer_id = g_customer_id AND status = 'OPEN'
       ORDER BY order_date DESC, order_id DESC;
    l_weak := tapi_orders.open_orders_cur(g_customer_id);

    ut.expect(l_actual)
      .to_equal(l_weak)
      .join_by('ORDER_ID');

    -- the strong cursor is only checked for its row count
    ut.expect(l_strong).to_have_count(3);
  END open_cursor_matches_function;

  ---------------------------------------------------------------------------
  PROCEDURE closed_orders_have_close_date
  IS
    l_cur SYS_REFCURSOR;
  BEGIN
    OPEN l_cur FOR
      SELECT order_id
        FROM orders
       WHERE customer_id = g_customer_id
         AND status      = 'CLOSED'
         AND close_date IS NULL;
    ut.expect(a_actual => l_cur).to_be_empty();
  END closed_orders_have_close_date;

  ---------------------------------------------------------------------------
  PROCEDURE get_page_respects_size
  IS
    l_rows tapi_orders.t_rows;
    l_rc   SYS_REFCURSOR;
    l_id   orders.order_id%TYPE;
    l_n    PLS_INTEGER := 0;
  BEGIN
    l_rows := tapi_orders.get_page(g_customer_id, p_page => 1, p_page_size => 2);
    ut.expect(l_rows.COUNT).to_equal(2);

    -- the second page holds the remaining rows, in the same order as the query
    OPEN l_rc FOR
      SELECT order_id
        FROM orders
       WHERE customer_id = g_customer_id
       ORDER BY order_date DESC, order_id DESC
      OFFSET 2 ROWS FETCH NEXT 2 ROWS ONLY;
    l_rows := tapi_orders.get_page(g_customer_id, p_page => 2, p_page_size => 2);
    LOOP
      FETCH l_rc INTO l_id;
      EXIT WHEN l_rc%NOTFOUND;
      l_n := l_n + 1;
      ut.expect(l_rows(l_n).order_id).to_equal(l_id);
    END LOOP;
    CLOSE l_rc;
    ut.expect(l_n).to_equal(2);
  END get_page_respects_size;

  ---------------------------------------------------------------------------
  PROCEDURE close_stale_closes_old_orders
  IS
    l_stale PLS_INTEGER;
  BEGIN
    SELECT COUNT(*) INTO l_stale
      FROM orders
     WHERE customer_id = g_customer_id
       AND status = 'OPEN'
       AND order_date < TRUNC(SYSDATE) - 90;

    tapi_orders.close_stale(90);

    ut.expect(tapi_orders.count_open(g_customer_id)).to_equal(2);
    ut.expect(fixture_count).to_equal(5);
    ut.expect(l_stale).to_equal(1);
  END close_stale_closes_old_orders;

  ---------------------------------------------------------------------------
  PROCEDURE del_removes_fixture_rows
  IS
    l_id orders.order_id%TYPE;
  BEGIN
    OPEN c_fixture_orders;
    LOOP
      FETCH c_fixture_orders INTO l_id;
      EXIT WHEN c_fixture_orders%NOTFOUND;
      tapi_orders.del(l_id);
      g_checked := g_checked + 1;
    END LOOP;
    CLOSE c_fixture_orders;

    ut.expect(fixture_count).to_equal(0);
    ut.expect(g_checked).to_equal(5);
  EXCEPTION
    WHEN tapi_orders.e_row_missing THEN
      ut.fail('row ' || l_id || ' vanished while deleting: ' || SQLERRM);
  END del_removes_fixture_rows;

END ut_test_orders;
/
SHOW ERRORS PACKAGE BODY ut_test_orders

PROMPT Running the suite once so the log shows it compiles and passes
SET SERVEROUTPUT ON SIZE UNLIMITED
DECLARE
  l_results SYS_REFCURSOR;
  l_line    VARCHAR2(4000);
BEGIN
  OPEN l_results FOR
    SELECT * FROM TABLE(ut.run('ut_test_orders'));
  LOOP
    FETCH l_results INTO l_line;
    EXIT WHEN l_results%NOTFOUND;
    DBMS_OUTPUT.put_line(l_line);
  END LOOP;
END;
/
