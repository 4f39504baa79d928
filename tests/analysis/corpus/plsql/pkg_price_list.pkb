CREATE OR REPLACE PACKAGE BODY pkg_price_list AS
  -- Customer-specific price lists for the web shop and the EDI export.

  TYPE t_price_cur IS REF CURSOR RETURN v_price_list%ROWTYPE;

  FUNCTION price_for(p_customer_id IN NUMBER, p_item_id IN NUMBER, p_qty IN NUMBER DEFAULT 1)
    RETURN NUMBER
  IS
    l_list_price items.list_price%TYPE;
    l_discount   NUMBER;
    l_group      customers.price_group%TYPE;
  BEGIN
    SELECT i.list_price, c.price_group
      INTO l_list_price, l_group
      FROM items i, customers c
     WHERE i.item_id = p_item_id
       AND c.customer_id = p_customer_id;

    l_discount := CASE l_group
                    WHEN 'A' THEN 0.15
                    WHEN 'B' THEN 0.10
                    WHEN 'C' THEN 0.05
                    ELSE 0
                  END;
    IF p_qty >= 100 THEN
      l_discount := l_discount + 0.02;
    END IF;
    RETURN ROUND(l_list_price * (1 - l_discount), 2);
  END price_for;

  PROCEDURE list_for_customer(p_customer_id IN NUMBER, p_prices OUT t_price_cur) IS
    l_cur t_price_cur;
  BEGIN
    OPEN l_cur FOR
      SELECT *
        FROM v_price_list
       WHERE customer_id = p_customer_id
       ORDER BY item_code;
    p_prices := l_cur;
  END list_for_customer;

  PROCEDURE export_edi(p_customer_id IN NUMBER, p_directory IN VARCHAR2) IS
    l_cur  t_price_cur;
    l_file utl_file.file_type;
  BEGIN
    l_file := utl_file.fopen(p_directory, 'prices_' || p_customer_id || '.edi', 'w', 32767);
    utl_file.put_line(l_file, 'UNH+1+PRICAT:D:96A:UN');
    OPEN l_cur FOR
      SELECT * FROM v_price_list WHERE customer_id = p_customer_id;
    pkg_edi_writer.write_price_lines(l_file, l_cur);
    utl_file.put_line(l_file, 'UNT+' || pkg_edi_writer.segment_count || '+1');
    utl_file.fclose(l_file);
  EXCEPTION
    WHEN OTHERS THEN
      IF utl_file.is_open(l_file) THEN
        utl_file.fclose(l_file);
      END IF;
      RAISE;
  END export_edi;

  FUNCTION changed_since(p_since IN DATE) RETURN t_price_cur IS
    l_cur t_price_cur;
  BEGIN
    IF p_since IS NULL THEN
      OPEN l_cur FOR SELECT * FROM v_price_list;
    ELSE
      OPEN l_cur FOR SELECT * FROM v_price_list WHERE changed_at >= p_since;
    END IF;
    RETURN l_cur;
  END changed_since;

  PROCEDURE check_list(p_customer_id IN NUMBER, p_errors OUT PLS_INTEGER) IS
    l_cur t_price_cur;
    l_row v_price_list%ROWTYPE;
  BEGIN
    p_errors := 0;
    list_for_customer(p_customer_id, l_cur);
    LOOP
      FETCH l_cur INTO l_row;
      EXIT WHEN l_cur%NOTFOUND;
      IF l_row.net_price > l_row.list_price OR l_row.net_price <= 0 THEN
        p_errors := p_errors + 1;
      END IF;
    END LOOP;
    CLOSE l_cur;
  END check_list;

END pkg_price_list;
/
