--------------------------------------------------------------------------------
-- rpt_inventory.pkb
-- Inventory reports: paged stock listing, stock per warehouse, low stock
-- alerts and a CSV export to the REPORT_OUT directory.
--------------------------------------------------------------------------------

CREATE OR REPLACE PACKAGE rpt_inventory AS

  CURSOR c_warehouses IS
    SELECT warehouse_id, warehouse_name, country_code
      FROM warehouses
     WHERE closed_on IS NULL
     ORDER BY warehouse_name;

  PROCEDURE get_page(p_filter   IN  VARCHAR2,
                     p_page     IN  PLS_INTEGER,
                     p_size     IN  PLS_INTEGER DEFAULT 50,
                     o_rows     OUT SYS_REFCURSOR,
                     o_total    OUT NUMBER);

  FUNCTION stock_by_warehouse(p_product_id IN NUMBER) RETURN SYS_REFCURSOR;

  FUNCTION warehouse_count RETURN PLS_INTEGER;

  PROCEDURE low_stock_alerts(p_threshold IN NUMBER DEFAULT 5);

  PROCEDURE export_csv(p_filter IN VARCHAR2, p_file_name IN VARCHAR2);

  PROCEDURE load_warehouse_names(p_names OUT NOCOPY DBMS_SQL.varchar2_table);
END rpt_inventory;
/

CREATE OR REPLACE PACKAGE BODY rpt_inventory AS

  FUNCTION where_clause(p_filter IN VARCHAR2) RETURN VARCHAR2 IS
  BEGIN
    IF p_filter IS NULL THEN
      RETURN ' WHERE 1 = 1';
    END IF;
    RETURN ' WHERE UPPER(p.product_name) LIKE ''%'' || UPPER(:f) || ''%''';
  END where_clause;

  PROCEDURE get_page(p_filter   IN  VARCHAR2,
                     p_page     IN  PLS_INTEGER,
                     p_size     IN  PLS_INTEGER DEFAULT 50,
                     o_rows     OUT SYS_REFCURSOR,
                     o_total    OUT NUMBER) IS
    l_from     VARCHAR2(400) := ' FROM products p JOIN stock s ON s.product_id = p.product_id';
    l_where    VARCHAR2(400) := where_clause(p_filter);
    l_count_rc SYS_REFCURSOR;
    l_offset   PLS_INTEGER := (GREATEST(p_page, 1) - 1) * p_size;
  BEGIN
    -- total for the pager
    IF p_filter IS NULL THEN
      OPEN l_count_rc FOR 'SELECT COUNT(*)' || l_from || l_where;
    ELSE
      OPEN l_count_rc FOR 'SELECT COUNT(*)' || l_from || l_where USING p_filter;
    END IF;
    FETCH l_count_rc INTO o_total;

    -- the page itself
    IF p_filter IS NULL THEN
      OPEN o_rows FOR
        'SELECT p.product_id, p.product_name, s.warehouse_id, s.quantity'
        || l_from || l_where
        || ' ORDER BY p.product_name OFFSET :o ROWS FETCH NEXT :n ROWS ONLY'
        USING l_offset, p_size;
    ELSE
      OPEN o_rows FOR
        'SELECT p.product_id, p.product_name, s.warehouse_id, s.quantity'
        || l_from || l_where
        || ' ORDER BY p.product_name OFFSET :o ROWS FETCH NEXT :n ROWS ONLY'
        USING p_filter, l_offset, p_size;
    END IF;
  END get_page;

  FUNCTION stock_by_warehouse(p_product_id IN NUMBER) RETURN SYS_REFCURSOR IS
    l_rc SYS_REFCURSOR;
  BEGIN
    OPEN l_rc FOR
      SELECT w.warehouse_name, NVL(s.quantity, 0) AS quantity
        FROM warehouses w
        LEFT JOIN stock s
          ON s.warehouse_id = w.warehouse_id
         AND s.product_id = p_product_id
       WHERE w.closed_on IS NULL
       ORDER BY w.warehouse_name;
    RETURN l_rc;
  END stock_by_warehouse;

  FUNCTION warehouse_count RETURN PLS_INTEGER IS
    l_row    c_warehouses%ROWTYPE;
    l_count  PLS_INTEGER := 0;
  BEGIN
    OPEN c_warehouses;
    BEGIN
      LOOP
        FETCH c_warehouses INTO l_row;
        EXIT WHEN c_warehouses%NOTFOUND;
        l_count := l_count + 1;
      END LOOP;
    EXCEPTION
      WHEN OTHERS THEN
        DBMS_OUTPUT.put_line('warehouse_count: ' || SQLERRM);
        RAISE;
    END;
    CLOSE c_warehouses;
    RETURN l_count;
  END warehouse_count;

  PROCEDURE low_stock_alerts(p_threshold IN NUMBER DEFAULT 5) IS
    -- local cursor on purpose: only warehouses that take part in alerting
    CURSOR c_warehouses IS
      SELECT warehouse_id, warehouse_name, alert_email
        FROM warehouses
       WHERE closed_on IS NULL
         AND alert_email IS NOT NULL;
    l_wh     c_warehouses%ROWTYPE;
    l_items  PLS_INTEGER;
  BEGIN
    OPEN c_warehouses;
    LOOP
      FETCH c_warehouses INTO l_wh;
      EXIT WHEN c_warehouses%NOTFOUND;
      SELECT COUNT(*)
        INTO l_items
        FROM stock
       WHERE warehouse_id = l_wh.warehouse_id
         AND quantity < p_threshold;
      IF l_items > 0 THEN
        mail_queue.enqueue(p_to      => l_wh.alert_email,
                           p_subject => 'Low stock in ' || l_wh.warehouse_name,
                           p_body    => l_items || ' products below ' || p_threshold);
      END IF;
    END LOOP;
    CLOSE c_warehouses;
  EXCEPTION
    WHEN OTHERS THEN
      DBMS_OUTPUT.put_line('low_stock_alerts failed: ' || SQLERRM);
      RAISE;
  END low_stock_alerts;

  PROCEDURE export_csv(p_filter IN VARCHAR2, p_file_name IN VARCHAR2) IS
    l_file   UTL_FILE.file_type;
    l_line   VARCHAR2(4000);
    l_id     NUMBER;
    l_name   VARCHAR2(200);
    l_wh     NUMBER;
    l_qty    NUMBER;
    l_total  NUMBER;
  BEGIN
    l_file := UTL_FILE.fopen('REPORT_OUT', p_file_name, 'w', 32767);
    UTL_FILE.put_line(l_file, 'product_id;product_name;warehouse_id;quantity');
    DECLARE
      l_rows SYS_REFCURSOR;
    BEGIN
      get_page(p_filter, 1, 100000, l_rows, l_total);
      LOOP
        FETCH l_rows INTO l_id, l_name, l_wh, l_qty;
        EXIT WHEN l_rows%NOTFOUND;
        l_line := l_id || ';"' || REPLACE(l_name, '"', '""') || '";' || l_wh || ';' || l_qty;
        UTL_FILE.put_line(l_file, l_line);
      END LOOP;
      CLOSE l_rows;
    END;
    UTL_FILE.fclose(l_file);
  EXCEPTION
    WHEN OTHERS THEN
      IF UTL_FILE.is_open(l_file) THEN
        UTL_FILE.fclose(l_file);
      END IF;
      RAISE;
  END export_csv;

  PROCEDURE load_warehouse_names(p_names OUT NOCOPY DBMS_SQL.varchar2_table) IS
    l_ids      DBMS_SQL.number_table;
    l_names    DBMS_SQL.varchar2_table;
    l_country  DBMS_SQL.varchar2_table;
  BEGIN
    OPEN c_warehouses;
    FETCH c_warehouses BULK COLLECT INTO l_ids, l_names, l_country;
    CLOSE c_warehouses;
    p_names := l_names;
  EXCEPTION
    WHEN NO_DATA_FOUND THEN
      IF c_warehouses%ISOPEN THEN
        CLOSE c_warehouses;
      END IF;
    WHEN OTHERS THEN
      DBMS_OUTPUT.put_line('load_warehouse_names: ' || SQLERRM);
      RAISE;
  END load_warehouse_names;
END rpt_inventory;
/
