CREATE OR REPLACE PACKAGE BODY json_export
AS
  -- JSON and XML export of HR data.  Requires 12.2 (JSON_OBJECT_T).

  gc_date_fmt CONSTANT VARCHAR2(30) := 'YYYY-MM-DD"T"HH24:MI:SS';

  CURSOR c_departments IS
    SELECT department_id, department_name, manager_id, location_id
      FROM departments
     ORDER BY department_id;

  ---------------------------------------------------------------------------
  FUNCTION emp_to_json (p_emp IN employees%ROWTYPE) RETURN JSON_OBJECT_T
  IS
    l_obj JSON_OBJECT_T := JSON_OBJECT_T();
  BEGIN
    l_obj.put('id',        p_emp.employee_id);
    l_obj.put('firstName', p_emp.first_name);
    l_obj.put('lastName',  p_emp.last_name);
    l_obj.put('email',     LOWER(p_emp.email));
    l_obj.put('hired',     TO_CHAR(p_emp.hire_date, gc_date_fmt));
    l_obj.put('salary',    p_emp.salary);
    IF p_emp.commission_pct IS NULL THEN
      l_obj.put_null('commission');
    ELSE
      l_obj.put('commission', p_emp.commission_pct);
    END IF;
    RETURN l_obj;
  END emp_to_json;

  ---------------------------------------------------------------------------
  FUNCTION export_department (p_dept_id IN NUMBER) RETURN CLOB
  IS
    l_dept departments%ROWTYPE;
    l_obj  JSON_OBJECT_T := JSON_OBJECT_T();
    l_arr  JSON_ARRAY_T  := JSON_ARRAY_T();
  BEGIN
    SELECT * INTO l_dept FROM departments WHERE department_id = p_dept_id;

    l_obj.put('id',   l_dept.department_id);
    l_obj.put('name', l_dept.department_name);

    DECLARE
      CURSOR c_emps IS
        SELECT *
          FROM employees
         WHERE department_id = p_dept_id
         ORDER BY last_name, first_name;
      l_emp employees%ROWTYPE;
    BEGIN
      OPEN c_emps;
      LOOP
        FETCH c_emps INTO l_emp;
        EXIT WHEN c_emps%NOTFOUND;
        l_arr.append(emp_to_json(l_emp));
      END LOOP;
    END;

    l_obj.put('employees', l_arr);
    l_obj.put('employeeCount', l_arr.get_size);
    RETURN l_obj.to_clob;
  EXCEPTION
    WHEN NO_DATA_FOUND THEN
      RETURN NULL;
  END export_department;

  ---------------------------------------------------------------------------
  FUNCTION export_all RETURN CLOB
  IS
    l_root JSON_ARRAY_T := JSON_ARRAY_T();
    l_dept c_departments%ROWTYPE;
    l_obj  JSON_OBJECT_T;
  BEGIN
    OPEN c_departments;
    LOOP
      FETCH c_departments INTO l_dept;
      EXIT WHEN c_departments%NOTFOUND;
      l_obj := JSON_OBJECT_T();
      l_obj.put('id', l_dept.department_id);
      l_obj.put('name', l_dept.department_name);
      l_obj.put('manager', l_dept.manager_id);
      l_obj.put('location', l_dept.location_id);
      l_root.append(l_obj);
    END LOOP;
    CLOSE c_departments;
    RETURN l_root.to_clob;
  EXCEPTION
    WHEN OTHERS THEN
      IF c_departments%ISOPEN THEN
        CLOSE c_departments;
      END IF;
      RAISE;
  END export_all;

  ---------------------------------------------------------------------------
  FUNCTION query_to_xml (p_query IN VARCHAR2, p_row_tag IN VARCHAR2 DEFAULT 'ROW') RETURN XMLTYPE
  IS
    l_ctx DBMS_XMLGEN.ctxHandle;
    l_xml XMLTYPE;
  BEGIN
    l_ctx := DBMS_XMLGEN.newContext(p_query);
    DBMS_XMLGEN.setRowTag(l_ctx, p_row_tag);
    DBMS_XMLGEN.setNullHandling(l_ctx, DBMS_XMLGEN.EMPTY_TAG);
    l_xml := DBMS_XMLGEN.getXMLType(l_ctx);
    DBMS_XMLGEN.closeContext(l_ctx);
    RETURN l_xml;
  EXCEPTION
    WHEN OTHERS THEN
      DBMS_XMLGEN.closeContext(l_ctx);
      RAISE;
  END query_to_xml;

  ---------------------------------------------------------------------------
  -- Converts an open cursor to XML and closes it.
  FUNCTION refcursor_to_xml (p_rc IN OUT SYS_REFCURSOR) RETURN XMLTYPE
  IS
    l_ctx DBMS_XMLGEN.ctxHandle;
    l_xml XMLTYPE;
  BEGIN
    l_ctx := DBMS_XMLGEN.newContext(p_rc);
    l_xml := DBMS_XMLGEN.getXMLType(l_ctx);
    DBMS_XMLGEN.closeContext(l_ctx);
    IF p_rc%ISOPEN THEN
      CLOSE p_rc;
    END IF;
    RETURN l_xml;
  END refcursor_to_xml;

  ---------------------------------------------------------------------------
  FUNCTION dept_to_xml (p_dept_id IN NUMBER) RETURN XMLTYPE
  IS
    l_rc SYS_REFCURSOR;
  BEGIN
    OPEN l_rc FOR
      SELECT e.employee_id, e.last_name, e.job_id, e.salary
        FROM employees e
       WHERE e.department_id = p_dept_id;
    RETURN refcursor_to_xml(l_rc);
  END dept_to_xml;

  ---------------------------------------------------------------------------
  PROCEDURE write_clob_to_file (p_dir IN VARCHAR2, p_file IN VARCHAR2, p_data IN CLOB)
  IS
    l_file   UTL_FILE.FILE_TYPE;
    l_len    PLS_INTEGER := NVL(DBMS_LOB.GETLENGTH(p_data), 0);
    l_pos    PLS_INTEGER := 1;
    l_chunk  CONSTANT PLS_INTEGER := 8000;
  BEGIN
    l_file := UTL_FILE.FOPEN(p_dir, p_file, 'w', 32767);
    WHILE l_pos <= l_len LOOP
      UTL_FILE.PUT(l_file, DBMS_LOB.SUBSTR(p_data, l_chunk, l_pos));
      UTL_FILE.FFLUSH(l_file);
      l_pos := l_pos + l_chunk;
    END LOOP;
    UTL_FILE.FCLOSE(l_file);
  EXCEPTION
    WHEN OTHERS THEN
      IF UTL_FILE.IS_OPEN(l_file) THEN
        UTL_FILE.FCLOSE(l_file);
      END IF;
      RAISE;
  END write_clob_to_file;

  ---------------------------------------------------------------------------
  -- Appends a pretty printed document to a persistent CLOB column.
  PROCEDURE store_export (p_export_id IN NUMBER, p_doc IN CLOB)
  IS
    l_clob CLOB;
  BEGIN
    SELECT document INTO l_clob FROM exports WHERE export_id = p_export_id FOR UPDATE;
    DBMS_LOB.OPEN(l_clob, DBMS_LOB.LOB_READWRITE);
    DBMS_LOB.TRIM(l_clob, 0);
    DBMS_LOB.APPEND(l_clob, JSON_QUERY(p_doc, '$' RETURNING CLOB PRETTY));
    DBMS_LOB.CLOSE(l_clob);
    UPDATE exports SET exported_at = SYSDATE WHERE export_id = p_export_id;
  EXCEPTION
    WHEN OTHERS THEN
      IF DBMS_LOB.ISOPEN(l_clob) = 1 THEN
        DBMS_LOB.CLOSE(l_clob);
      END IF;
      RAISE;
  END store_export;

  ---------------------------------------------------------------------------
  -- Reads {"exclude":["SALARY",...],"pretty":true} style options.
  FUNCTION option_list (p_options IN CLOB, p_key IN VARCHAR2) RETURN SYS.ODCIVARCHAR2LIST
  IS
    l_opts   JSON_OBJECT_T;
    l_arr    JSON_ARRAY_T;
    l_result SYS.ODCIVARCHAR2LIST := SYS.ODCIVARCHAR2LIST();
  BEGIN
    IF p_options IS NULL THEN
      RETURN l_result;
    END IF;
    l_opts := JSON_OBJECT_T.parse(p_options);
    IF NOT l_opts.has(p_key) THEN
      RETURN l_result;
    END IF;
    l_arr := l_opts.get_array(p_key);
    FOR i IN 0 .. l_arr.get_size - 1 LOOP
      l_result.EXTEND;
      l_result(l_result.LAST) := l_arr.get_string(i);
    END LOOP;
    RETURN l_result;
  END option_list;

  ---------------------------------------------------------------------------
  -- Loads employees from an XML document: <ROWSET><ROW><ID>..</ID>...</ROW></ROWSET>
  FUNCTION import_xml (p_doc IN XMLTYPE) RETURN PLS_INTEGER
  IS
    l_count PLS_INTEGER := 0;
  BEGIN
    FOR r IN (SELECT x.id, x.last_name, x.email
                FROM XMLTABLE('/ROWSET/ROW' PASSING p_doc
                       COLUMNS id        NUMBER        PATH 'ID',
                               last_name VARCHAR2(100) PATH 'LAST_NAME',
                               email     VARCHAR2(100) PATH 'EMAIL') x)
    LOOP
      MERGE INTO employees_import t
      USING (SELECT r.id AS id FROM dual) s
         ON (t.employee_id = s.id)
       WHEN MATCHED THEN
         UPDATE SET t.last_name = r.last_name, t.email = r.email
       WHEN NOT MATCHED THEN
         INSERT (employee_id, last_name, email) VALUES (r.id, r.last_name, r.email);
      l_count := l_count + 1;
    END LOOP;
    RETURN l_count;
  END import_xml;

END json_export;
/
