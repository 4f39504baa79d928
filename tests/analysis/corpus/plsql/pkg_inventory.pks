CREATE OR REPLACE PACKAGE pkg_inventory
AS
   -- public interface of pkg_inventory

   TYPE t_id_tab  IS TABLE OF NUMBER INDEX BY PLS_INTEGER;
   TYPE t_num_tab IS TABLE OF NUMBER INDEX BY PLS_INTEGER;
   gc_batch     CONSTANT PLS_INTEGER := 500;

   -- cursor with its query in this header only
   CURSOR c_due_item (p_days IN PLS_INTEGER) IS
      SELECT item_id, sku, last_counted
        FROM inv_items
       WHERE last_counted < SYSDATE - p_days
       ORDER BY last_counted;

   -- cursor with its query in this header only
   CURSOR c_due_move (p_days IN PLS_INTEGER) IS
      SELECT move_id, move_ref, moved_on
        FROM inv_moves
       WHERE moved_on < SYSDATE - p_days
       ORDER BY moved_on;

   FUNCTION get_item (p_id IN inv_items.item_id%TYPE) RETURN inv_items%ROWTYPE;
   FUNCTION get_item (p_code IN VARCHAR2) RETURN inv_items%ROWTYPE;
   FUNCTION list_items (p_status IN VARCHAR2 DEFAULT NULL) RETURN SYS_REFCURSOR;
   PROCEDURE open_items_for (p_parent IN NUMBER, p_rc OUT SYS_REFCURSOR);
   FUNCTION count_items (p_status IN VARCHAR2) RETURN PLS_INTEGER;
   PROCEDURE archive_items (p_before IN DATE);
   PROCEDURE recalc_item_totals;
   PROCEDURE rebuild_item_index (p_days IN PLS_INTEGER DEFAULT 30);
   PROCEDURE export_item_lines (p_file IN UTL_FILE.FILE_TYPE);
   PROCEDURE sync_item_status;
   PROCEDURE adjust_items (p_ids IN t_id_tab, p_pct IN NUMBER);
   PROCEDURE bulk_set_item_status (p_ids IN t_id_tab, p_status IN VARCHAR2);
   PROCEDURE summarize_items (p_mode IN VARCHAR2, p_limit IN PLS_INTEGER);
   PROCEDURE purge_item_dupes;
   PROCEDURE drain_item_queue (p_max IN PLS_INTEGER DEFAULT 100);
   PROCEDURE put_item (p_row IN inv_items%ROWTYPE);
   PROCEDURE peek_items (p_parent IN NUMBER, p_total OUT NUMBER);

   FUNCTION get_move (p_id IN inv_moves.move_id%TYPE) RETURN inv_moves%ROWTYPE;
   FUNCTION get_move (p_code IN VARCHAR2) RETURN inv_moves%ROWTYPE;
   FUNCTION list_moves (p_status IN VARCHAR2 DEFAULT NULL) RETURN SYS_REFCURSOR;
   PROCEDURE open_moves_for (p_parent IN NUMBER, p_rc OUT SYS_REFCURSOR);
   FUNCTION count_moves (p_status IN VARCHAR2) RETURN PLS_INTEGER;
   PROCEDURE archive_moves (p_before IN DATE);
   PROCEDURE recalc_move_totals;
   PROCEDURE rebuild_move_index (p_days IN PLS_INTEGER DEFAULT 30);
   PROCEDURE export_move_lines (p_file IN UTL_FILE.FILE_TYPE);
   PROCEDURE sync_move_status;
   PROCEDURE adjust_moves (p_ids IN t_id_tab, p_pct IN NUMBER);
   PROCEDURE bulk_set_move_status (p_ids IN t_id_tab, p_status IN VARCHAR2);
   PROCEDURE summarize_moves (p_mode IN VARCHAR2, p_limit IN PLS_INTEGER);
   PROCEDURE purge_move_dupes;
   PROCEDURE drain_move_queue (p_max IN PLS_INTEGER DEFAULT 100);
   PROCEDURE put_move (p_row IN inv_moves%ROWTYPE);
   PROCEDURE peek_moves (p_parent IN NUMBER, p_total OUT NUMBER, p_rc OUT SYS_REFCURSOR);

   PROCEDURE process_batch (p_run_date IN DATE DEFAULT TRUNC(SYSDATE),
                            p_dry_run  IN BOOLEAN DEFAULT FALSE);
   PROCEDURE reset_state;
END pkg_inventory;
/
