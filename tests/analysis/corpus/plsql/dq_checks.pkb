--------------------------------------------------------------------------------
-- dq_checks.pkb
-- Data-quality checks driven by the DQ_RULES metadata table. For each rule a
-- count query is generated and run; the number of offending rows is stored
-- in DQ_RESULTS. PROFILE_TABLE gathers simple column statistics.
--------------------------------------------------------------------------------

CREATE OR REPLACE PACKAGE dq_checks AS
  PROCEDURE run_all(p_run_id IN NUMBER);
  PROCEDURE run_table(p_run_id IN NUMBER, p_table IN VARCHAR2);
  PROCEDURE profile_table(p_owner IN VARCHAR2, p_table IN VARCHAR2);
  FUNCTION  sample_bad_rows(p_rule_id IN NUMBER, p_max IN PLS_INTEGER DEFAULT 20)
    RETURN SYS_REFCURSOR;
END dq_checks;
/

CREATE OR REPLACE PACKAGE BODY dq_checks AS

  CURSOR c_rules(p_table IN VARCHAR2 DEFAULT NULL) IS
    SELECT rule_id, table_name, column_name, check_type, check_arg, severity
      FROM dq_rules
     WHERE enabled = 'Y'
       AND (p_table IS NULL OR table_name = UPPER(p_table))
     ORDER BY table_name, rule_id;

  SUBTYPE t_rule IS c_rules%ROWTYPE;

  FUNCTION predicate(p_rule IN t_rule) RETURN VARCHAR2 IS
    l_col VARCHAR2(130) := DBMS_ASSERT.enquote_name(p_rule.column_name);
  BEGIN
    RETURN CASE p_rule.check_type
             WHEN 'NOT_NULL' THEN l_col || ' IS NULL'
             WHEN 'RANGE'    THEN 'NOT (' || l_col || ' BETWEEN '
                                  || REGEXP_SUBSTR(p_rule.check_arg, '[^:]+', 1, 1) || ' AND '
                                  || REGEXP_SUBSTR(p_rule.check_arg, '[^:]+', 1, 2) || ')'
             WHEN 'PATTERN'  THEN 'NOT REGEXP_LIKE(' || l_col || ', '
                                  || DBMS_ASSERT.enquote_literal(p_rule.check_arg) || ')'
             WHEN 'LOOKUP'   THEN l_col || ' NOT IN (SELECT code FROM '
                                  || DBMS_ASSERT.sql_object_name(p_rule.check_arg) || ')'
             ELSE NULL
           END;
  END predicate;

  FUNCTION count_sql(p_rule IN t_rule) RETURN VARCHAR2 IS
  BEGIN
    RETURN 'SELECT COUNT(*) FROM ' || DBMS_ASSERT.sql_object_name(p_rule.table_name)
        || ' WHERE ' || predicate(p_rule);
  END count_sql;

  PROCEDURE save_result(p_run_id IN NUMBER, p_rule IN t_rule, p_bad IN NUMBER,
                        p_error IN VARCHAR2 DEFAULT NULL) IS
  BEGIN
    INSERT INTO dq_results (run_id, rule_id, checked_at, bad_rows, severity, error_text)
    VALUES (p_run_id, p_rule.rule_id, SYSTIMESTAMP, p_bad, p_rule.severity, p_error);
  END save_result;

  PROCEDURE run_rule(p_run_id IN NUMBER, p_rule IN t_rule) IS
    l_rc   SYS_REFCURSOR;
    l_bad  NUMBER;
  BEGIN
    OPEN l_rc FOR count_sql(p_rule);
    FETCH l_rc INTO l_bad;
    CLOSE l_rc;
    save_result(p_run_id, p_rule, l_bad);
  EXCEPTION
    WHEN OTHERS THEN
      IF l_rc%ISOPEN THEN
        CLOSE l_rc;
      END IF;
      save_result(p_run_id, p_rule, NULL, SUBSTR(SQLERRM, 1, 400));
  END run_rule;

  PROCEDURE run_all(p_run_id IN NUMBER) IS
  BEGIN
    FOR r IN c_rules LOOP
      run_rule(p_run_id, r);
    END LOOP;
    COMMIT;
  END run_all;

  PROCEDURE run_table(p_run_id IN NUMBER, p_table IN VARCHAR2) IS
    l_rule  t_rule;
    l_rc    SYS_REFCURSOR;
    l_sql   VARCHAR2(4000);
    l_bad   NUMBER;
  BEGIN
    OPEN c_rules(p_table);
    LOOP
      FETCH c_rules INTO l_rule;
      EXIT WHEN c_rules%NOTFOUND;
      l_sql := count_sql(l_rule);
      OPEN l_rc FOR l_sql;
      FETCH l_rc INTO l_bad;
      IF l_rule.severity = 'INFO' AND l_bad = 0 THEN
        -- nothing worth recording for informational rules
        CONTINUE;
      END IF;
      CLOSE l_rc;
      save_result(p_run_id, l_rule, l_bad);
    END LOOP;
    CLOSE c_rules;
    COMMIT;
  EXCEPTION
    WHEN OTHERS THEN
      IF l_rc%ISOPEN THEN
        CLOSE l_rc;
      END IF;
      IF c_rules%ISOPEN THEN
        CLOSE c_rules;
      END IF;
      ROLLBACK;
      RAISE;
  END run_table;

  PROCEDURE profile_table(p_owner IN VARCHAR2, p_table IN VARCHAR2) IS
    CURSOR c_cols IS
      SELECT column_name, data_type
        FROM all_tab_columns
       WHERE owner = UPPER(p_owner)
         AND table_name = UPPER(p_table)
       ORDER BY column_id;
    l_col       c_cols%ROWTYPE;
    l_obj       VARCHAR2(300) := DBMS_ASSERT.enquote_name(p_owner) || '.'
                                 || DBMS_ASSERT.enquote_name(p_table);
    l_nulls     NUMBER;
    l_distinct  NUMBER;
  BEGIN
    OPEN c_cols;
    LOOP
      FETCH c_cols INTO l_col;
      EXIT WHEN c_cols%NOTFOUND;

      DECLARE
        l_rc SYS_REFCURSOR;
      BEGIN
        OPEN l_rc FOR 'SELECT COUNT(*) FROM ' || l_obj
                   || ' WHERE ' || DBMS_ASSERT.enquote_name(l_col.column_name) || ' IS NULL';
        FETCH l_rc INTO l_nulls;
        CLOSE l_rc;
      END;

      IF l_col.data_type NOT IN ('CLOB', 'BLOB', 'LONG') THEN
        DECLARE
          l_rc SYS_REFCURSOR;
        BEGIN
          OPEN l_rc FOR 'SELECT COUNT(DISTINCT '
                     || DBMS_ASSERT.enquote_name(l_col.column_name) || ') FROM ' || l_obj;
          FETCH l_rc INTO l_distinct;
        END;
      ELSE
        l_distinct := NULL;
      END IF;

      MERGE INTO dq_column_profile t
      USING (SELECT UPPER(p_owner) AS owner, UPPER(p_table) AS table_name,
                    l_col.column_name AS column_name FROM dual) s
         ON (t.owner = s.owner AND t.table_name = s.table_name
             AND t.column_name = s.column_name)
       WHEN MATCHED THEN UPDATE
            SET t.null_count = l_nulls, t.distinct_count = l_distinct,
                t.profiled_at = SYSTIMESTAMP
       WHEN NOT MATCHED THEN INSERT (owner, table_name, column_name, null_count,
                                     distinct_count, profiled_at)
            VALUES (s.owner, s.table_name, s.column_name, l_nulls, l_distinct,
                    SYSTIMESTAMP);
    END LOOP;
    CLOSE c_cols;
    COMMIT;
  EXCEPTION
    WHEN NO_DATA_FOUND THEN
      IF c_cols%ISOPEN THEN
        CLOSE c_cols;
      END IF;
    WHEN OTHERS THEN
      IF c_cols%ISOPEN THEN
        CLOSE c_cols;
      END IF;
      ROLLBACK;
      RAISE;
  END profile_table;

  FUNCTION sample_bad_rows(p_rule_id IN NUMBER, p_max IN PLS_INTEGER DEFAULT 20)
    RETURN SYS_REFCURSOR
  IS
    l_rule  t_rule;
    l_rc    SYS_REFCURSOR;
  BEGIN
    SELECT rule_id, table_name, column_name, check_type, check_arg, severity
      INTO l_rule
      FROM dq_rules
     WHERE rule_id = p_rule_id;
    OPEN l_rc FOR
      'SELECT * FROM ' || DBMS_ASSERT.sql_object_name(l_rule.table_name)
      || ' WHERE ' || predicate(l_rule) || ' FETCH FIRST :n ROWS ONLY'
      USING p_max;
    RETURN l_rc;
  EXCEPTION
    WHEN NO_DATA_FOUND THEN
      raise_application_error(-20404, 'no rule ' || p_rule_id);
  END sample_bad_rows;
END dq_checks;
/
