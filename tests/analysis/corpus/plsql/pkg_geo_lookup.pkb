CREATE OR REPLACE PACKAGE BODY pkg_geo_lookup AS
  -- Postcode lookups for the address forms and the delivery zone report.
  -- zip_areas holds one row per postcode prefix with its centre point.

  c_earth_radius_km CONSTANT NUMBER := 6371;

  FUNCTION distance_km(p_lat1 IN NUMBER, p_lon1 IN NUMBER, p_lat2 IN NUMBER, p_lon2 IN NUMBER)
    RETURN NUMBER DETERMINISTIC
  IS
    l_dlat NUMBER := (p_lat2 - p_lat1) * ACOS(-1) / 180;
    l_dlon NUMBER := (p_lon2 - p_lon1) * ACOS(-1) / 180;
    l_a    NUMBER;
  BEGIN
    l_a := POWER(SIN(l_dlat / 2), 2)
         + COS(p_lat1 * ACOS(-1) / 180) * COS(p_lat2 * ACOS(-1) / 180) * POWER(SIN(l_dlon / 2), 2);
    RETURN 2 * c_earth_radius_km * ATAN2(SQRT(l_a), SQRT(1 - l_a));
  END distance_km;

  FUNCTION city_for(p_country IN VARCHAR2, p_zip IN VARCHAR2) RETURN VARCHAR2 IS
    CURSOR c_area IS
      SELECT city
        FROM zip_areas
       WHERE country = p_country
         AND p_zip LIKE zip_prefix || '%'
       ORDER BY LENGTH(zip_prefix) DESC;
    l_city zip_areas.city%TYPE;
  BEGIN
    FOR r IN c_area LOOP
      l_city := r.city;
      EXIT; -- the longest prefix wins
    END LOOP;
    RETURN l_city;
  END city_for;

  FUNCTION zones(p_addresses IN SYS_REFCURSOR, p_depot_lat IN NUMBER, p_depot_lon IN NUMBER)
    RETURN t_zone_tab PIPELINED
  IS
    l_id   NUMBER;
    l_lat  NUMBER;
    l_lon  NUMBER;
    l_dist NUMBER;
  BEGIN
    LOOP
      FETCH p_addresses INTO l_id, l_lat, l_lon;
      EXIT WHEN p_addresses%NOTFOUND;
      l_dist := distance_km(p_depot_lat, p_depot_lon, l_lat, l_lon);
      PIPE ROW (t_zone_row(l_id, l_dist,
                           CASE
                             WHEN l_dist <= 10 THEN 'A'
                             WHEN l_dist <= 30 THEN 'B'
                             WHEN l_dist <= 80 THEN 'C'
                             ELSE 'D'
                           END));
    END LOOP;
    CLOSE p_addresses;
    RETURN;
  END zones;

  PROCEDURE zone_report(p_depot_id IN NUMBER, p_result OUT SYS_REFCURSOR) IS
    l_lat depots.lat%TYPE;
    l_lon depots.lon%TYPE;
  BEGIN
    SELECT lat, lon INTO l_lat, l_lon FROM depots WHERE depot_id = p_depot_id;
    OPEN p_result FOR
      SELECT z.zone, COUNT(*) AS customers, ROUND(AVG(z.distance_km), 1) AS avg_km
        FROM TABLE(zones(CURSOR(SELECT customer_id, lat, lon FROM customer_locations), l_lat, l_lon)) z
       GROUP BY z.zone
       ORDER BY z.zone;
  END zone_report;

END pkg_geo_lookup;
/
