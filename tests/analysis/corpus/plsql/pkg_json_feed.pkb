CREATE OR REPLACE PACKAGE BODY pkg_json_feed AS
  ------------------------------------------------------------------------
  -- Import of web-shop orders delivered as JSON documents into the order
  -- tables, plus a few analytics on the resulting price history.
  ------------------------------------------------------------------------

  TYPE t_doc_rec IS RECORD (
    feed_id   feed_inbox.feed_id%TYPE,
    doc       feed_inbox.payload%TYPE
  );
  TYPE t_doc_tab IS TABLE OF t_doc_rec INDEX BY PLS_INTEGER;

  g_loaded_docs PLS_INTEGER := 0;

  CURSOR c_inbox IS
    SELECT feed_id, payload
      FROM feed_inbox
     WHERE processed_flag = 'N'
     ORDER BY received_at;

  ------------------------------------------------------------------------
  FUNCTION lines_of_doc (p_feed_id IN NUMBER, p_doc IN CLOB)
    RETURN t_feed_line_tab
    PIPELINED
    PARALLEL_ENABLE
  IS
    CURSOR c_lines IS
      SELECT jt.order_ref,
             jt.customer_no,
             jt.line_no,
             jt.sku,
             jt.qty,
             jt.price
        FROM JSON_TABLE(p_doc, '$'
               COLUMNS (
                 order_ref    VARCHAR2(30) PATH '$.orderRef',
                 customer_no  VARCHAR2(20) PATH '$.customer.number',
                 NESTED PATH '$.lines[*]'
                   COLUMNS (
                     line_no  NUMBER        PATH '$.no',
                     sku      VARCHAR2(40)  PATH '$.sku',
                     qty      NUMBER        PATH '$.quantity',
                     price    NUMBER        PATH '$.unitPrice'
                   )
               )) jt;
  BEGIN
    FOR r IN c_lines LOOP
      PIPE ROW (t_feed_line(p_feed_id, r.order_ref, r.customer_no,
                            r.line_no, r.sku, r.qty, r.price));
    END LOOP;
    RETURN;
  END lines_of_doc;

  ------------------------------------------------------------------------
  PROCEDURE load_feed (p_max_docs IN PLS_INTEGER DEFAULT 200) IS
    l_docs      t_doc_tab;
    l_order_id  NUMBER;
  BEGIN
    OPEN c_inbox;
    FETCH c_inbox BULK COLLECT INTO l_docs LIMIT p_max_docs;
    CLOSE c_inbox;

    FOR d IN 1 .. l_docs.COUNT LOOP
      DECLARE
        CURSOR c_customer (p_no VARCHAR2) IS
          SELECT customer_id
            FROM customers
           WHERE external_no = p_no;
        l_customer_id customers.customer_id%TYPE;
        l_customer_no VARCHAR2(20);
      BEGIN
        l_customer_no := JSON_VALUE(l_docs(d).doc, '$.customer.number');
        OPEN c_customer(l_customer_no);
        FETCH c_customer INTO l_customer_id;
        IF c_customer%NOTFOUND THEN
          RAISE_APPLICATION_ERROR(-20401, 'unknown customer ' || l_customer_no);
        END IF;

        INSERT INTO orders (order_id, customer_id, order_ref, status, source)
        VALUES (order_seq.NEXTVAL, l_customer_id,
                JSON_VALUE(l_docs(d).doc, '$.orderRef'), 'OPEN', 'WEB')
        RETURNING order_id INTO l_order_id;

        INSERT INTO order_lines (order_id, line_no, item_id, qty, unit_price)
        SELECT l_order_id, t.line_no, i.item_id, t.qty, t.price
          FROM TABLE(lines_of_doc(l_docs(d).feed_id, l_docs(d).doc)) t
          JOIN items i ON i.sku = t.sku;

        UPDATE feed_inbox
           SET processed_flag = 'Y'
         WHERE feed_id = l_docs(d).feed_id;
        g_loaded_docs := g_loaded_docs + 1;
      EXCEPTION
        WHEN OTHERS THEN
          UPDATE feed_inbox
             SET processed_flag = 'E',
                 error_text     = SUBSTR(SQLERRM, 1, 4000)
           WHERE feed_id = l_docs(d).feed_id;
      END;
    END LOOP;
    COMMIT;
  END load_feed;

  ------------------------------------------------------------------------
  PROCEDURE open_feed_errors (p_from IN DATE, p_rc OUT SYS_REFCURSOR) IS
  BEGIN
    OPEN p_rc FOR
      SELECT f.feed_id, f.received_at, j.order_ref, j.err_code, j.err_text
        FROM feed_inbox f,
             JSON_TABLE(f.payload, '$'
               COLUMNS (order_ref VARCHAR2(30) PATH '$.orderRef',
                        NESTED PATH '$.warnings[*]'
                          COLUMNS (err_code VARCHAR2(20)  PATH '$.code',
                                   err_text VARCHAR2(200) PATH '$.text'))) j
       WHERE f.processed_flag = 'E'
         AND f.received_at >= p_from
       ORDER BY f.received_at;
  END open_feed_errors;

  ------------------------------------------------------------------------
  PROCEDURE detect_price_spikes (p_item_id IN NUMBER, p_days IN PLS_INTEGER DEFAULT 90) IS
    CURSOR c_spikes IS
      SELECT *
        FROM (SELECT price_date, price
                FROM item_price_history
               WHERE item_id = p_item_id
                 AND price_date >= TRUNC(SYSDATE) - p_days)
        MATCH_RECOGNIZE (
          ORDER BY price_date
          MEASURES FIRST(strt.price_date) AS start_date,
                   LAST(up.price_date)    AS peak_date,
                   LAST(up.price)         AS peak_price,
                   LAST(down.price_date)  AS end_date
          ONE ROW PER MATCH
          AFTER MATCH SKIP PAST LAST ROW
          PATTERN (strt up{2,} down+)
          DEFINE
            up   AS up.price   > PREV(up.price) * 1.05,
            down AS down.price < PREV(down.price)
        );
    l_spike c_spikes%ROWTYPE;
  BEGIN
    OPEN c_spikes;
    LOOP
      FETCH c_spikes INTO l_spike;
      EXIT WHEN c_spikes%NOTFOUND;
      INSERT INTO price_alerts (item_id, start_date, peak_date, peak_price, end_date)
      VALUES (p_item_id, l_spike.start_date, l_spike.peak_date,
              l_spike.peak_price, l_spike.end_date);
    END LOOP;
    CLOSE c_spikes;
  END detect_price_spikes;

  ------------------------------------------------------------------------
  PROCEDURE customer_digest (p_since IN DATE) IS
    CURSOR c_digest IS
      SELECT c.customer_id,
             c.name,
             CURSOR (SELECT o.order_ref, o.order_date
                       FROM orders o
                      WHERE o.customer_id = c.customer_id
                        AND o.order_date >= p_since
                      ORDER BY o.order_date) AS recent_orders
        FROM customers c
       WHERE c.active_flag = 'Y'
       ORDER BY c.name;
    l_customer_id  customers.customer_id%TYPE;
    l_name         customers.name%TYPE;
    l_orders       SYS_REFCURSOR;
    l_ref          orders.order_ref%TYPE;
    l_date         DATE;
    l_count        PLS_INTEGER;
  BEGIN
    OPEN c_digest;
    LOOP
      FETCH c_digest INTO l_customer_id, l_name, l_orders;
      EXIT WHEN c_digest%NOTFOUND;
      l_count := 0;
      LOOP
        FETCH l_orders INTO l_ref, l_date;
        EXIT WHEN l_orders%NOTFOUND;
        l_count := l_count + 1;
        DBMS_OUTPUT.PUT_LINE(RPAD(l_name, 30) || ' ' || l_ref || ' '
                             || TO_CHAR(l_date, 'YYYY-MM-DD'));
      END LOOP;
      CLOSE l_orders;
      IF l_count = 0 THEN
        DBMS_OUTPUT.PUT_LINE(RPAD(l_name, 30) || ' (no orders)');
      END IF;
    END LOOP;
    CLOSE c_digest;
  END customer_digest;

END pkg_json_feed;
/
