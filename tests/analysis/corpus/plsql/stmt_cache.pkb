--------------------------------------------------------------------------------
-- stmt_cache.pkb
-- Session-level cache of parsed DBMS_SQL cursors for the generic DML gateway.
-- Statements are registered in APP_STATEMENTS; those flagged PRELOAD='Y' are
-- parsed once by WARM_UP. Cursor numbers live in G_CACHE until RELEASE_ALL.
--------------------------------------------------------------------------------

CREATE OR REPLACE PACKAGE stmt_cache AS
  TYPE t_bind_tab IS TABLE OF VARCHAR2(4000) INDEX BY VARCHAR2(30);

  FUNCTION  get_cursor(p_key IN VARCHAR2) RETURN INTEGER;
  FUNCTION  exec_dml(p_key IN VARCHAR2, p_binds IN t_bind_tab) RETURN INTEGER;
  FUNCTION  query(p_key IN VARCHAR2, p_binds IN t_bind_tab) RETURN SYS_REFCURSOR;
  FUNCTION  column_names(p_sql IN VARCHAR2) RETURN DBMS_SQL.varchar2_table;
  PROCEDURE warm_up;
  PROCEDURE reload(p_key IN VARCHAR2);
  PROCEDURE purge_invalid;
  PROCEDURE release_all;
  PROCEDURE reset_state;
  FUNCTION  cached_count RETURN PLS_INTEGER;
END stmt_cache;
/

CREATE OR REPLACE PACKAGE BODY stmt_cache AS

  TYPE t_cursor_tab IS TABLE OF INTEGER INDEX BY VARCHAR2(64);
  TYPE t_text_tab   IS TABLE OF VARCHAR2(32767) INDEX BY VARCHAR2(64);

  g_cache  t_cursor_tab;
  g_text   t_text_tab;
  g_hits   PLS_INTEGER := 0;
  g_misses PLS_INTEGER := 0;

  CURSOR c_stmt_defs(p_key IN VARCHAR2 DEFAULT NULL) IS
    SELECT stmt_key, sql_text
      FROM app_statements
     WHERE (p_key IS NULL AND preload = 'Y')
        OR stmt_key = p_key;

  PROCEDURE release_all IS
    l_key VARCHAR2(64);
    l_cur INTEGER;
  BEGIN
    l_key := g_cache.FIRST;
    WHILE l_key IS NOT NULL LOOP
      l_cur := g_cache(l_key);
      IF DBMS_SQL.is_open(l_cur) THEN
        DBMS_SQL.close_cursor(l_cur);
      END IF;
      l_key := g_cache.NEXT(l_key);
    END LOOP;
    g_cache.DELETE;
  END release_all;

  PROCEDURE reset_state IS
  BEGIN
    IF c_stmt_defs%ISOPEN THEN
      CLOSE c_stmt_defs;
    END IF;
    release_all;
    g_text.DELETE;
    g_hits   := 0;
    g_misses := 0;
  END reset_state;

  FUNCTION parse_new(p_sql IN VARCHAR2) RETURN INTEGER IS
    l_cur INTEGER;
  BEGIN
    l_cur := DBMS_SQL.open_cursor(security_level => 2);
    DBMS_SQL.parse(l_cur, p_sql, DBMS_SQL.native);
    RETURN l_cur;
  EXCEPTION
    WHEN OTHERS THEN
      IF DBMS_SQL.is_open(l_cur) THEN
        DBMS_SQL.close_cursor(l_cur);
      END IF;
      RAISE;
  END parse_new;

  FUNCTION statement_text(p_key IN VARCHAR2) RETURN VARCHAR2 IS
    l_key   app_statements.stmt_key%TYPE;
    l_text  app_statements.sql_text%TYPE;
  BEGIN
    IF g_text.EXISTS(p_key) THEN
      RETURN g_text(p_key);
    END IF;
    OPEN c_stmt_defs(p_key);
    FETCH c_stmt_defs INTO l_key, l_text;
    CLOSE c_stmt_defs;
    IF l_text IS NULL THEN
      raise_application_error(-20404, 'unknown statement ' || p_key);
    END IF;
    g_text(p_key) := l_text;
    RETURN l_text;
  EXCEPTION
    WHEN OTHERS THEN
      IF c_stmt_defs%ISOPEN THEN
        CLOSE c_stmt_defs;
      END IF;
      RAISE;
  END statement_text;

  FUNCTION get_cursor(p_key IN VARCHAR2) RETURN INTEGER IS
  BEGIN
    IF g_cache.EXISTS(p_key) AND DBMS_SQL.is_open(g_cache(p_key)) THEN
      g_hits := g_hits + 1;
      RETURN g_cache(p_key);
    END IF;
    g_misses := g_misses + 1;
    g_cache(p_key) := parse_new(statement_text(p_key));
    RETURN g_cache(p_key);
  END get_cursor;

  PROCEDURE bind_all(p_cur IN INTEGER, p_binds IN t_bind_tab) IS
    l_name VARCHAR2(30) := p_binds.FIRST;
  BEGIN
    WHILE l_name IS NOT NULL LOOP
      DBMS_SQL.bind_variable(p_cur, ':' || l_name, p_binds(l_name));
      l_name := p_binds.NEXT(l_name);
    END LOOP;
  END bind_all;

  FUNCTION exec_dml(p_key IN VARCHAR2, p_binds IN t_bind_tab) RETURN INTEGER IS
    l_cur INTEGER := get_cursor(p_key);
  BEGIN
    bind_all(l_cur, p_binds);
    RETURN DBMS_SQL.execute(l_cur);
  END exec_dml;

  FUNCTION query(p_key IN VARCHAR2, p_binds IN t_bind_tab) RETURN SYS_REFCURSOR IS
    l_cur     INTEGER;
    l_ignore  INTEGER;
  BEGIN
    -- a query cursor is handed over as a ref cursor, which invalidates the
    -- cursor number; so it is never kept in the cache
    l_cur := parse_new(statement_text(p_key));
    bind_all(l_cur, p_binds);
    l_ignore := DBMS_SQL.execute(l_cur);
    RETURN DBMS_SQL.to_refcursor(l_cur);
  EXCEPTION
    WHEN OTHERS THEN
      IF DBMS_SQL.is_open(l_cur) THEN
        DBMS_SQL.close_cursor(l_cur);
      END IF;
      RAISE;
  END query;

  FUNCTION column_names(p_sql IN VARCHAR2) RETURN DBMS_SQL.varchar2_table IS
    l_rc     SYS_REFCURSOR;
    l_cur    INTEGER;
    l_cols   DBMS_SQL.desc_tab2;
    l_ncols  INTEGER;
    l_names  DBMS_SQL.varchar2_table;
  BEGIN
    OPEN l_rc FOR 'SELECT * FROM (' || p_sql || ') WHERE 1 = 0';
    l_cur := DBMS_SQL.to_cursor_number(l_rc);
    DBMS_SQL.describe_columns2(l_cur, l_ncols, l_cols);
    FOR i IN 1 .. l_ncols LOOP
      l_names(i) := l_cols(i).col_name;
    END LOOP;
    DBMS_SQL.close_cursor(l_cur);
    RETURN l_names;
  END column_names;

  PROCEDURE warm_up IS
    l_key   app_statements.stmt_key%TYPE;
    l_text  app_statements.sql_text%TYPE;
  BEGIN
    OPEN c_stmt_defs;
    LOOP
      FETCH c_stmt_defs INTO l_key, l_text;
      EXIT WHEN c_stmt_defs%NOTFOUND;
      g_text(l_key) := l_text;
      IF NOT g_cache.EXISTS(l_key) THEN
        g_cache(l_key) := parse_new(l_text);
      END IF;
    END LOOP;
    CLOSE c_stmt_defs;
  EXCEPTION
    WHEN OTHERS THEN
      release_all;
      RAISE;
  END warm_up;

  PROCEDURE reload(p_key IN VARCHAR2) IS
    l_key   app_statements.stmt_key%TYPE;
    l_text  app_statements.sql_text%TYPE;
  BEGIN
    OPEN c_stmt_defs(p_key);
    FETCH c_stmt_defs INTO l_key, l_text;
    CLOSE c_stmt_defs;
    IF g_cache.EXISTS(p_key) THEN
      IF DBMS_SQL.is_open(g_cache(p_key)) THEN
        DBMS_SQL.close_cursor(g_cache(p_key));
      END IF;
      g_cache.DELETE(p_key);
    END IF;
    g_text(p_key) := l_text;
  EXCEPTION
    WHEN OTHERS THEN
      reset_state;
      RAISE;
  END reload;

  PROCEDURE purge_invalid IS
    CURSOR c_invalid IS
      SELECT stmt_key
        FROM app_statements
       WHERE status = 'INVALID';
    TYPE t_keys IS TABLE OF app_statements.stmt_key%TYPE;
    l_keys t_keys;
  BEGIN
    OPEN c_invalid;
    FETCH c_invalid BULK COLLECT INTO l_keys;
    FOR i IN 1 .. l_keys.COUNT LOOP
      IF g_cache.EXISTS(l_keys(i)) THEN
        DBMS_SQL.close_cursor(g_cache(l_keys(i)));
        g_cache.DELETE(l_keys(i));
      END IF;
      g_text.DELETE(l_keys(i));
    END LOOP;
  END purge_invalid;

  FUNCTION cached_count RETURN PLS_INTEGER IS
  BEGIN
    RETURN g_cache.COUNT;
  END cached_count;
END stmt_cache;
/
