-- pipe_fn: pipelined table functions for use in SQL
--
--   select * from table(pipe_fn.numbers(1, 10));
--   select * from table(pipe_fn.calendar_days(date '2024-01-01', date '2024-01-31'));
--   select * from table(pipe_fn.from_cursor(cursor(select code, name from countries)));

CREATE OR REPLACE PACKAGE pipe_fn
AUTHID CURRENT_USER
AS
  TYPE t_num_tab IS TABLE OF NUMBER;

  TYPE t_kv_rec IS RECORD (k VARCHAR2(4000), v VARCHAR2(4000));
  TYPE t_kv_tab IS TABLE OF t_kv_rec;
  TYPE t_kv_cur IS REF CURSOR RETURN t_kv_rec;

  TYPE t_day_rec IS RECORD (
    day        DATE,
    iso_week   VARCHAR2(8),
    is_weekend VARCHAR2(1),
    is_holiday VARCHAR2(1)
  );
  TYPE t_day_tab IS TABLE OF t_day_rec;

  TYPE t_line_rec IS RECORD (line_no PLS_INTEGER, text VARCHAR2(4000));
  TYPE t_line_tab IS TABLE OF t_line_rec;

  FUNCTION numbers (p_from IN NUMBER, p_to IN NUMBER, p_step IN NUMBER DEFAULT 1)
    RETURN t_num_tab PIPELINED;
  FUNCTION rows_of (p_query IN VARCHAR2) RETURN t_kv_tab PIPELINED;
  FUNCTION top_n (p_query IN VARCHAR2, p_n IN PLS_INTEGER) RETURN t_kv_tab PIPELINED;
  FUNCTION from_cursor (p_rc IN t_kv_cur) RETURN t_kv_tab PIPELINED;
  FUNCTION calendar_days (p_from IN DATE, p_to IN DATE) RETURN t_day_tab PIPELINED;
  FUNCTION lines (p_text IN CLOB) RETURN t_line_tab PIPELINED;
  FUNCTION settings (p_app IN VARCHAR2) RETURN t_kv_tab PIPELINED;
END pipe_fn;
/

CREATE OR REPLACE PACKAGE BODY pipe_fn
AS
  CURSOR c_calendar (p_from IN DATE, p_to IN DATE) IS
    SELECT d.day,
           TO_CHAR(d.day, 'IYYY-"W"IW')                                  AS iso_week,
           CASE WHEN TO_CHAR(d.day, 'DY', 'NLS_DATE_LANGUAGE=ENGLISH') IN ('SAT', 'SUN')
                THEN 'Y' ELSE 'N' END                                    AS is_weekend,
           CASE WHEN h.holiday_date IS NOT NULL THEN 'Y' ELSE 'N' END    AS is_holiday
      FROM (SELECT TRUNC(p_from) + LEVEL - 1 AS day
              FROM dual
           CONNECT BY LEVEL <= TRUNC(p_to) - TRUNC(p_from) + 1) d
      LEFT JOIN public_holidays h
        ON h.holiday_date = d.day
     ORDER BY d.day;

  ---------------------------------------------------------------------------
  FUNCTION numbers (p_from IN NUMBER, p_to IN NUMBER, p_step IN NUMBER DEFAULT 1)
    RETURN t_num_tab PIPELINED
  IS
    l_n NUMBER := p_from;
  BEGIN
    IF p_step IS NULL OR p_step = 0 THEN
      RAISE_APPLICATION_ERROR(-20020, 'step must not be 0');
    END IF;
    WHILE (p_step > 0 AND l_n <= p_to) OR (p_step < 0 AND l_n >= p_to) LOOP
      PIPE ROW (l_n);
      l_n := l_n + p_step;
    END LOOP;
    RETURN;
  END numbers;

  ---------------------------------------------------------------------------
  -- Any two column query as key/value rows.
  FUNCTION rows_of (p_query IN VARCHAR2) RETURN t_kv_tab PIPELINED
  IS
    l_rc  SYS_REFCURSOR;
    l_row t_kv_rec;
  BEGIN
    OPEN l_rc FOR p_query;
    LOOP
      FETCH l_rc INTO l_row.k, l_row.v;
      EXIT WHEN l_rc%NOTFOUND;
      PIPE ROW (l_row);
    END LOOP;
    CLOSE l_rc;
    RETURN;
  EXCEPTION
    WHEN NO_DATA_NEEDED THEN
      -- the consumer stopped early (ROWNUM, FETCH FIRST ...): clean up quietly
      IF l_rc%ISOPEN THEN
        CLOSE l_rc;
      END IF;
      RETURN;
    WHEN OTHERS THEN
      IF l_rc%ISOPEN THEN
        CLOSE l_rc;
      END IF;
      RAISE;
  END rows_of;

  ---------------------------------------------------------------------------
  -- First p_n rows of a two column query.
  FUNCTION top_n (p_query IN VARCHAR2, p_n IN PLS_INTEGER) RETURN t_kv_tab PIPELINED
  IS
    l_rc  SYS_REFCURSOR;
    l_row t_kv_rec;
  BEGIN
    IF NVL(p_n, 0) <= 0 THEN
      RETURN;
    END IF;
    OPEN l_rc FOR p_query;
    FOR i IN 1 .. p_n LOOP
      FETCH l_rc INTO l_row.k, l_row.v;
      EXIT WHEN l_rc%NOTFOUND;
      PIPE ROW (l_row);
    END LOOP;
    RETURN;
  END top_n;

  ---------------------------------------------------------------------------
  -- The cursor is opened by SQL (CURSOR(...) expression); we own it now.
  FUNCTION from_cursor (p_rc IN t_kv_cur) RETURN t_kv_tab PIPELINED
  IS
    l_rows t_kv_tab;
  BEGIN
    LOOP
      FETCH p_rc BULK COLLECT INTO l_rows LIMIT 100;
      FOR i IN 1 .. l_rows.COUNT LOOP
        PIPE ROW (l_rows(i));
      END LOOP;
      EXIT WHEN p_rc%NOTFOUND;
    END LOOP;
    CLOSE p_rc;
    RETURN;
  EXCEPTION
    WHEN NO_DATA_NEEDED THEN
      CLOSE p_rc;
      RAISE;
  END from_cursor;

  ---------------------------------------------------------------------------
  FUNCTION calendar_days (p_from IN DATE, p_to IN DATE) RETURN t_day_tab PIPELINED
  IS
    l_day t_day_rec;
  BEGIN
    IF p_to < p_from THEN
      RETURN;
    END IF;
    OPEN c_calendar(p_from, p_to);
    LOOP
      FETCH c_calendar INTO l_day;
      EXIT WHEN c_calendar%NOTFOUND;
      PIPE ROW (l_day);
    END LOOP;
    CLOSE c_calendar;
    RETURN;
  EXCEPTION
    WHEN NO_DATA_NEEDED THEN
      NULL;
  END calendar_days;

  ---------------------------------------------------------------------------
  FUNCTION lines (p_text IN CLOB) RETURN t_line_tab PIPELINED
  IS
    l_len  PLS_INTEGER := NVL(DBMS_LOB.GETLENGTH(p_text), 0);
    l_pos  PLS_INTEGER := 1;
    l_eol  PLS_INTEGER;
    l_line t_line_rec;
  BEGIN
    l_line.line_no := 0;
    WHILE l_pos <= l_len LOOP
      l_eol := DBMS_LOB.INSTR(p_text, CHR(10), l_pos);
      IF l_eol = 0 THEN
        l_eol := l_len + 1;
      END IF;
      l_line.line_no := l_line.line_no + 1;
      l_line.text    := RTRIM(DBMS_LOB.SUBSTR(p_text, LEAST(l_eol - l_pos, 4000), l_pos), CHR(13));
      PIPE ROW (l_line);
      l_pos := l_eol + 1;
    END LOOP;
    RETURN;
  EXCEPTION
    WHEN NO_DATA_NEEDED THEN
      RETURN;
  END lines;

  ---------------------------------------------------------------------------
  -- Settings of an application, resolving "@other_key" references once.
  FUNCTION settings (p_app IN VARCHAR2) RETURN t_kv_tab PIPELINED
  IS
    CURSOR c_settings IS
      SELECT setting_key, setting_value
        FROM app_settings
       WHERE app_code = p_app
       ORDER BY setting_key;
    TYPE t_set_tab IS TABLE OF c_settings%ROWTYPE;
    l_batch t_set_tab;
    l_row   t_kv_rec;
  BEGIN
    OPEN c_settings;
    <<batches>>
    LOOP
      FETCH c_settings BULK COLLECT INTO l_batch LIMIT 200;
      EXIT batches WHEN l_batch.COUNT = 0;
      FOR i IN 1 .. l_batch.COUNT LOOP
        l_row.k := l_batch(i).setting_key;
        IF l_batch(i).setting_value LIKE '@%' THEN
          BEGIN
            SELECT setting_value
              INTO l_row.v
              FROM app_settings
             WHERE app_code = p_app
               AND setting_key = SUBSTR(l_batch(i).setting_value, 2);
          EXCEPTION
            WHEN NO_DATA_FOUND THEN
              l_row.v := NULL;
          END;
        ELSE
          l_row.v := l_batch(i).setting_value;
        END IF;
        PIPE ROW (l_row);
      END LOOP;
    END LOOP batches;
    CLOSE c_settings;
    RETURN;
  EXCEPTION
    WHEN NO_DATA_NEEDED THEN
      CLOSE c_settings;
      RAISE;
  END settings;

END pipe_fn;
/
