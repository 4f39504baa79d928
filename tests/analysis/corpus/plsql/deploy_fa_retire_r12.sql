REM ========================================================================
REM  deploy_fa_retire_r12.sql
REM
REM  Fixed assets mass retirement - deployment for change CHG0048812
REM  Run in SQL*Plus as APPS:   @deploy_fa_retire_r12.sql &book_type_code
REM
REM  1. pre-checks
REM  2. log table
REM  3. procedures / package
REM  4. post-checks and grants
REM ========================================================================
SET SERVEROUTPUT ON SIZE UNLIMITED
SET DEFINE ON
SET VERIFY OFF
SET FEEDBACK ON
WHENEVER SQLERROR EXIT SQL.SQLCODE ROLLBACK

SPOOL deploy_fa_retire_r12.log

DEFINE book = '&1'

PROMPT === 1. pre-checks ===

DECLARE
  CURSOR c_book (p_book VARCHAR2) IS
    SELECT book_type_code, book_class, date_ineffective
      FROM fa_book_controls
     WHERE book_type_code = p_book;
  r_book c_book%ROWTYPE;
BEGIN
  OPEN c_book('&book');
  FETCH c_book INTO r_book;
  IF c_book%NOTFOUND THEN
    RAISE_APPLICATION_ERROR(-20000, 'Book &book does not exist');
  ELSIF r_book.date_ineffective IS NOT NULL THEN
    RAISE_APPLICATION_ERROR(-20000, 'Book &book is inactive');
  END IF;
  DBMS_OUTPUT.PUT_LINE('Book ' || r_book.book_type_code || ' (' || r_book.book_class || ') ok');
END;
/

DECLARE
  l_cnt NUMBER;
BEGIN
  SELECT COUNT(*)
    INTO l_cnt
    FROM dba_objects
   WHERE owner = USER
     AND object_name LIKE 'XX_FA%'
     AND status = 'INVALID';
  DBMS_OUTPUT.PUT_LINE(l_cnt || ' invalid XX_FA objects before deployment');
END;
/

PROMPT === 2. log table ===

BEGIN
  EXECUTE IMMEDIATE 'DROP TABLE xx_fa_retire_log PURGE';
EXCEPTION
  WHEN OTHERS THEN
    IF SQLCODE <> -942 THEN
      RAISE;
    END IF;
END;
/

CREATE TABLE xx_fa_retire_log
( log_id          NUMBER        NOT NULL,
  asset_id        NUMBER        NOT NULL,
  book_type_code  VARCHAR2(30)  NOT NULL,
  retire_date     DATE,
  cost_retired    NUMBER,
  status          VARCHAR2(10),
  message         VARCHAR2(2000),
  created_on      DATE DEFAULT SYSDATE,
  CONSTRAINT xx_fa_retire_log_pk PRIMARY KEY (log_id)
);

CREATE SEQUENCE xx_fa_retire_log_s;

PROMPT === 3. code ===

CREATE OR REPLACE PACKAGE xx_fa_retire_util
AUTHID DEFINER
AS
  -- category lookup, also used by the ADI upload
  CURSOR c_cat (p_category_id NUMBER) IS
    SELECT category_id, segment1 || '.' || segment2 category, enabled_flag,
           capitalize_flag
      FROM fa_categories_b
     WHERE category_id = p_category_id;

  PROCEDURE check_category (p_category_id IN NUMBER, x_ok OUT BOOLEAN);
  PROCEDURE log_msg (p_asset_id IN NUMBER, p_book IN VARCHAR2,
                     p_status IN VARCHAR2, p_msg IN VARCHAR2);
END xx_fa_retire_util;
/
SHOW ERRORS

CREATE OR REPLACE PACKAGE BODY xx_fa_retire_util
AS
  PROCEDURE log_msg (p_asset_id IN NUMBER, p_book IN VARCHAR2,
                     p_status IN VARCHAR2, p_msg IN VARCHAR2)
  IS
    PRAGMA AUTONOMOUS_TRANSACTION;
  BEGIN
    INSERT INTO xx_fa_retire_log (log_id, asset_id, book_type_code, status, message)
    VALUES (xx_fa_retire_log_s.NEXTVAL, p_asset_id, p_book, p_status, SUBSTR(p_msg, 1, 2000));
    COMMIT;
  END log_msg;

  PROCEDURE check_category (p_category_id IN NUMBER, x_ok OUT BOOLEAN)
  IS
    r_cat c_cat%ROWTYPE;
  BEGIN
    OPEN c_cat(p_category_id);
    FETCH c_cat INTO r_cat;
    x_ok := c_cat%FOUND AND r_cat.enabled_flag = 'Y' AND r_cat.capitalize_flag = 'YES';
    CLOSE c_cat;
  EXCEPTION
    WHEN OTHERS THEN
      log_msg(NULL, NULL, 'ERROR', 'check_category ' || p_category_id || ': ' || SQLERRM);
      x_ok := FALSE;
  END check_category;
END xx_fa_retire_util;
/
SHOW ERRORS

CREATE OR REPLACE FUNCTION xx_fa_nbv (p_asset_id IN NUMBER,
                                      p_book     IN VARCHAR2)
  RETURN NUMBER
IS
  CURSOR c_book_val IS
    SELECT b.cost, NVL(d.deprn_reserve, 0) reserve
      FROM fa_books b,
           fa_deprn_summary d
     WHERE b.asset_id = p_asset_id
       AND b.book_type_code = p_book
       AND b.date_ineffective IS NULL
       AND d.asset_id (+) = b.asset_id
       AND d.book_type_code (+) = b.book_type_code
     ORDER BY d.period_counter DESC;
  l_cost     NUMBER;
  l_reserve  NUMBER;
BEGIN
  OPEN c_book_val;
  FETCH c_book_val INTO l_cost, l_reserve;
  IF c_book_val%NOTFOUND THEN
    RETURN NULL;
  END IF;
  RETURN l_cost - l_reserve;
END xx_fa_nbv;
/
SHOW ERRORS

CREATE OR REPLACE PROCEDURE xx_fa_print_rc (p_rc IN OUT SYS_REFCURSOR)
IS
  l_asset  NUMBER;
  l_nbv    NUMBER;
BEGIN
  LOOP
    FETCH p_rc INTO l_asset, l_nbv;
    EXIT WHEN p_rc%NOTFOUND;
    DBMS_OUTPUT.PUT_LINE(RPAD(l_asset, 12) || TO_CHAR(l_nbv, '999G999G990D00'));
  END LOOP;
  CLOSE p_rc;
END xx_fa_print_rc;
/
SHOW ERRORS

CREATE OR REPLACE PROCEDURE xx_fa_mass_retire
  (errbuf      OUT VARCHAR2,
   retcode     OUT NUMBER,
   p_book      IN  VARCHAR2,
   p_location  IN  NUMBER,
   p_retire_dt IN  VARCHAR2,
   p_preview   IN  VARCHAR2 DEFAULT 'Y')
AUTHID CURRENT_USER
IS
  CURSOR c_assets (cp_book VARCHAR2, cp_loc NUMBER) IS
    SELECT a.asset_id, a.asset_number, a.asset_category_id, b.cost
      FROM fa_additions_b a
      JOIN fa_books b
        ON b.asset_id = a.asset_id
       AND b.book_type_code = cp_book
       AND b.date_ineffective IS NULL
      JOIN fa_distribution_history dh
        ON dh.asset_id = a.asset_id
       AND dh.date_ineffective IS NULL
     WHERE dh.location_id = cp_loc
       AND NOT EXISTS (SELECT 1 FROM fa_retirements r
                        WHERE r.asset_id = a.asset_id
                          AND r.status IN ('PENDING', 'PROCESSED'))
       FOR UPDATE OF b.cost NOWAIT;

  l_date     DATE := TO_DATE(p_retire_dt, 'YYYY/MM/DD HH24:MI:SS');
  l_ok       BOOLEAN;
  l_done     PLS_INTEGER := 0;
  l_skipped  PLS_INTEGER := 0;
  l_preview  SYS_REFCURSOR;
BEGIN
  retcode := 0;

  IF p_preview = 'Y' THEN
    /* OPEN c_assets only in the real run */
    OPEN l_preview FOR
      SELECT a.asset_id, xx_fa_nbv(a.asset_id, p_book)
        FROM fa_additions_b a
        JOIN fa_distribution_history dh ON dh.asset_id = a.asset_id
       WHERE dh.location_id = p_location
         AND dh.date_ineffective IS NULL;
    xx_fa_print_rc(l_preview);
    RETURN;
  END IF;

  FOR r IN c_assets(p_book, p_location) LOOP
    xx_fa_retire_util.check_category(r.asset_category_id, l_ok);
    IF NOT l_ok THEN
      l_skipped := l_skipped + 1;
      xx_fa_retire_util.log_msg(r.asset_id, p_book, 'SKIPPED', 'category not retirable');
    ELSE
      INSERT INTO fa_mass_ext_retirements
        (batch_name, mass_external_retire_id, book_type_code, asset_id,
         date_retired, cost_retired, review_status, retirement_type_code)
      VALUES
        ('XX_' || TO_CHAR(SYSDATE, 'YYYYMMDD'), fa_mass_ext_retirements_s.NEXTVAL,
         p_book, r.asset_id, l_date, r.cost, 'POST', 'SALE');
      l_done := l_done + 1;
    END IF;
  END LOOP;

  COMMIT;
  errbuf := l_done || ' assets queued, ' || l_skipped || ' skipped';
EXCEPTION
  WHEN OTHERS THEN
    ROLLBACK;
    errbuf  := SQLERRM;
    retcode := 2;
END xx_fa_mass_retire;
/
SHOW ERRORS

PROMPT === 4. post-checks ===

DECLARE
  l_rc    SYS_REFCURSOR;
  l_name  VARCHAR2(128);
  l_type  VARCHAR2(30);
  l_bad   PLS_INTEGER := 0;

  PROCEDURE show (p_txt IN VARCHAR2) IS
  BEGIN
    DBMS_OUTPUT.PUT_LINE('  ' || p_txt);
  END show;
BEGIN
  OPEN l_rc FOR
    SELECT object_name, object_type
      FROM user_objects
     WHERE object_name IN ('XX_FA_RETIRE_UTIL', 'XX_FA_NBV', 'XX_FA_PRINT_RC',
                           'XX_FA_MASS_RETIRE')
       AND status <> 'VALID';
  LOOP
    FETCH l_rc INTO l_name, l_type;
    EXIT WHEN l_rc%NOTFOUND;
    show(l_type || ' ' || l_name || ' is INVALID');
    l_bad := l_bad + 1;
  END LOOP;

  IF l_bad > 0 THEN
    RAISE_APPLICATION_ERROR(-20000, l_bad || ' objects invalid after deployment');
  END IF;
  show('all objects valid');
END;
/

DECLARE
  CURSOR c_smoke IS
    SELECT asset_id, book_type_code
      FROM fa_books
     WHERE book_type_code = '&book'
       AND date_ineffective IS NULL
       AND ROWNUM <= 5;
  l_asset NUMBER;
  l_book  VARCHAR2(30);
  l_nbv   NUMBER;
BEGIN
  OPEN c_smoke;
  LOOP
    FETCH c_smoke INTO l_asset, l_book;
    EXIT WHEN c_smoke%NOTFOUND;
    l_nbv := xx_fa_nbv(l_asset, l_book);
    DBMS_OUTPUT.PUT_LINE('NBV of ' || l_asset || ' = ' || NVL(TO_CHAR(l_nbv), 'n/a'));
  END LOOP;
  CLOSE c_smoke;
END;
/

GRANT EXECUTE ON xx_fa_retire_util TO xx_fa_ro;
GRANT EXECUTE ON xx_fa_nbv TO xx_fa_ro;

SPOOL OFF
PROMPT Deployment finished, see deploy_fa_retire_r12.log
