CREATE OR REPLACE PACKAGE pkg_inventory_sync AS
  -- Synchronises the stock counts of the warehouse system (WMS) into the
  -- ERP tables. The WMS side is reached through the database link WMS.

  -- Changed counts since the last run; shared with the reconciliation report.
  CURSOR c_changed_counts(cp_since TIMESTAMP) IS
    SELECT w.item_code, w.location_code, w.counted_qty, w.counted_at
      FROM wms_counts@wms w
     WHERE w.counted_at > cp_since
     ORDER BY w.counted_at;

  TYPE t_sync_result IS RECORD (
    rows_read    PLS_INTEGER,
    rows_changed PLS_INTEGER,
    rows_unknown PLS_INTEGER
  );

  FUNCTION sync_counts RETURN t_sync_result;
  PROCEDURE sync_locations;
  FUNCTION last_run RETURN TIMESTAMP;
END pkg_inventory_sync;
/
