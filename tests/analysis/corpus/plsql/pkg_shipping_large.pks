CREATE OR REPLACE PACKAGE pkg_shipping
AS
   -- public interface of pkg_shipping

   TYPE t_id_tab  IS TABLE OF NUMBER INDEX BY PLS_INTEGER;
   TYPE t_num_tab IS TABLE OF NUMBER INDEX BY PLS_INTEGER;
   gc_batch     CONSTANT PLS_INTEGER := 500;

   -- cursor with its query in this header only
   CURSOR c_due_shipment (p_days IN PLS_INTEGER) IS
      SELECT shipment_id, tracking_no, ship_date
        FROM shp_shipments
       WHERE ship_date < SYSDATE - p_days
       ORDER BY ship_date;

   -- cursor with its query in this header only
   CURSOR c_due_parcel (p_days IN PLS_INTEGER) IS
      SELECT parcel_id, label_no, scanned_on
        FROM shp_parcels
       WHERE scanned_on < SYSDATE - p_days
       ORDER BY scanned_on;

   FUNCTION get_shipment (p_id IN shp_shipments.shipment_id%TYPE) RETURN shp_shipments%ROWTYPE;
   FUNCTION get_shipment (p_code IN VARCHAR2) RETURN shp_shipments%ROWTYPE;
   FUNCTION list_shipments (p_status IN VARCHAR2 DEFAULT NULL) RETURN SYS_REFCURSOR;
   PROCEDURE open_shipments_for (p_parent IN NUMBER, p_rc OUT SYS_REFCURSOR);
   FUNCTION count_shipments (p_status IN VARCHAR2) RETURN PLS_INTEGER;
   PROCEDURE archive_shipments (p_before IN DATE);
   PROCEDURE recalc_shipment_totals;
   PROCEDURE rebuild_shipment_index (p_days IN PLS_INTEGER DEFAULT 30);
   PROCEDURE export_shipment_lines (p_file IN UTL_FILE.FILE_TYPE);
   PROCEDURE sync_shipment_status;
   PROCEDURE adjust_shipments (p_ids IN t_id_tab, p_pct IN NUMBER);
   PROCEDURE bulk_set_shipment_status (p_ids IN t_id_tab, p_status IN VARCHAR2);
   PROCEDURE summarize_shipments (p_mode IN VARCHAR2, p_limit IN PLS_INTEGER);
   PROCEDURE purge_shipment_dupes;
   PROCEDURE drain_shipment_queue (p_max IN PLS_INTEGER DEFAULT 100);
   PROCEDURE put_shipment (p_row IN shp_shipments%ROWTYPE);
   PROCEDURE peek_shipments (p_parent IN NUMBER, p_total OUT NUMBER, p_rc OUT SYS_REFCURSOR);

   FUNCTION get_parcel (p_id IN shp_parcels.parcel_id%TYPE) RETURN shp_parcels%ROWTYPE;
   FUNCTION get_parcel (p_code IN VARCHAR2) RETURN shp_parcels%ROWTYPE;
   FUNCTION list_parcels (p_status IN VARCHAR2 DEFAULT NULL) RETURN SYS_REFCURSOR;
   PROCEDURE open_parcels_for (p_parent IN NUMBER, p_rc OUT SYS_REFCURSOR);
   FUNCTION count_parcels (p_status IN VARCHAR2) RETURN PLS_INTEGER;
   PROCEDURE archive_parcels (p_before IN DATE);
   PROCEDURE recalc_parcel_totals;
   PROCEDURE rebuild_parcel_index (p_days IN PLS_INTEGER DEFAULT 30);
   PROCEDURE export_parcel_lines (p_file IN UTL_FILE.FILE_TYPE);
   PROCEDURE sync_parcel_status;
   PROCEDURE adjust_parcels (p_ids IN t_id_tab, p_pct IN NUMBER);
   PROCEDURE bulk_set_parcel_status (p_ids IN t_id_tab, p_status IN VARCHAR2);
   PROCEDURE summarize_parcels (p_mode IN VARCHAR2, p_limit IN PLS_INTEGER);
   PROCEDURE purge_parcel_dupes;
   PROCEDURE drain_parcel_queue (p_max IN PLS_INTEGER DEFAULT 100);
   PROCEDURE put_parcel (p_row IN shp_parcels%ROWTYPE);
   PROCEDURE peek_parcels (p_parent IN NUMBER, p_total OUT NUMBER, p_rc OUT SYS_REFCURSOR);

   PROCEDURE process_batch (p_run_date IN DATE DEFAULT TRUNC(SYSDATE),
                            p_dry_run  IN BOOLEAN DEFAULT FALSE);
   PROCEDURE reset_state;
END pkg_shipping;
/
