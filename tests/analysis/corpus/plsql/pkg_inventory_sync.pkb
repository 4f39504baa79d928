CREATE OR REPLACE PACKAGE BODY pkg_inventory_sync AS

  g_last_run TIMESTAMP;

  FUNCTION last_run RETURN TIMESTAMP IS
    l_run TIMESTAMP;
  BEGIN
    SELECT MAX(run_at) INTO l_run FROM sync_runs WHERE kind = 'COUNTS';
    RETURN NVL(l_run, TIMESTAMP '2000-01-01 00:00:00');
  END last_run;

  FUNCTION item_id_for(p_item_code IN VARCHAR2) RETURN NUMBER IS
    l_id items.item_id%TYPE;
  BEGIN
    SELECT item_id INTO l_id FROM items WHERE item_code = p_item_code;
    RETURN l_id;
  EXCEPTION
    WHEN no_data_found THEN
      RETURN NULL;
  END item_id_for;

  FUNCTION sync_counts RETURN t_sync_result IS
    l_result t_sync_result;
    l_row    c_changed_counts%ROWTYPE;
    l_item   items.item_id%TYPE;
  BEGIN
    l_result.rows_read := 0;
    l_result.rows_changed := 0;
    l_result.rows_unknown := 0;
    g_last_run := last_run;

    OPEN c_changed_counts(g_last_run);
    LOOP
      FETCH c_changed_counts INTO l_row;
      EXIT WHEN c_changed_counts%NOTFOUND;
      l_result.rows_read := l_result.rows_read + 1;
      l_item := item_id_for(l_row.item_code);
      IF l_item IS NULL THEN
        l_result.rows_unknown := l_result.rows_unknown + 1;
      ELSE
        UPDATE stock_items
           SET on_hand = l_row.counted_qty,
               counted_at = l_row.counted_at
         WHERE item_id = l_item
           AND location_code = l_row.location_code
           AND on_hand <> l_row.counted_qty;
        l_result.rows_changed := l_result.rows_changed + SQL%ROWCOUNT;
      END IF;
    END LOOP;
    CLOSE c_changed_counts;

    INSERT INTO sync_runs (run_at, kind, rows_read) VALUES (SYSTIMESTAMP, 'COUNTS', l_result.rows_read);
    COMMIT;
    RETURN l_result;
  EXCEPTION
    WHEN OTHERS THEN
      ROLLBACK;
      INSERT INTO sync_errors (failed_at, kind, message) VALUES (SYSTIMESTAMP, 'COUNTS', SQLERRM);
      COMMIT;
      RAISE;
  END sync_counts;

  PROCEDURE sync_locations IS
  BEGIN
    MERGE INTO locations l
    USING (SELECT location_code, description, blocked FROM wms_locations@wms) w
       ON (l.location_code = w.location_code)
     WHEN MATCHED THEN
       UPDATE SET l.description = w.description, l.blocked = w.blocked
     WHEN NOT MATCHED THEN
       INSERT (location_code, description, blocked)
       VALUES (w.location_code, w.description, w.blocked);
    COMMIT;
  END sync_locations;

END pkg_inventory_sync;
/
