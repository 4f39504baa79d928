REM ==========================================================================
REM  deploy_hr_fetch.sql
REM
REM  Installs the tables, views and standalone helpers of the HR fetch layer.
REM  Usage:   sqlplus deployer@hrdb @deploy_hr_fetch.sql <schema> <keep_days>
REM
REM  Don't run this twice in one session: the DEFINEs stick.
REM  The package emp_fetch_api itself is installed by @@emp_fetch_api.pks and
REM  @@emp_fetch_api.pkb at the end.
REM ==========================================================================
SET ECHO OFF
SET FEEDBACK ON
SET VERIFY OFF
SET LINESIZE 200
SET SERVEROUTPUT ON SIZE UNLIMITED
SET SQLBLANKLINES ON
WHENEVER SQLERROR EXIT SQL.SQLCODE ROLLBACK

DEFINE schema    = '&1'
DEFINE keep_days = '&2'

SPOOL deploy_hr_fetch_&&schema..log

PROMPT
PROMPT Installing into schema &&schema. (audit rows kept &&keep_days. days)
PROMPT Don't interrupt: the table is altered before the procedures compile
PROMPT

ALTER SESSION SET CURRENT_SCHEMA = &&schema.;
ALTER SESSION SET PLSQL_CCFLAGS = 'emp_trace:FALSE, ut_build:FALSE';

PROMPT Creating table &&schema..emp_fetch_audit
CREATE TABLE &&schema..emp_fetch_audit (
  cursor_id     VARCHAR2(30)  NOT NULL,
  open_date     DATE          NOT NULL,
  close_reason  VARCHAR2(30),
  fetch_count   NUMBER(10)    DEFAULT 0
);

CREATE INDEX &&schema..emp_fetch_audit_ix1
  ON &&schema..emp_fetch_audit (cursor_id, open_date);

PROMPT Creating view &&schema..v_open_cursors
CREATE OR REPLACE VIEW &&schema..v_open_cursors AS
SELECT a.cursor_id,
       a.open_date,
       a.fetch_count,
       CASE
         WHEN a.close_reason IS NULL AND a.open_date < SYSDATE - 1 THEN 'STALE'
         WHEN a.close_reason IS NULL THEN 'OPEN'
         ELSE 'CLOSED'
       END AS state
  FROM &&schema..emp_fetch_audit a;

PROMPT Creating procedure &&schema..purge_fetch_audit
CREATE OR REPLACE PROCEDURE &&schema..purge_fetch_audit (
  p_keep_days IN PLS_INTEGER DEFAULT &&keep_days.
)
AUTHID DEFINER
AS
  CURSOR c_old (p_before IN DATE) IS
    SELECT ROWID AS rid
      FROM &&schema..emp_fetch_audit
     WHERE open_date < p_before
       AND close_reason IS NOT NULL;
  TYPE t_rid_tab IS TABLE OF ROWID;
  l_rids   t_rid_tab;
  l_total  PLS_INTEGER := 0;
BEGIN
  OPEN c_old(TRUNC(SYSDATE) - p_keep_days);
  LOOP
    FETCH c_old BULK COLLECT INTO l_rids LIMIT 5000;
    EXIT WHEN l_rids.COUNT = 0;
    FORALL i IN 1 .. l_rids.COUNT
      DELETE FROM &&schema..emp_fetch_audit WHERE ROWID = l_rids(i);
    l_total := l_total + SQL%ROWCOUNT;
    COMMIT;
  END LOOP;
  CLOSE c_old;
  DBMS_OUTPUT.PUT_LINE('purge_fetch_audit: ' || l_total || ' rows deleted');
END purge_fetch_audit;
/
SHOW ERRORS PROCEDURE &&schema..purge_fetch_audit

PROMPT Creating function &&schema..last_fetch_count
CREATE OR REPLACE FUNCTION &&schema..last_fetch_count (p_cursor_id IN VARCHAR2)
  RETURN NUMBER
AS
  CURSOR c_last IS
    SELECT fetch_count
      FROM &&schema..emp_fetch_audit
     WHERE cursor_id = p_cursor_id
     ORDER BY open_date DESC;
  l_cnt NUMBER;
BEGIN
  OPEN c_last;
  FETCH c_last INTO l_cnt;
  IF c_last%NOTFOUND THEN
    l_cnt := NULL;
  END IF;
  RETURN l_cnt;
END last_fetch_count;
/
SHOW ERRORS FUNCTION &&schema..last_fetch_count

REM --------------------------------------------------------------------------
REM  The next procedure has ampersands in its literals ('R&D'): no
REM  substitution until SET DEFINE ON below.
REM --------------------------------------------------------------------------
SET DEFINE OFF

PROMPT Creating procedure tag_positions (R&D and Sales & Marketing)
CREATE OR REPLACE PROCEDURE tag_positions (p_area IN VARCHAR2 DEFAULT 'R&D')
AS
  CURSOR c_rnd (p_min_open IN DATE DEFAULT ADD_MONTHS(SYSDATE, -6)) IS
    SELECT p.position_id, p.open_date
      FROM job_positions p
      JOIN departments d ON d.department_id = p.department_id
     WHERE d.department_name IN ('R&D', 'Research & Development')
       AND p.open_date >= p_min_open;
  l_rc      SYS_REFCURSOR;
  l_id      job_positions.position_id%TYPE;
  l_opened  DATE;
BEGIN
  IF p_area = 'R&D' THEN
    OPEN c_rnd(p_min_open => ADD_MONTHS(SYSDATE, -3));
    LOOP
      FETCH c_rnd INTO l_id, l_opened;
      EXIT WHEN c_rnd%NOTFOUND;
      UPDATE job_positions SET tag = 'R&D-' || TO_CHAR(l_opened, 'YYYYMM')
       WHERE position_id = l_id;
    END LOOP;
  ELSIF p_area = 'Sales & Marketing' THEN
    OPEN l_rc FOR
      SELECT p.position_id, p.open_date
        FROM job_positions p
       WHERE p.department_id IN (SELECT department_id FROM departments
                                  WHERE department_name LIKE 'Sales%');
    LOOP
      FETCH l_rc INTO l_id, l_opened;
      EXIT WHEN l_rc%NOTFOUND;
      UPDATE job_positions SET tag = 'S&M' WHERE position_id = l_id;
    END LOOP;
  ELSE
    RAISE_APPLICATION_ERROR(-20001, 'unknown area ' || p_area);
  END IF;

  IF c_rnd%ISOPEN THEN
    CLOSE c_rnd;
  END IF;
  IF l_rc%ISOPEN THEN
    CLOSE l_rc;
  END IF;
END tag_positions;
/
SHOW ERRORS

SET DEFINE ON

PROMPT Checking for cursors left open by earlier releases
DECLARE
  CURSOR c_stale IS
    SELECT cursor_id, open_date
      FROM &&schema..v_open_cursors
     WHERE state = 'STALE';
  l_id    VARCHAR2(30);
  l_when  DATE;
BEGIN
  OPEN c_stale;
  FETCH c_stale INTO l_id, l_when;
  IF c_stale%FOUND THEN
    DBMS_OUTPUT.PUT_LINE('warning: ' || l_id || ' open since '
                         || TO_CHAR(l_when, 'YYYY-MM-DD HH24:MI'));
  END IF;
END;
/

PROMPT Back-filling fetch_count for rows of the old layout
DECLARE
  l_done PLS_INTEGER := 0;

  PROCEDURE backfill (p_cursor_id IN VARCHAR2) IS
    CURSOR c_rows IS
      SELECT ROWID AS rid, open_date
        FROM &&schema..emp_fetch_audit
       WHERE cursor_id = p_cursor_id
         AND fetch_count IS NULL
       ORDER BY open_date;
    l_rid   ROWID;
    l_open  DATE;
  BEGIN
    OPEN c_rows;
    LOOP
      FETCH c_rows INTO l_rid, l_open;
      EXIT WHEN c_rows%NOTFOUND;
      UPDATE &&schema..emp_fetch_audit SET fetch_count = 0 WHERE ROWID = l_rid;
      l_done := l_done + 1;
    END LOOP;
  END backfill;
BEGIN
  FOR r IN (SELECT DISTINCT cursor_id FROM &&schema..emp_fetch_audit) LOOP
    backfill(r.cursor_id);
  END LOOP;
  COMMIT;
  DBMS_OUTPUT.PUT_LINE(l_done || ' audit rows back-filled');
END;
/

PROMPT Creating Java source ZipUtil (used by export_audit_zip)
CREATE OR REPLACE AND COMPILE JAVA SOURCE NAMED "ZipUtil" AS
import java.io.*;
import java.util.zip.*;
import java.sql.*;
import oracle.sql.BLOB;

public class ZipUtil {
  public static BLOB zip(BLOB src, String entryName) throws Exception {
    Connection conn = DriverManager.getConnection("jdbc:default:connection:");
    BLOB out = BLOB.createTemporary(conn, true, BLOB.DURATION_SESSION);
    InputStream in = src.getBinaryStream();
    ZipOutputStream zos = new ZipOutputStream(out.setBinaryStream(1L));
    try {
      zos.putNextEntry(new ZipEntry(entryName));
      byte[] buf = new byte[8192];
      int n;
      while ((n = in.read(buf)) > 0) {
        zos.write(buf, 0, n);
      }
      zos.closeEntry();
    } finally {
      zos.close();
      in.close();
    }
    return out;
  }
};
/

CREATE OR REPLACE FUNCTION zip_blob (p_src IN BLOB, p_entry IN VARCHAR2)
  RETURN BLOB
AS LANGUAGE JAVA
NAME 'ZipUtil.zip(oracle.sql.BLOB, java.lang.String) return oracle.sql.BLOB';
/

PROMPT Creating procedure export_audit_zip
CREATE OR REPLACE PROCEDURE export_audit_zip (p_days IN PLS_INTEGER DEFAULT 30)
AS
  CURSOR c_day (p_day IN DATE) IS
    SELECT cursor_id || ';' || TO_CHAR(open_date, 'YYYY-MM-DD HH24:MI:SS') || ';'
           || close_reason || ';' || fetch_count AS line
      FROM emp_fetch_audit
     WHERE open_date >= p_day
       AND open_date <  p_day + 1;
  l_csv    CLOB;
  l_line   VARCHAR2(400);
  l_zip    BLOB;
  l_blob   BLOB;
  l_dest   INTEGER := 1;
  l_src    INTEGER := 1;
  l_ctx    INTEGER := DBMS_LOB.DEFAULT_LANG_CTX;
  l_warn   INTEGER;
BEGIN
  FOR d IN 0 .. p_days - 1 LOOP
    DBMS_LOB.CREATETEMPORARY(l_csv, TRUE);
    OPEN c_day(TRUNC(SYSDATE) - d);
    LOOP
      FETCH c_day INTO l_line;
      EXIT WHEN c_day%NOTFOUND;
      DBMS_LOB.WRITEAPPEND(l_csv, LENGTH(l_line) + 1, l_line || CHR(10));
    END LOOP;
    CLOSE c_day;

    DBMS_LOB.CREATETEMPORARY(l_blob, TRUE);
    l_dest := 1;
    l_src  := 1;
    DBMS_LOB.CONVERTTOBLOB(l_blob, l_csv, DBMS_LOB.LOBMAXSIZE,
                           l_dest, l_src, DBMS_LOB.DEFAULT_CSID, l_ctx, l_warn);
    l_zip := zip_blob(l_blob, 'audit_' || TO_CHAR(TRUNC(SYSDATE) - d, 'YYYYMMDD') || '.csv');
    INSERT INTO audit_exports (export_day, content)
    VALUES (TRUNC(SYSDATE) - d, l_zip);
    DBMS_LOB.FREETEMPORARY(l_blob);
    DBMS_LOB.FREETEMPORARY(l_csv);
  END LOOP;
  COMMIT;
END export_audit_zip;
/
SHOW ERRORS

PROMPT Installing package emp_fetch_api
@@emp_fetch_api.pks
@@emp_fetch_api.pkb

PROMPT Smoke test
VARIABLE rc REFCURSOR
EXEC :rc := emp_fetch_api.emp_list(50)
PRINT rc
EXEC DBMS_OUTPUT.PUT_LINE('BEGIN; OPEN c_emp; -- smoke test done, END;')

GRANT EXECUTE ON &&schema..emp_fetch_api TO hr_web_role;
GRANT SELECT ON &&schema..v_open_cursors TO hr_web_role;

SPOOL OFF
UNDEFINE schema
UNDEFINE keep_days
EXIT
