REM ===========================================================================
REM  apx_authz.sql - authorization schemes and validations of the portal app
REM  Run as the parsing schema. Don't run it in the vendor's own schema.
REM ===========================================================================
PROMPT Creating authorization functions (it's safe to run twice)
SET DEFINE OFF

CREATE OR REPLACE FUNCTION auth_is_admin (p_user IN VARCHAR2 DEFAULT NULL)
  RETURN BOOLEAN
IS
  CURSOR c_role (cp_user IN VARCHAR2) IS
    SELECT 1
      FROM app_user_roles ur
     WHERE ur.user_name = UPPER(cp_user)
       AND ur.role_code = 'ADMIN'
       AND SYSDATE BETWEEN ur.valid_from AND NVL(ur.valid_to, SYSDATE);
  l_dummy NUMBER;
  l_found BOOLEAN;
BEGIN
  OPEN c_role(NVL(p_user, v('APP_USER')));
  FETCH c_role INTO l_dummy;
  l_found := c_role%FOUND;
  CLOSE c_role;
  RETURN l_found;
END auth_is_admin;
/
SHOW ERRORS FUNCTION auth_is_admin

CREATE OR REPLACE FUNCTION auth_can_edit_order (p_order_id IN NUMBER)
  RETURN BOOLEAN
IS
  CURSOR c_owner IS
    SELECT h.owner_user, h.status
      FROM order_headers h
     WHERE h.order_id = p_order_id;
  l_owner  order_headers.owner_user%TYPE;
  l_status order_headers.status%TYPE;
BEGIN
  IF auth_is_admin THEN
    RETURN TRUE;
  END IF;
  OPEN c_owner;
  FETCH c_owner INTO l_owner, l_status;
  IF c_owner%NOTFOUND THEN
    CLOSE c_owner;
    RETURN FALSE;
  END IF;
  CLOSE c_owner;
  RETURN l_owner = v('APP_USER') AND l_status IN ('DRAFT', 'REOPENED');
EXCEPTION
  WHEN OTHERS THEN
    IF c_owner%ISOPEN THEN
      CLOSE c_owner;
    END IF;
    RETURN FALSE;
END auth_can_edit_order;
/
SHOW ERRORS FUNCTION auth_can_edit_order

CREATE OR REPLACE FUNCTION auth_in_cost_center (p_cost_center IN VARCHAR2)
  RETURN BOOLEAN
IS
  CURSOR c_member IS
    SELECT NULL
      FROM cost_center_members m
     WHERE m.cost_center = p_cost_center
       AND m.user_name = v('APP_USER');
  l_dummy VARCHAR2(1);
BEGIN
  OPEN c_member;
  FETCH c_member INTO l_dummy;
  RETURN c_member%FOUND;
END auth_in_cost_center;
/
SHOW ERRORS FUNCTION auth_in_cost_center

CREATE OR REPLACE FUNCTION val_unique_email (p_email IN VARCHAR2, p_user_id IN NUMBER)
  RETURN VARCHAR2
IS
  CURSOR c_dup IS
    SELECT u.user_id
      FROM app_users u
     WHERE LOWER(u.email) = LOWER(TRIM(p_email))
       AND u.user_id <> NVL(p_user_id, -1);
  l_other NUMBER;
BEGIN
  IF p_email IS NULL THEN
    RETURN NULL;
  END IF;
  OPEN c_dup;
  FETCH c_dup INTO l_other;
  IF c_dup%FOUND THEN
    RETURN 'E-mail address is already used by user #' || l_other || '.';
  END IF;
  CLOSE c_dup;
  RETURN NULL;
END val_unique_email;
/
SHOW ERRORS FUNCTION val_unique_email

CREATE OR REPLACE FUNCTION auth_page_access (p_app_id IN NUMBER, p_page_id IN NUMBER)
  RETURN BOOLEAN
IS
  TYPE t_rc IS REF CURSOR;
  l_rc    t_rc;
  l_sql   VARCHAR2(4000);
  l_grant NUMBER;
  l_ok    BOOLEAN := FALSE;
BEGIN
  l_sql := 'SELECT COUNT(*) FROM app_page_grants g '
        || ' WHERE g.app_id = :1 AND g.page_id = :2 '
        || '   AND g.role_code IN (SELECT role_code FROM app_user_roles WHERE user_name = :3)';
  OPEN l_rc FOR l_sql USING p_app_id, p_page_id, v('APP_USER');
  FETCH l_rc INTO l_grant;
  l_ok := l_grant > 0;
  CLOSE l_rc;
  RETURN l_ok;
EXCEPTION
  WHEN OTHERS THEN
    apex_debug.error('auth_page_access: %s', SQLERRM);
    RETURN FALSE;
END auth_page_access;
/
SHOW ERRORS FUNCTION auth_page_access

CREATE OR REPLACE FUNCTION val_order_period (p_order_date IN DATE)
  RETURN VARCHAR2
IS
  CURSOR c_period IS
    SELECT p.period_name, p.status
      FROM gl_periods p
     WHERE p_order_date BETWEEN p.start_date AND p.end_date;
  l_name   gl_periods.period_name%TYPE;
  l_status gl_periods.status%TYPE;
  l_msg    VARCHAR2(200);
BEGIN
  OPEN c_period;
  FETCH c_period INTO l_name, l_status;
  IF c_period%NOTFOUND THEN
    l_msg := 'No accounting period for ' || TO_CHAR(p_order_date, 'DD.MM.YYYY');
  ELSIF l_status <> 'OPEN' THEN
    l_msg := 'Period ' || l_name || ' is ' || LOWER(l_status) || '.';
  END IF;
  close c_period;
  RETURN l_msg;
END val_order_period;
/
SHOW ERRORS FUNCTION val_order_period

CREATE OR REPLACE FUNCTION auth_report_viewer RETURN BOOLEAN
IS
  CURSOR c_grp IS
    SELECT g.group_name
      FROM app_user_groups g
     WHERE g.user_name = v('APP_USER');
  l_group app_user_groups.group_name%TYPE;
BEGIN
  OPEN c_grp;
  LOOP
    FETCH c_grp INTO l_group;
    EXIT WHEN c_grp%NOTFOUND;
    IF l_group IN ('REPORTING', 'FINANCE', 'AUDIT') THEN
      RETURN TRUE;    -- the cursor is closed when the function ends
    END IF;
  END LOOP;
  RETURN FALSE;
END auth_report_viewer;
/
SHOW ERRORS FUNCTION auth_report_viewer

PROMPT Anonymous check of the admin function for the installing user
DECLARE
  CURSOR c_admins IS
    SELECT user_name FROM app_user_roles WHERE role_code = 'ADMIN';
  l_name VARCHAR2(100);
BEGIN
  OPEN c_admins;
  FETCH c_admins INTO l_name;
  dbms_output.put_line('first admin: ' || l_name);
END;
/
