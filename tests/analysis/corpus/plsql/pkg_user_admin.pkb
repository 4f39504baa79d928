CREATE OR REPLACE PACKAGE BODY pkg_user_admin AS
  /* Application users (not database users). Passwords are stored as salted
     SHA-256 hashes; a user is locked after five failed logins. */

  c_max_failures CONSTANT PLS_INTEGER := 5;

  FUNCTION hash_password(p_password IN VARCHAR2, p_salt IN RAW) RETURN RAW IS
  BEGIN
    RETURN dbms_crypto.hash(utl_raw.concat(p_salt, utl_i18n.string_to_raw(p_password, 'AL32UTF8')),
                            dbms_crypto.hash_sh256);
  END hash_password;

  PROCEDURE create_user(p_login IN VARCHAR2, p_full_name IN VARCHAR2, p_password IN VARCHAR2) IS
    l_salt RAW(16) := dbms_crypto.randombytes(16);
  BEGIN
    INSERT INTO app_users (login, full_name, salt, password_hash, status, created_at)
    VALUES (LOWER(p_login), p_full_name, l_salt, hash_password(p_password, l_salt), 'ACTIVE', SYSDATE);
  EXCEPTION
    WHEN dup_val_on_index THEN
      raise_application_error(-20900, 'The login ' || p_login || ' is taken');
  END create_user;

  FUNCTION check_login(p_login IN VARCHAR2, p_password IN VARCHAR2) RETURN BOOLEAN IS
    CURSOR c_user IS
      SELECT salt, password_hash, status, failed_logins
        FROM app_users
       WHERE login = LOWER(p_login)
         FOR UPDATE;
    l_user c_user%ROWTYPE;
    l_ok   BOOLEAN;
  BEGIN
    OPEN c_user;
    FETCH c_user INTO l_user;
    IF c_user%NOTFOUND OR l_user.status <> 'ACTIVE' THEN
      CLOSE c_user;
      RETURN FALSE;
    END IF;
    l_ok := hash_password(p_password, l_user.salt) = l_user.password_hash;
    UPDATE app_users
       SET failed_logins = CASE WHEN l_ok THEN 0 ELSE failed_logins + 1 END,
           status = CASE
                      WHEN NOT l_ok AND failed_logins + 1 >= c_max_failures THEN 'LOCKED'
                      ELSE status
                    END,
           last_login = CASE WHEN l_ok THEN SYSDATE ELSE last_login END
     WHERE CURRENT OF c_user;
    CLOSE c_user;
    RETURN l_ok;
  END check_login;

  PROCEDURE unlock(p_login IN VARCHAR2) IS
  BEGIN
    UPDATE app_users SET status = 'ACTIVE', failed_logins = 0 WHERE login = LOWER(p_login);
    IF SQL%ROWCOUNT = 0 THEN
      raise_application_error(-20901, 'No user ' || p_login);
    END IF;
  END unlock;

  PROCEDURE list_users(p_status IN VARCHAR2, p_users OUT SYS_REFCURSOR) IS
  BEGIN
    OPEN p_users FOR
      SELECT login, full_name, status, last_login
        FROM app_users
       WHERE p_status IS NULL OR status = p_status
       ORDER BY login;
  END list_users;

  PROCEDURE grant_role(p_login IN VARCHAR2, p_role IN VARCHAR2) IS
    l_known PLS_INTEGER;
  BEGIN
    SELECT COUNT(*) INTO l_known FROM app_roles WHERE role_name = p_role;
    IF l_known = 0 THEN
      raise_application_error(-20902, 'Unknown role ' || p_role);
    END IF;
    MERGE INTO app_user_roles r
    USING (SELECT LOWER(p_login) AS login, p_role AS role_name FROM dual) s
       ON (r.login = s.login AND r.role_name = s.role_name)
     WHEN NOT MATCHED THEN INSERT (login, role_name) VALUES (s.login, s.role_name);
  END grant_role;

END pkg_user_admin;
/

-- One-time fix-up shipped with the release that introduced salted hashes:
-- users without a salt must set a new password at their next login.
DECLARE
  CURSOR c_unsalted IS
    SELECT login FROM app_users WHERE salt IS NULL;
  l_login app_users.login%TYPE;
BEGIN
  OPEN c_unsalted;
  LOOP
    FETCH c_unsalted INTO l_login;
    EXIT WHEN c_unsalted%NOTFOUND;
    UPDATE app_users SET status = 'RESET_PASSWORD' WHERE login = l_login;
  END LOOP;
  COMMIT;
END;
/
