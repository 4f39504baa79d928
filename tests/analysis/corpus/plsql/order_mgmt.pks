--
-- order_mgmt.pks
--
-- Order management API (package header).
--
-- Copyright (c) the order-service contributors.
-- Licensed under the Apache License, Version 2.0.
--
set define off

create or replace editionable package order_mgmt
  authid current_user
is
  -- -------------------------------------------------------------------------
  -- Types
  -- -------------------------------------------------------------------------
  subtype t_order_id is orders.order_id%type;

  type t_order_cur is ref cursor return orders%rowtype;

  type t_line_rec is record (
    item_id    order_lines.item_id%type,
    quantity   order_lines.quantity%type,
    unit_price order_lines.unit_price%type
  );
  type t_line_tab is table of t_line_rec index by pls_integer;

  -- -------------------------------------------------------------------------
  -- Constants
  -- -------------------------------------------------------------------------
  c_status_open      constant varchar2(10) := 'OPEN';
  c_status_closed    constant varchar2(10) := 'CLOSED';
  c_status_cancelled constant varchar2(10) := 'CANCELLED';
  c_status_backorder constant varchar2(10) := 'BACKORDER';

  -- -------------------------------------------------------------------------
  -- Public cursors
  -- -------------------------------------------------------------------------

  -- Back-ordered lines of a warehouse; the query is given in the body.
  cursor c_backorders (p_warehouse_id in number) return order_lines%rowtype;

  -- Open orders of a customer, oldest first.
  cursor c_open_orders (p_customer_id in number) is
    select *
      from orders
     where customer_id = p_customer_id
       and status      = 'OPEN'
     order by order_date;

  -- -------------------------------------------------------------------------
  -- Exceptions
  -- -------------------------------------------------------------------------
  e_order_not_found exception;
  pragma exception_init(e_order_not_found, -20201);

  e_bad_status exception;
  pragma exception_init(e_bad_status, -20202);

  -- -------------------------------------------------------------------------
  -- Queries
  -- -------------------------------------------------------------------------

  /**
   * Returns an open cursor over the open orders of a customer.
   * The caller closes it.
   */
  function open_orders_for (p_customer_id in number) return sys_refcursor;

  /**
   * Dynamic search. p_filter is one of 'CUSTOMER', 'REGION', 'ALL'.
   * p_rc is returned open; the caller closes it.
   */
  procedure find_orders (
    p_filter in  varchar2,
    p_value  in  varchar2,
    p_status in  varchar2 default c_status_open,
    p_rc     out sys_refcursor
  );

  /**
   * Full text like search on the order reference and the customer note.
   */
  procedure search_orders (
    p_text   in  varchar2,
    p_result out t_order_cur
  );

  /**
   * Prints the rows of an order cursor with dbms_output and closes it.
   */
  procedure print_orders (p_rc in sys_refcursor);

  /**
   * Prints all orders of a customer.
   */
  procedure dump_customer (p_customer_id in number);

  /**
   * Sum of quantity * unit_price of all lines of an order.
   */
  function order_total (p_order_id in t_order_id) return number;

  -- -------------------------------------------------------------------------
  -- Changes
  -- -------------------------------------------------------------------------

  /**
   * Creates an order with its lines and returns the new order id.
   */
  function place_order (
    p_customer_id in number,
    p_lines       in t_line_tab
  ) return t_order_id;

  /**
   * Moves an order to a new status. Allowed moves:
   *   OPEN -> CLOSED, OPEN -> CANCELLED, BACKORDER -> OPEN
   */
  procedure set_status (p_order_id in t_order_id, p_new_status in varchar2);

  /**
   * Allocates stock to the back-ordered lines of a warehouse.
   */
  procedure allocate_backorders (p_warehouse_id in number);

  /**
   * Cancels the open orders of a customer that are older than p_days.
   */
  procedure cancel_stale_orders (p_customer_id in number, p_days in pls_integer default 90);

  /**
   * Closes every open order of a customer that is completely shipped.
   */
  procedure close_shipped (p_customer_id in number);

end order_mgmt;
/
