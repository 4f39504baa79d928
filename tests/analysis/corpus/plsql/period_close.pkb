CREATE OR REPLACE PACKAGE BODY period_close
AS
  /*
   * Month-end close of the general ledger periods.
   *
   *   close_period   : checks the subledgers and the unposted journals, then
   *                    sets GL_PERIODS.CLOSING_STATUS to 'C'
   *   reopen_period  : back to 'O' (needs the GL_REOPEN role)
   *   roll_forward   : closes the current period and opens the next one
   *
   * The period row is locked with SELECT ... FOR UPDATE NOWAIT while it
   * changes; a second session gets ORA-00054 and is told to retry.
   */

  e_resource_busy EXCEPTION;
  PRAGMA EXCEPTION_INIT(e_resource_busy, -54);

  e_unposted      EXCEPTION;
  e_subledger     EXCEPTION;

  g_current_period   gl_periods.period_name%TYPE;
  g_close_in_progress BOOLEAN := FALSE;

  CURSOR c_open_periods IS
    SELECT p.period_name
      FROM gl_periods p
     WHERE p.closing_status = 'O'
     ORDER BY p.start_date;

  CURSOR c_unposted (p_period IN VARCHAR2) IS
    SELECT COUNT(*)
      FROM gl_je_headers h
     WHERE h.period_name = p_period
       AND h.status <> 'P';

  CURSOR c_period_lock (p_period IN VARCHAR2) IS
    SELECT p.period_name, p.closing_status, p.start_date, p.end_date
      FROM gl_periods p
     WHERE p.period_name = p_period
       FOR UPDATE OF p.closing_status NOWAIT;

  CURSOR c_subledgers (p_period IN VARCHAR2) IS
    SELECT s.application_code, s.closing_status
      FROM gl_subledger_status s
     WHERE s.period_name = p_period;

  ---------------------------------------------------------------------------
  FUNCTION current_open_period RETURN VARCHAR2
  IS
    l_period gl_periods.period_name%TYPE;
  BEGIN
    IF c_open_periods%ISOPEN THEN
      CLOSE c_open_periods;
    END IF;
    OPEN c_open_periods;
    FETCH c_open_periods INTO l_period;
    CLOSE c_open_periods;
    RETURN l_period;
  EXCEPTION
    WHEN OTHERS THEN
      IF period_close.c_open_periods%ISOPEN THEN
        CLOSE period_close.c_open_periods;
      END IF;
      RAISE;
  END current_open_period;

  ---------------------------------------------------------------------------
  PROCEDURE open_period (p_period IN VARCHAR2)
  IS
    l_open_date DATE;
  BEGIN
    SELECT start_date INTO l_open_date FROM gl_periods WHERE period_name = p_period;
    UPDATE gl_periods
       SET closing_status = 'O',
           opened_by      = USER,
           opened_at      = SYSDATE
     WHERE period_name = p_period;
    gl_audit.log_event('OPEN', p_period, 'opened, starts ' || TO_CHAR(l_open_date, 'DD-MON-YYYY'));
  END open_period;

  ---------------------------------------------------------------------------
  PROCEDURE check_subledgers (p_period IN VARCHAR2)
  IS
    l_app    gl_subledger_status.application_code%TYPE;
    l_status gl_subledger_status.closing_status%TYPE;
  BEGIN
    OPEN c_subledgers(p_period);
    LOOP
      FETCH c_subledgers INTO l_app, l_status;
      EXIT WHEN c_subledgers%NOTFOUND;
      IF l_status <> 'C' THEN
        CLOSE c_subledgers;
        RAISE_APPLICATION_ERROR(-20601, l_app || ' is not closed for ' || p_period);
      END IF;
    END LOOP;
    CLOSE c_subledgers;
  END check_subledgers;

  ---------------------------------------------------------------------------
  PROCEDURE close_period (p_period IN VARCHAR2)
  IS
    l_lock   c_period_lock%ROWTYPE;
    l_count  PLS_INTEGER;
  BEGIN
    g_close_in_progress := TRUE;

    OPEN c_period_lock(p_period);
    FETCH c_period_lock INTO l_lock;
    IF c_period_lock%NOTFOUND THEN
      CLOSE c_period_lock;
      RAISE_APPLICATION_ERROR(-20602, 'Unknown period ' || p_period);
    END IF;

    check_subledgers(p_period);

    OPEN c_unposted(p_period);
    FETCH c_unposted INTO l_count;
    CLOSE c_unposted;
    IF l_count > 0 THEN
      RAISE e_unposted;
    END IF;

    UPDATE gl_periods
       SET closing_status = 'C',
           closed_by      = USER,
           closed_at      = SYSDATE
     WHERE CURRENT OF c_period_lock;
    CLOSE c_period_lock;

    gl_audit.log_event('CLOSE', p_period, 'closed');
    g_close_in_progress := FALSE;
  EXCEPTION
    WHEN e_unposted THEN
      IF c_period_lock%ISOPEN THEN
        CLOSE c_period_lock;
      END IF;
      g_close_in_progress := FALSE;
      RAISE_APPLICATION_ERROR(-20603, l_count || ' unposted journals in ' || p_period);
    WHEN e_resource_busy THEN
      g_close_in_progress := FALSE;
      RAISE_APPLICATION_ERROR(-20604, 'Period ' || p_period || ' is being changed, retry');
    WHEN OTHERS THEN
      g_close_in_progress := FALSE;
      ROLLBACK;
      RAISE;
  END close_period;

  ---------------------------------------------------------------------------
  PROCEDURE reopen_period (p_period IN VARCHAR2)
  IS
    l_lock c_period_lock%ROWTYPE;
  BEGIN
    IF NOT gl_security.has_role('GL_REOPEN') THEN
      RAISE_APPLICATION_ERROR(-20605, 'GL_REOPEN role required');
    END IF;

    OPEN c_period_lock(p_period);
    FETCH c_period_lock INTO l_lock;
    IF l_lock.closing_status = 'C' THEN
      UPDATE gl_periods
         SET closing_status = 'O',
             reopened_by    = USER,
             reopened_at    = SYSDATE
       WHERE CURRENT OF c_period_lock;
      gl_audit.log_event('REOPEN', p_period, 'reopened');
    END IF;
    CLOSE c_period_lock;
  EXCEPTION
    WHEN OTHERS THEN
      -- CLOSE c_period_lock; is not needed here, ROLLBACK releases the lock
      ROLLBACK;
      gl_audit.log_event('ERROR', p_period, 'reopen failed: ' || SQLERRM);
      RAISE;
  END reopen_period;

  ---------------------------------------------------------------------------
  FUNCTION period_status (p_period IN VARCHAR2) RETURN VARCHAR2
  IS
    CURSOR c_status IS
      SELECT closing_status FROM gl_periods WHERE period_name = p_period;
    l_status gl_periods.closing_status%TYPE;
  BEGIN
    OPEN c_status;
    FETCH c_status INTO l_status;
    CLOSE c_status;
    RETURN NVL(l_status, 'X');
  EXCEPTION
    WHEN NO_DATA_FOUND THEN
      RETURN 'X';
  END period_status;

  ---------------------------------------------------------------------------
  FUNCTION unposted_count (p_period IN VARCHAR2) RETURN PLS_INTEGER
  IS
    l_count PLS_INTEGER;
  BEGIN
    OPEN c_unposted(p_period);
    FETCH c_unposted INTO l_count;
    CLOSE c_unposted;
    RETURN l_count;
  EXCEPTION
    WHEN OTHERS THEN
      BEGIN
        CLOSE c_unposted;
      EXCEPTION
        WHEN INVALID_CURSOR THEN
          NULL;
      END;
      RAISE;
  END unposted_count;

  ---------------------------------------------------------------------------
  PROCEDURE roll_forward
  IS
    CURSOR c_next (p_after IN DATE) IS
      SELECT period_name, start_date
        FROM gl_periods
       WHERE start_date > p_after
         AND closing_status = 'F'
       ORDER BY start_date;
    l_close_date DATE;
    l_open_date  DATE;
    l_next       gl_periods.period_name%TYPE;
  BEGIN
    g_current_period := current_open_period;
    IF g_current_period IS NULL THEN
      RAISE_APPLICATION_ERROR(-20606, 'No open period to roll forward from');
    END IF;

    SELECT end_date INTO l_close_date FROM gl_periods WHERE period_name = g_current_period;

    close_period(g_current_period);

    OPEN c_next(l_close_date);
    FETCH c_next INTO l_next, l_open_date;
    CLOSE c_next;

    IF l_next IS NULL THEN
      gl_audit.log_event('WARN', g_current_period, 'closed; no future period to open');
    ELSE
      open_period(l_next);
      g_current_period := l_next;
    END IF;
    COMMIT;
  EXCEPTION
    WHEN OTHERS THEN
      IF c_next%ISOPEN THEN
        CLOSE c_next;
      END IF;
      ROLLBACK;
      RAISE;
  END roll_forward;

  ---------------------------------------------------------------------------
  FUNCTION periods_open RETURN PLS_INTEGER
  IS
    l_n PLS_INTEGER := 0;
  BEGIN
    FOR r IN c_open_periods LOOP
      l_n := l_n + 1;
    END LOOP;
    RETURN l_n;
  EXCEPTION
    WHEN OTHERS THEN
      RETURN -1;
  END periods_open;

  ---------------------------------------------------------------------------
  PROCEDURE close_cursors
  IS
  BEGIN
    IF c_open_periods%ISOPEN THEN CLOSE c_open_periods; END IF;
    IF c_unposted%ISOPEN     THEN CLOSE c_unposted;     END IF;
    IF c_period_lock%ISOPEN  THEN CLOSE c_period_lock;  END IF;
    IF c_subledgers%ISOPEN   THEN CLOSE c_subledgers;   END IF;
  END close_cursors;

BEGIN
  -- cache the current period for the session; a failure here must not
  -- make the package unusable, current_open_period reads it again
  OPEN c_open_periods;
  FETCH c_open_periods INTO g_current_period;
  CLOSE c_open_periods;
EXCEPTION
  WHEN OTHERS THEN
    g_current_period := NULL;
END period_close;
/
