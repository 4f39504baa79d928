CREATE OR REPLACE PACKAGE BODY pkg_ship_calendar AS
  ------------------------------------------------------------------------
  -- Pickup calendar of the carriers: cutoff hours, weekends, holidays.
  ------------------------------------------------------------------------

  TYPE t_holiday_tab IS TABLE OF BOOLEAN INDEX BY VARCHAR2(8);
  g_holidays t_holiday_tab;

  CURSOR c_carriers IS
    SELECT carrier_code, cutoff_hour, weekend_pickup
      FROM carriers
     WHERE active_flag = 'Y';

  ------------------------------------------------------------------------
  PROCEDURE load_holidays IS
  BEGIN
    g_holidays.DELETE;
    FOR h IN (SELECT holiday_date
                FROM ship_holidays
               WHERE holiday_date >= TRUNC(SYSDATE) - 7) LOOP
      g_holidays(TO_CHAR(h.holiday_date, 'YYYYMMDD')) := TRUE;
    END LOOP;
  END load_holidays;

  ------------------------------------------------------------------------
  FUNCTION is_workday (p_date IN DATE, p_weekend_pickup IN VARCHAR2) RETURN BOOLEAN IS
  BEGIN
    IF g_holidays.EXISTS(TO_CHAR(p_date, 'YYYYMMDD')) THEN
      RETURN FALSE;
    END IF;
    CASE TO_CHAR(p_date, 'DY', 'NLS_DATE_LANGUAGE=ENGLISH')
      WHEN 'SAT' THEN RETURN p_weekend_pickup = 'Y';
      WHEN 'SUN' THEN RETURN FALSE;
      ELSE RETURN TRUE;
    END CASE;
  END is_workday;

  ------------------------------------------------------------------------
  FUNCTION carrier_format (p_carrier IN VARCHAR2) RETURN VARCHAR2 IS
    CURSOR c_fmt IS
      SELECT label_format
        FROM carriers
       WHERE carrier_code = p_carrier;
    l_format carriers.label_format%TYPE;
  BEGIN
    OPEN c_fmt;
    FETCH c_fmt INTO l_format;
    CLOSE c_fmt;
    RETURN NVL(l_format, 'TXT');
  END carrier_format;

  ------------------------------------------------------------------------
  FUNCTION next_ship_date (p_carrier IN VARCHAR2, p_ready IN DATE) RETURN DATE IS
    l_code    carriers.carrier_code%TYPE;
    l_cutoff  carriers.cutoff_hour%TYPE;
    l_wkend   carriers.weekend_pickup%TYPE;
    l_day     DATE;
    l_found   BOOLEAN := FALSE;
  BEGIN
    OPEN c_carriers;
    <<carriers>>
    LOOP
      FETCH c_carriers INTO l_code, l_cutoff, l_wkend;
      EXIT carriers WHEN c_carriers%NOTFOUND;
      CONTINUE carriers WHEN l_code <> p_carrier;
      l_found := TRUE;
      l_day := CASE
                 WHEN TO_NUMBER(TO_CHAR(p_ready, 'HH24')) < l_cutoff THEN TRUNC(p_ready)
                 ELSE TRUNC(p_ready) + 1
               END;
      <<days>>
      FOR i IN 0 .. 14 LOOP
        CASE
          WHEN is_workday(l_day + i, l_wkend) THEN
            l_day := l_day + i;
            EXIT carriers;
          WHEN i = 14 THEN
            RAISE_APPLICATION_ERROR(-20701, 'no pickup day within two weeks for ' || l_code);
          ELSE
            NULL;
        END CASE;
      END LOOP days;
    END LOOP carriers;
    CLOSE c_carriers;

    IF NOT l_found THEN
      RAISE_APPLICATION_ERROR(-20702, 'unknown carrier ' || p_carrier);
    END IF;
    RETURN l_day;
  EXCEPTION
    WHEN OTHERS THEN
      IF c_carriers%ISOPEN THEN
        CLOSE c_carriers;
      END IF;
      RAISE;
  END next_ship_date;

  ------------------------------------------------------------------------
  PROCEDURE plan_week (p_depot IN VARCHAR2) IS
    l_dow   PLS_INTEGER;
  BEGIN
    FOR d IN REVERSE 0 .. 6 LOOP
      l_dow := TO_NUMBER(TO_CHAR(TRUNC(SYSDATE) + d, 'D'));
      FOR c IN (SELECT carrier_code, weekend_pickup FROM carriers WHERE active_flag = 'Y') LOOP
        CASE
          WHEN NOT is_workday(TRUNC(SYSDATE) + d, c.weekend_pickup) THEN
            CONTINUE;
          ELSE
            MERGE INTO pickup_plan p
            USING (SELECT p_depot AS depot_code, c.carrier_code AS carrier_code,
                          TRUNC(SYSDATE) + d AS pickup_day FROM dual) x
               ON (p.depot_code = x.depot_code AND p.carrier_code = x.carrier_code
                   AND p.pickup_day = x.pickup_day)
             WHEN NOT MATCHED THEN
               INSERT (depot_code, carrier_code, pickup_day, slot)
               VALUES (x.depot_code, x.carrier_code, x.pickup_day,
                       CASE l_dow WHEN 6 THEN 'AM' WHEN 7 THEN 'AM' ELSE 'PM' END);
        END CASE;
      END LOOP;
    END LOOP;
    COMMIT;
  END plan_week;

BEGIN
  load_holidays;
END pkg_ship_calendar;
/

CREATE OR REPLACE PACKAGE BODY pkg_ship_labels AS
  ------------------------------------------------------------------------
  -- Shipping labels per depot and carrier, written to LABEL_OUT.
  ------------------------------------------------------------------------

  c_dir CONSTANT VARCHAR2(30) := 'LABEL_OUT';

  CURSOR c_carriers (p_depot VARCHAR2) IS
    SELECT c.carrier_code, c.label_format
      FROM carriers c
      JOIN depot_carriers dc ON dc.carrier_code = c.carrier_code
     WHERE dc.depot_code = p_depot;

  ------------------------------------------------------------------------
  FUNCTION label_text (p_format IN VARCHAR2, p_shipment_id IN NUMBER) RETURN VARCHAR2 IS
    l_txt VARCHAR2(4000);
  BEGIN
    SELECT CASE p_format
             WHEN 'ZPL' THEN '^XA^FO50,50^A0N,40,40^FD' || s.tracking_no || '^FS^XZ'
             WHEN 'TXT' THEN s.tracking_no || CHR(10) || s.ship_to_name
             ELSE s.tracking_no
           END
      INTO l_txt
      FROM shipments s
     WHERE s.shipment_id = p_shipment_id;
    RETURN l_txt;
  END label_text;

  ------------------------------------------------------------------------
  PROCEDURE print_depot (p_depot IN VARCHAR2) IS
    l_carrier  carriers.carrier_code%TYPE;
    l_format   carriers.label_format%TYPE;
    l_fh       UTL_FILE.FILE_TYPE;
  BEGIN
    OPEN c_carriers(p_depot);
    LOOP
      FETCH c_carriers INTO l_carrier, l_format;
      EXIT WHEN c_carriers%NOTFOUND;
      l_fh := UTL_FILE.FOPEN(c_dir, LOWER(p_depot || '_' || l_carrier) || '.lbl', 'w', 32767);
      FOR s IN (SELECT shipment_id
                  FROM shipments
                 WHERE depot_code    = p_depot
                   AND carrier_code  = l_carrier
                   AND label_printed = 'N') LOOP
        UTL_FILE.PUT_LINE(l_fh, label_text(l_format, s.shipment_id));
        UPDATE shipments SET label_printed = 'Y' WHERE shipment_id = s.shipment_id;
      END LOOP;
      UTL_FILE.FCLOSE(l_fh);
    END LOOP;
    CLOSE c_carriers;
    COMMIT;
  EXCEPTION
    WHEN UTL_FILE.INVALID_PATH OR UTL_FILE.WRITE_ERROR THEN
      IF UTL_FILE.IS_OPEN(l_fh) THEN
        UTL_FILE.FCLOSE(l_fh);
      END IF;
      ROLLBACK;
      RAISE_APPLICATION_ERROR(-20801, 'label file for depot ' || p_depot || ' failed');
    WHEN OTHERS THEN
      UTL_FILE.FCLOSE_ALL;
      ROLLBACK;
      RAISE;
  END print_depot;

  ------------------------------------------------------------------------
  PROCEDURE reprint (p_shipment_id IN NUMBER, p_mode IN VARCHAR2) IS
    l_format carriers.label_format%TYPE;
  BEGIN
    CASE p_mode
      WHEN 'SAME' THEN
        DECLARE
          CURSOR c_fmt IS
            SELECT c.label_format
              FROM shipments s
              JOIN carriers c ON c.carrier_code = s.carrier_code
             WHERE s.shipment_id = p_shipment_id;
        BEGIN
          OPEN c_fmt;
          FETCH c_fmt INTO l_format;
        END;
      WHEN 'TEXT' THEN
        l_format := 'TXT';
      ELSE
        RAISE_APPLICATION_ERROR(-20802, 'unknown reprint mode ' || p_mode);
    END CASE;
    INSERT INTO label_queue (shipment_id, label_format, label_body, queued_at)
    VALUES (p_shipment_id, l_format, label_text(l_format, p_shipment_id), SYSTIMESTAMP);
  END reprint;

  ------------------------------------------------------------------------
  FUNCTION depot_carrier_count (p_depot IN VARCHAR2) RETURN PLS_INTEGER IS
    l_n PLS_INTEGER := 0;
  BEGIN
    FOR r IN c_carriers(p_depot) LOOP
      l_n := l_n + 1;
    END LOOP;
    RETURN l_n;
  EXCEPTION
    WHEN NO_DATA_FOUND THEN
      RETURN 0;
  END depot_carrier_count;

END pkg_ship_labels;
/
