CREATE OR REPLACE PACKAGE desk_query
  AUTHID DEFINER
AS
  /*
   * desk_query - query layer behind the order desk screens.
   *
   * Every function in here that returns a cursor leaves it OPEN for the
   * caller. The Java front end fetches and closes those cursors through
   * JDBC; PL/SQL callers either hand them to desk_query.drain or close
   * them themselves.  Do not add a function that returns a closed cursor:
   * the front end treats an ORA-01001 as a fatal session error.
   *
   * History
   *   2019-03-11  mkr   created from the old ord_screen package
   *   2020-07-02  mkr   strong cursor types per result shape
   *   2021-11-19  jpa   search() takes the status filter as a bind
   *   2023-02-06  jpa   backlog batches (c_backlog), see next_backlog_batch
   *
   * Usage from PL/SQL
   *
   *   DECLARE
   *     l_rc  desk_query.t_order_cur;
   *     l_n   PLS_INTEGER;
   *   BEGIN
   *     l_rc := desk_query.orders_of(4711);
   *     desk_query.print_orders(l_rc);          -- fetches and closes
   *   END;
   *
   * Usage from Java
   *
   *   CallableStatement cs = con.prepareCall("{? = call desk_query.search(?, ?)}");
   *   cs.registerOutParameter(1, OracleTypes.CURSOR);
   *   ...
   *   rs.close();                               -- closes the cursor
   */

  ---------------------------------------------------------------------------
  -- result shapes
  ---------------------------------------------------------------------------
  TYPE t_order_rec IS RECORD (
     order_id      orders.order_id%TYPE,
     customer_id   orders.customer_id%TYPE,
     order_date    orders.order_date%TYPE,
     status        orders.status%TYPE,
     total_amount  orders.total_amount%TYPE
  );

  TYPE t_line_rec IS RECORD (
     order_id      order_lines.order_id%TYPE,
     line_no       order_lines.line_no%TYPE,
     item_id       order_lines.item_id%TYPE,
     quantity      order_lines.quantity%TYPE,
     unit_price    order_lines.unit_price%TYPE
  );

  TYPE t_order_tab IS TABLE OF t_order_rec INDEX BY PLS_INTEGER;
  TYPE t_id_tab    IS TABLE OF orders.order_id%TYPE INDEX BY PLS_INTEGER;

  ---------------------------------------------------------------------------
  -- cursor types
  --   t_order_cur / t_line_cur : strong, used by the screens
  --   t_any_cur                : weak, for dynamic queries
  --   t_rc                     : the same as SYS_REFCURSOR, kept because the
  --                              generated Java stubs refer to it by name
  ---------------------------------------------------------------------------
  TYPE t_order_cur IS REF CURSOR RETURN t_order_rec;
  TYPE t_line_cur  IS REF CURSOR RETURN t_line_rec;
  TYPE t_any_cur   IS REF CURSOR;
  SUBTYPE t_rc     IS SYS_REFCURSOR;

  ---------------------------------------------------------------------------
  -- public cursors
  ---------------------------------------------------------------------------

  -- status codes for the drop-down lists; the query is in the body
  CURSOR c_status_codes (p_lang IN VARCHAR2) RETURN order_status_codes%ROWTYPE;

  -- orders of one customer that are still workable, oldest first
  CURSOR c_open_orders (p_customer_id IN orders.customer_id%TYPE)
  IS
    SELECT o.order_id, o.customer_id, o.order_date, o.status, o.total_amount
      FROM orders o
     WHERE o.customer_id = p_customer_id
       AND o.status IN ('NEW', 'OPEN', 'HOLD')
     ORDER BY o.order_date;

  -- the backlog, read in batches by next_backlog_batch (kept open between
  -- calls on purpose; close_backlog ends a run)
  CURSOR c_backlog RETURN t_order_rec;

  ---------------------------------------------------------------------------
  -- constants
  ---------------------------------------------------------------------------
  gc_max_rows     CONSTANT PLS_INTEGER := 500;
  gc_batch_size   CONSTANT PLS_INTEGER := 100;
  gc_status_open  CONSTANT VARCHAR2(10) := 'OPEN';
  gc_status_hold  CONSTANT VARCHAR2(10) := 'HOLD';

  e_bad_filter    EXCEPTION;
  PRAGMA EXCEPTION_INIT(e_bad_filter, -20310);

  ---------------------------------------------------------------------------
  -- cursor-returning API (caller closes)
  ---------------------------------------------------------------------------
  FUNCTION orders_of (p_customer_id IN orders.customer_id%TYPE)
    RETURN t_order_cur;

  FUNCTION search (p_filter IN VARCHAR2,
                   p_status IN VARCHAR2 DEFAULT NULL)
    RETURN SYS_REFCURSOR;

  PROCEDURE lines_of (p_order_id IN  orders.order_id%TYPE,
                      p_lines    OUT t_line_cur);

  PROCEDURE pick_source (p_archived IN  BOOLEAN,
                         p_customer IN  orders.customer_id%TYPE,
                         p_out      OUT SYS_REFCURSOR);

  FUNCTION status_list (p_lang IN VARCHAR2 DEFAULT 'EN')
    RETURN t_any_cur;

  ---------------------------------------------------------------------------
  -- scalar helpers
  ---------------------------------------------------------------------------
  FUNCTION order_count   (p_customer_id IN orders.customer_id%TYPE) RETURN PLS_INTEGER;
  FUNCTION backlog_count (p_days IN PLS_INTEGER) RETURN PLS_INTEGER;
  FUNCTION has_backlog   (p_customer_id IN orders.customer_id%TYPE) RETURN BOOLEAN;
  FUNCTION open_order_ids (p_customer_id IN orders.customer_id%TYPE) RETURN t_id_tab;
  FUNCTION status_label  (p_code IN VARCHAR2, p_lang IN VARCHAR2 DEFAULT 'EN') RETURN VARCHAR2;
  FUNCTION first_order_date (p_customer_id IN orders.customer_id%TYPE) RETURN DATE;

  ---------------------------------------------------------------------------
  -- backlog run
  ---------------------------------------------------------------------------
  PROCEDURE next_backlog_batch (p_rows OUT t_order_tab);
  PROCEDURE close_backlog;

  ---------------------------------------------------------------------------
  -- helpers for PL/SQL callers
  ---------------------------------------------------------------------------

  -- fetches the cursor to the end, returns the number of rows and closes it
  FUNCTION drain (p_rc IN OUT t_any_cur) RETURN PLS_INTEGER;

  -- writes the orders of a cursor to DBMS_OUTPUT and closes it
  PROCEDURE print_orders (p_rc IN OUT t_order_cur);

  PROCEDURE print_customer (p_customer_id IN orders.customer_id%TYPE);

END desk_query;
/
SHOW ERRORS
