CREATE OR REPLACE PACKAGE BODY pkg_shipping_labels AS
  -- Writes ZPL label files for the label printers in the dispatch area. The
  -- printers poll the LABEL_OUT directory; a file appears only once it is
  -- complete (written under a .tmp name, then renamed).

  CURSOR c_parcels(cp_shipment_id NUMBER) IS
    SELECT parcel_no, weight_kg, tracking_no
      FROM parcels
     WHERE shipment_id = cp_shipment_id
     ORDER BY parcel_no;

  FUNCTION has_dangerous_goods(p_shipment_id IN NUMBER) RETURN BOOLEAN IS
    CURSOR c_dg IS
      SELECT 1
        FROM shipment_lines sl
        JOIN items i ON i.item_id = sl.item_id
       WHERE sl.shipment_id = p_shipment_id
         AND i.un_number IS NOT NULL;
    l_dummy NUMBER;
    l_found BOOLEAN;
  BEGIN
    OPEN c_dg;
    FETCH c_dg INTO l_dummy;
    l_found := c_dg%FOUND;
    CLOSE c_dg;
    RETURN l_found;
  END has_dangerous_goods;

  FUNCTION zpl_label(p_address IN VARCHAR2, p_tracking IN VARCHAR2, p_weight IN NUMBER,
                     p_parcel IN PLS_INTEGER, p_count IN PLS_INTEGER, p_dg IN BOOLEAN)
    RETURN VARCHAR2
  IS
  BEGIN
    RETURN '^XA'
        || '^FO40,40^A0N,30,30^FD' || REPLACE(p_address, CHR(10), '^FS^FO40,+35^A0N,30,30^FD') || '^FS'
        || '^FO40,300^BCN,120,Y,N,N^FD' || p_tracking || '^FS'
        || '^FO40,460^A0N,28,28^FD' || p_parcel || ' of ' || p_count
        || '   ' || TO_CHAR(p_weight, 'FM990D0') || ' kg^FS'
        || CASE WHEN p_dg THEN '^FO600,460^A0N,40,40^FDDG^FS' END
        || '^XZ';
  END zpl_label;

  PROCEDURE print_shipment(p_shipment_id IN NUMBER) IS
    l_file    utl_file.file_type;
    l_name    VARCHAR2(100) := 'ship_' || p_shipment_id;
    l_address VARCHAR2(1000);
    l_count   PLS_INTEGER;
    l_dg      BOOLEAN;
  BEGIN
    SELECT name || CHR(10) || street || CHR(10) || zip || ' ' || city || CHR(10) || country
      INTO l_address
      FROM shipment_addresses
     WHERE shipment_id = p_shipment_id;
    SELECT COUNT(*) INTO l_count FROM parcels WHERE shipment_id = p_shipment_id;
    l_dg := has_dangerous_goods(p_shipment_id);

    l_file := utl_file.fopen('LABEL_OUT', l_name || '.tmp', 'w', 32767);
    FOR p IN c_parcels(p_shipment_id) LOOP
      utl_file.put_line(l_file, zpl_label(l_address, p.tracking_no, p.weight_kg, p.parcel_no, l_count, l_dg));
    END LOOP;
    utl_file.fclose(l_file);
    utl_file.frename('LABEL_OUT', l_name || '.tmp', 'LABEL_OUT', l_name || '.zpl', TRUE);

    UPDATE shipments SET labels_printed_at = SYSDATE WHERE shipment_id = p_shipment_id;
  EXCEPTION
    WHEN OTHERS THEN
      IF utl_file.is_open(l_file) THEN
        utl_file.fclose(l_file);
      END IF;
      utl_file.fremove('LABEL_OUT', l_name || '.tmp');
      RAISE;
  END print_shipment;

  PROCEDURE reprint_parcel(p_shipment_id IN NUMBER, p_parcel_no IN NUMBER) IS
    l_parcel c_parcels%ROWTYPE;
    l_file   utl_file.file_type;
  BEGIN
    OPEN c_parcels(p_shipment_id);
    LOOP
      FETCH c_parcels INTO l_parcel;
      EXIT WHEN c_parcels%NOTFOUND OR l_parcel.parcel_no = p_parcel_no;
    END LOOP;
    CLOSE c_parcels;
    IF l_parcel.parcel_no = p_parcel_no THEN
      l_file := utl_file.fopen('LABEL_OUT', 'reprint_' || l_parcel.tracking_no || '.zpl', 'w');
      utl_file.put_line(l_file, zpl_label('REPRINT', l_parcel.tracking_no, l_parcel.weight_kg,
                                          l_parcel.parcel_no, l_parcel.parcel_no, FALSE));
      utl_file.fclose(l_file);
    END IF;
  END reprint_parcel;

END pkg_shipping_labels;
/
