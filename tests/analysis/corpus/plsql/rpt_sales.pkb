--------------------------------------------------------------------------------
-- rpt_sales.pkb
-- Sales reports for the reporting front end. Report definitions live in
-- RPT_DEFINITIONS; the SQL text is assembled at run time from the selected
-- grouping columns and returned to the caller as a ref cursor.
--------------------------------------------------------------------------------

CREATE OR REPLACE PACKAGE rpt_sales AS

  CURSOR c_report_def(p_report_id IN NUMBER) IS
    SELECT report_id, title, base_view, default_order, max_rows
      FROM rpt_definitions
     WHERE report_id = p_report_id
       AND active_flag = 'Y';

  TYPE t_region_list IS TABLE OF VARCHAR2(30) INDEX BY PLS_INTEGER;

  PROCEDURE get_sales_by_region(p_from      IN  DATE,
                                p_to        IN  DATE,
                                p_group_by  IN  VARCHAR2,
                                o_rc        OUT SYS_REFCURSOR);

  FUNCTION top_customers(p_region IN VARCHAR2, p_n IN PLS_INTEGER DEFAULT 10)
    RETURN SYS_REFCURSOR;

  PROCEDURE get_report(p_report_id IN  NUMBER,
                       o_header    OUT SYS_REFCURSOR,
                       o_rows      OUT SYS_REFCURSOR);

  PROCEDURE build_region_list;

  PROCEDURE preview(p_report_id IN NUMBER);

  FUNCTION region_list RETURN t_region_list;
END rpt_sales;
/

CREATE OR REPLACE PACKAGE BODY rpt_sales AS

  CURSOR c_regions IS
    SELECT region_code
      FROM sales_regions
     WHERE status = 'OPEN'
     ORDER BY sort_order;

  g_regions      t_region_list;
  g_regions_ts   DATE;

  gc_allowed_groups CONSTANT VARCHAR2(200) := ',REGION,PRODUCT_LINE,CHANNEL,SALES_REP,';

  PROCEDURE log_error(p_where IN VARCHAR2) IS
    PRAGMA AUTONOMOUS_TRANSACTION;
  BEGIN
    INSERT INTO app_error_log (logged_at, module, location, message)
    VALUES (SYSTIMESTAMP, 'RPT_SALES', p_where, SUBSTR(SQLERRM, 1, 4000));
    COMMIT;
  END log_error;

  PROCEDURE close_all IS
  BEGIN
    IF c_report_def%ISOPEN THEN
      CLOSE c_report_def;
    END IF;
    IF c_regions%ISOPEN THEN
      CLOSE c_regions;
    END IF;
  END close_all;

  FUNCTION group_by_clause(p_group_by IN VARCHAR2) RETURN VARCHAR2 IS
    l_clause  VARCHAR2(400);
    l_item    VARCHAR2(30);
    l_pos     PLS_INTEGER := 1;
  BEGIN
    LOOP
      l_item := UPPER(TRIM(REGEXP_SUBSTR(p_group_by, '[^,]+', 1, l_pos)));
      EXIT WHEN l_item IS NULL;
      IF INSTR(gc_allowed_groups, ',' || l_item || ',') = 0 THEN
        raise_application_error(-20010, 'grouping not allowed: ' || l_item);
      END IF;
      l_clause := l_clause || CASE WHEN l_clause IS NOT NULL THEN ', ' END
                  || DBMS_ASSERT.simple_sql_name(l_item);
      l_pos := l_pos + 1;
    END LOOP;
    RETURN NVL(l_clause, 'REGION');
  END group_by_clause;

  PROCEDURE get_sales_by_region(p_from      IN  DATE,
                                p_to        IN  DATE,
                                p_group_by  IN  VARCHAR2,
                                o_rc        OUT SYS_REFCURSOR) IS
    l_groups VARCHAR2(400) := group_by_clause(p_group_by);
    l_sql    VARCHAR2(4000);
  BEGIN
    l_sql := 'SELECT ' || l_groups || ', SUM(net_amount) AS net, COUNT(*) AS cnt'
          || '  FROM sales_facts'
          || ' WHERE sale_date BETWEEN :d1 AND :d2'
          || '   AND order_status <> ''CANCELLED'''
          || ' GROUP BY ' || l_groups
          || ' ORDER BY ' || l_groups;
    OPEN o_rc FOR l_sql USING p_from, p_to;
  EXCEPTION
    WHEN OTHERS THEN
      log_error('get_sales_by_region: ' || l_sql);
      RAISE;
  END get_sales_by_region;

  FUNCTION top_customers(p_region IN VARCHAR2, p_n IN PLS_INTEGER DEFAULT 10)
    RETURN SYS_REFCURSOR
  IS
    l_rc     SYS_REFCURSOR;
    l_sql    VARCHAR2(2000);
  BEGIN
    l_sql := 'SELECT customer_id, customer_name, SUM(net_amount) AS net'
          || '  FROM sales_facts'
          || CASE WHEN p_region IS NOT NULL THEN ' WHERE region = :r' END
          || ' GROUP BY customer_id, customer_name'
          || ' ORDER BY net DESC FETCH FIRST :n ROWS ONLY';
    IF p_region IS NOT NULL THEN
      OPEN l_rc FOR l_sql USING p_region, p_n;
    ELSE
      OPEN l_rc FOR l_sql USING p_n;
    END IF;
    RETURN l_rc;
  EXCEPTION
    WHEN OTHERS THEN
      IF l_rc%ISOPEN THEN
        CLOSE l_rc;
      END IF;
      log_error('top_customers');
      RAISE;
  END top_customers;

  PROCEDURE get_report(p_report_id IN  NUMBER,
                       o_header    OUT SYS_REFCURSOR,
                       o_rows      OUT SYS_REFCURSOR) IS
    l_def   c_report_def%ROWTYPE;
    l_sql   VARCHAR2(4000);
    l_rc    SYS_REFCURSOR;
  BEGIN
    OPEN c_report_def(p_report_id);
    FETCH c_report_def INTO l_def;
    IF c_report_def%NOTFOUND THEN
      CLOSE c_report_def;
      raise_application_error(-20404, 'report ' || p_report_id || ' not found');
    END IF;
    CLOSE c_report_def;

    OPEN o_header FOR
      SELECT l_def.report_id AS report_id, l_def.title AS title, SYSDATE AS run_at
        FROM dual;

    l_sql := 'SELECT * FROM ' || DBMS_ASSERT.sql_object_name(l_def.base_view)
          || ' ORDER BY ' || NVL(l_def.default_order, '1')
          || ' FETCH FIRST ' || NVL(l_def.max_rows, 1000) || ' ROWS ONLY';
    OPEN l_rc FOR l_sql;
    o_rows := l_rc;
  EXCEPTION
    WHEN OTHERS THEN
      close_all;
      log_error('get_report ' || p_report_id);
      RAISE;
  END get_report;

  PROCEDURE build_region_list IS
    l_code  sales_regions.region_code%TYPE;
    l_idx   PLS_INTEGER := 0;
  BEGIN
    g_regions.DELETE;
    OPEN c_regions;
    LOOP
      FETCH c_regions INTO l_code;
      EXIT WHEN c_regions%NOTFOUND;
      l_idx := l_idx + 1;
      g_regions(l_idx) := l_code;
    END LOOP;
    CLOSE c_regions;
    g_regions_ts := SYSDATE;
  EXCEPTION
    WHEN VALUE_ERROR THEN
      log_error('build_region_list: region code too long at ' || l_idx);
      RAISE;
    WHEN OTHERS THEN
      g_regions.DELETE;
      g_regions_ts := NULL;
      log_error('build_region_list');
      RAISE;
  END build_region_list;

  PROCEDURE preview(p_report_id IN NUMBER) IS
    l_header  SYS_REFCURSOR;
    l_rows    SYS_REFCURSOR;
    l_title   VARCHAR2(200);
  BEGIN
    get_report(p_report_id, l_header, l_rows);
    -- the header is only needed for the title; close it here
    FETCH l_header INTO l_title, l_title, l_title;
    CLOSE l_header;
    DBMS_OUTPUT.put_line('Preview of ' || l_title);
    DBMS_SQL.return_result(l_rows);
  END preview;

  FUNCTION region_list RETURN t_region_list IS
  BEGIN
    IF g_regions_ts IS NULL OR g_regions_ts < SYSDATE - 1/24 THEN
      build_region_list;
    END IF;
    RETURN g_regions;
  END region_list;
END rpt_sales;
/
