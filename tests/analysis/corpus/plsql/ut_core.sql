--------------------------------------------------------------------------------
-- ut_core.sql
-- In-house assertion library used by the nightly suite runner, plus the
-- self-test suite of the library itself. Suites are discovered through the
-- --%suite / --%test annotations by tools/run_suites.sql.
--
-- Usage in a test:
--   OPEN l_expected FOR SELECT ...;
--   OPEN l_actual   FOR SELECT ...;
--   ut_expect(l_actual).to_equal(l_expected);
-- Both cursors are taken over (converted to DBMS_SQL numbers) and released by
-- the expectation, so a test never closes them itself.
--------------------------------------------------------------------------------

CREATE OR REPLACE TYPE ut_expectation AS OBJECT (
  actual_cursor_no  NUMBER,
  actual_label      VARCHAR2(200),
  MEMBER PROCEDURE to_equal(SELF IN ut_expectation, a_expected IN SYS_REFCURSOR),
  MEMBER PROCEDURE to_have_count(SELF IN ut_expectation, a_count IN PLS_INTEGER),
  MEMBER PROCEDURE to_be_empty(SELF IN ut_expectation)
);
/

CREATE OR REPLACE PACKAGE ut_assert AS
  g_passed  PLS_INTEGER := 0;
  g_failed  PLS_INTEGER := 0;

  PROCEDURE set_current_test(a_name IN VARCHAR2);
  FUNCTION  current_test RETURN VARCHAR2;
  PROCEDURE pass(a_label IN VARCHAR2);
  PROCEDURE fail(a_label IN VARCHAR2, a_message IN VARCHAR2);
  PROCEDURE release(a_cursor_no IN OUT NUMBER);
  FUNCTION  compare_cursors(a_actual IN NUMBER, a_expected IN NUMBER) RETURN VARCHAR2;
  FUNCTION  count_rows(a_cursor_no IN NUMBER) RETURN PLS_INTEGER;
  PROCEDURE reset;
END ut_assert;
/

CREATE OR REPLACE PACKAGE BODY ut_assert AS
  g_current VARCHAR2(200);

  PROCEDURE set_current_test(a_name IN VARCHAR2) IS
  BEGIN
    g_current := a_name;
  END set_current_test;

  FUNCTION current_test RETURN VARCHAR2 IS
  BEGIN
    RETURN NVL(g_current, 'anonymous');
  END current_test;

  PROCEDURE pass(a_label IN VARCHAR2) IS
  BEGIN
    g_passed := g_passed + 1;
  END pass;

  PROCEDURE fail(a_label IN VARCHAR2, a_message IN VARCHAR2) IS
  BEGIN
    g_failed := g_failed + 1;
    DBMS_OUTPUT.put_line('FAILED ' || a_label || ': ' || a_message);
  END fail;

  PROCEDURE release(a_cursor_no IN OUT NUMBER) IS
  BEGIN
    IF a_cursor_no IS NOT NULL AND DBMS_SQL.is_open(a_cursor_no) THEN
      DBMS_SQL.close_cursor(a_cursor_no);
    END IF;
    a_cursor_no := NULL;
  END release;

  FUNCTION compare_cursors(a_actual IN NUMBER, a_expected IN NUMBER) RETURN VARCHAR2 IS
    l_act_cols  DBMS_SQL.desc_tab2;
    l_exp_cols  DBMS_SQL.desc_tab2;
    l_act_cnt   INTEGER;
    l_exp_cnt   INTEGER;
    l_act_val   VARCHAR2(4000);
    l_exp_val   VARCHAR2(4000);
    l_row       PLS_INTEGER := 0;
    l_act_more  BOOLEAN;
    l_exp_more  BOOLEAN;
  BEGIN
    DBMS_SQL.describe_columns2(a_actual, l_act_cnt, l_act_cols);
    DBMS_SQL.describe_columns2(a_expected, l_exp_cnt, l_exp_cols);
    IF l_act_cnt <> l_exp_cnt THEN
      RETURN 'column count ' || l_act_cnt || ' <> ' || l_exp_cnt;
    END IF;
    FOR i IN 1 .. l_act_cnt LOOP
      DBMS_SQL.define_column(a_actual, i, l_act_val, 4000);
      DBMS_SQL.define_column(a_expected, i, l_exp_val, 4000);
    END LOOP;
    LOOP
      l_act_more := DBMS_SQL.fetch_rows(a_actual) > 0;
      l_exp_more := DBMS_SQL.fetch_rows(a_expected) > 0;
      EXIT WHEN NOT l_act_more AND NOT l_exp_more;
      l_row := l_row + 1;
      IF l_act_more <> l_exp_more THEN
        RETURN 'row count differs after row ' || (l_row - 1);
      END IF;
      FOR i IN 1 .. l_act_cnt LOOP
        DBMS_SQL.column_value(a_actual, i, l_act_val);
        DBMS_SQL.column_value(a_expected, i, l_exp_val);
        IF NOT (l_act_val = l_exp_val OR (l_act_val IS NULL AND l_exp_val IS NULL)) THEN
          RETURN 'row ' || l_row || ' column ' || l_act_cols(i).col_name
                 || ': [' || l_act_val || '] <> [' || l_exp_val || ']';
        END IF;
      END LOOP;
    END LOOP;
    RETURN NULL;
  END compare_cursors;

  FUNCTION count_rows(a_cursor_no IN NUMBER) RETURN PLS_INTEGER IS
    l_count PLS_INTEGER := 0;
  BEGIN
    WHILE DBMS_SQL.fetch_rows(a_cursor_no) > 0 LOOP
      l_count := l_count + 1;
    END LOOP;
    RETURN l_count;
  END count_rows;

  PROCEDURE reset IS
  BEGIN
    g_passed  := 0;
    g_failed  := 0;
    g_current := NULL;
  END reset;
END ut_assert;
/

CREATE OR REPLACE TYPE BODY ut_expectation AS

  MEMBER PROCEDURE to_equal(SELF IN ut_expectation, a_expected IN SYS_REFCURSOR) IS
    l_expected  SYS_REFCURSOR := a_expected;
    l_exp_no    NUMBER;
    l_act_no    NUMBER := actual_cursor_no;
    l_diff      VARCHAR2(4000);
  BEGIN
    l_exp_no := DBMS_SQL.to_cursor_number(l_expected);
    l_diff   := ut_assert.compare_cursors(l_act_no, l_exp_no);
    ut_assert.release(l_act_no);
    ut_assert.release(l_exp_no);
    IF l_diff IS NULL THEN
      ut_assert.pass(actual_label);
    ELSE
      ut_assert.fail(actual_label, l_diff);
    END IF;
  EXCEPTION
    WHEN OTHERS THEN
      ut_assert.release(l_act_no);
      ut_assert.release(l_exp_no);
      RAISE;
  END to_equal;

  MEMBER PROCEDURE to_have_count(SELF IN ut_expectation, a_count IN PLS_INTEGER) IS
    l_act_no  NUMBER := actual_cursor_no;
    l_count   PLS_INTEGER;
  BEGIN
    l_count := ut_assert.count_rows(l_act_no);
    ut_assert.release(l_act_no);
    IF l_count = a_count THEN
      ut_assert.pass(actual_label);
    ELSE
      ut_assert.fail(actual_label, 'expected ' || a_count || ' rows, got ' || l_count);
    END IF;
  END to_have_count;

  MEMBER PROCEDURE to_be_empty(SELF IN ut_expectation) IS
  BEGIN
    SELF.to_have_count(0);
  END to_be_empty;
END;
/

CREATE OR REPLACE FUNCTION ut_expect(a_actual IN SYS_REFCURSOR, a_label IN VARCHAR2 DEFAULT NULL)
  RETURN ut_expectation
IS
  l_actual SYS_REFCURSOR := a_actual;
BEGIN
  RETURN ut_expectation(DBMS_SQL.to_cursor_number(l_actual),
                        NVL(a_label, ut_assert.current_test));
END ut_expect;
/

CREATE OR REPLACE PACKAGE ut_core_selftest AS
  --%suite(ut_core self tests)
  --%suitepath(framework.core)

  --%beforeeach
  PROCEDURE reset_results;

  --%test(Equal cursors pass)
  PROCEDURE equal_cursors_pass;

  --%test(Different row counts fail)
  PROCEDURE different_counts_fail;

  --%test(Counting rows of a cursor)
  PROCEDURE count_rows;

  --%test(Empty cursor is detected)
  PROCEDURE empty_cursor;

  --%test(Released cursor numbers are closed)
  PROCEDURE release_closes;
END ut_core_selftest;
/

CREATE OR REPLACE PACKAGE BODY ut_core_selftest AS

  PROCEDURE reset_results IS
  BEGIN
    ut_assert.reset;
  END reset_results;

  PROCEDURE equal_cursors_pass IS
    l_actual   SYS_REFCURSOR;
    l_expected SYS_REFCURSOR;
  BEGIN
    OPEN l_expected FOR SELECT 1 AS id, 'A' AS code FROM dual
                        UNION ALL SELECT 2, 'B' FROM dual;
    OPEN l_actual   FOR SELECT LEVEL AS id, CHR(64 + LEVEL) AS code
                          FROM dual CONNECT BY LEVEL <= 2;
    ut_expect(l_actual, 'two generated rows').to_equal(l_expected);
    IF ut_assert.g_failed > 0 THEN
      raise_application_error(-20001, 'equal cursors reported as different');
    END IF;
  END equal_cursors_pass;

  PROCEDURE different_counts_fail IS
    l_actual   SYS_REFCURSOR;
    l_expected SYS_REFCURSOR;
  BEGIN
    OPEN l_expected FOR SELECT LEVEL AS n FROM dual CONNECT BY LEVEL <= 3;
    OPEN l_actual   FOR SELECT LEVEL AS n FROM dual CONNECT BY LEVEL <= 2;
    ut_expect(l_actual).to_equal(a_expected => l_expected);
    IF ut_assert.g_failed <> 1 THEN
      raise_application_error(-20001, 'row count difference not detected');
    END IF;
    ut_assert.reset;
  END different_counts_fail;

  PROCEDURE count_rows IS
    l_actual   SYS_REFCURSOR;
    l_expected SYS_REFCURSOR;
  BEGIN
    OPEN l_expected FOR SELECT LEVEL AS n FROM dual CONNECT BY LEVEL <= 5;
    OPEN l_actual   FOR SELECT LEVEL AS n FROM dual CONNECT BY LEVEL <= 5;
    ut_expect(l_actual).to_have_count(5);
    IF ut_assert.g_failed > 0 THEN
      raise_application_error(-20001, 'row count of five not recognised');
    END IF;
  END count_rows;

  PROCEDURE empty_cursor IS
    l_actual SYS_REFCURSOR;
  BEGIN
    OPEN l_actual FOR SELECT dummy FROM dual WHERE 1 = 0;
    ut_expect(l_actual).to_be_empty;
  END empty_cursor;

  PROCEDURE release_closes IS
    l_rc     SYS_REFCURSOR;
    l_no     NUMBER;
    l_dummy  VARCHAR2(1);
  BEGIN
    OPEN l_rc FOR SELECT dummy FROM dual;
    FETCH l_rc INTO l_dummy;
    l_no := DBMS_SQL.to_cursor_number(l_rc);
    ut_assert.release(l_no);
    IF l_no IS NOT NULL THEN
      raise_application_error(-20001, 'release did not reset the cursor number');
    END IF;
  EXCEPTION
    WHEN OTHERS THEN
      IF l_rc%ISOPEN THEN
        CLOSE l_rc;
      END IF;
      RAISE;
  END release_closes;
END ut_core_selftest;
/
