--------------------------------------------------------------------------------
-- schema_diff.pkb
-- Compares the columns and constraints of two schemas and writes the ALTER
-- statements that bring the target in line with the source into diff_script.
--------------------------------------------------------------------------------
CREATE OR REPLACE PACKAGE BODY schema_diff AS

  g_run_id NUMBER;

  CURSOR c_src_tables(p_owner VARCHAR2) IS
    SELECT table_name FROM all_tables WHERE owner = p_owner ORDER BY table_name;

  CURSOR c_pending IS
    SELECT run_id, line_no, stmt, status
      FROM diff_script
     WHERE run_id = g_run_id
       AND status = 'NEW'
     ORDER BY line_no
       FOR UPDATE OF status;

  PROCEDURE emit(p_stmt IN VARCHAR2) IS
  BEGIN
    INSERT INTO diff_script(run_id, line_no, stmt, status)
    VALUES (g_run_id, diff_line_seq.NEXTVAL, p_stmt, 'NEW');
  END emit;

  PROCEDURE close_all IS
  BEGIN
    IF c_src_tables%ISOPEN THEN
      CLOSE c_src_tables;
    END IF;
    IF c_pending%ISOPEN THEN
      CLOSE c_pending;
    END IF;
  END close_all;

  -- columns missing in the target, per table; the inner cursor is parameterized
  PROCEDURE missing_columns(p_src IN VARCHAR2, p_tgt IN VARCHAR2) IS
    CURSOR c_missing(p_table VARCHAR2) IS
      SELECT s.column_name, s.data_type, s.data_length, s.data_precision, s.data_scale
        FROM all_tab_columns s
       WHERE s.owner = p_src
         AND s.table_name = p_table
         AND NOT EXISTS (SELECT 1 FROM all_tab_columns t
                          WHERE t.owner = p_tgt
                            AND t.table_name = s.table_name
                            AND t.column_name = s.column_name);
    l_table VARCHAR2(128);
    l_col   c_missing%ROWTYPE;
  BEGIN
    OPEN c_src_tables(p_src);
    LOOP
      FETCH c_src_tables INTO l_table;
      EXIT WHEN c_src_tables%NOTFOUND;
      OPEN c_missing(l_table);
      LOOP
        FETCH c_missing INTO l_col;
        EXIT WHEN c_missing%NOTFOUND;
        emit('ALTER TABLE "' || p_tgt || '"."' || l_table || '" ADD ("' || l_col.column_name
             || '" ' || l_col.data_type
             || CASE WHEN l_col.data_type LIKE '%CHAR%' THEN '(' || l_col.data_length || ')' END
             || ')');
      END LOOP;
      CLOSE c_missing;
    END LOOP;
    CLOSE c_src_tables;
  EXCEPTION
    WHEN OTHERS THEN
      schema_diff.close_all;
      IF c_missing%ISOPEN THEN
        CLOSE c_missing;
      END IF;
      RAISE;
  END missing_columns;

  -- constraints missing in the target; stops at the first table the target lacks
  PROCEDURE missing_constraints(p_src IN VARCHAR2, p_tgt IN VARCHAR2) IS
    CURSOR c_cons(p_table VARCHAR2) IS
      SELECT constraint_name, constraint_type
        FROM all_constraints
       WHERE owner = p_src AND table_name = p_table
         AND constraint_type IN ('P', 'U', 'R')
         AND generated = 'USER NAME';
    CURSOR c_tgt_table(p_table VARCHAR2) IS
      SELECT 1 FROM all_tables WHERE owner = p_tgt AND table_name = p_table;
    l_table VARCHAR2(128);
    l_one   NUMBER;
  BEGIN
    OPEN c_src_tables(p_src);
    LOOP
      FETCH c_src_tables INTO l_table;
      EXIT WHEN c_src_tables%NOTFOUND;
      OPEN c_tgt_table(l_table);
      FETCH c_tgt_table INTO l_one;
      EXIT WHEN c_tgt_table%NOTFOUND;
      CLOSE c_tgt_table;
      FOR r IN c_cons(l_table) LOOP
        emit('-- constraint ' || r.constraint_name || ' (' || r.constraint_type || ') of '
             || l_table || ': copy with DBMS_METADATA, CLOSE the gap by hand');
      END LOOP;
    END LOOP;
    IF c_tgt_table%ISOPEN THEN
      CLOSE c_tgt_table;
    END IF;
    CLOSE c_src_tables;
  EXCEPTION
    WHEN OTHERS THEN
      DBMS_OUTPUT.put_line('missing_constraints: ' || SQLERRM);
      RAISE;
  END missing_constraints;

  -- marks the script lines as applied, running each one
  PROCEDURE apply_script IS
    l_row c_pending%ROWTYPE;
  BEGIN
    OPEN c_pending;
    LOOP
      FETCH c_pending INTO l_row;
      EXIT WHEN c_pending%NOTFOUND;
      IF l_row.stmt NOT LIKE '--%' THEN
        EXECUTE IMMEDIATE l_row.stmt;
      END IF;
      UPDATE diff_script SET status = 'DONE' WHERE CURRENT OF c_pending;
    END LOOP;
    CLOSE c_pending;
    COMMIT;
  EXCEPTION
    WHEN OTHERS THEN
      UPDATE diff_script SET status = 'FAILED'
       WHERE run_id = l_row.run_id AND line_no = l_row.line_no;
      COMMIT;
      close_all;
      RAISE;
  END apply_script;

  -- table counts of both sides; two blocks with a cursor of one name each
  PROCEDURE table_counts(p_src IN VARCHAR2, p_tgt IN VARCHAR2) IS
    l_n NUMBER;
  BEGIN
    DECLARE
      CURSOR c_cnt IS SELECT COUNT(*) FROM all_tables WHERE owner = p_src;
    BEGIN
      OPEN c_cnt;
      FETCH c_cnt INTO l_n;
      CLOSE c_cnt;
      DBMS_OUTPUT.put_line(p_src || ': ' || l_n || ' tables');
    END;
    DECLARE
      CURSOR c_cnt IS SELECT COUNT(*) FROM all_tables WHERE owner = p_tgt;
    BEGIN
      OPEN c_cnt;
      FETCH c_cnt INTO l_n;
      DBMS_OUTPUT.put_line(p_tgt || ': ' || l_n || ' tables');
    END;
  END table_counts;

  -- index columns, with a nested reader that has a cursor of the caller's name
  PROCEDURE index_report(p_owner IN VARCHAR2) IS
    CURSOR c_idx IS
      SELECT index_name, table_name FROM all_indexes WHERE owner = p_owner;
    l_idx  VARCHAR2(128);
    l_tab  VARCHAR2(128);

    FUNCTION idx_columns(p_index IN VARCHAR2) RETURN VARCHAR2 IS
      CURSOR c_idx IS
        SELECT column_name FROM all_ind_columns
         WHERE index_owner = p_owner AND index_name = p_index
         ORDER BY column_position;
      l_list VARCHAR2(4000);
    BEGIN
      FOR r IN c_idx LOOP
        l_list := l_list || CASE WHEN l_list IS NOT NULL THEN ', ' END || r.column_name;
      END LOOP;
      IF c_idx%ISOPEN THEN
        CLOSE c_idx;
      END IF;
      RETURN l_list;
    END idx_columns;
  BEGIN
    OPEN c_idx;
    LOOP
      FETCH c_idx INTO l_idx, l_tab;
      EXIT WHEN c_idx%NOTFOUND;
      DBMS_OUTPUT.put_line(l_tab || '.' || l_idx || ' (' || idx_columns(l_idx) || ')');
    END LOOP;
  END index_report;

  PROCEDURE run(p_src IN VARCHAR2, p_tgt IN VARCHAR2) IS
  BEGIN
    SELECT diff_run_seq.NEXTVAL INTO g_run_id FROM dual;
    table_counts(p_src, p_tgt);
    missing_columns(p_src, p_tgt);
    missing_constraints(p_src, p_tgt);
  END run;

BEGIN
  g_run_id := 0;
END schema_diff;
/
