CREATE OR REPLACE PACKAGE BODY gl_posting_pkg
AS
/*=========================================================================+
 |  GL_POSTING_PKG  -  journal posting engine                              |
 |                                                                         |
 |  Posts approved journal batches into GL_BALANCES.  One batch at a time, |
 |  journals in header order, lines in line order.                         |
 |                                                                         |
 |  History                                                                |
 |    03-NOV-2002  rpatel   rewritten from gl_post.pc (Pro*C)               |
 |    19-JAN-2004  rpatel   reversal support                               |
 |    08-AUG-2006  dnguyen  period check moved into a function             |
 +=========================================================================*/

  c_max_journals CONSTANT PLS_INTEGER := 5000;

  CURSOR c_period (p_ledger_id  gl_ledgers.ledger_id%TYPE,
                   p_date       DATE) IS
    SELECT period_name, period_year, period_num, closing_status
      FROM gl_period_statuses
     WHERE ledger_id = p_ledger_id
       AND application_id = 101
       AND p_date BETWEEN start_date AND end_date
       AND adjustment_period_flag = 'N';

  CURSOR c_batch_hdr (p_batch_id gl_je_batches.je_batch_id%TYPE) IS
    SELECT je_batch_id, ledger_id, status, default_effective_date, posted_date
      FROM gl_je_batches
     WHERE je_batch_id = p_batch_id
       FOR UPDATE OF status, posted_date NOWAIT;

  ---------------------------------------------------------------------------
  PROCEDURE debug (p_text IN VARCHAR2) IS
  BEGIN
    IF g_debug = 'Y' THEN
      fnd_file.put_line(fnd_file.log, TO_CHAR(SYSDATE, 'HH24:MI:SS') || ' ' || p_text);
    END IF;
  END debug;

  ---------------------------------------------------------------------------
  PROCEDURE close_all IS
  BEGIN
    IF c_batch_hdr%ISOPEN THEN
      CLOSE c_batch_hdr;
    END IF;
    IF c_period%ISOPEN THEN
      CLOSE c_period;
    END IF;
  END close_all;

  ---------------------------------------------------------------------------
  FUNCTION check_period (p_ledger_id IN gl_ledgers.ledger_id%TYPE,
                         p_date      IN DATE)
    RETURN VARCHAR2
  IS
    r_per   c_period%ROWTYPE;
  BEGIN
    OPEN c_period(p_ledger_id, p_date);
    FETCH c_period INTO r_per;
    IF c_period%NOTFOUND THEN
      CLOSE c_period;
      RAISE NO_DATA_FOUND;
    END IF;
    CLOSE c_period;

    RETURN CASE r_per.closing_status
             WHEN 'O' THEN 'Y'      -- open
             WHEN 'F' THEN 'Y'      -- future entry
             ELSE 'N'
           END;
  EXCEPTION
    WHEN NO_DATA_FOUND THEN
      debug('check_period: no period for ' || TO_CHAR(p_date, 'DD-MON-YYYY'));
      RETURN 'N';
  END check_period;

  ---------------------------------------------------------------------------
  PROCEDURE post_batch (p_batch_id IN  gl_je_batches.je_batch_id%TYPE,
                        x_posted   OUT NUMBER)
  IS
    CURSOR c_jrnl (cp_batch_id NUMBER) IS
      SELECT je_header_id, name, currency_code, period_name, default_effective_date
        FROM gl_je_headers
       WHERE je_batch_id = cp_batch_id
         AND status = 'U'
       ORDER BY je_header_id;

    CURSOR c_lines (cp_header_id NUMBER) IS
      SELECT je_line_num, code_combination_id,
             NVL(accounted_dr, 0) dr, NVL(accounted_cr, 0) cr
        FROM gl_je_lines
       WHERE je_header_id = cp_header_id
       ORDER BY je_line_num;

    CURSOR c_bal (cp_ccid NUMBER, cp_period VARCHAR2, cp_curr VARCHAR2) IS
      SELECT period_net_dr, period_net_cr
        FROM gl_balances
       WHERE code_combination_id = cp_ccid
         AND period_name = cp_period
         AND currency_code = cp_curr
         AND actual_flag = 'A'
       FOR UPDATE OF period_net_dr, period_net_cr;

    r_batch   c_batch_hdr%ROWTYPE;
    r_jrnl    c_jrnl%ROWTYPE;
    l_posted  NUMBER := 0;

    ------------------------------------------------------------------
    -- nested helpers share the cursors of post_batch
    ------------------------------------------------------------------
    PROCEDURE open_journals IS
    BEGIN
      OPEN c_jrnl(p_batch_id);          /* closed in close_journals */
    END open_journals;

    FUNCTION next_journal RETURN BOOLEAN IS
    BEGIN
      FETCH c_jrnl INTO r_jrnl;
      RETURN c_jrnl%FOUND AND c_jrnl%ROWCOUNT <= c_max_journals;
    END next_journal;

    PROCEDURE close_journals IS
    BEGIN
      IF c_jrnl%ISOPEN THEN
        CLOSE c_jrnl;
      END IF;
    END close_journals;

    FUNCTION journal_total (p_header_id IN NUMBER) RETURN NUMBER
    IS
      CURSOR c_sum IS
        SELECT SUM(NVL(accounted_dr, 0)) - SUM(NVL(accounted_cr, 0))
          FROM gl_je_lines
         WHERE je_header_id = p_header_id;
      l_diff NUMBER;
    BEGIN
      OPEN c_sum;
      FETCH c_sum INTO l_diff;
      RETURN NVL(l_diff, 0);
    END journal_total;

    PROCEDURE post_line (p_ccid   IN NUMBER,
                         p_period IN VARCHAR2,
                         p_curr   IN VARCHAR2,
                         p_dr     IN NUMBER,
                         p_cr     IN NUMBER)
    IS
      l_dr NUMBER;
      l_cr NUMBER;
    BEGIN
      OPEN c_bal(p_ccid, p_period, p_curr);
      FETCH c_bal INTO l_dr, l_cr;
      IF c_bal%NOTFOUND THEN
        CLOSE c_bal;
        INSERT INTO gl_balances
          (ledger_id, code_combination_id, currency_code, period_name,
           actual_flag, period_net_dr, period_net_cr, last_update_date)
        VALUES
          (r_batch.ledger_id, p_ccid, p_curr, p_period, 'A', p_dr, p_cr, SYSDATE);
        RETURN;
      END IF;

      UPDATE gl_balances
         SET period_net_dr = l_dr + p_dr,
             period_net_cr = l_cr + p_cr,
             last_update_date = SYSDATE
       WHERE CURRENT OF c_bal;
      CLOSE c_bal;
    END post_line;

  BEGIN  -- post_batch
    x_posted := 0;

    OPEN c_batch_hdr(p_batch_id);
    FETCH c_batch_hdr INTO r_batch;
    IF c_batch_hdr%NOTFOUND THEN
      CLOSE c_batch_hdr;
      RAISE_APPLICATION_ERROR(-20301, 'Batch ' || p_batch_id || ' not found');
    ELSIF r_batch.status <> 'A' THEN
      CLOSE c_batch_hdr;
      RAISE_APPLICATION_ERROR(-20302, 'Batch ' || p_batch_id || ' is not approved');
    END IF;

    IF check_period(r_batch.ledger_id, r_batch.default_effective_date) = 'N' THEN
      CLOSE c_batch_hdr;
      RAISE_APPLICATION_ERROR(-20303, 'Period closed for batch ' || p_batch_id);
    END IF;

    open_journals;
    <<journal_loop>>
    WHILE next_journal LOOP
      IF journal_total(r_jrnl.je_header_id) <> 0 THEN
        debug('journal ' || r_jrnl.name || ' out of balance, skipped');
        GOTO next_one;
      END IF;

      FOR r_line IN c_lines(r_jrnl.je_header_id) LOOP
        post_line(r_line.code_combination_id, r_jrnl.period_name,
                  r_jrnl.currency_code, r_line.dr, r_line.cr);
      END LOOP;

      UPDATE gl_je_headers
         SET status = 'P', posted_date = SYSDATE
       WHERE je_header_id = r_jrnl.je_header_id;
      l_posted := l_posted + 1;

      <<next_one>>
      NULL;
    END LOOP journal_loop;
    close_journals;

    UPDATE gl_je_batches
       SET status = 'P', posted_date = SYSDATE
     WHERE CURRENT OF c_batch_hdr;
    CLOSE c_batch_hdr;

    x_posted := l_posted;
    debug('post_batch ' || p_batch_id || ': ' || l_posted || ' journals');

  EXCEPTION
    WHEN OTHERS THEN
      close_journals;
      IF c_bal%ISOPEN THEN CLOSE c_bal; END IF;
      close_all;
      debug('post_batch failed: ' || SQLERRM);
      RAISE;
  END post_batch;

  ---------------------------------------------------------------------------
  PROCEDURE reverse_journal (p_header_id IN  gl_je_headers.je_header_id%TYPE,
                             p_rev_date  IN  DATE,
                             x_new_id    OUT gl_je_headers.je_header_id%TYPE)
  IS
    CURSOR c_src IS
      SELECT je_line_num, code_combination_id, entered_dr, entered_cr,
             accounted_dr, accounted_cr, description
        FROM gl_je_lines
       WHERE je_header_id = p_header_id
       ORDER BY je_line_num;

    TYPE t_src IS TABLE OF c_src%ROWTYPE INDEX BY PLS_INTEGER;
    l_src  t_src;

    PROCEDURE load_lines IS
    BEGIN
      LOOP
        FETCH c_src BULK COLLECT INTO l_src LIMIT 500;
        FORALL i IN 1 .. l_src.COUNT
          INSERT INTO gl_je_lines
            (je_header_id, je_line_num, code_combination_id,
             entered_dr, entered_cr, accounted_dr, accounted_cr, description)
          VALUES
            (x_new_id, l_src(i).je_line_num, l_src(i).code_combination_id,
             l_src(i).entered_cr, l_src(i).entered_dr,
             l_src(i).accounted_cr, l_src(i).accounted_dr,
             'Reversal: ' || l_src(i).description);
        EXIT WHEN c_src%NOTFOUND;
      END LOOP;
    END load_lines;

  BEGIN
    SELECT gl_je_headers_s.NEXTVAL INTO x_new_id FROM dual;

    INSERT INTO gl_je_headers
      (je_header_id, je_batch_id, name, currency_code, period_name,
       default_effective_date, status, reversed_je_header_id)
    SELECT x_new_id, je_batch_id, SUBSTR('REV ' || name, 1, 100), currency_code,
           period_name, p_rev_date, 'U', je_header_id
      FROM gl_je_headers
     WHERE je_header_id = p_header_id;

    OPEN c_src;
    load_lines;
    CLOSE c_src;

    UPDATE gl_je_headers
       SET accrual_rev_status = 'R', accrual_rev_je_header_id = x_new_id
     WHERE je_header_id = p_header_id;
  END reverse_journal;

  ---------------------------------------------------------------------------
  PROCEDURE post_all_approved (p_ledger_id IN gl_ledgers.ledger_id%TYPE)
  IS
    l_posted  NUMBER;
    l_total   NUMBER := 0;
  BEGIN
    FOR r IN (SELECT je_batch_id
                FROM gl_je_batches
               WHERE ledger_id = p_ledger_id
                 AND status = 'A'
               ORDER BY je_batch_id)
    LOOP
      BEGIN
        SAVEPOINT before_batch;
        post_batch(r.je_batch_id, l_posted);
        l_total := l_total + l_posted;
      EXCEPTION
        WHEN OTHERS THEN
          ROLLBACK TO before_batch;
          debug('batch ' || r.je_batch_id || ' not posted: ' || SQLERRM);
      END;
    END LOOP;
    debug('post_all_approved: ' || l_total || ' journals posted');
  END post_all_approved;

END gl_posting_pkg;
/
