CREATE OR REPLACE PACKAGE etl_migrate
AS
  -- Migration of customers and orders from the legacy system.
  -- The staging tables are filled by the SQL*Loader jobs; this package
  -- validates and moves the rows into the core schema in batches.

  gc_version CONSTANT VARCHAR2(10) := '2.4.1';

  g_batch_size PLS_INTEGER := 5000;
  g_max_errors PLS_INTEGER := 100;

  -- Staging rows of a batch.  The query lives in the body; callers such as
  -- the validation report loop over it with a cursor FOR loop.
  CURSOR c_src (p_batch_id IN NUMBER) RETURN stg_customers%ROWTYPE;

  TYPE t_stats IS RECORD (
    read_cnt    PLS_INTEGER := 0,
    loaded_cnt  PLS_INTEGER := 0,
    error_cnt   PLS_INTEGER := 0
  );

  e_too_many_errors EXCEPTION;
  PRAGMA EXCEPTION_INIT(e_too_many_errors, -20300);

  FUNCTION  validate_batch (p_batch_id IN NUMBER) RETURN PLS_INTEGER;
  FUNCTION  load_customers (p_batch_id IN NUMBER) RETURN t_stats;
  FUNCTION  migrate_orders (p_since IN DATE) RETURN t_stats;
  PROCEDURE reconcile      (p_batch_id IN NUMBER);
  PROCEDURE archive_batch  (p_batch_id IN NUMBER);
END etl_migrate;
/
