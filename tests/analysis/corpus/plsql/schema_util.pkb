CREATE OR REPLACE PACKAGE BODY Schema_Util
AS
  e_resource_busy EXCEPTION;
  PRAGMA EXCEPTION_INIT(e_resource_busy, -54);

  -- scratch objects created by the import tools: TMP$<something>
  CURSOR c_temp_objs (p_before IN DATE) IS
    SELECT object_name, object_type
      FROM user_objects
     WHERE object_name LIKE 'TMP$%'
       AND object_type IN ('TABLE', 'VIEW', 'SEQUENCE')
       AND created < p_before
     ORDER BY DECODE(object_type, 'VIEW', 1, 'TABLE', 2, 3);

  TYPE t_col_rec IS RECORD (
    column_name user_tab_columns.column_name%TYPE,
    data_type   user_tab_columns.data_type%TYPE,
    data_length user_tab_columns.data_length%TYPE,
    nullable    user_tab_columns.nullable%TYPE
  );

  ---------------------------------------------------------------------------
  -- Opens the cursor for the caller (OUT parameter); the caller closes it.
  PROCEDURE open_objects (p_type IN VARCHAR2, p_cur OUT t_obj_cur)
  IS
  BEGIN
    OPEN p_cur FOR
      SELECT *
        FROM user_objects
       WHERE object_type = UPPER(p_type)
       ORDER BY object_name;
  END open_objects;

  ---------------------------------------------------------------------------
  -- Only fetches and closes; the cursor was opened by someone else.
  PROCEDURE print_objects (p_cur IN t_obj_cur)
  IS
    l_obj user_objects%ROWTYPE;
  BEGIN
    LOOP
      FETCH p_cur INTO l_obj;
      EXIT WHEN p_cur%NOTFOUND;
      DBMS_OUTPUT.PUT_LINE(RPAD(l_obj.object_type, 20) || RPAD(l_obj.object_name, 40)
                           || l_obj.status || ' ' || TO_CHAR(l_obj.last_ddl_time, 'YYYY-MM-DD'));
    END LOOP;
    CLOSE p_cur;
  EXCEPTION
    WHEN OTHERS THEN
      IF p_cur%ISOPEN THEN
        CLOSE p_cur;
      END IF;
      RAISE;
  END print_objects;

  ---------------------------------------------------------------------------
  PROCEDURE list_tables (p_pattern IN VARCHAR2, p_out OUT SYS_REFCURSOR)
  IS
    l_rc SYS_REFCURSOR;
  BEGIN
    OPEN l_rc FOR
      SELECT table_name, num_rows, last_analyzed
        FROM user_tables
       WHERE table_name LIKE UPPER(NVL(p_pattern, '%')) ESCAPE '\'
       ORDER BY table_name;
    p_out := l_rc;
  END list_tables;

  ---------------------------------------------------------------------------
  FUNCTION get_columns (p_table IN VARCHAR2) RETURN SYS_REFCURSOR
  IS
    l_rc SYS_REFCURSOR;
  BEGIN
    OPEN l_rc FOR
      SELECT column_name, data_type, data_length, nullable
        FROM user_tab_columns
       WHERE table_name = UPPER(p_table)
       ORDER BY column_id;
    RETURN l_rc;
  END get_columns;

  ---------------------------------------------------------------------------
  PROCEDURE report_columns (p_table IN VARCHAR2)
  IS
    l_rc  SYS_REFCURSOR;
    l_col t_col_rec;
  BEGIN
    l_rc := get_columns(p_table);
    LOOP
      FETCH l_rc INTO l_col;
      EXIT WHEN l_rc%NOTFOUND;
      DBMS_OUTPUT.PUT_LINE(RPAD(l_col.column_name, 31) || l_col.data_type
                           || CASE WHEN l_col.data_type LIKE '%CHAR%' THEN '(' || l_col.data_length || ')' END
                           || CASE l_col.nullable WHEN 'N' THEN ' NOT NULL' END);
    END LOOP;
    CLOSE l_rc;
  EXCEPTION
    WHEN OTHERS THEN
      IF l_rc%ISOPEN THEN
        CLOSE l_rc;
      END IF;
      RAISE;
  END report_columns;

  ---------------------------------------------------------------------------
  PROCEDURE describe_all (p_type IN VARCHAR2 DEFAULT 'TABLE')
  IS
    l_rc t_obj_cur;
  BEGIN
    DBMS_OUTPUT.PUT_LINE('-- objects of type ' || UPPER(p_type));
    OPEN l_rc FOR
      SELECT *
        FROM user_objects
       WHERE object_type = UPPER(p_type)
       ORDER BY created;
    print_objects(l_rc);
  END describe_all;

  ---------------------------------------------------------------------------
  -- Lists the column differences of two tables (merge of two sorted cursors).
  PROCEDURE compare_columns (p_left IN VARCHAR2, p_right IN VARCHAR2)
  IS
    CURSOR c_left IS
      SELECT column_name, data_type, data_length, nullable
        FROM user_tab_columns WHERE table_name = UPPER(p_left) ORDER BY column_name;
    CURSOR c_right IS
      SELECT column_name, data_type, data_length, nullable
        FROM user_tab_columns WHERE table_name = UPPER(p_right) ORDER BY column_name;
    l_l     c_left%ROWTYPE;
    l_r     c_right%ROWTYPE;
    l_diffs PLS_INTEGER := 0;

    PROCEDURE close_both IS
    BEGIN
      IF c_left%ISOPEN THEN CLOSE c_left; END IF;
      IF c_right%ISOPEN THEN CLOSE c_right; END IF;
    END close_both;

    PROCEDURE diff (p_text IN VARCHAR2) IS
    BEGIN
      l_diffs := l_diffs + 1;
      DBMS_OUTPUT.PUT_LINE(p_text);
    END diff;
  BEGIN
    OPEN c_left;
    OPEN c_right;
    FETCH c_left INTO l_l;
    FETCH c_right INTO l_r;
    WHILE c_left%FOUND OR c_right%FOUND LOOP
      CASE
        WHEN c_right%NOTFOUND OR (c_left%FOUND AND l_l.column_name < l_r.column_name) THEN
          diff('only in ' || p_left || ': ' || l_l.column_name);
          FETCH c_left INTO l_l;
        WHEN c_left%NOTFOUND OR l_r.column_name < l_l.column_name THEN
          diff('only in ' || p_right || ': ' || l_r.column_name);
          FETCH c_right INTO l_r;
        ELSE
          IF l_l.data_type <> l_r.data_type OR l_l.data_length <> l_r.data_length
             OR l_l.nullable <> l_r.nullable
          THEN
            diff('different: ' || l_l.column_name);
          END IF;
          FETCH c_left INTO l_l;
          FETCH c_right INTO l_r;
      END CASE;
    END LOOP;
    close_both;
    DBMS_OUTPUT.PUT_LINE(l_diffs || ' difference(s)');
  EXCEPTION
    WHEN OTHERS THEN
      close_both;
      RAISE;
  END compare_columns;

  ---------------------------------------------------------------------------
  PROCEDURE index_report (p_table IN VARCHAR2)
  IS
    CURSOR c_idx (p_tab IN VARCHAR2) IS
      SELECT index_name, uniqueness, status
        FROM user_indexes
       WHERE table_name = p_tab
       ORDER BY index_name;
    l_idx  c_idx%ROWTYPE;
    l_cols VARCHAR2(4000);
  BEGIN
    OPEN c_idx(UPPER(p_table));
    LOOP
      FETCH c_idx INTO l_idx;
      EXIT WHEN c_idx%NOTFOUND;
      l_cols := NULL;
      FOR c IN (SELECT column_name, descend
                  FROM user_ind_columns
                 WHERE index_name = l_idx.index_name
                 ORDER BY column_position)
      LOOP
        l_cols := l_cols || CASE WHEN l_cols IS NOT NULL THEN ', ' END
                         || c.column_name || CASE c.descend WHEN 'DESC' THEN ' DESC' END;
      END LOOP;
      DBMS_OUTPUT.PUT_LINE(RPAD(l_idx.index_name, 31)
                           || CASE l_idx.uniqueness WHEN 'UNIQUE' THEN 'U ' ELSE '  ' END
                           || '(' || l_cols || ')'
                           || CASE WHEN l_idx.status <> 'VALID' THEN ' [' || l_idx.status || ']' END);
    END LOOP;
    DBMS_OUTPUT.PUT_LINE('-- end of index report for ' || UPPER(p_table));
  END index_report;

  ---------------------------------------------------------------------------
  PROCEDURE recompile_invalid
  IS
    l_obj    c_invalid_objects%ROWTYPE;
    l_failed PLS_INTEGER := 0;
  BEGIN
    OPEN c_invalid_objects;
    LOOP
      FETCH c_invalid_objects INTO l_obj;
      EXIT WHEN c_invalid_objects%NOTFOUND;
      BEGIN
        EXECUTE IMMEDIATE
          CASE l_obj.object_type
            WHEN 'PACKAGE BODY' THEN 'ALTER PACKAGE ' || DBMS_ASSERT.ENQUOTE_NAME(l_obj.object_name, FALSE) || ' COMPILE BODY'
            WHEN 'TYPE BODY'    THEN 'ALTER TYPE '    || DBMS_ASSERT.ENQUOTE_NAME(l_obj.object_name, FALSE) || ' COMPILE BODY'
            ELSE 'ALTER ' || l_obj.object_type || ' ' || DBMS_ASSERT.ENQUOTE_NAME(l_obj.object_name, FALSE) || ' COMPILE'
          END;
      EXCEPTION
        WHEN OTHERS THEN
          -- ORA-24344: success with compilation error; keep going
          l_failed := l_failed + 1;
          DBMS_OUTPUT.PUT_LINE('still invalid: ' || l_obj.object_type || ' ' || l_obj.object_name);
      END;
    END LOOP;
    CLOSE c_invalid_objects;
    DBMS_OUTPUT.PUT_LINE(l_failed || ' object(s) still invalid');
  EXCEPTION
    WHEN OTHERS THEN
      IF c_invalid_objects%ISOPEN THEN
        CLOSE c_invalid_objects;
      END IF;
      RAISE;
  END recompile_invalid;

  ---------------------------------------------------------------------------
  PROCEDURE drop_temp_objects (p_older_than_days IN PLS_INTEGER DEFAULT 7)
  IS
    l_obj     c_temp_objs%ROWTYPE;
    l_dropped PLS_INTEGER := 0;
  BEGIN
    OPEN c_temp_objs(SYSDATE - p_older_than_days);
    LOOP
      FETCH c_temp_objs INTO l_obj;
      EXIT WHEN c_temp_objs%NOTFOUND;
      EXECUTE IMMEDIATE 'DROP ' || l_obj.object_type || ' '
                        || DBMS_ASSERT.ENQUOTE_NAME(l_obj.object_name, FALSE)
                        || CASE l_obj.object_type WHEN 'TABLE' THEN ' PURGE' END;
      l_dropped := l_dropped + 1;
    END LOOP;
    CLOSE c_temp_objs;
    DBMS_OUTPUT.PUT_LINE(l_dropped || ' scratch object(s) dropped');
  EXCEPTION
    WHEN e_resource_busy THEN
      DBMS_OUTPUT.PUT_LINE(l_obj.object_name || ' is in use, try again later');
    WHEN OTHERS THEN
      DBMS_OUTPUT.PUT_LINE('drop failed after ' || l_dropped || ' object(s): ' || SQLERRM);
      RAISE;
  END drop_temp_objects;

END Schema_Util;
/
