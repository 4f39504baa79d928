CREATE OR REPLACE PACKAGE pkg_ledger AUTHID CURRENT_USER AS
  ------------------------------------------------------------------------
  -- General ledger posting of the "Order Lines" journals.
  ------------------------------------------------------------------------

  TYPE t_posting_rec IS RECORD (
    account_no   gl$accounts.account_no%TYPE,
    cost_center  VARCHAR2(10),
    period_code  VARCHAR2(7),
    amount       NUMBER(18,2),
    "Memo"       VARCHAR2(200)
  );
  TYPE t_posting_tab IS TABLE OF t_posting_rec INDEX BY PLS_INTEGER;
  TYPE t_total_tab   IS TABLE OF NUMBER INDEX BY VARCHAR2(20);

  -- shared with the review screen, which fetches line by line
  CURSOR c_unposted (p_batch# NUMBER) RETURN gl$journal_lines%ROWTYPE;

  PROCEDURE post_batch (p_batch# IN NUMBER);
  PROCEDURE reverse_batch (p_batch# IN NUMBER);
  PROCEDURE start_review (p_batch# IN NUMBER);
  FUNCTION  next_review_line RETURN gl$journal_lines%ROWTYPE;
  PROCEDURE end_review;
  FUNCTION  batch_totals (p_batch# IN NUMBER) RETURN t_total_tab;
  PROCEDURE reset_state;
END pkg_ledger;
/

CREATE OR REPLACE PACKAGE BODY pkg_ledger AS

  g_run$id     NUMBER;
  g_user#      VARCHAR2(128) := SYS_CONTEXT('USERENV', 'SESSION_USER');
  g_sid$       NUMBER;
  g_reviewing  BOOLEAN := FALSE;

  CURSOR c_unposted (p_batch# NUMBER) RETURN gl$journal_lines%ROWTYPE IS
    SELECT *
      FROM gl$journal_lines
     WHERE batch# = p_batch#
       AND posted_flag = 'N'
     ORDER BY line#;

  CURSOR "Open Periods" IS
    SELECT period_code, start_date, end_date
      FROM gl$periods
     WHERE status = 'OPEN'
     ORDER BY start_date;

  ------------------------------------------------------------------------
  PROCEDURE reset_state IS
  BEGIN
    IF c_unposted%ISOPEN THEN
      CLOSE c_unposted;
    END IF;
    IF "Open Periods"%ISOPEN THEN
      CLOSE "Open Periods";
    END IF;
    g_reviewing := FALSE;
  END reset_state;

  ------------------------------------------------------------------------
  FUNCTION period_of (p_date IN DATE) RETURN VARCHAR2 IS
    l_code  gl$periods.period_code%TYPE;
    l_start DATE;
    l_end   DATE;
  BEGIN
    OPEN "Open Periods";
    LOOP
      FETCH "Open Periods" INTO l_code, l_start, l_end;
      EXIT WHEN "Open Periods"%NOTFOUND;
      IF p_date BETWEEN l_start AND l_end THEN
        CLOSE "Open Periods";
        RETURN l_code;
      END IF;
    END LOOP;
    CLOSE "Open Periods";
    RETURN NULL;
  EXCEPTION
    WHEN OTHERS THEN
      reset_state;
      RAISE;
  END period_of;

  ------------------------------------------------------------------------
  PROCEDURE post_batch (p_batch# IN NUMBER) IS
    l_line     gl$journal_lines%ROWTYPE;
    l_post     t_posting_tab;
    l_idx      PLS_INTEGER := 0;
    e_locked   EXCEPTION;
    PRAGMA EXCEPTION_INIT(e_locked, -54);
  BEGIN
    g_run$id := gl$run_seq.NEXTVAL;
    OPEN c_unposted(p_batch#);
    LOOP
      FETCH c_unposted INTO l_line;
      EXIT WHEN c_unposted%NOTFOUND;
      l_idx := l_idx + 1;
      l_post(l_idx).account_no  := l_line.account_no;
      l_post(l_idx).cost_center := NVL(l_line.cost_center, 'CC#000');
      l_post(l_idx).period_code := period_of(l_line.doc_date);
      l_post(l_idx).amount      := CASE l_line.dr_cr
                                     WHEN 'D' THEN l_line.amount
                                     ELSE -l_line.amount
                                   END;
      l_post(l_idx)."Memo"      := SUBSTR(l_line.description || ' [' || g_user# || ']', 1, 200);
      IF l_post(l_idx).period_code IS NULL THEN
        RAISE_APPLICATION_ERROR(-20501, 'no open period for line ' || l_line.line#);
      END IF;
    END LOOP;
    CLOSE c_unposted;

    FORALL i IN 1 .. l_post.COUNT
      INSERT INTO gl$postings (run$id, account_no, cost_center, period_code, amount, "Memo")
      VALUES (g_run$id, l_post(i).account_no, l_post(i).cost_center,
              l_post(i).period_code, l_post(i).amount, l_post(i)."Memo");

    UPDATE gl$journal_lines
       SET posted_flag = 'Y', run$id = g_run$id
     WHERE batch# = p_batch#
       AND posted_flag = 'N';
    COMMIT;
  EXCEPTION
    WHEN e_locked THEN
      ROLLBACK;
      RAISE_APPLICATION_ERROR(-20502, 'batch ' || p_batch# || ' is locked by another session');
    WHEN OTHERS THEN
      ROLLBACK;
      pkg_log.error('pkg_ledger.post_batch', SQLERRM);
      RAISE;
  END post_batch;

  ------------------------------------------------------------------------
  PROCEDURE reverse_batch (p_batch# IN NUMBER) IS
    CURSOR c_src_lines IS
      SELECT ol."Order#", ol."Line#", ol."Net Amount", ol."Account No"
        FROM "Order Lines" ol
       WHERE ol."Batch#" = p_batch#;
    l_order#   NUMBER;
    l_line#    NUMBER;
    l_amount   NUMBER;
    l_account  VARCHAR2(20);
    l_line     gl$journal_lines%ROWTYPE;
  BEGIN
    OPEN c_unposted(p_batch#);
    FETCH c_unposted INTO l_line;
    IF c_unposted%FOUND THEN
      CLOSE c_unposted;
      RAISE_APPLICATION_ERROR(-20503, 'batch ' || p_batch# || ' is not fully posted');
    END IF;
    CLOSE c_unposted;

    g_run$id := gl$run_seq.NEXTVAL;
    OPEN c_src_lines;
    LOOP
      FETCH c_src_lines INTO l_order#, l_line#, l_amount, l_account;
      EXIT WHEN c_src_lines%NOTFOUND;
      INSERT INTO gl$postings (run$id, account_no, cost_center, period_code, amount, "Memo")
      VALUES (g_run$id, l_account, 'CC#REV', period_of(SYSDATE), -l_amount,
              'Reversal of order ' || l_order# || '/' || l_line#);
    END LOOP;
    CLOSE c_src_lines;
    COMMIT;
  EXCEPTION
    WHEN OTHERS THEN
      reset_state;
      IF c_src_lines%ISOPEN THEN
        CLOSE c_src_lines;
      END IF;
      ROLLBACK;
      RAISE;
  END reverse_batch;

  ------------------------------------------------------------------------
  PROCEDURE start_review (p_batch# IN NUMBER) IS
  BEGIN
    OPEN c_unposted(p_batch#);
    g_reviewing := TRUE;
  EXCEPTION
    WHEN CURSOR_ALREADY_OPEN THEN
      RAISE_APPLICATION_ERROR(-20504, 'a review is already running; call end_review first');
  END start_review;

  ------------------------------------------------------------------------
  FUNCTION next_review_line RETURN gl$journal_lines%ROWTYPE IS
    l_line gl$journal_lines%ROWTYPE;
  BEGIN
    IF NOT g_reviewing THEN
      RAISE_APPLICATION_ERROR(-20505, 'no review running');
    END IF;
    FETCH c_unposted INTO l_line;
    IF c_unposted%NOTFOUND THEN
      l_line.line# := NULL;
    END IF;
    RETURN l_line;
  END next_review_line;

  ------------------------------------------------------------------------
  PROCEDURE end_review IS
  BEGIN
    reset_state;
  END end_review;

  ------------------------------------------------------------------------
  FUNCTION batch_totals (p_batch# IN NUMBER) RETURN t_total_tab IS
    l_totals t_total_tab;
    l_key    VARCHAR2(20);
  BEGIN
    FOR r IN (SELECT account_no,
                     SUM(CASE dr_cr WHEN 'D' THEN amount ELSE -amount END) AS net
                FROM gl$journal_lines
               WHERE batch# = p_batch#
               GROUP BY account_no)
    LOOP
      l_totals(r.account_no) := r.net;
    END LOOP;

    l_key := l_totals.FIRST;
    WHILE l_key IS NOT NULL LOOP
      IF l_totals(l_key) = 0 THEN
        l_totals.DELETE(l_key);
      END IF;
      l_key := l_totals.NEXT(l_key);
    END LOOP;
    RETURN l_totals;
  END batch_totals;

BEGIN
  SELECT sid
    INTO g_sid$
    FROM v$session
   WHERE audsid = SYS_CONTEXT('USERENV', 'SESSIONID')
     AND ROWNUM = 1;
EXCEPTION
  WHEN OTHERS THEN
    g_sid$ := NULL;   -- no grant on v$session in some schemas
END pkg_ledger;
/
