CREATE OR REPLACE PACKAGE BODY pkg_session_cleanup AS
  /* Housekeeping for the application's own session table (app_sessions),
     run by a scheduler job every ten minutes. */

  c_idle_minutes CONSTANT PLS_INTEGER := 30;

  PROCEDURE expire_idle IS
    CURSOR c_idle IS
      SELECT session_id, user_name
        FROM app_sessions
       WHERE status = 'ACTIVE'
         AND last_seen < SYSDATE - c_idle_minutes / 1440
       FOR UPDATE SKIP LOCKED;
    l_session_id app_sessions.session_id%TYPE;
    l_user       app_sessions.user_name%TYPE;
  BEGIN
    IF c_idle%ISOPEN THEN
      CLOSE c_idle;
    END IF;
    OPEN c_idle;
    LOOP
      FETCH c_idle INTO l_session_id, l_user;
      EXIT WHEN c_idle%NOTFOUND;
      UPDATE app_sessions SET status = 'EXPIRED', ended_at = SYSDATE WHERE CURRENT OF c_idle;
      pkg_audit.write(NULL, 'ACTIVE', 'EXPIRED', 'session of ' || l_user || ' expired');
    END LOOP;
    CLOSE c_idle;
  EXCEPTION
    WHEN OTHERS THEN
      IF c_idle%ISOPEN THEN
        CLOSE c_idle;
      END IF;
      RAISE;
  END expire_idle;

  PROCEDURE archive_ended(p_batch_size IN PLS_INTEGER DEFAULT 1000) IS
    CURSOR c_ended IS
      SELECT session_id
        FROM app_sessions
       WHERE status IN ('EXPIRED', 'LOGGED_OUT')
         AND ended_at < SYSDATE - 7;
    TYPE t_ids IS TABLE OF app_sessions.session_id%TYPE;
    l_ids  t_ids;
    l_pass PLS_INTEGER := 0;
  BEGIN
    -- Two passes: sessions that end while the first pass runs are picked up
    -- by the second, so the table never keeps them for a whole extra run.
    WHILE l_pass < 2 LOOP
      l_pass := l_pass + 1;
      OPEN c_ended;
      LOOP
        FETCH c_ended BULK COLLECT INTO l_ids LIMIT p_batch_size;
        EXIT WHEN l_ids.COUNT = 0;
        FORALL i IN 1 .. l_ids.COUNT
          INSERT INTO app_sessions_archive SELECT * FROM app_sessions WHERE session_id = l_ids(i);
        FORALL i IN 1 .. l_ids.COUNT
          DELETE FROM app_sessions WHERE session_id = l_ids(i);
      END LOOP;
      CLOSE c_ended;
      COMMIT;
    END LOOP;
  END archive_ended;

  FUNCTION active_users RETURN PLS_INTEGER IS
    l_count PLS_INTEGER := 0;
  BEGIN
    FOR r IN (SELECT DISTINCT user_name FROM app_sessions WHERE status = 'ACTIVE') LOOP
      l_count := l_count + 1;
    END LOOP;
    RETURN l_count;
  END active_users;

  PROCEDURE run IS
  BEGIN
    expire_idle;
    archive_ended;
  EXCEPTION
    WHEN OTHERS THEN
      ROLLBACK;
      pkg_audit.write(NULL, NULL, NULL, 'session cleanup failed: ' || SQLERRM);
      RAISE;
  END run;

END pkg_session_cleanup;
/
