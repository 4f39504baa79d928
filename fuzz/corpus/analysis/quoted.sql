CREATE OR REPLACE PACKAGE BODY pkg_q AS

  PROCEDURE run_dyn IS
    l_cur  SYS_REFCURSOR;
    l_sql  VARCHAR2(200) := q'[SELECT 'it''s' FROM dual WHERE x = 'a']';
    l_msg  VARCHAR2(100) := Q'{Don't stop}';
    l_id   NUMBER;
  BEGIN
    OPEN l_cur FOR l_sql;
    FETCH l_cur INTO l_id;
    CLOSE l_cur;
  END run_dyn;

  PROCEDURE leak IS
    CURSOR c IS SELECT 1 FROM dual;
    v NUMBER;
  BEGIN
    OPEN c;
    FETCH c INTO v;
  END leak;
END pkg_q;
/
