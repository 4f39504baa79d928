CREATE OR REPLACE PACKAGE BODY xx_rpt_sales_pkg IS
  ---------------------------------------------------------------------------
  -- Sales reporting for the web front end (APEX pages 300-340 and the
  -- .NET dashboard).  Every public routine hands a cursor to the caller,
  -- the caller closes it.
  --
  -- 2014-03-11  kmaier    created
  -- 2016-09-27  kmaier    dashboard tiles
  -- 2019-01-08  lfontaine CSV export
  ---------------------------------------------------------------------------

  CURSOR c_fx (p_from_curr VARCHAR2, p_to_curr VARCHAR2, p_date DATE) IS
    SELECT conversion_rate
      FROM gl_daily_rates
     WHERE from_currency = p_from_curr
       AND to_currency = p_to_curr
       AND conversion_type = 'Corporate'
       AND conversion_date = TRUNC(p_date);

  ---------------------------------------------------------------------------
  FUNCTION convert_amount (p_amount IN NUMBER,
                           p_from   IN VARCHAR2,
                           p_to     IN VARCHAR2,
                           p_date   IN DATE) RETURN NUMBER
  IS
    l_rate NUMBER;
  BEGIN
    IF p_from = p_to THEN
      RETURN p_amount;
    END IF;

    OPEN c_fx(p_from, p_to, p_date);
    FETCH c_fx INTO l_rate;
    IF c_fx%NOTFOUND THEN
      l_rate := NULL;
    END IF;
    CLOSE c_fx;

    RETURN ROUND(p_amount * l_rate, 2);
  EXCEPTION
    WHEN VALUE_ERROR THEN
      IF c_fx%ISOPEN THEN CLOSE c_fx; END IF;
      RETURN NULL;
  END convert_amount;

  ---------------------------------------------------------------------------
  FUNCTION get_sales_by_region (p_from IN DATE,
                                p_to   IN DATE,
                                p_curr IN VARCHAR2 DEFAULT 'EUR')
    RETURN SYS_REFCURSOR
  IS
    l_rc SYS_REFCURSOR;
  BEGIN
    OPEN l_rc FOR
      SELECT r.region_name,
             COUNT(DISTINCT h.header_id)                                  orders,
             SUM(xx_rpt_sales_pkg.convert_amount(l.extended_amount,
                                                 h.currency_code, p_curr,
                                                 h.ordered_date))         revenue,
             ROUND(AVG(l.extended_amount), 2)                             avg_line
        FROM oe_order_headers h
        JOIN oe_order_lines   l ON l.header_id = h.header_id
        JOIN xx_sales_regions r ON r.territory_id = h.territory_id
       WHERE h.ordered_date >= p_from
         AND h.ordered_date <  p_to + 1
         AND h.order_status IN ('BOOKED', 'CLOSED')
       GROUP BY r.region_name
       ORDER BY revenue DESC NULLS LAST;
    RETURN l_rc;
  EXCEPTION
    WHEN OTHERS THEN
      IF l_rc%ISOPEN THEN
        CLOSE l_rc;
      END IF;
      RAISE;
  END get_sales_by_region;

  ---------------------------------------------------------------------------
  PROCEDURE get_top_customers (p_top  IN  PLS_INTEGER,
                               p_year IN  PLS_INTEGER,
                               p_rc   OUT SYS_REFCURSOR)
  IS
  BEGIN
    OPEN p_rc FOR
      SELECT *
        FROM (SELECT c.customer_number, c.customer_name,
                     SUM(h.order_total) total_amount,
                     RANK() OVER (ORDER BY SUM(h.order_total) DESC) rnk
                FROM oe_order_headers h
                JOIN ra_customers c ON c.customer_id = h.customer_id
               WHERE EXTRACT(YEAR FROM h.ordered_date) = p_year
               GROUP BY c.customer_number, c.customer_name)
       WHERE rnk <= p_top
       ORDER BY rnk;
  END get_top_customers;

  ---------------------------------------------------------------------------
  -- header + lines; the lines come as a nested CURSOR expression per order
  ---------------------------------------------------------------------------
  PROCEDURE get_customer_detail (p_customer_id IN  NUMBER,
                                 p_summary     OUT t_summary_rc,
                                 p_orders      OUT SYS_REFCURSOR)
  IS
  BEGIN
    OPEN p_summary FOR
      SELECT c.customer_id, c.customer_name, c.credit_limit,
             NVL(SUM(h.order_total), 0) lifetime_total,
             MAX(h.ordered_date) last_order
        FROM ra_customers c
        LEFT JOIN oe_order_headers h ON h.customer_id = c.customer_id
       WHERE c.customer_id = p_customer_id
       GROUP BY c.customer_id, c.customer_name, c.credit_limit;

    OPEN p_orders FOR
      SELECT h.order_number,
             h.ordered_date,
             h.order_status,
             CURSOR (SELECT l.line_number, i.segment1, l.ordered_qty, l.unit_price
                       FROM oe_order_lines l
                       JOIN mtl_items i ON i.item_id = l.item_id
                      WHERE l.header_id = h.header_id
                      ORDER BY l.line_number) lines
        FROM oe_order_headers h
       WHERE h.customer_id = p_customer_id
       ORDER BY h.ordered_date DESC;
  END get_customer_detail;

  ---------------------------------------------------------------------------
  FUNCTION get_dashboard (p_user_name IN VARCHAR2) RETURN SYS_REFCURSOR
  IS
    l_chk    SYS_REFCURSOR;
    l_rc     SYS_REFCURSOR;
    l_role   VARCHAR2(30);
    l_region VARCHAR2(30);
  BEGIN
    -- which tiles may the user see?
    OPEN l_chk FOR
      SELECT ur.role_code, ur.region_code
        FROM xx_rpt_user_roles ur
       WHERE ur.user_name = UPPER(p_user_name)
         AND SYSDATE BETWEEN ur.start_date AND NVL(ur.end_date, SYSDATE);
    FETCH l_chk INTO l_role, l_region;

    IF l_chk%NOTFOUND THEN
      RAISE_APPLICATION_ERROR(-20601, 'No reporting role for ' || p_user_name);
    END IF;

    OPEN l_rc FOR
      SELECT tile_code, tile_title,
             CASE tile_code
               WHEN 'REV_MTD'  THEN (SELECT SUM(order_total) FROM oe_order_headers
                                      WHERE ordered_date >= TRUNC(SYSDATE, 'MM'))
               WHEN 'OPEN_ORD' THEN (SELECT COUNT(*) FROM oe_order_headers
                                      WHERE order_status = 'BOOKED')
               ELSE NULL
             END tile_value
        FROM xx_rpt_tiles t
       WHERE (l_role = 'ADMIN' OR t.region_code = l_region)
         AND t.enabled_flag = 'Y'
       ORDER BY t.sort_order;

    RETURN l_rc;
  END get_dashboard;

  ---------------------------------------------------------------------------
  FUNCTION export_csv (p_rc IN SYS_REFCURSOR) RETURN CLOB
  IS
    l_csv      CLOB;
    l_region   VARCHAR2(100);
    l_orders   NUMBER;
    l_revenue  NUMBER;
    l_avg      NUMBER;
  BEGIN
    DBMS_LOB.CREATETEMPORARY(l_csv, TRUE, DBMS_LOB.CALL);
    DBMS_LOB.APPEND(l_csv, 'region;orders;revenue;avg_line' || CHR(10));
    LOOP
      FETCH p_rc INTO l_region, l_orders, l_revenue, l_avg;
      EXIT WHEN p_rc%NOTFOUND;
      DBMS_LOB.APPEND(l_csv, '"' || REPLACE(l_region, '"', '""') || '";'
                             || l_orders || ';'
                             || TO_CHAR(l_revenue, 'FM9999999990.00') || ';'
                             || TO_CHAR(l_avg, 'FM9999999990.00') || CHR(10));
    END LOOP;
    CLOSE p_rc;
    RETURN l_csv;
  END export_csv;

  ---------------------------------------------------------------------------
  FUNCTION get_sales_csv (p_from IN DATE, p_to IN DATE) RETURN CLOB
  IS
    l_rc SYS_REFCURSOR;
  BEGIN
    l_rc := get_sales_by_region(p_from, p_to);
    RETURN export_csv(l_rc);
  END get_sales_csv;

  ---------------------------------------------------------------------------
  PROCEDURE get_period_summary (p_period IN  VARCHAR2,
                                x_orders OUT NUMBER,
                                x_total  OUT NUMBER,
                                x_rc     OUT SYS_REFCURSOR)
  IS
    CURSOR c_per IS
      SELECT start_date, end_date
        FROM gl_periods
       WHERE period_name = p_period
         AND period_set_name = 'XX_CAL';

    CURSOR c_tot (cp_start DATE, cp_end DATE) IS
      SELECT COUNT(*), NVL(SUM(order_total), 0)
        FROM oe_order_headers
       WHERE ordered_date BETWEEN cp_start AND cp_end;

    l_start DATE;
    l_end   DATE;
  BEGIN
    OPEN c_per;
    FETCH c_per INTO l_start, l_end;
    IF c_per%FOUND AND c_per%ROWCOUNT = 1 THEN
      CLOSE c_per;
    ELSE
      CLOSE c_per;
      RAISE_APPLICATION_ERROR(-20602, 'Unknown period ' || p_period);
    END IF;

    OPEN c_tot(l_start, l_end);
    FETCH c_tot INTO x_orders, x_total;
    CLOSE c_tot;

    OPEN x_rc FOR
      SELECT TRUNC(ordered_date) day, COUNT(*) orders, SUM(order_total) total
        FROM oe_order_headers
       WHERE ordered_date BETWEEN l_start AND l_end
       GROUP BY TRUNC(ordered_date)
       ORDER BY 1;
  END get_period_summary;

  ---------------------------------------------------------------------------
  FUNCTION get_item_trend (p_item_id IN NUMBER, p_months IN PLS_INTEGER)
    RETURN SYS_REFCURSOR
  IS
    l_result SYS_REFCURSOR;
  BEGIN
    IF p_months NOT BETWEEN 1 AND 36 THEN
      RAISE_APPLICATION_ERROR(-20603, 'Months must be 1..36');
    END IF;

    OPEN l_result FOR
      WITH months AS (
        SELECT ADD_MONTHS(TRUNC(SYSDATE, 'MM'), -LEVEL + 1) month_start
          FROM dual
        CONNECT BY LEVEL <= p_months)
      SELECT m.month_start,
             NVL(SUM(l.ordered_qty), 0) qty,
             NVL(SUM(l.extended_amount), 0) amount
        FROM months m
        LEFT JOIN oe_order_lines l
          ON l.item_id = p_item_id
         AND l.creation_date >= m.month_start
         AND l.creation_date <  ADD_MONTHS(m.month_start, 1)
       GROUP BY m.month_start
       ORDER BY m.month_start;

    RETURN l_result;
  END get_item_trend;

END xx_rpt_sales_pkg;
/
