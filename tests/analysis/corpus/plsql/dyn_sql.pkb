CREATE OR REPLACE PACKAGE BODY dyn_sql
AS
  /*
   * Helpers around DBMS_SQL for queries whose shape is only known at run time.
   *
   * Package header types used here:
   *   TYPE t_bind  IS RECORD (name VARCHAR2(30), val VARCHAR2(4000));
   *   TYPE t_binds IS TABLE OF t_bind INDEX BY PLS_INTEGER;
   *   TYPE t_col_list IS TABLE OF VARCHAR2(128) INDEX BY PLS_INTEGER;
   */

  gc_max_col_len CONSTANT PLS_INTEGER := 4000;

  -------------------------------------------------------------------------
  PROCEDURE bind_all (p_cur IN INTEGER, p_binds IN t_binds)
  IS
    l_i PLS_INTEGER := p_binds.FIRST;
  BEGIN
    WHILE l_i IS NOT NULL LOOP
      DBMS_SQL.BIND_VARIABLE(p_cur, ':' || LTRIM(p_binds(l_i).name, ':'), p_binds(l_i).val);
      l_i := p_binds.NEXT(l_i);
    END LOOP;
  END bind_all;

  -------------------------------------------------------------------------
  FUNCTION csv_field (p_val IN VARCHAR2, p_sep IN VARCHAR2) RETURN VARCHAR2
  IS
  BEGIN
    IF INSTR(p_val, p_sep) > 0 OR INSTR(p_val, '"') > 0 OR INSTR(p_val, CHR(10)) > 0 THEN
      RETURN '"' || REPLACE(p_val, '"', '""') || '"';
    END IF;
    RETURN p_val;
  END csv_field;

  -------------------------------------------------------------------------
  FUNCTION query_to_csv (
    p_query  IN VARCHAR2,
    p_binds  IN t_binds,
    p_sep    IN VARCHAR2 DEFAULT ',',
    p_header IN BOOLEAN  DEFAULT TRUE
  ) RETURN CLOB
  IS
    l_cursor   INTEGER;
    l_col_cnt  INTEGER;
    l_desc     DBMS_SQL.DESC_TAB2;
    l_value    VARCHAR2(4000);
    l_line     VARCHAR2(32767);
    l_dummy    INTEGER;
    l_csv      CLOB;
  BEGIN
    DBMS_LOB.CREATETEMPORARY(l_csv, TRUE, DBMS_LOB.CALL);

    l_cursor := DBMS_SQL.OPEN_CURSOR;
    DBMS_SQL.PARSE(l_cursor, p_query, DBMS_SQL.NATIVE);
    bind_all(l_cursor, p_binds);
    DBMS_SQL.DESCRIBE_COLUMNS2(l_cursor, l_col_cnt, l_desc);

    FOR i IN 1 .. l_col_cnt LOOP
      DBMS_SQL.DEFINE_COLUMN(l_cursor, i, l_value, gc_max_col_len);
      IF p_header THEN
        l_line := l_line || CASE WHEN i > 1 THEN p_sep END || csv_field(l_desc(i).col_name, p_sep);
      END IF;
    END LOOP;
    IF p_header THEN
      DBMS_LOB.APPEND(l_csv, l_line || CHR(10));
    END IF;

    l_dummy := DBMS_SQL.EXECUTE(l_cursor);
    WHILE DBMS_SQL.FETCH_ROWS(l_cursor) > 0 LOOP
      l_line := NULL;
      FOR i IN 1 .. l_col_cnt LOOP
        DBMS_SQL.COLUMN_VALUE(l_cursor, i, l_value);
        l_line := l_line || CASE WHEN i > 1 THEN p_sep END || csv_field(l_value, p_sep);
      END LOOP;
      DBMS_LOB.APPEND(l_csv, l_line || CHR(10));
    END LOOP;

    DBMS_SQL.CLOSE_CURSOR(l_cursor);
    RETURN l_csv;
  EXCEPTION
    WHEN OTHERS THEN
      IF DBMS_SQL.IS_OPEN(l_cursor) THEN
        DBMS_SQL.CLOSE_CURSOR(l_cursor);
      END IF;
      RAISE;
  END query_to_csv;

  -------------------------------------------------------------------------
  FUNCTION describe_query (p_query IN VARCHAR2) RETURN t_col_list
  IS
    l_cur    INTEGER := DBMS_SQL.OPEN_CURSOR;
    l_cnt    INTEGER;
    l_desc   DBMS_SQL.DESC_TAB;
    l_result t_col_list;
  BEGIN
    DBMS_SQL.PARSE(l_cur, p_query, DBMS_SQL.NATIVE);
    DBMS_SQL.DESCRIBE_COLUMNS(l_cur, l_cnt, l_desc);
    FOR i IN 1 .. l_cnt LOOP
      l_result(i) := l_desc(i).col_name;
    END LOOP;
    DBMS_SQL.CLOSE_CURSOR(l_cur);
    RETURN l_result;
  EXCEPTION
    WHEN OTHERS THEN
      IF DBMS_SQL.IS_OPEN(l_cur) THEN
        DBMS_SQL.CLOSE_CURSOR(l_cur);
      END IF;
      RAISE;
  END describe_query;

  -------------------------------------------------------------------------
  -- Opens a query with named binds and hands it back as a REF CURSOR.
  -- After TO_REFCURSOR the DBMS_SQL number is no longer valid; the caller
  -- must CLOSE the returned cursor.
  FUNCTION open_query (p_query IN VARCHAR2, p_binds IN t_binds) RETURN SYS_REFCURSOR
  IS
    l_cur   INTEGER;
    l_dummy INTEGER;
    l_rc    SYS_REFCURSOR;
  BEGIN
    l_cur := DBMS_SQL.OPEN_CURSOR;
    DBMS_SQL.PARSE(l_cur, p_query, DBMS_SQL.NATIVE);
    bind_all(l_cur, p_binds);
    l_dummy := DBMS_SQL.EXECUTE(l_cur);
    l_rc := DBMS_SQL.TO_REFCURSOR(l_cur);
    RETURN l_rc;
  EXCEPTION
    WHEN OTHERS THEN
      IF DBMS_SQL.IS_OPEN(l_cur) THEN
        DBMS_SQL.CLOSE_CURSOR(l_cur);
      END IF;
      RAISE;
  END open_query;

  -------------------------------------------------------------------------
  -- Prints any open ref cursor; takes ownership of it.
  PROCEDURE print_cursor (p_rc IN OUT SYS_REFCURSOR, p_max_rows IN PLS_INTEGER DEFAULT 50)
  IS
    l_cur   INTEGER;
    l_cnt   INTEGER;
    l_desc  DBMS_SQL.DESC_TAB2;
    l_val   VARCHAR2(4000);
    l_rows  PLS_INTEGER := 0;
    l_line  VARCHAR2(32767);
  BEGIN
    l_cur := DBMS_SQL.TO_CURSOR_NUMBER(p_rc);
    DBMS_SQL.DESCRIBE_COLUMNS2(l_cur, l_cnt, l_desc);
    FOR i IN 1 .. l_cnt LOOP
      DBMS_SQL.DEFINE_COLUMN(l_cur, i, l_val, gc_max_col_len);
      l_line := l_line || RPAD(SUBSTR(l_desc(i).col_name, 1, 20), 21);
    END LOOP;
    DBMS_OUTPUT.PUT_LINE(l_line);
    <<rows>>
    WHILE DBMS_SQL.FETCH_ROWS(l_cur) > 0 LOOP
      l_rows := l_rows + 1;
      EXIT rows WHEN l_rows > p_max_rows;
      l_line := NULL;
      FOR i IN 1 .. l_cnt LOOP
        DBMS_SQL.COLUMN_VALUE(l_cur, i, l_val);
        l_line := l_line || RPAD(NVL(SUBSTR(l_val, 1, 20), ' '), 21);
      END LOOP;
      DBMS_OUTPUT.PUT_LINE(l_line);
    END LOOP rows;
    DBMS_SQL.CLOSE_CURSOR(l_cur);
  EXCEPTION
    WHEN OTHERS THEN
      IF DBMS_SQL.IS_OPEN(l_cur) THEN
        DBMS_SQL.CLOSE_CURSOR(l_cur);
      END IF;
      RAISE;
  END print_cursor;

  -------------------------------------------------------------------------
  FUNCTION exec_dml (p_stmt IN VARCHAR2, p_binds IN t_binds) RETURN NUMBER
  IS
    l_theCursor INTEGER := DBMS_SQL.OPEN_CURSOR;
    l_rows      NUMBER;
  BEGIN
    DBMS_SQL.PARSE(l_theCursor, p_stmt, DBMS_SQL.NATIVE);
    bind_all(l_theCursor, p_binds);
    l_rows := DBMS_SQL.EXECUTE(l_theCursor);
    DBMS_SQL.CLOSE_CURSOR(l_theCursor);
    RETURN l_rows;
  EXCEPTION
    WHEN OTHERS THEN
      DBMS_SQL.CLOSE_CURSOR(l_theCursor);
      RAISE;
  END exec_dml;

  -------------------------------------------------------------------------
  FUNCTION count_rows (p_table IN VARCHAR2, p_where IN VARCHAR2 DEFAULT NULL) RETURN NUMBER
  IS
    l_rc  SYS_REFCURSOR;
    l_cnt NUMBER;
  BEGIN
    OPEN l_rc FOR 'SELECT COUNT(*) FROM ' || DBMS_ASSERT.SQL_OBJECT_NAME(p_table)
                  || CASE WHEN p_where IS NOT NULL THEN ' WHERE ' || p_where END;
    FETCH l_rc INTO l_cnt;
    CLOSE l_rc;
    RETURN l_cnt;
  END count_rows;

  -------------------------------------------------------------------------
  FUNCTION column_exists (p_table IN VARCHAR2, p_column IN VARCHAR2) RETURN BOOLEAN
  IS
    CURSOR c_col (p_tab IN VARCHAR2, p_col IN VARCHAR2) IS
      SELECT 1
        FROM user_tab_columns
       WHERE table_name  = p_tab
         AND column_name = p_col;
    l_dummy PLS_INTEGER;
  BEGIN
    OPEN c_col(UPPER(p_table), UPPER(p_column));
    FETCH c_col INTO l_dummy;
    RETURN c_col%FOUND;
  END column_exists;

  -------------------------------------------------------------------------
  -- Builds "SELECT col1, col2 ... FROM t" for the existing columns only.
  FUNCTION select_list (p_table IN VARCHAR2, p_wanted IN t_col_list) RETURN VARCHAR2
  IS
    l_sql VARCHAR2(32767);
  BEGIN
    FOR i IN 1 .. p_wanted.COUNT LOOP
      IF column_exists(p_table, p_wanted(i)) THEN
        l_sql := l_sql || CASE WHEN l_sql IS NOT NULL THEN ', ' END
                       || DBMS_ASSERT.ENQUOTE_NAME(p_wanted(i));
      END IF;
    END LOOP;
    IF l_sql IS NULL THEN
      RAISE_APPLICATION_ERROR(-20010, 'none of the columns exists in ' || p_table);
    END IF;
    RETURN 'SELECT ' || l_sql || ' FROM ' || DBMS_ASSERT.SQL_OBJECT_NAME(p_table);
  END select_list;

END dyn_sql;
/
