CREATE OR REPLACE PACKAGE logger
  AUTHID DEFINER
AS
  /*
   * logger - a small logging framework
   *
   * Levels (lower is more severe):
   *   1 = ERROR, 2 = WARNING, 4 = INFO, 8 = DEBUG, 16 = TRACE
   *
   * Entries are written in an autonomous transaction, so a caller may log
   * and then ROLLBACK without losing the log record.
   *
   * Usage:
   *   logger.set_context('MODULE', 'billing');
   *   logger.log_info('run started', 'billing.run');
   *   ...
   *   logger.log_error(NULL, 'billing.run');   -- takes SQLERRM + backtrace
   */

  c_error   CONSTANT PLS_INTEGER := 1;
  c_warning CONSTANT PLS_INTEGER := 2;
  c_info    CONSTANT PLS_INTEGER := 4;
  c_debug   CONSTANT PLS_INTEGER := 8;
  c_trace   CONSTANT PLS_INTEGER := 16;

  SUBTYPE t_scope IS VARCHAR2(200);

  TYPE t_param IS RECORD (
    name VARCHAR2(100),
    val  VARCHAR2(4000)
  );
  TYPE t_params IS TABLE OF t_param INDEX BY PLS_INTEGER;

  g_no_params t_params;

  -- Public cursor: the most recent error entries.
  -- The monitoring pages loop over it directly; dump_recent opens it too.
  CURSOR c_recent_errors (p_since IN DATE)
    RETURN logger_logs%ROWTYPE
  IS
    SELECT *
      FROM logger_logs
     WHERE log_level = 1
       AND time_stamp >= p_since
     ORDER BY id DESC;

  PROCEDURE set_level (p_level IN PLS_INTEGER);
  FUNCTION  get_level RETURN PLS_INTEGER;
  FUNCTION  is_enabled (p_level IN PLS_INTEGER) RETURN BOOLEAN;

  PROCEDURE set_context (p_name IN VARCHAR2, p_value IN VARCHAR2);
  PROCEDURE clear_context;

  PROCEDURE log_error   (p_text IN VARCHAR2 DEFAULT NULL, p_scope IN VARCHAR2 DEFAULT NULL,
                         p_extra IN CLOB DEFAULT NULL, p_params IN t_params DEFAULT g_no_params);
  PROCEDURE log_warning (p_text IN VARCHAR2, p_scope IN VARCHAR2 DEFAULT NULL,
                         p_extra IN CLOB DEFAULT NULL, p_params IN t_params DEFAULT g_no_params);
  PROCEDURE log_info    (p_text IN VARCHAR2, p_scope IN VARCHAR2 DEFAULT NULL,
                         p_extra IN CLOB DEFAULT NULL, p_params IN t_params DEFAULT g_no_params);
  PROCEDURE log_debug   (p_text IN VARCHAR2, p_scope IN VARCHAR2 DEFAULT NULL,
                         p_extra IN CLOB DEFAULT NULL, p_params IN t_params DEFAULT g_no_params);

  PROCEDURE append_param (p_params IN OUT NOCOPY t_params, p_name IN VARCHAR2, p_val IN VARCHAR2);
  PROCEDURE append_param (p_params IN OUT NOCOPY t_params, p_name IN VARCHAR2, p_val IN DATE);
  PROCEDURE append_param (p_params IN OUT NOCOPY t_params, p_name IN VARCHAR2, p_val IN BOOLEAN);

  PROCEDURE load_prefs;
  PROCEDURE purge (p_before IN DATE DEFAULT SYSDATE - 7);
  FUNCTION  recent_errors_text (p_since IN DATE) RETURN CLOB;
  PROCEDURE dump_recent (p_since IN DATE);
END logger;
/
