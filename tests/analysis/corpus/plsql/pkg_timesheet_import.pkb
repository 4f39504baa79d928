CREATE OR REPLACE PACKAGE BODY pkg_timesheet_import AS
  -- Imports the time clock exports (one CSV file per terminal and day) from
  -- the directory TIMECLOCK_IN. Each line: badge;date;time;direction
  -- where direction is I (in) or O (out).

  CURSOR c_open_shifts(cp_employee_id NUMBER) IS
    SELECT shift_id, clock_in
      FROM shifts
     WHERE employee_id = cp_employee_id
       AND clock_out IS NULL
     ORDER BY clock_in DESC;

  FUNCTION employee_for_badge(p_badge IN VARCHAR2) RETURN NUMBER IS
    l_id employees.employee_id%TYPE;
  BEGIN
    SELECT employee_id INTO l_id FROM employees WHERE badge_no = p_badge;
    RETURN l_id;
  EXCEPTION
    WHEN no_data_found THEN
      RETURN NULL;
  END employee_for_badge;

  PROCEDURE clock_out(p_employee_id IN NUMBER, p_at IN DATE) IS
    l_shift c_open_shifts%ROWTYPE;
  BEGIN
    OPEN c_open_shifts(p_employee_id);
    FETCH c_open_shifts INTO l_shift;
    IF c_open_shifts%FOUND THEN
      UPDATE shifts SET clock_out = p_at WHERE shift_id = l_shift.shift_id;
    ELSE
      INSERT INTO clock_errors (employee_id, error_at, reason)
      VALUES (p_employee_id, p_at, 'clock out without clock in');
    END IF;
    CLOSE c_open_shifts;
  EXCEPTION
    WHEN dup_val_on_index THEN
      CLOSE c_open_shifts;
      RAISE;
    WHEN OTHERS THEN
      IF c_open_shifts%ISOPEN THEN
        CLOSE c_open_shifts;
      END IF;
      RAISE;
  END clock_out;

  PROCEDURE import_line(p_line IN VARCHAR2, p_file IN VARCHAR2) IS
    l_badge    VARCHAR2(20) := REGEXP_SUBSTR(p_line, '[^;]+', 1, 1);
    l_stamp    DATE;
    l_dir      VARCHAR2(1) := UPPER(REGEXP_SUBSTR(p_line, '[^;]+', 1, 4));
    l_employee NUMBER;
  BEGIN
    l_stamp := TO_DATE(REGEXP_SUBSTR(p_line, '[^;]+', 1, 2) || ' ' || REGEXP_SUBSTR(p_line, '[^;]+', 1, 3),
                       'YYYY-MM-DD HH24:MI');
    l_employee := employee_for_badge(l_badge);
    IF l_employee IS NULL THEN
      INSERT INTO clock_errors (badge_no, error_at, reason)
      VALUES (l_badge, l_stamp, 'unknown badge in ' || p_file);
      RETURN;
    END IF;
    CASE l_dir
      WHEN 'I' THEN
        INSERT INTO shifts (shift_id, employee_id, clock_in) VALUES (shifts_seq.NEXTVAL, l_employee, l_stamp);
      WHEN 'O' THEN
        clock_out(l_employee, l_stamp);
      ELSE
        INSERT INTO clock_errors (employee_id, error_at, reason)
        VALUES (l_employee, l_stamp, 'direction ' || l_dir || ' is neither I nor O');
    END CASE;
  END import_line;

  PROCEDURE import_file(p_file_name IN VARCHAR2) IS
    l_file  utl_file.file_type;
    l_line  VARCHAR2(200);
    l_count PLS_INTEGER := 0;
  BEGIN
    l_file := utl_file.fopen('TIMECLOCK_IN', p_file_name, 'r');
    LOOP
      BEGIN
        utl_file.get_line(l_file, l_line);
      EXCEPTION
        WHEN no_data_found THEN
          EXIT;
      END;
      l_count := l_count + 1;
      IF l_count > 1 AND TRIM(l_line) IS NOT NULL THEN
        import_line(RTRIM(l_line, CHR(13)), p_file_name);
      END IF;
    END LOOP;
    utl_file.fclose(l_file);
    utl_file.frename('TIMECLOCK_IN', p_file_name, 'TIMECLOCK_DONE', p_file_name, TRUE);
  EXCEPTION
    WHEN OTHERS THEN
      IF utl_file.is_open(l_file) THEN
        utl_file.fclose(l_file);
      END IF;
      RAISE;
  END import_file;

  PROCEDURE archive_raw(p_file_name IN VARCHAR2) IS
    l_src  BFILE := BFILENAME('TIMECLOCK_DONE', p_file_name);
    l_dest CLOB;
    l_dest_off INTEGER := 1;
    l_src_off  INTEGER := 1;
    l_lang     INTEGER := dbms_lob.default_lang_ctx;
    l_warn     INTEGER;
  BEGIN
    dbms_lob.createtemporary(l_dest, TRUE);
    dbms_lob.fileopen(l_src, dbms_lob.file_readonly);
    dbms_lob.loadclobfromfile(l_dest, l_src, dbms_lob.lobmaxsize, l_dest_off, l_src_off,
                              nls_charset_id('AL32UTF8'), l_lang, l_warn);
    dbms_lob.fileclose(l_src);
    INSERT INTO timeclock_files (file_name, content, archived_at) VALUES (p_file_name, l_dest, SYSDATE);
    dbms_lob.freetemporary(l_dest);
  END archive_raw;

END pkg_timesheet_import;
/
