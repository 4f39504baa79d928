CREATE OR REPLACE PACKAGE BODY pkg_report_feed AS
  /* Row-by-row feed for the report server, which calls open_feed, then
     next_row until it returns FALSE, then close_feed. The cursor stays open
     between the calls on purpose: it lives in the package state. */

  TYPE t_feed_cur IS REF CURSOR;

  g_feed      t_feed_cur;
  g_report_id reports.report_id%TYPE;
  g_rows      PLS_INTEGER := 0;

  CURSOR c_report_columns(cp_report_id NUMBER) IS
    SELECT column_name, heading, format_mask
      FROM report_columns
     WHERE report_id = cp_report_id
     ORDER BY position;

  FUNCTION build_query(p_report_id IN NUMBER) RETURN VARCHAR2 IS
    l_sql  VARCHAR2(32767);
    l_sep  VARCHAR2(2);
    l_from reports.source_view%TYPE;
  BEGIN
    SELECT source_view INTO l_from FROM reports WHERE report_id = p_report_id;
    l_sql := 'SELECT ';
    FOR col IN c_report_columns(p_report_id) LOOP
      l_sql := l_sql || l_sep || dbms_assert.simple_sql_name(col.column_name);
      l_sep := ' || '';'' || ';
    END LOOP;
    RETURN l_sql || ' AS line FROM ' || dbms_assert.sql_object_name(l_from);
  END build_query;

  PROCEDURE open_feed(p_report_id IN NUMBER) IS
  BEGIN
    IF g_feed%ISOPEN THEN
      CLOSE g_feed;
    END IF;
    g_report_id := p_report_id;
    g_rows := 0;
    OPEN g_feed FOR build_query(p_report_id);
  END open_feed;

  FUNCTION next_row(p_line OUT VARCHAR2) RETURN BOOLEAN IS
    l_values sys.odcivarchar2list;
  BEGIN
    FETCH g_feed BULK COLLECT INTO l_values LIMIT 1;
    IF l_values.COUNT = 0 THEN
      RETURN FALSE;
    END IF;
    p_line := l_values(1);
    g_rows := g_rows + 1;
    RETURN TRUE;
  END next_row;

  PROCEDURE close_feed IS
  BEGIN
    IF g_feed%ISOPEN THEN
      CLOSE g_feed;
    END IF;
    UPDATE reports SET last_rows = g_rows, last_run = SYSDATE WHERE report_id = g_report_id;
  END close_feed;

  PROCEDURE preview_headings(p_report_id IN NUMBER, p_headings OUT VARCHAR2) IS
    l_col c_report_columns%ROWTYPE;
  BEGIN
    OPEN c_report_columns(p_report_id);
    LOOP
      FETCH c_report_columns INTO l_col;
      EXIT WHEN c_report_columns%NOTFOUND;
      p_headings := p_headings || RPAD(NVL(l_col.heading, l_col.column_name), 20);
    END LOOP;
    CLOSE c_report_columns;
  EXCEPTION
    WHEN value_error THEN
      p_headings := SUBSTR(p_headings, 1, 4000);
  END preview_headings;

  PROCEDURE restart_feed IS
  BEGIN
    IF g_feed%ISOPEN THEN
      CLOSE g_feed;
    END IF;
    IF g_report_id IS NULL THEN
      raise_application_error(-20400, 'No feed to restart: call open_feed first');
    END IF;
    g_rows := 0;
    OPEN g_feed FOR build_query(g_report_id);
  END restart_feed;

END pkg_report_feed;
/
