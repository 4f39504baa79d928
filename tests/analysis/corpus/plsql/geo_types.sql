--------------------------------------------------------------------------------
-- geo_types.sql  -  object types of the route planner
--   geo_point   : a coordinate
--   geo_region  : a delivery region with its stops (NOT FINAL)
--   geo_route   : an ordered list of stops with the legs between them
-- Re-run safe: the types are dropped with FORCE first.
--------------------------------------------------------------------------------
set define off
whenever sqlerror continue
drop type geo_route force;
drop type geo_region force;
drop type geo_stop_tab force;
drop type geo_point force;
whenever sqlerror exit failure

create or replace type geo_point as object (
  lat number(9,6),
  lon number(9,6),
  member function distance_km (p_other in geo_point) return number,
  map member function sort_key return varchar2
);
/

create or replace type geo_stop_tab as table of geo_point;
/

create or replace type geo_region as object (
  region_code  varchar2(10),
  region_name  varchar2(80),
  center       geo_point,
  stops        geo_stop_tab,
  constructor function geo_region (p_code in varchar2) return self as result,
  member procedure load_stops (self in out nocopy geo_region),
  member function nearest_depot return varchar2,
  member function area_km2 return number,
  member procedure export_stops (p_out out sys_refcursor),
  static function open_all return sys_refcursor
) not final;
/

create or replace type geo_route as object (
  route_id   number,
  region     geo_region,
  member procedure print_legs (self in geo_route, p_legs in out sys_refcursor),
  member procedure report (self in geo_route),
  member function  leg_count return pls_integer,
  member procedure close_route (self in out nocopy geo_route)
);
/

create or replace type body geo_point as

  member function distance_km (p_other in geo_point) return number is
    c_earth_km constant number := 6371;
    l_dlat number;
    l_dlon number;
    l_a    number;
  begin
    l_dlat := (p_other.lat - self.lat) * acos(-1) / 180;
    l_dlon := (p_other.lon - self.lon) * acos(-1) / 180;
    l_a := power(sin(l_dlat / 2), 2)
         + cos(self.lat * acos(-1) / 180) * cos(p_other.lat * acos(-1) / 180)
         * power(sin(l_dlon / 2), 2);
    return 2 * c_earth_km * atan2(sqrt(l_a), sqrt(1 - l_a));
  end distance_km;

  map member function sort_key return varchar2 is
  begin
    return to_char(self.lat + 90, 'FM000.000000') || to_char(self.lon + 180, 'FM000.000000');
  end sort_key;

end;
/
show errors

create or replace type body geo_region as

  constructor function geo_region (p_code in varchar2) return self as result is
    cursor c_reg is
      select region_name, center_lat, center_lon
        from geo_regions
       where region_code = p_code;
    l_lat number;
    l_lon number;
  begin
    self.region_code := p_code;
    open c_reg;
    fetch c_reg into self.region_name, l_lat, l_lon;
    if c_reg%found then
      self.center := geo_point(l_lat, l_lon);
    end if;
    self.stops := geo_stop_tab();
    return;
  end;

  member procedure load_stops (self in out nocopy geo_region) is
    cursor c_stops is
      select geo_point(s.lat, s.lon)
        from geo_region_stops s
       where s.region_code = self.region_code
       order by s.seq_no;
  begin
    open c_stops;
    fetch c_stops bulk collect into self.stops;
    close c_stops;
  end load_stops;

  member function nearest_depot return varchar2 is
    l_rc    sys_refcursor;
    l_code  varchar2(10);
    l_lat   number;
    l_lon   number;
    l_best  varchar2(10);
    l_min   number := binary_double_infinity;
    l_dist  number;
  begin
    open l_rc for
      select depot_code, lat, lon
        from geo_depots
       where active_flag = 'Y';
    loop
      fetch l_rc into l_code, l_lat, l_lon;
      exit when l_rc%notfound;
      l_dist := self.center.distance_km(geo_point(l_lat, l_lon));
      if l_dist < l_min then
        l_min  := l_dist;
        l_best := l_code;
      end if;
    end loop;
    close l_rc;
    return l_best;
  end nearest_depot;

  member function area_km2 return number is
    cursor c_reg is
      select area_km2
        from geo_regions
       where region_code = self.region_code;
    l_area number;
  begin
    open c_reg;
    fetch c_reg into l_area;
    close c_reg;
    return l_area;
  exception
    when others then
      if c_reg%isopen then
        close c_reg;
      end if;
      return null;
  end area_km2;

  member procedure export_stops (p_out out sys_refcursor) is
  begin
    open p_out for
      select t.lat, t.lon
        from table(self.stops) t;
  end export_stops;

  static function open_all return sys_refcursor is
    l_rc sys_refcursor;
  begin
    open l_rc for
      select geo_region(region_code)
        from geo_regions
       order by region_code;
    return l_rc;
  end open_all;

end;
/
show errors

create or replace type body geo_route as

  member procedure print_legs (self in geo_route, p_legs in out sys_refcursor) is
    l_from varchar2(20);
    l_to   varchar2(20);
    l_km   number;
  begin
    loop
      fetch p_legs into l_from, l_to, l_km;
      exit when p_legs%notfound;
      dbms_output.put_line(rpad(l_from, 22) || rpad(l_to, 22) || to_char(l_km, '99990.0'));
    end loop;
    close p_legs;
  end print_legs;

  member procedure report (self in geo_route) is
    l_legs sys_refcursor;
  begin
    dbms_output.put_line('Route ' || self.route_id || ' in ' || self.region.region_name);
    open l_legs for
      select from_stop, to_stop, distance_km
        from geo_route_legs
       where route_id = self.route_id
       order by leg_no;
    self.print_legs(l_legs);
  end report;

  member function leg_count return pls_integer is
    l_cur  geo_planner_pkg.t_leg_cur;
    l_n    pls_integer := 0;
    l_from varchar2(20);
    l_to   varchar2(20);
    l_km   number;
  begin
    open l_cur for
      select from_stop, to_stop, distance_km
        from geo_route_legs
       where route_id = self.route_id;
    loop
      fetch l_cur into l_from, l_to, l_km;
      exit when l_cur%notfound;
      l_n := l_n + 1;
    end loop;
    return l_n;
  end leg_count;

  member procedure close_route (self in out nocopy geo_route) is
  begin
    update geo_routes
       set status = 'CLOSED', closed_at = sysdate
     where route_id = self.route_id;
    self.route_id := null;
  end close_route;

end;
/
show errors

--------------------------------------------------------------------------------
-- quick self test
--------------------------------------------------------------------------------
declare
  l_reg   geo_region := geo_region('NORTH');
  l_route geo_route;
  l_rc    sys_refcursor;
begin
  l_reg.load_stops;
  dbms_output.put_line('nearest depot: ' || l_reg.nearest_depot);
  l_route := geo_route(1, l_reg);
  l_route.report;
  dbms_output.put_line('legs: ' || l_route.leg_count);
  l_reg.export_stops(l_rc);
  close l_rc;
end;
/
