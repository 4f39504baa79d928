CREATE OR REPLACE PACKAGE BODY logger
AS
  g_level        PLS_INTEGER := c_info;
  g_prefs_loaded BOOLEAN     := FALSE;
  gc_ctx_name    CONSTANT VARCHAR2(30) := 'LOGGER_CTX';
  gc_max_text    CONSTANT PLS_INTEGER  := 4000;

  TYPE t_context IS RECORD (
    client_id VARCHAR2(64),
    module    VARCHAR2(64),
    action    VARCHAR2(64)
  );
  g_context t_context;

  -- preferences are read once per session (see load_prefs)
  CURSOR c_prefs IS
    SELECT pref_name, pref_value
      FROM logger_prefs
     WHERE pref_type = 'LOGGER';

  -- rows that purge may delete; errors are kept forever
  CURSOR c_purge_batch (p_before IN DATE) IS
    SELECT ROWID AS rid
      FROM logger_logs
     WHERE time_stamp < p_before
       AND log_level > 1;

  TYPE t_rowid_tab IS TABLE OF ROWID;

  ---------------------------------------------------------------------------
  -- private helpers
  ---------------------------------------------------------------------------
  FUNCTION level_name (p_level IN PLS_INTEGER) RETURN VARCHAR2
  IS
  BEGIN
    RETURN CASE p_level
             WHEN c_error   THEN 'ERROR'
             WHEN c_warning THEN 'WARNING'
             WHEN c_info    THEN 'INFO'
             WHEN c_debug   THEN 'DEBUG'
             WHEN c_trace   THEN 'TRACE'
             ELSE 'LEVEL_' || TO_CHAR(p_level)
           END;
  END level_name;

  FUNCTION level_of (p_name IN VARCHAR2) RETURN PLS_INTEGER
  IS
  BEGIN
    CASE UPPER(TRIM(p_name))
      WHEN 'ERROR'   THEN RETURN c_error;
      WHEN 'WARNING' THEN RETURN c_warning;
      WHEN 'INFO'    THEN RETURN c_info;
      WHEN 'DEBUG'   THEN RETURN c_debug;
      WHEN 'TRACE'   THEN RETURN c_trace;
      ELSE RETURN c_info;
    END CASE;
  END level_of;

  -- Shared cleanup for the handlers of this package.
  -- NOTE: it only knows the cursors that are read during normal logging.
  PROCEDURE close_cursors
  IS
  BEGIN
    IF c_prefs%ISOPEN THEN
      CLOSE c_prefs;
    END IF;
    IF c_recent_errors%ISOPEN THEN
      CLOSE c_recent_errors;
    END IF;
  END close_cursors;

  PROCEDURE write_entry (
    p_level  IN PLS_INTEGER,
    p_text   IN VARCHAR2,
    p_scope  IN VARCHAR2,
    p_extra  IN CLOB,
    p_params IN t_params
  )
  IS
    PRAGMA AUTONOMOUS_TRANSACTION;
    l_extra CLOB := p_extra;
    l_idx   PLS_INTEGER;
  BEGIN
    IF p_params.COUNT > 0 THEN
      IF l_extra IS NULL THEN
        DBMS_LOB.CREATETEMPORARY(l_extra, TRUE);
      END IF;
      l_idx := p_params.FIRST;
      WHILE l_idx IS NOT NULL LOOP
        DBMS_LOB.APPEND(l_extra, CHR(10) || p_params(l_idx).name || ': ' || p_params(l_idx).val);
        l_idx := p_params.NEXT(l_idx);
      END LOOP;
    END IF;

    INSERT INTO logger_logs
      (id, log_level, text, time_stamp, scope, module, action,
       client_identifier, call_stack, extra)
    VALUES
      (logger_logs_seq.NEXTVAL, p_level, SUBSTR(p_text, 1, gc_max_text), SYSTIMESTAMP,
       p_scope, g_context.module, g_context.action,
       g_context.client_id, DBMS_UTILITY.FORMAT_CALL_STACK, l_extra);
    COMMIT;
  EXCEPTION
    WHEN OTHERS THEN
      ROLLBACK;
      -- never let logging break the caller, but do not hide it entirely
      DBMS_OUTPUT.PUT_LINE('logger: could not write entry: ' || SQLERRM);
  END write_entry;

  ---------------------------------------------------------------------------
  -- levels and context
  ---------------------------------------------------------------------------
  PROCEDURE set_level (p_level IN PLS_INTEGER)
  IS
  BEGIN
    IF p_level NOT IN (c_error, c_warning, c_info, c_debug, c_trace) THEN
      RAISE_APPLICATION_ERROR(-20001, 'logger: invalid level ' || p_level);
    END IF;
    g_level := p_level;
  END set_level;

  FUNCTION get_level RETURN PLS_INTEGER IS
  BEGIN
    RETURN g_level;
  END get_level;

  FUNCTION is_enabled (p_level IN PLS_INTEGER) RETURN BOOLEAN
  IS
  BEGIN
    IF NOT g_prefs_loaded THEN
      load_prefs;
    END IF;
    RETURN p_level <= g_level;
  END is_enabled;

  PROCEDURE set_context (p_name IN VARCHAR2, p_value IN VARCHAR2)
  IS
  BEGIN
    CASE UPPER(p_name)
      WHEN 'MODULE' THEN
        g_context.module := p_value;
        DBMS_APPLICATION_INFO.SET_MODULE(p_value, NULL);
      WHEN 'ACTION' THEN
        g_context.action := p_value;
        DBMS_APPLICATION_INFO.SET_ACTION(p_value);
      WHEN 'CLIENT_ID' THEN
        g_context.client_id := p_value;
        DBMS_SESSION.SET_IDENTIFIER(p_value);
      ELSE
        DBMS_SESSION.SET_CONTEXT(gc_ctx_name, p_name, p_value);
    END CASE;
  END set_context;

  PROCEDURE clear_context
  IS
  BEGIN
    g_context := NULL;
    DBMS_SESSION.CLEAR_ALL_CONTEXT(gc_ctx_name);
  END clear_context;

  ---------------------------------------------------------------------------
  -- logging entry points
  ---------------------------------------------------------------------------
  PROCEDURE log_error (p_text IN VARCHAR2 DEFAULT NULL, p_scope IN VARCHAR2 DEFAULT NULL,
                       p_extra IN CLOB DEFAULT NULL, p_params IN t_params DEFAULT g_no_params)
  IS
    l_text VARCHAR2(32767);
  BEGIN
    l_text := NVL(p_text, SQLERRM) || CHR(10) || DBMS_UTILITY.FORMAT_ERROR_BACKTRACE;
    write_entry(c_error, l_text, p_scope, p_extra, p_params);
  END log_error;

  PROCEDURE log_warning (p_text IN VARCHAR2, p_scope IN VARCHAR2 DEFAULT NULL,
                         p_extra IN CLOB DEFAULT NULL, p_params IN t_params DEFAULT g_no_params)
  IS
  BEGIN
    IF is_enabled(c_warning) THEN
      write_entry(c_warning, p_text, p_scope, p_extra, p_params);
    END IF;
  END log_warning;

  PROCEDURE log_info (p_text IN VARCHAR2, p_scope IN VARCHAR2 DEFAULT NULL,
                      p_extra IN CLOB DEFAULT NULL, p_params IN t_params DEFAULT g_no_params)
  IS
  BEGIN
    IF is_enabled(c_info) THEN
      write_entry(c_info, p_text, p_scope, p_extra, p_params);
    END IF;
  END log_info;

  PROCEDURE log_debug (p_text IN VARCHAR2, p_scope IN VARCHAR2 DEFAULT NULL,
                       p_extra IN CLOB DEFAULT NULL, p_params IN t_params DEFAULT g_no_params)
  IS
  BEGIN
    IF is_enabled(c_debug) THEN
      write_entry(c_debug, '[' || level_name(c_debug) || '] ' || p_text, p_scope, p_extra, p_params);
    END IF;
  END log_debug;

  PROCEDURE append_param (p_params IN OUT NOCOPY t_params, p_name IN VARCHAR2, p_val IN VARCHAR2)
  IS
    l_idx PLS_INTEGER := NVL(p_params.LAST, 0) + 1;
  BEGIN
    p_params(l_idx).name := p_name;
    p_params(l_idx).val  := p_val;
  END append_param;

  PROCEDURE append_param (p_params IN OUT NOCOPY t_params, p_name IN VARCHAR2, p_val IN DATE)
  IS
  BEGIN
    append_param(p_params, p_name, TO_CHAR(p_val, 'YYYY-MM-DD"T"HH24:MI:SS'));
  END append_param;

  PROCEDURE append_param (p_params IN OUT NOCOPY t_params, p_name IN VARCHAR2, p_val IN BOOLEAN)
  IS
  BEGIN
    append_param(p_params, p_name, CASE WHEN p_val THEN 'TRUE' WHEN NOT p_val THEN 'FALSE' ELSE NULL END);
  END append_param;

  ---------------------------------------------------------------------------
  -- preferences, maintenance, reporting
  ---------------------------------------------------------------------------
  PROCEDURE load_prefs
  IS
    l_pref c_prefs%ROWTYPE;
  BEGIN
    -- a cursor FOR loop would be shorter, but we want to be able to
    -- CLOSE c_prefs early in a later version (see ticket 112)
    OPEN c_prefs;
    LOOP
      FETCH c_prefs INTO l_pref;
      EXIT WHEN c_prefs%NOTFOUND;
      CASE l_pref.pref_name
        WHEN 'LEVEL' THEN
          g_level := level_of(l_pref.pref_value);
        WHEN 'CLIENT_ID' THEN
          g_context.client_id := l_pref.pref_value;
        ELSE
          NULL;  -- unknown preference: old installs have junk in this table
      END CASE;
    END LOOP;
    CLOSE c_prefs;
    g_prefs_loaded := TRUE;
  EXCEPTION
    WHEN OTHERS THEN
      close_cursors;
      g_level        := c_info;
      g_prefs_loaded := TRUE;
  END load_prefs;

  PROCEDURE purge (p_before IN DATE DEFAULT SYSDATE - 7)
  IS
    l_rids  t_rowid_tab;
    l_total PLS_INTEGER := 0;
  BEGIN
    OPEN c_purge_batch(p_before);
    LOOP
      FETCH c_purge_batch BULK COLLECT INTO l_rids LIMIT 1000;
      EXIT WHEN l_rids.COUNT = 0;
      FORALL i IN 1 .. l_rids.COUNT
        DELETE FROM logger_logs WHERE ROWID = l_rids(i);
      l_total := l_total + SQL%ROWCOUNT;
      COMMIT;
    END LOOP;
    CLOSE c_purge_batch;
    log_info('purge removed ' || l_total || ' entries', 'logger.purge');
  EXCEPTION
    WHEN OTHERS THEN
      close_cursors;
      log_error('purge failed after ' || l_total || ' rows', 'logger.purge');
      RAISE;
  END purge;

  FUNCTION recent_errors_text (p_since IN DATE) RETURN CLOB
  IS
    l_out CLOB;
  BEGIN
    DBMS_LOB.CREATETEMPORARY(l_out, TRUE);
    FOR r IN c_recent_errors(p_since) LOOP
      DBMS_LOB.APPEND(l_out,
        TO_CHAR(r.time_stamp, 'YYYY-MM-DD HH24:MI:SS') || ' ' || r.scope || ': ' || r.text || CHR(10));
    END LOOP;
    RETURN l_out;
  EXCEPTION
    WHEN OTHERS THEN
      IF DBMS_LOB.ISTEMPORARY(l_out) = 1 THEN
        DBMS_LOB.FREETEMPORARY(l_out);
      END IF;
      RAISE;
  END recent_errors_text;

  PROCEDURE dump_recent (p_since IN DATE)
  IS
    l_row   c_recent_errors%ROWTYPE;
    l_count PLS_INTEGER := 0;
  BEGIN
    OPEN c_recent_errors(p_since);
    <<fetch_loop>>
    LOOP
      FETCH c_recent_errors INTO l_row;
      EXIT fetch_loop WHEN c_recent_errors%NOTFOUND;
      l_count := l_count + 1;
      DBMS_OUTPUT.PUT_LINE(RPAD(l_row.id, 10) || TO_CHAR(l_row.time_stamp, 'DD.MM HH24:MI') || ' '
                           || SUBSTR(l_row.text, 1, 200));
      EXIT fetch_loop WHEN l_count >= 500;
    END LOOP fetch_loop;
    CLOSE c_recent_errors;
    DBMS_OUTPUT.PUT_LINE(l_count || ' error entries since ' || TO_CHAR(p_since, 'YYYY-MM-DD'));
  EXCEPTION
    WHEN OTHERS THEN
      close_cursors;
      RAISE;
  END dump_recent;

BEGIN
  -- package initialisation: 'BEGIN' ... 'END' of the session state
  g_no_params.DELETE;
END logger;
/
