CREATE OR REPLACE PACKAGE BODY pkg_sales_reports AS
  ------------------------------------------------------------------------
  -- Monthly sales reports. The same source is compiled on the 12.1 test
  -- systems and on 19c production, hence the conditional compilation.
  -- Compile with PLSQL_CCFLAGS = 'trace_on:TRUE' to get timing output.
  ------------------------------------------------------------------------

  $IF DBMS_DB_VERSION.VERSION < 11 $THEN
    $ERROR 'pkg_sales_reports needs Oracle 11g or later' $END
  $END

  $IF $$trace_on $THEN
  g_trace BOOLEAN := TRUE;
  $ELSE
  g_trace CONSTANT BOOLEAN := FALSE;
  $END

  CURSOR c_regions IS
    SELECT region_code, region_name
      FROM sales_regions
     WHERE active_flag = 'Y'
     ORDER BY region_code;

  ------------------------------------------------------------------------
  PROCEDURE trace (p_text IN VARCHAR2) IS
  BEGIN
    IF g_trace THEN
      DBMS_OUTPUT.PUT_LINE(TO_CHAR(SYSTIMESTAMP, 'HH24:MI:SS.FF3') || ' ' || p_text);
    END IF;
  END trace;

  ------------------------------------------------------------------------
  PROCEDURE build_month (p_month IN DATE) IS
  $IF DBMS_DB_VERSION.VER_LE_12 $THEN
    CURSOR c_sum IS
      SELECT s.region_code,
             COUNT(DISTINCT s.customer_id) AS customers,
             SUM(s.amount)                 AS revenue,
             (SELECT LISTAGG(ch.channel, ',') WITHIN GROUP (ORDER BY ch.channel)
                FROM (SELECT DISTINCT s2.channel
                        FROM sales s2
                       WHERE s2.region_code = s.region_code
                         AND s2.sale_date >= TRUNC(p_month, 'MM')
                         AND s2.sale_date <  ADD_MONTHS(TRUNC(p_month, 'MM'), 1)) ch
             ) AS channels
        FROM sales s
       WHERE s.sale_date >= TRUNC(p_month, 'MM')
         AND s.sale_date <  ADD_MONTHS(TRUNC(p_month, 'MM'), 1)
       GROUP BY s.region_code;
  $ELSE
    CURSOR c_sum IS
      SELECT s.region_code,
             COUNT(DISTINCT s.customer_id)                                  AS customers,
             SUM(s.amount)                                                  AS revenue,
             LISTAGG(DISTINCT s.channel, ',') WITHIN GROUP (ORDER BY s.channel) AS channels
        FROM sales s
       WHERE s.sale_date >= TRUNC(p_month, 'MM')
         AND s.sale_date <  ADD_MONTHS(TRUNC(p_month, 'MM'), 1)
       GROUP BY s.region_code;
  $END
    l_region    sales.region_code%TYPE;
    l_customers NUMBER;
    l_revenue   NUMBER;
    l_channels  VARCHAR2(4000);
  BEGIN
    trace('build_month ' || TO_CHAR(p_month, 'YYYY-MM'));
    DELETE FROM sales_month_summary WHERE month_start = TRUNC(p_month, 'MM');
    OPEN c_sum;
    LOOP
      FETCH c_sum INTO l_region, l_customers, l_revenue, l_channels;
      EXIT WHEN c_sum%NOTFOUND;
      INSERT INTO sales_month_summary (month_start, region_code, customers, revenue, channels)
      VALUES (TRUNC(p_month, 'MM'), l_region, l_customers, l_revenue, l_channels);
    END LOOP;
    CLOSE c_sum;
    COMMIT;
  END build_month;

  ------------------------------------------------------------------------
  FUNCTION top_customers_rc (p_region IN VARCHAR2, p_n IN PLS_INTEGER)
    RETURN SYS_REFCURSOR
  IS
    l_rc SYS_REFCURSOR;
  BEGIN
  $IF DBMS_DB_VERSION.VER_LE_11 $THEN
    OPEN l_rc FOR
      SELECT *
        FROM (SELECT customer_id, SUM(amount) AS revenue
                FROM sales
               WHERE region_code = p_region
               GROUP BY customer_id
               ORDER BY revenue DESC)
       WHERE ROWNUM <= p_n;
  $ELSE
    OPEN l_rc FOR
      SELECT customer_id, SUM(amount) AS revenue
        FROM sales
       WHERE region_code = p_region
       GROUP BY customer_id
       ORDER BY revenue DESC
       FETCH FIRST p_n ROWS ONLY;
  $END
    RETURN l_rc;
  END top_customers_rc;

  ------------------------------------------------------------------------
  PROCEDURE build_all_regions (p_month IN DATE) IS
    l_code  sales_regions.region_code%TYPE;
    l_name  sales_regions.region_name%TYPE;
    l_done  PLS_INTEGER := 0;
  BEGIN
    OPEN c_regions;
    LOOP
      FETCH c_regions INTO l_code, l_name;
      EXIT WHEN c_regions%NOTFOUND;
      UPDATE sales_region_status
         SET last_month = TRUNC(p_month, 'MM'),
             state      = CASE
                            WHEN EXISTS (SELECT 1 FROM sales_month_summary m
                                          WHERE m.region_code = l_code
                                            AND m.month_start = TRUNC(p_month, 'MM'))
                            THEN 'READY'
                            ELSE 'EMPTY'
                          END
       WHERE region_code = l_code;
      l_done := l_done + 1;
    END LOOP;
  $IF $$trace_on $THEN
    trace(l_done || ' regions, closing c_regions');
    CLOSE c_regions;
  $ELSE
    CLOSE c_regions;
  $END
    COMMIT;
  EXCEPTION
    WHEN OTHERS THEN
      IF c_regions%ISOPEN THEN
        CLOSE c_regions;
      END IF;
      ROLLBACK;
      RAISE;
  END build_all_regions;

  ------------------------------------------------------------------------
  PROCEDURE print_region_report (p_month IN DATE) IS
    l_rc        SYS_REFCURSOR;
    l_region    VARCHAR2(10);
    l_name      VARCHAR2(80);
    l_revenue   NUMBER;
    l_rank      PLS_INTEGER := 0;
  BEGIN
  $IF DBMS_DB_VERSION.VER_LE_12 $THEN
    OPEN l_rc FOR
      SELECT r.region_code, r.region_code || ' - ' || INITCAP(r.region_name), NVL(m.revenue, 0)
        FROM sales_regions r
        LEFT JOIN sales_month_summary m
          ON m.region_code = r.region_code
         AND m.month_start = TRUNC(p_month, 'MM')
       ORDER BY 3 DESC;
  $ELSE
    OPEN l_rc FOR
      WITH
        FUNCTION fmt_region (p_code VARCHAR2, p_name VARCHAR2) RETURN VARCHAR2 IS
        BEGIN
          RETURN p_code || ' - ' || INITCAP(p_name);
        END;
      SELECT r.region_code, fmt_region(r.region_code, r.region_name), NVL(m.revenue, 0)
        FROM sales_regions r
        LEFT JOIN sales_month_summary m
          ON m.region_code = r.region_code
         AND m.month_start = TRUNC(p_month, 'MM')
       ORDER BY 3 DESC;
  $END
    DBMS_OUTPUT.PUT_LINE('Revenue by region, ' || TO_CHAR(p_month, 'Month YYYY'));
    LOOP
      FETCH l_rc INTO l_region, l_name, l_revenue;
      EXIT WHEN l_rc%NOTFOUND;
      l_rank := l_rank + 1;
      DBMS_OUTPUT.PUT_LINE(LPAD(l_rank, 3) || '. ' || RPAD(l_name, 40)
                           || TO_CHAR(l_revenue, '999G999G990D00'));
    END LOOP;
  END print_region_report;

  ------------------------------------------------------------------------
  FUNCTION region_count RETURN PLS_INTEGER IS
    l_n PLS_INTEGER := 0;
  BEGIN
    FOR r IN c_regions LOOP
      l_n := l_n + 1;
    END LOOP;
    RETURN l_n;
  END region_count;

END pkg_sales_reports;
/
