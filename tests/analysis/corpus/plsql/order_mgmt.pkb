--
-- order_mgmt.pkb
--
-- Order management API (package body).
--
-- Copyright (c) the order-service contributors.
-- Licensed under the Apache License, Version 2.0.
--
set define off

create or replace editionable package body order_mgmt
is
  -- the lines table; the archive job points this to ORDER_LINES_HIST
  g_lines_table varchar2(128) := 'ORDER_LINES';

  cursor c_backorders (p_warehouse_id in number) return order_lines%rowtype is
    select *
      from order_lines
     where warehouse_id = p_warehouse_id
       and status       = 'BACKORDER'
     order by order_id, line_no;

  -- =========================================================================
  -- Queries
  -- =========================================================================

  function open_orders_for (p_customer_id in number) return sys_refcursor
  is
    l_rc sys_refcursor;
  begin
    open l_rc for
      select *
        from orders
       where customer_id = p_customer_id
         and status      = c_status_open
       order by order_date;
    return l_rc;
  end open_orders_for;

  procedure find_orders (
    p_filter in  varchar2,
    p_value  in  varchar2,
    p_status in  varchar2 default c_status_open,
    p_rc     out sys_refcursor
  )
  is
    l_sql varchar2(2000) := 'select o.* from orders o where o.status = :status';
  begin
    case upper(p_filter)
      when 'CUSTOMER' then
        l_sql := l_sql || ' and o.customer_id = to_number(:val)';
        open p_rc for l_sql using p_status, p_value;
      when 'REGION' then
        l_sql := l_sql || ' and exists (select 1 from customers c'
                       || ' where c.customer_id = o.customer_id and c.region = :val)';
        open p_rc for l_sql using p_status, p_value;
      when 'ALL' then
        open p_rc for l_sql using p_status;
      else
        raise_application_error(-20205, 'unknown filter ' || p_filter);
    end case;
  end find_orders;

  procedure search_orders (
    p_text   in  varchar2,
    p_result out t_order_cur
  )
  is
    l_rc      t_order_cur;
    l_pattern varchar2(200) := '%' || upper(trim(p_text)) || '%';
  begin
    if p_text is null then
      raise_application_error(-20204, 'search text is required');
    end if;

    open l_rc for
      select o.*
        from orders o
       where upper(o.reference)     like l_pattern
          or upper(o.customer_note) like l_pattern;

    p_result := l_rc;
  end search_orders;

  procedure print_orders (p_rc in sys_refcursor)
  is
    l_order orders%rowtype;
  begin
    loop
      fetch p_rc into l_order;
      exit when p_rc%notfound;
      dbms_output.put_line(rpad(l_order.order_id, 12)
                        || rpad(l_order.status, 12)
                        || to_char(l_order.order_date, 'YYYY-MM-DD'));
    end loop;
    close p_rc;
  exception
    when others then
      if p_rc%isopen then
        close p_rc;
      end if;
      raise;
  end print_orders;

  procedure dump_customer (p_customer_id in number)
  is
    l_rc sys_refcursor;
  begin
    dbms_output.put_line('Orders of customer ' || p_customer_id);
    open l_rc for
      select *
        from orders
       where customer_id = p_customer_id
       order by order_date desc;
    print_orders(l_rc);   -- print_orders closes the cursor
  end dump_customer;

  function order_total (p_order_id in t_order_id) return number
  is
    l_rc    sys_refcursor;
    l_total number;
    l_sql   varchar2(400);
  begin
    l_sql := 'select sum(quantity * unit_price) from '
          || dbms_assert.sql_object_name(g_lines_table)
          || ' where order_id = :1';
    open l_rc for l_sql using p_order_id;
    fetch l_rc into l_total;
    return nvl(l_total, 0);
  end order_total;

  -- =========================================================================
  -- Changes
  -- =========================================================================

  function place_order (
    p_customer_id in number,
    p_lines       in t_line_tab
  ) return t_order_id
  is
    l_order_id t_order_id;
  begin
    insert into orders (order_id, customer_id, order_date, status)
    values (orders_seq.nextval, p_customer_id, sysdate, c_status_open)
    returning order_id into l_order_id;

    forall i in indices of p_lines
      insert into order_lines (order_id, line_no, item_id, quantity, unit_price, status)
      values (l_order_id, i, p_lines(i).item_id, p_lines(i).quantity,
              p_lines(i).unit_price, c_status_open);

    merge into customer_stats cs
    using (select p_customer_id as customer_id from dual) src
       on (cs.customer_id = src.customer_id)
     when matched then
       update set cs.open_orders     = cs.open_orders + 1,
                  cs.last_order_date = sysdate
     when not matched then
       insert (customer_id, open_orders, last_order_date)
       values (src.customer_id, 1, sysdate);

    return l_order_id;
  end place_order;

  procedure set_status (p_order_id in t_order_id, p_new_status in varchar2)
  is
    l_old orders.status%type;
  begin
    select status into l_old from orders where order_id = p_order_id for update;

    case l_old
      when c_status_open then
        if p_new_status not in (c_status_closed, c_status_cancelled) then
          raise e_bad_status;
        end if;
      when c_status_backorder then
        if p_new_status <> c_status_open then
          raise e_bad_status;
        end if;
      else
        raise e_bad_status;
    end case;

    update orders
       set status     = p_new_status,
           close_date = case when p_new_status = c_status_closed then sysdate end
     where order_id = p_order_id;

    if p_new_status in (c_status_closed, c_status_cancelled) then
      update customer_stats
         set open_orders = open_orders - 1
       where customer_id = (select customer_id from orders where order_id = p_order_id);
    end if;
  exception
    when no_data_found then
      raise_application_error(-20201, 'Order ' || p_order_id || ' not found');
    when e_bad_status then
      raise_application_error(-20202, 'Cannot move order ' || p_order_id
                                   || ' from ' || l_old || ' to ' || p_new_status);
  end set_status;

  procedure allocate_backorders (p_warehouse_id in number)
  is
    l_line  order_lines%rowtype;
    l_avail stock_levels.qty%type;
  begin
    open c_backorders(p_warehouse_id);
    loop
      fetch c_backorders into l_line;
      exit when c_backorders%notfound;

      select qty
        into l_avail
        from stock_levels
       where item_id      = l_line.item_id
         and warehouse_id = p_warehouse_id
         for update;

      if l_avail >= l_line.quantity then
        update stock_levels
           set qty = qty - l_line.quantity
         where item_id      = l_line.item_id
           and warehouse_id = p_warehouse_id;

        update order_lines
           set status = c_status_open
         where order_id = l_line.order_id
           and line_no  = l_line.line_no;
      end if;
    end loop;
    close c_backorders;
  exception
    when no_data_found then
      if c_backorders%isopen then close c_backorders; end if;
      raise_application_error(-20203, 'No stock record for item ' || l_line.item_id);
    when others then
      if c_backorders%isopen then
        close c_backorders;
      end if;
      raise;
  end allocate_backorders;

  procedure cancel_stale_orders (p_customer_id in number, p_days in pls_integer default 90)
  is
    l_order orders%rowtype;
    l_cnt   pls_integer := 0;
  begin
    open c_open_orders(p_customer_id);
    loop
      fetch c_open_orders into l_order;
      exit when c_open_orders%notfound;
      if l_order.order_date < trunc(sysdate) - p_days then
        set_status(l_order.order_id, c_status_cancelled);
        l_cnt := l_cnt + 1;
      end if;
    end loop;
    close c_open_orders;
    dbms_output.put_line(l_cnt || ' stale orders cancelled');
  exception
    when e_bad_status then
      -- another session changed the status meanwhile
      dbms_output.put_line('status changed concurrently: ' || sqlerrm);
      raise;
    when others then
      rollback;
      raise;
  end cancel_stale_orders;

  procedure close_shipped (p_customer_id in number)
  is
    l_pending pls_integer;
  begin
    for r in c_open_orders(p_customer_id) loop
      select count(*)
        into l_pending
        from order_lines
       where order_id = r.order_id
         and shipped_date is null;
      if l_pending = 0 then
        set_status(r.order_id, c_status_closed);
      end if;
    end loop;
  exception
    when others then
      dbms_output.put_line('close_shipped(' || p_customer_id || '): ' || sqlerrm);
      raise;
  end close_shipped;

end order_mgmt;
/
