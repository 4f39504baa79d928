CREATE OR REPLACE PACKAGE Schema_Util
  AUTHID CURRENT_USER
AS
  -- Schema reporting and housekeeping for the current user.
  --
  -- Cursor ownership rules of this package:
  --   * open_objects / list_tables / get_columns OPEN a cursor and hand it
  --     to the caller, who must CLOSE it (print_objects does that for you);
  --   * print_objects only FETCHes and CLOSEs, it never opens.

  TYPE t_obj_cur IS REF CURSOR RETURN user_objects%ROWTYPE;

  -- public cursor: invalid objects, in dependency friendly order
  CURSOR c_invalid_objects IS
    SELECT object_name, object_type
      FROM user_objects
     WHERE status = 'INVALID'
       AND object_type IN ('PACKAGE', 'PACKAGE BODY', 'PROCEDURE', 'FUNCTION',
                           'TRIGGER', 'VIEW', 'TYPE', 'TYPE BODY')
     ORDER BY DECODE(object_type, 'TYPE', 1, 'PACKAGE', 2, 'VIEW', 3, 'TYPE BODY', 5,
                                  'PACKAGE BODY', 6, 4), object_name;

  PROCEDURE open_objects  (p_type IN VARCHAR2, p_cur OUT t_obj_cur);
  PROCEDURE print_objects (p_cur IN t_obj_cur);
  PROCEDURE list_tables   (p_pattern IN VARCHAR2, p_out OUT SYS_REFCURSOR);
  FUNCTION  get_columns   (p_table IN VARCHAR2) RETURN SYS_REFCURSOR;
  PROCEDURE report_columns (p_table IN VARCHAR2);
  PROCEDURE describe_all  (p_type IN VARCHAR2 DEFAULT 'TABLE');
  PROCEDURE compare_columns (p_left IN VARCHAR2, p_right IN VARCHAR2);
  PROCEDURE index_report  (p_table IN VARCHAR2);
  PROCEDURE recompile_invalid;
  PROCEDURE drop_temp_objects (p_older_than_days IN PLS_INTEGER DEFAULT 7);
END Schema_Util;
/
