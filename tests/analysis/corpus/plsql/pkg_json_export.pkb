CREATE OR REPLACE PACKAGE BODY pkg_json_export AS
  /* JSON export of orders for the partner API. Each order becomes one
     object; the result is a CLOB with an array of them. */

  FUNCTION order_json(p_order_id IN NUMBER) RETURN json_object_t IS
    l_order json_object_t := json_object_t();
    l_lines json_array_t := json_array_t();
    l_line  json_object_t;
    l_head  orders%ROWTYPE;
  BEGIN
    SELECT * INTO l_head FROM orders WHERE order_id = p_order_id;
    l_order.put('id', l_head.order_id);
    l_order.put('customer', l_head.customer_id);
    l_order.put('status', l_head.status);
    l_order.put('created', TO_CHAR(l_head.created_at, 'YYYY-MM-DD"T"HH24:MI:SS'));
    FOR r IN (SELECT line_no, item_code, quantity, unit_price
                FROM order_lines
               WHERE order_id = p_order_id
               ORDER BY line_no)
    LOOP
      l_line := json_object_t();
      l_line.put('line', r.line_no);
      l_line.put('item', r.item_code);
      l_line.put('qty', r.quantity);
      l_line.put('price', r.unit_price);
      l_lines.append(l_line);
    END LOOP;
    l_order.put('lines', l_lines);
    RETURN l_order;
  END order_json;

  FUNCTION orders_to_clob(p_orders IN SYS_REFCURSOR) RETURN CLOB IS
    l_result CLOB;
    l_id     orders.order_id%TYPE;
    l_first  BOOLEAN := TRUE;
  BEGIN
    dbms_lob.createtemporary(l_result, TRUE, dbms_lob.call);
    dbms_lob.writeappend(l_result, 1, '[');
    LOOP
      FETCH p_orders INTO l_id;
      EXIT WHEN p_orders%NOTFOUND;
      IF NOT l_first THEN
        dbms_lob.writeappend(l_result, 1, ',');
      END IF;
      dbms_lob.append(l_result, order_json(l_id).to_clob);
      l_first := FALSE;
    END LOOP;
    CLOSE p_orders;
    dbms_lob.writeappend(l_result, 1, ']');
    RETURN l_result;
  END orders_to_clob;

  FUNCTION export_changed(p_since IN TIMESTAMP) RETURN CLOB IS
    l_orders SYS_REFCURSOR;
  BEGIN
    OPEN l_orders FOR
      SELECT order_id
        FROM orders
       WHERE changed_at >= p_since
         AND partner_visible = 'Y'
       ORDER BY order_id;
    RETURN orders_to_clob(l_orders);
  END export_changed;

  PROCEDURE export_to_file(p_since IN TIMESTAMP, p_directory IN VARCHAR2, p_file_name IN VARCHAR2) IS
    l_clob   CLOB;
    l_file   utl_file.file_type;
    l_offset PLS_INTEGER := 1;
    l_len    PLS_INTEGER;
  BEGIN
    l_clob := export_changed(p_since);
    l_len := dbms_lob.getlength(l_clob);
    l_file := utl_file.fopen(p_directory, p_file_name, 'w', 32767);
    WHILE l_offset <= l_len LOOP
      utl_file.put(l_file, dbms_lob.substr(l_clob, 8000, l_offset));
      utl_file.fflush(l_file);
      l_offset := l_offset + 8000;
    END LOOP;
    utl_file.fclose(l_file);
    dbms_lob.freetemporary(l_clob);
  EXCEPTION
    WHEN OTHERS THEN
      IF utl_file.is_open(l_file) THEN
        utl_file.fclose(l_file);
      END IF;
      IF dbms_lob.istemporary(l_clob) = 1 THEN
        dbms_lob.freetemporary(l_clob);
      END IF;
      RAISE;
  END export_to_file;

END pkg_json_export;
/
