CREATE OR REPLACE PACKAGE BODY pkg_batch_runner IS
  ------------------------------------------------------------------------------
  -- Scheduler job actions of the portal:
  --   BEGIN pkg_batch_runner.run_invoice_batch; END;
  --   BEGIN pkg_batch_runner.run_reminders(p_days => 14); END;
  -- Each run takes a named lock so that two job slaves never overlap.
  ------------------------------------------------------------------------------

  gc_commit_every CONSTANT PLS_INTEGER := 500;
  g_lock_handle   VARCHAR2(128);

  CURSOR c_pending IS
    SELECT q.queue_id, q.order_id, q.payload
      FROM invoice_queue q
     WHERE q.status = 'PENDING'
     ORDER BY q.queue_id
       FOR UPDATE SKIP LOCKED;

  CURSOR c_reminders (p_days IN PLS_INTEGER) IS
    SELECT i.invoice_id, i.customer_id, i.due_date
      FROM invoices i
     WHERE i.paid_flag = 'N'
       AND i.due_date < TRUNC(SYSDATE) - p_days
       FOR UPDATE OF i.reminder_count SKIP LOCKED;

  CURSOR c_stale IS
    SELECT session_id FROM app_sessions WHERE last_seen < SYSDATE - 1
       FOR UPDATE SKIP LOCKED;

  TYPE t_pending_tab IS TABLE OF c_pending%ROWTYPE;

  PROCEDURE log_run (p_job IN VARCHAR2, p_msg IN VARCHAR2) IS
    PRAGMA AUTONOMOUS_TRANSACTION;
  BEGIN
    INSERT INTO batch_run_log (job_name, logged_at, message)
    VALUES (p_job, SYSTIMESTAMP, SUBSTR(p_msg, 1, 4000));
    COMMIT;
  END log_run;

  PROCEDURE close_all IS
  BEGIN
    IF c_pending%ISOPEN THEN CLOSE c_pending; END IF;
    IF c_reminders%ISOPEN THEN CLOSE c_reminders; END IF;
    IF c_stale%ISOPEN THEN CLOSE c_stale; END IF;
  END close_all;

  PROCEDURE release_lock IS
    l_rc INTEGER;
  BEGIN
    IF g_lock_handle IS NOT NULL THEN
      l_rc := dbms_lock.release(lockhandle => g_lock_handle);
    END IF;
  END release_lock;

  PROCEDURE reset_state IS
  BEGIN
    close_all;
    release_lock;
    ROLLBACK;
  END reset_state;

  FUNCTION take_lock (p_name IN VARCHAR2) RETURN BOOLEAN IS
    l_rc INTEGER;
  BEGIN
    dbms_lock.allocate_unique(lockname => p_name, lockhandle => g_lock_handle);
    l_rc := dbms_lock.request(lockhandle        => g_lock_handle,
                              lockmode          => dbms_lock.x_mode,
                              timeout           => 0,
                              release_on_commit => FALSE);
    RETURN l_rc IN (0, 4);
  END take_lock;

  ------------------------------------------------------------------------------
  PROCEDURE run_invoice_batch IS
    l_rows  t_pending_tab;
    l_total PLS_INTEGER := 0;
  BEGIN
    IF NOT take_lock('PORTAL_INVOICE_BATCH') THEN
      log_run('INVOICE', 'another run holds the lock');
      RETURN;
    END IF;
    OPEN c_pending;
    LOOP
      FETCH c_pending BULK COLLECT INTO l_rows LIMIT gc_commit_every;
      EXIT WHEN l_rows.COUNT = 0;
      FOR i IN 1 .. l_rows.COUNT LOOP
        invoice_api.create_from_queue(l_rows(i).order_id, l_rows(i).payload);
        UPDATE invoice_queue SET status = 'DONE' WHERE queue_id = l_rows(i).queue_id;
      END LOOP;
      l_total := l_total + l_rows.COUNT;
    END LOOP;
    CLOSE c_pending;
    COMMIT;
    release_lock;
    log_run('INVOICE', l_total || ' invoices created');
  EXCEPTION
    WHEN OTHERS THEN
      reset_state;
      log_run('INVOICE', dbms_utility.format_error_stack || dbms_utility.format_error_backtrace);
      RAISE;
  END run_invoice_batch;

  ------------------------------------------------------------------------------
  PROCEDURE run_reminders (p_days IN PLS_INTEGER DEFAULT 14) IS
    l_invoice_id invoices.invoice_id%TYPE;
    l_customer   invoices.customer_id%TYPE;
    l_due        invoices.due_date%TYPE;
    l_count      PLS_INTEGER := 0;

    PROCEDURE close_all IS
    BEGIN
      -- local: only flushes the mail buffer of this run
      portal_mail.flush;
    END close_all;
  BEGIN
    OPEN c_reminders(p_days);
    LOOP
      FETCH c_reminders INTO l_invoice_id, l_customer, l_due;
      EXIT WHEN c_reminders%NOTFOUND;
      portal_mail.queue_reminder(l_customer, l_invoice_id, l_due);
      UPDATE invoices SET reminder_count = reminder_count + 1 WHERE CURRENT OF c_reminders;
      l_count := l_count + 1;
    END LOOP;
    CLOSE c_reminders;
    close_all;
    COMMIT;
    log_run('REMINDER', l_count || ' reminders queued');
  EXCEPTION
    WHEN OTHERS THEN
      close_all;
      ROLLBACK;
      log_run('REMINDER', SQLERRM);
      RAISE;
  END run_reminders;

  ------------------------------------------------------------------------------
  PROCEDURE run_session_cleanup IS
    l_id      app_sessions.session_id%TYPE;
    l_n       PLS_INTEGER := 0;
  BEGIN
    OPEN c_stale;
    LOOP
      FETCH c_stale INTO l_id;
      EXIT WHEN c_stale%NOTFOUND;
      DELETE FROM app_sessions WHERE CURRENT OF c_stale;
      l_n := l_n + 1;
      IF MOD(l_n, gc_commit_every) = 0 THEN
        -- fetch across commit is fine with SKIP LOCKED rows we already own
        COMMIT;
      END IF;
    END LOOP;
    CLOSE c_stale;
    COMMIT;
  EXCEPTION
    WHEN OTHERS THEN
      pkg_batch_runner.close_all;
      log_run('SESSIONS', SQLERRM);
      RAISE;
  END run_session_cleanup;

  ------------------------------------------------------------------------------
  -- step-wise processing for the monitoring page: opens c_pending and leaves it
  -- open; fetch_next_pending / finish_pending complete the walk.
  ------------------------------------------------------------------------------
  PROCEDURE start_pending_walk IS
  BEGIN
    IF c_pending%ISOPEN THEN
      CLOSE c_pending;
    END IF;
    OPEN c_pending;
  EXCEPTION
    WHEN OTHERS THEN
      log_run('WALK', SQLERRM);
      RAISE;
  END start_pending_walk;

  FUNCTION fetch_next_pending (p_row OUT c_pending%ROWTYPE) RETURN BOOLEAN IS
  BEGIN
    FETCH c_pending INTO p_row;
    RETURN c_pending%FOUND;
  END fetch_next_pending;

  PROCEDURE finish_pending IS
  BEGIN
    IF c_pending%ISOPEN THEN
      CLOSE c_pending;
    END IF;
  END finish_pending;

  ------------------------------------------------------------------------------
  PROCEDURE count_stale (p_count OUT PLS_INTEGER) IS
    l_id app_sessions.session_id%TYPE;
  BEGIN
    p_count := 0;
    OPEN c_stale;
    LOOP
      FETCH c_stale INTO l_id;
      EXIT WHEN c_stale%NOTFOUND;
      p_count := p_count + 1;
    END LOOP;
    CLOSE c_stale;
    ROLLBACK;  -- releases the row locks FOR UPDATE took
  EXCEPTION
    WHEN NO_DATA_FOUND THEN
      p_count := 0;
    WHEN OTHERS THEN
      log_run('COUNT_STALE', SQLERRM);
      RAISE;
  END count_stale;

END pkg_batch_runner;
/
