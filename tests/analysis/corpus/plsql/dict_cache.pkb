--------------------------------------------------------------------------------
-- dict_cache.pkb
-- Caches data dictionary lookups for the generators (column types, key
-- columns, comments). The lookups run often, so the cursors are kept at
-- package level and reopened per call. c_synonyms is declared in the header.
--------------------------------------------------------------------------------
CREATE OR REPLACE PACKAGE BODY dict_cache AS

  CURSOR c_col_type(p_owner VARCHAR2, p_table VARCHAR2, p_column VARCHAR2) IS
    SELECT data_type, data_length, data_precision, data_scale, nullable
      FROM all_tab_columns
     WHERE owner = p_owner
       AND table_name = p_table
       AND column_name = p_column;

  CURSOR c_pk_cols(p_owner VARCHAR2, p_table VARCHAR2) IS
    SELECT cc.column_name
      FROM all_constraints c
      JOIN all_cons_columns cc
        ON cc.owner = c.owner
       AND cc.constraint_name = c.constraint_name
     WHERE c.owner = p_owner
       AND c.table_name = p_table
       AND c.constraint_type = 'P'
     ORDER BY cc.position;

  CURSOR c_comments(p_owner VARCHAR2, p_table VARCHAR2) IS
    SELECT column_name, comments
      FROM all_col_comments
     WHERE owner = p_owner
       AND table_name = p_table
       AND comments IS NOT NULL;

  CURSOR c_tab_comment(p_owner VARCHAR2, p_table VARCHAR2) IS
    SELECT comments
      FROM all_tab_comments
     WHERE owner = p_owner
       AND table_name = p_table;

  CURSOR c_batch IS
    SELECT owner, table_name
      FROM gen_table_queue
     WHERE processed = 'N'
     ORDER BY queued_at;

  TYPE t_type_cache IS TABLE OF VARCHAR2(200) INDEX BY VARCHAR2(400);
  g_types    t_type_cache;
  g_hits     PLS_INTEGER := 0;
  g_misses   PLS_INTEGER := 0;

  PROCEDURE log_error(p_where IN VARCHAR2) IS
    PRAGMA AUTONOMOUS_TRANSACTION;
  BEGIN
    INSERT INTO gen_error_log(logged_at, location, message, backtrace)
    VALUES (SYSTIMESTAMP, p_where, SQLERRM, DBMS_UTILITY.format_error_backtrace);
    COMMIT;
  END log_error;

  PROCEDURE close_lookups IS
  BEGIN
    IF c_col_type%ISOPEN THEN CLOSE c_col_type; END IF;
    IF c_pk_cols%ISOPEN THEN CLOSE c_pk_cols; END IF;
  END close_lookups;

  PROCEDURE reset_state IS
  BEGIN
    close_lookups;
    g_types.DELETE;
  END reset_state;

  FUNCTION col_type(p_owner IN VARCHAR2, p_table IN VARCHAR2, p_column IN VARCHAR2)
    RETURN VARCHAR2 IS
    l_key VARCHAR2(400) := p_owner || '.' || p_table || '.' || p_column;
    l_row c_col_type%ROWTYPE;
  BEGIN
    IF g_types.EXISTS(l_key) THEN
      g_hits := g_hits + 1;
      RETURN g_types(l_key);
    END IF;
    g_misses := g_misses + 1;
    OPEN c_col_type(p_owner, p_table, p_column);
    FETCH c_col_type INTO l_row;
    IF c_col_type%NOTFOUND THEN
      CLOSE c_col_type;
      RAISE_APPLICATION_ERROR(-20401, 'No column ' || l_key);
    END IF;
    CLOSE c_col_type;
    g_types(l_key) := l_row.data_type
                      || CASE WHEN l_row.data_type LIKE '%CHAR%' THEN '(' || l_row.data_length || ')' END;
    RETURN g_types(l_key);
  EXCEPTION
    WHEN OTHERS THEN
      log_error('dict_cache.col_type ' || l_key);
      reset_state;
      RAISE;
  END col_type;

  FUNCTION pk_columns(p_owner IN VARCHAR2, p_table IN VARCHAR2) RETURN VARCHAR2 IS
    l_col  all_cons_columns.column_name%TYPE;
    l_list VARCHAR2(4000);
  BEGIN
    OPEN c_pk_cols(p_owner, p_table);
    LOOP
      FETCH c_pk_cols INTO l_col;
      EXIT WHEN c_pk_cols%NOTFOUND;
      l_list := l_list || CASE WHEN l_list IS NOT NULL THEN ',' END || l_col;
    END LOOP;
    CLOSE c_pk_cols;
    RETURN l_list;
  EXCEPTION
    WHEN OTHERS THEN
      IF c_pk_cols%ISOPEN THEN
        CLOSE c_pk_cols;
      END IF;
      log_error('dict_cache.pk_columns');
      RAISE;
  END pk_columns;

  -- column comments into a collection the caller gets back
  PROCEDURE column_comments(p_owner IN VARCHAR2, p_table IN VARCHAR2,
                            p_names OUT t_name_list, p_texts OUT t_text_list) IS
  BEGIN
    OPEN c_comments(p_owner, p_table);
    FETCH c_comments BULK COLLECT INTO p_names, p_texts;
    CLOSE c_comments;
  EXCEPTION
    WHEN OTHERS THEN
      log_error('dict_cache.column_comments');
      RAISE;
  END column_comments;

  FUNCTION table_comment(p_owner IN VARCHAR2, p_table IN VARCHAR2) RETURN VARCHAR2 IS
    l_text all_tab_comments.comments%TYPE;
  BEGIN
    OPEN c_tab_comment(p_owner, p_table);
    FETCH c_tab_comment INTO l_text;
    CLOSE c_tab_comment;
    RETURN l_text;
  END table_comment;

  -- synonyms pointing at a table; c_synonyms is the header's cursor
  FUNCTION synonym_count(p_owner IN VARCHAR2, p_table IN VARCHAR2) RETURN PLS_INTEGER IS
    l_n PLS_INTEGER := 0;
    l_name all_synonyms.synonym_name%TYPE;
  BEGIN
    OPEN c_synonyms(p_owner, p_table);
    LOOP
      FETCH c_synonyms INTO l_name;
      EXIT WHEN c_synonyms%NOTFOUND;
      l_n := l_n + 1;
    END LOOP;
    CLOSE c_synonyms;
    RETURN l_n;
  EXCEPTION
    WHEN NO_DATA_FOUND THEN
      RETURN l_n;
    WHEN OTHERS THEN
      log_error('dict_cache.synonym_count');
      RAISE;
  END synonym_count;

  -- opens the queue for next_queued; the caller fetches until done
  PROCEDURE start_batch IS
  BEGIN
    IF c_batch%ISOPEN THEN
      CLOSE c_batch;
    END IF;
    OPEN c_batch;
  EXCEPTION
    WHEN OTHERS THEN
      log_error('dict_cache.start_batch');
      RAISE;
  END start_batch;

  FUNCTION next_queued(p_owner OUT VARCHAR2, p_table OUT VARCHAR2) RETURN BOOLEAN IS
  BEGIN
    FETCH c_batch INTO p_owner, p_table;
    IF c_batch%NOTFOUND THEN
      CLOSE c_batch;
      RETURN FALSE;
    END IF;
    RETURN TRUE;
  END next_queued;

  -- all comments of the queue, for the documentation generator
  PROCEDURE comment_report IS
  BEGIN
    FOR q IN c_batch LOOP
      FOR c IN c_comments(q.owner, q.table_name) LOOP
        DBMS_OUTPUT.put_line(q.owner || '.' || q.table_name || '.' || c.column_name
                             || ': ' || c.comments);
      END LOOP;
    END LOOP;
  EXCEPTION
    WHEN OTHERS THEN
      log_error('dict_cache.comment_report');
      RAISE;
  END comment_report;

  PROCEDURE stats(p_hits OUT PLS_INTEGER, p_misses OUT PLS_INTEGER) IS
  BEGIN
    p_hits := g_hits;
    p_misses := g_misses;
  END stats;

END dict_cache;
/
