--
-- ut_assert: assertions and a tiny test runner for PL/SQL packages.
--
-- A test package has parameterless procedures named TEST_*, and optionally
-- SETUP and TEARDOWN, which are called around every test.
--
--   exec ut_assert.run_suite('TEST_BILLING');
--
CREATE OR REPLACE PACKAGE ut_assert
AS
  e_assertion_failed EXCEPTION;
  PRAGMA EXCEPTION_INIT(e_assertion_failed, -20900);

  PROCEDURE fail     (p_msg IN VARCHAR2);
  PROCEDURE is_true  (p_cond IN BOOLEAN, p_msg IN VARCHAR2 DEFAULT NULL);
  PROCEDURE is_false (p_cond IN BOOLEAN, p_msg IN VARCHAR2 DEFAULT NULL);
  PROCEDURE eq       (p_expected IN VARCHAR2, p_actual IN VARCHAR2, p_msg IN VARCHAR2 DEFAULT NULL);
  PROCEDURE eq       (p_expected IN NUMBER,   p_actual IN NUMBER,   p_msg IN VARCHAR2 DEFAULT NULL);
  PROCEDURE eq       (p_expected IN DATE,     p_actual IN DATE,     p_msg IN VARCHAR2 DEFAULT NULL);
  PROCEDURE is_null  (p_actual IN VARCHAR2, p_msg IN VARCHAR2 DEFAULT NULL);

  PROCEDURE query_returns (p_query IN VARCHAR2, p_expected IN NUMBER, p_msg IN VARCHAR2 DEFAULT NULL);
  PROCEDURE table_empty   (p_table IN VARCHAR2);
  PROCEDURE cursors_equal (p_expected IN SYS_REFCURSOR, p_actual IN SYS_REFCURSOR,
                           p_msg IN VARCHAR2 DEFAULT NULL);
  PROCEDURE raises        (p_block IN VARCHAR2, p_sqlcode IN PLS_INTEGER);

  FUNCTION  test_count (p_package IN VARCHAR2) RETURN PLS_INTEGER;
  PROCEDURE run_suite  (p_package IN VARCHAR2);
  FUNCTION  passed RETURN PLS_INTEGER;
  FUNCTION  failed RETURN PLS_INTEGER;
END ut_assert;
/

CREATE OR REPLACE PACKAGE BODY ut_assert
AS
  g_passed       PLS_INTEGER := 0;
  g_failed       PLS_INTEGER := 0;
  g_current_test VARCHAR2(128);

  TYPE t_test_rec IS RECORD (
    object_name    user_procedures.object_name%TYPE,
    procedure_name user_procedures.procedure_name%TYPE,
    subprogram_id  user_procedures.subprogram_id%TYPE
  );

  CURSOR c_tests (p_pkg IN VARCHAR2) RETURN t_test_rec IS
    SELECT p.object_name, p.procedure_name, p.subprogram_id
      FROM user_procedures p
     WHERE p.object_name = UPPER(p_pkg)
       AND p.procedure_name IS NOT NULL
     ORDER BY p.subprogram_id;

  PROCEDURE report (p_ok IN BOOLEAN, p_msg IN VARCHAR2)
  IS
  BEGIN
    IF p_ok THEN
      g_passed := g_passed + 1;
      DBMS_OUTPUT.PUT_LINE('  ok   ' || p_msg);
    ELSE
      g_failed := g_failed + 1;
      DBMS_OUTPUT.PUT_LINE('  FAIL ' || p_msg);
    END IF;
  END report;

  PROCEDURE fail (p_msg IN VARCHAR2)
  IS
  BEGIN
    RAISE_APPLICATION_ERROR(-20900, NVL(g_current_test, 'assertion') || ': ' || p_msg);
  END fail;

  PROCEDURE is_true (p_cond IN BOOLEAN, p_msg IN VARCHAR2 DEFAULT NULL)
  IS
  BEGIN
    IF p_cond IS NULL OR NOT p_cond THEN
      fail(NVL(p_msg, 'expected TRUE'));
    END IF;
  END is_true;

  PROCEDURE is_false (p_cond IN BOOLEAN, p_msg IN VARCHAR2 DEFAULT NULL)
  IS
  BEGIN
    IF p_cond IS NULL OR p_cond THEN
      fail(NVL(p_msg, 'expected FALSE'));
    END IF;
  END is_false;

  PROCEDURE eq (p_expected IN VARCHAR2, p_actual IN VARCHAR2, p_msg IN VARCHAR2 DEFAULT NULL)
  IS
  BEGIN
    IF NOT ((p_expected = p_actual) OR (p_expected IS NULL AND p_actual IS NULL)) THEN
      fail(NVL(p_msg, 'eq') || ': expected "' || p_expected || '", got "' || p_actual || '"');
    END IF;
  END eq;

  PROCEDURE eq (p_expected IN NUMBER, p_actual IN NUMBER, p_msg IN VARCHAR2 DEFAULT NULL)
  IS
  BEGIN
    eq(TO_CHAR(p_expected), TO_CHAR(p_actual), p_msg);
  END eq;

  PROCEDURE eq (p_expected IN DATE, p_actual IN DATE, p_msg IN VARCHAR2 DEFAULT NULL)
  IS
  BEGIN
    eq(TO_CHAR(p_expected, 'YYYY-MM-DD HH24:MI:SS'), TO_CHAR(p_actual, 'YYYY-MM-DD HH24:MI:SS'), p_msg);
  END eq;

  PROCEDURE is_null (p_actual IN VARCHAR2, p_msg IN VARCHAR2 DEFAULT NULL)
  IS
  BEGIN
    IF p_actual IS NOT NULL THEN
      fail(NVL(p_msg, 'expected NULL, got "' || p_actual || '"'));
    END IF;
  END is_null;

  PROCEDURE query_returns (p_query IN VARCHAR2, p_expected IN NUMBER, p_msg IN VARCHAR2 DEFAULT NULL)
  IS
    l_rc     SYS_REFCURSOR;
    l_actual NUMBER;
  BEGIN
    OPEN l_rc FOR p_query;
    FETCH l_rc INTO l_actual;
    IF l_rc%NOTFOUND THEN
      CLOSE l_rc;
      fail(NVL(p_msg, 'query returned no rows: ' || p_query));
    END IF;
    CLOSE l_rc;
    eq(p_expected, l_actual, p_msg);
  EXCEPTION
    WHEN e_assertion_failed THEN
      RAISE;
    WHEN OTHERS THEN
      IF l_rc%ISOPEN THEN
        CLOSE l_rc;
      END IF;
      fail('query_returns: ' || SQLERRM);
  END query_returns;

  PROCEDURE table_empty (p_table IN VARCHAR2)
  IS
    l_table VARCHAR2(261);
  BEGIN
    l_table := DBMS_ASSERT.QUALIFIED_SQL_NAME(p_table);
    DECLARE
      l_rc  SYS_REFCURSOR;
      l_any PLS_INTEGER;
    BEGIN
      OPEN l_rc FOR 'SELECT 1 FROM ' || l_table || ' WHERE ROWNUM = 1';
      FETCH l_rc INTO l_any;
      IF l_rc%FOUND THEN
        fail('table ' || l_table || ' is not empty');
      END IF;
    END;
    report(TRUE, 'table ' || l_table || ' is empty');
  END table_empty;

  PROCEDURE cursors_equal (p_expected IN SYS_REFCURSOR, p_actual IN SYS_REFCURSOR,
                           p_msg IN VARCHAR2 DEFAULT NULL)
  IS
    l_exp  VARCHAR2(4000);
    l_act  VARCHAR2(4000);
    l_row  PLS_INTEGER := 0;
    l_diff VARCHAR2(4000);
  BEGIN
    -- both cursors are opened by the caller; we fetch them in step and CLOSE them here
    <<compare>>
    LOOP
      FETCH p_expected INTO l_exp;
      FETCH p_actual INTO l_act;
      l_row := l_row + 1;
      CASE
        WHEN p_expected%NOTFOUND AND p_actual%NOTFOUND THEN
          EXIT compare;
        WHEN p_expected%NOTFOUND THEN
          l_diff := 'actual has more rows than expected (row ' || l_row || ')';
        WHEN p_actual%NOTFOUND THEN
          l_diff := 'actual has fewer rows than expected (row ' || l_row || ')';
        WHEN NOT (l_exp = l_act OR (l_exp IS NULL AND l_act IS NULL)) THEN
          l_diff := 'row ' || l_row || ': expected "' || l_exp || '", got "' || l_act || '"';
        ELSE
          NULL;
      END CASE;
      EXIT compare WHEN l_diff IS NOT NULL;
    END LOOP compare;

    CLOSE p_expected;
    CLOSE p_actual;

    IF l_diff IS NOT NULL THEN
      fail(NVL(p_msg, 'cursors differ') || ': ' || l_diff);
    END IF;
    report(TRUE, NVL(p_msg, 'cursors equal (' || (l_row - 1) || ' rows)'));
  EXCEPTION
    WHEN e_assertion_failed THEN
      RAISE;
    WHEN OTHERS THEN
      IF p_expected%ISOPEN THEN
        CLOSE p_expected;
      END IF;
      IF p_actual%ISOPEN THEN
        CLOSE p_actual;
      END IF;
      RAISE;
  END cursors_equal;

  PROCEDURE raises (p_block IN VARCHAR2, p_sqlcode IN PLS_INTEGER)
  IS
    l_raised BOOLEAN := FALSE;
    l_code   PLS_INTEGER;
  BEGIN
    BEGIN
      EXECUTE IMMEDIATE 'BEGIN ' || RTRIM(p_block, '; ') || '; END;';
    EXCEPTION
      WHEN OTHERS THEN
        l_raised := TRUE;
        l_code   := SQLCODE;
    END;
    CASE
      WHEN NOT l_raised THEN
        fail('expected ORA' || p_sqlcode || ', nothing was raised');
      WHEN l_code <> p_sqlcode THEN
        fail('expected ORA' || p_sqlcode || ', got ORA' || l_code);
      ELSE
        report(TRUE, 'raises ' || p_sqlcode);
    END CASE;
  END raises;

  FUNCTION test_count (p_package IN VARCHAR2) RETURN PLS_INTEGER
  IS
    l_rec t_test_rec;
    l_n   PLS_INTEGER := 0;
  BEGIN
    OPEN c_tests(p_package);
    LOOP
      FETCH c_tests INTO l_rec;
      EXIT WHEN c_tests%NOTFOUND;
      IF l_rec.procedure_name LIKE 'TEST%' THEN
        l_n := l_n + 1;
      END IF;
    END LOOP;
    CLOSE c_tests;
    RETURN l_n;
  EXCEPTION
    WHEN OTHERS THEN
      IF c_tests%ISOPEN THEN
        CLOSE c_tests;
      END IF;
      RETURN -1;
  END test_count;

  PROCEDURE run_suite (p_package IN VARCHAR2)
  IS
    l_pkg          VARCHAR2(128) := UPPER(DBMS_ASSERT.SIMPLE_SQL_NAME(p_package));
    l_has_setup    BOOLEAN := FALSE;
    l_has_teardown BOOLEAN := FALSE;
    l_started      TIMESTAMP := SYSTIMESTAMP;

    PROCEDURE call_proc (p_proc IN VARCHAR2)
    IS
    BEGIN
      EXECUTE IMMEDIATE q'{BEGIN }' || l_pkg || '.' || p_proc || q'{; END;}';
    END call_proc;
  BEGIN
    g_passed := 0;
    g_failed := 0;
    DBMS_OUTPUT.PUT_LINE('suite ' || l_pkg);

    FOR t IN c_tests(l_pkg) LOOP
      CASE t.procedure_name
        WHEN 'SETUP'    THEN l_has_setup    := TRUE;
        WHEN 'TEARDOWN' THEN l_has_teardown := TRUE;
        ELSE NULL;
      END CASE;
    END LOOP;

    FOR t IN c_tests(l_pkg) LOOP
      IF t.procedure_name IN ('SETUP', 'TEARDOWN') OR t.procedure_name NOT LIKE 'TEST%' THEN
        GOTO next_test;
      END IF;
      g_current_test := t.procedure_name;
      BEGIN
        IF l_has_setup THEN
          call_proc('SETUP');
        END IF;
        call_proc(t.procedure_name);
        report(TRUE, t.procedure_name);
      EXCEPTION
        WHEN OTHERS THEN
          report(FALSE, t.procedure_name || ': ' || SQLERRM);
      END;
      IF l_has_teardown THEN
        BEGIN
          call_proc('TEARDOWN');
        EXCEPTION
          WHEN OTHERS THEN
            DBMS_OUTPUT.PUT_LINE('  teardown failed: ' || SQLERRM);
        END;
      END IF;
      <<next_test>>
      NULL;
    END LOOP;

    g_current_test := NULL;
    DBMS_OUTPUT.PUT_LINE(g_passed || ' passed, ' || g_failed || ' failed in '
                         || TO_CHAR(EXTRACT(SECOND FROM (SYSTIMESTAMP - l_started)), 'FM990.000') || 's');
  END run_suite;

  FUNCTION passed RETURN PLS_INTEGER IS BEGIN RETURN g_passed; END passed;
  FUNCTION failed RETURN PLS_INTEGER IS BEGIN RETURN g_failed; END failed;

END ut_assert;
/
