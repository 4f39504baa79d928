CREATE OR REPLACE PACKAGE BODY desk_query
AS
  ---------------------------------------------------------------------------
  -- bodies of the header cursors whose query lives here
  ---------------------------------------------------------------------------
  CURSOR c_status_codes (p_lang IN VARCHAR2) RETURN order_status_codes%ROWTYPE
  IS
    SELECT *
      FROM order_status_codes s
     WHERE s.lang = p_lang
     ORDER BY s.sort_order;

  CURSOR c_backlog RETURN t_order_rec
  IS
    SELECT o.order_id, o.customer_id, o.order_date, o.status, o.total_amount
      FROM orders o
     WHERE o.status = gc_status_hold
     ORDER BY o.order_date;

  ---------------------------------------------------------------------------
  -- private
  ---------------------------------------------------------------------------
  g_backlog_batches PLS_INTEGER := 0;

  FUNCTION oldest_open_order (p_customer_id IN orders.customer_id%TYPE)
    RETURN orders.order_id%TYPE
  IS
    -- same name as the public cursor on purpose: this one ignores HOLD orders
    CURSOR c_open_orders IS
      SELECT o.order_id
        FROM orders o
       WHERE o.customer_id = p_customer_id
         AND o.status = gc_status_open
       ORDER BY o.order_date;
    l_id orders.order_id%TYPE;
  BEGIN
    OPEN c_open_orders;
    FETCH c_open_orders INTO l_id;
    CLOSE c_open_orders;
    RETURN l_id;
  EXCEPTION
    WHEN NO_DATA_FOUND THEN
      RETURN NULL;
  END oldest_open_order;

  ---------------------------------------------------------------------------
  -- cursor-returning API
  ---------------------------------------------------------------------------
  FUNCTION orders_of (p_customer_id IN orders.customer_id%TYPE)
    RETURN t_order_cur
  IS
    l_rc t_order_cur;
  BEGIN
    OPEN l_rc FOR
      SELECT o.order_id, o.customer_id, o.order_date, o.status, o.total_amount
        FROM orders o
       WHERE o.customer_id = p_customer_id
       ORDER BY o.order_date DESC
       FETCH FIRST gc_max_rows ROWS ONLY;
    RETURN l_rc;
  END orders_of;

  FUNCTION search (p_filter IN VARCHAR2,
                   p_status IN VARCHAR2 DEFAULT NULL)
    RETURN SYS_REFCURSOR
  IS
    l_rc  SYS_REFCURSOR;
    l_sql VARCHAR2(4000) :=
      'SELECT o.order_id, o.customer_id, o.order_date, o.status, o.total_amount'
      || ' FROM orders o JOIN customers c ON c.customer_id = o.customer_id'
      || ' WHERE UPPER(c.name) LIKE UPPER(:flt)';
  BEGIN
    IF p_filter IS NULL OR LENGTH(p_filter) < 2 THEN
      RAISE e_bad_filter;
    END IF;

    IF p_status IS NULL THEN
      OPEN l_rc FOR l_sql || ' ORDER BY o.order_date DESC'
        USING '%' || p_filter || '%';
    ELSE
      OPEN l_rc FOR l_sql || ' AND o.status = :st ORDER BY o.order_date DESC'
        USING '%' || p_filter || '%', p_status;
    END IF;

    RETURN l_rc;
  EXCEPTION
    WHEN e_bad_filter THEN
      RAISE_APPLICATION_ERROR(-20310, 'search filter needs two characters');
    WHEN OTHERS THEN
      IF l_rc%ISOPEN THEN
        CLOSE l_rc;
      END IF;
      RAISE;
  END search;

  PROCEDURE lines_of (p_order_id IN  orders.order_id%TYPE,
                      p_lines    OUT t_line_cur)
  IS
  BEGIN
    OPEN p_lines FOR
      SELECT l.order_id, l.line_no, l.item_id, l.quantity, l.unit_price
        FROM order_lines l
       WHERE l.order_id = p_order_id
       ORDER BY l.line_no;
  END lines_of;

  PROCEDURE pick_source (p_archived IN  BOOLEAN,
                         p_customer IN  orders.customer_id%TYPE,
                         p_out      OUT SYS_REFCURSOR)
  IS
    l_live    SYS_REFCURSOR;
    l_archive SYS_REFCURSOR;
  BEGIN
    IF p_archived THEN
      OPEN l_archive FOR
        SELECT h.order_id, h.customer_id, h.order_date, h.status, h.total_amount
          FROM orders_hist h
         WHERE h.customer_id = p_customer;
      p_out := l_archive;
    ELSE
      OPEN l_live FOR
        SELECT o.order_id, o.customer_id, o.order_date, o.status, o.total_amount
          FROM orders o
         WHERE o.customer_id = p_customer;
      p_out := l_live;
    END IF;
  END pick_source;

  FUNCTION status_list (p_lang IN VARCHAR2 DEFAULT 'EN')
    RETURN t_any_cur
  IS
    l_rc     t_any_cur;
    l_result t_any_cur;
  BEGIN
    OPEN l_rc FOR
      SELECT s.code, s.label
        FROM order_status_codes s
       WHERE s.lang = NVL(p_lang, 'EN')
       ORDER BY s.sort_order;
    -- l_result is what the Java stub binds; keep the assignment
    l_result := l_rc;
    RETURN l_result;
  END status_list;

  ---------------------------------------------------------------------------
  -- scalar helpers
  ---------------------------------------------------------------------------
  FUNCTION order_count (p_customer_id IN orders.customer_id%TYPE)
    RETURN PLS_INTEGER
  IS
    l_rc  t_order_cur;
    l_rec t_order_rec;
    l_n   PLS_INTEGER;
  BEGIN
    l_rc := orders_of(p_customer_id);
    LOOP
      FETCH l_rc INTO l_rec;
      EXIT WHEN l_rc%NOTFOUND;
    END LOOP;
    l_n := l_rc%ROWCOUNT;
    CLOSE l_rc;
    RETURN l_n;
  END order_count;

  FUNCTION backlog_count (p_days IN PLS_INTEGER)
    RETURN PLS_INTEGER
  IS
    l_rc  t_any_cur;
    l_ids t_id_tab;
  BEGIN
    OPEN l_rc FOR
      'SELECT order_id FROM orders WHERE status = :st AND order_date < SYSDATE - :d'
      USING gc_status_hold, p_days;
    FETCH l_rc BULK COLLECT INTO l_ids;
    RETURN l_rc%ROWCOUNT;
  END backlog_count;

  FUNCTION has_backlog (p_customer_id IN orders.customer_id%TYPE)
    RETURN BOOLEAN
  IS
    l_rc    t_rc;
    l_id    orders.order_id%TYPE;
    l_found BOOLEAN;
  BEGIN
    OPEN l_rc FOR
      SELECT o.order_id
        FROM orders o
       WHERE o.customer_id = p_customer_id
         AND o.status = gc_status_hold;
    FETCH l_rc INTO l_id;
    l_found := l_rc%FOUND;
    RETURN l_found;
  END has_backlog;

  FUNCTION open_order_ids (p_customer_id IN orders.customer_id%TYPE)
    RETURN t_id_tab
  IS
    l_rows t_order_tab;
    l_ids  t_id_tab;
  BEGIN
    OPEN c_open_orders(p_customer_id);
    FETCH c_open_orders BULK COLLECT INTO l_rows LIMIT gc_max_rows;
    CLOSE c_open_orders;

    FOR i IN 1 .. l_rows.COUNT LOOP
      l_ids(i) := l_rows(i).order_id;
    END LOOP;
    RETURN l_ids;
  EXCEPTION
    WHEN OTHERS THEN
      log_pkg.error('desk_query.open_order_ids', SQLERRM);
      RAISE;
  END open_order_ids;

  FUNCTION status_label (p_code IN VARCHAR2, p_lang IN VARCHAR2 DEFAULT 'EN')
    RETURN VARCHAR2
  IS
    l_row order_status_codes%ROWTYPE;
  BEGIN
    IF c_status_codes%ISOPEN THEN
      CLOSE c_status_codes;
    END IF;
    OPEN c_status_codes(p_lang);
    LOOP
      FETCH c_status_codes INTO l_row;
      EXIT WHEN c_status_codes%NOTFOUND OR l_row.code = p_code;
    END LOOP;
    CLOSE c_status_codes;
    RETURN CASE WHEN l_row.code = p_code THEN l_row.label ELSE p_code END;
  EXCEPTION
    WHEN OTHERS THEN
      IF c_status_codes%ISOPEN THEN
        CLOSE c_status_codes;
      END IF;
      RETURN p_code;
  END status_label;

  FUNCTION first_order_date (p_customer_id IN orders.customer_id%TYPE)
    RETURN DATE
  IS
    l_rc  t_order_cur;
    l_rec t_order_rec;
  BEGIN
    OPEN l_rc FOR
      SELECT o.order_id, o.customer_id, o.order_date, o.status, o.total_amount
        FROM orders o
       WHERE o.customer_id = p_customer_id
       ORDER BY o.order_date;
    FETCH l_rc INTO l_rec;
    IF l_rc%NOTFOUND THEN
      -- nothing live: fall back to the archive
      CLOSE l_rc;
      l_rc := desk_query_hist.orders_of(p_customer_id);
      FETCH l_rc INTO l_rec;
    END IF;
    CLOSE l_rc;
    RETURN l_rec.order_date;
  END first_order_date;

  ---------------------------------------------------------------------------
  -- backlog run: c_backlog stays open between calls
  ---------------------------------------------------------------------------
  PROCEDURE next_backlog_batch (p_rows OUT t_order_tab)
  IS
  BEGIN
    IF NOT c_backlog%ISOPEN THEN
      OPEN c_backlog;
      g_backlog_batches := 0;
    END IF;
    FETCH c_backlog BULK COLLECT INTO p_rows LIMIT gc_batch_size;
    g_backlog_batches := g_backlog_batches + 1;
    IF p_rows.COUNT < gc_batch_size THEN
      CLOSE c_backlog;
    END IF;
  END next_backlog_batch;

  PROCEDURE close_backlog
  IS
  BEGIN
    IF c_backlog%ISOPEN THEN
      CLOSE c_backlog;
    END IF;
    g_backlog_batches := 0;
  END close_backlog;

  ---------------------------------------------------------------------------
  -- helpers for PL/SQL callers
  ---------------------------------------------------------------------------
  FUNCTION drain (p_rc IN OUT t_any_cur) RETURN PLS_INTEGER
  IS
    l_n PLS_INTEGER;
  BEGIN
    -- the caller's query shape is unknown: go through DBMS_SQL to skip rows
    DECLARE
      l_cur INTEGER := DBMS_SQL.TO_CURSOR_NUMBER(p_rc);
    BEGIN
      l_n := 0;
      WHILE DBMS_SQL.FETCH_ROWS(l_cur) > 0 LOOP
        l_n := l_n + 1;
      END LOOP;
      DBMS_SQL.CLOSE_CURSOR(l_cur);
    END;
    RETURN l_n;
  END drain;

  PROCEDURE print_orders (p_rc IN OUT t_order_cur)
  IS
    l_rec t_order_rec;
  BEGIN
    LOOP
      FETCH p_rc INTO l_rec;
      EXIT WHEN p_rc%NOTFOUND;
      DBMS_OUTPUT.PUT_LINE(
        RPAD(l_rec.order_id, 12) || TO_CHAR(l_rec.order_date, 'YYYY-MM-DD')
        || ' ' || RPAD(l_rec.status, 8) || TO_CHAR(l_rec.total_amount, '999G990D00'));
    END LOOP;
    CLOSE p_rc;
  END print_orders;

  PROCEDURE print_customer (p_customer_id IN orders.customer_id%TYPE)
  IS
    l_rc   t_order_cur;
    l_hist desk_query.t_order_cur;
  BEGIN
    DBMS_OUTPUT.PUT_LINE('-- live orders (oldest open: '
                         || NVL(TO_CHAR(oldest_open_order(p_customer_id)), 'none') || ')');
    l_rc := orders_of(p_customer_id);
    print_orders(l_rc);

    DBMS_OUTPUT.PUT_LINE('-- archived orders');
    OPEN l_hist FOR
      SELECT h.order_id, h.customer_id, h.order_date, h.status, h.total_amount
        FROM orders_hist h
       WHERE h.customer_id = p_customer_id
       ORDER BY h.order_date;
    desk_query.print_orders(p_rc => l_hist);
  END print_customer;

END desk_query;
/
SHOW ERRORS
