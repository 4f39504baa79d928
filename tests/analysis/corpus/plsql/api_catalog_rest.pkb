--------------------------------------------------------------------------------
-- api_catalog_rest.pkb
-- REST handlers of the catalog module (ORDS templates call these procedures)
-- and the small JSON writer they use. json_writer.write(name, cursor) takes
-- the cursor over: it writes every row as an object and closes the cursor.
--------------------------------------------------------------------------------

CREATE OR REPLACE PACKAGE json_writer AS
  PROCEDURE init;
  PROCEDURE open_object(p_name IN VARCHAR2 DEFAULT NULL);
  PROCEDURE close_object;
  PROCEDURE open_array(p_name IN VARCHAR2);
  PROCEDURE close_array;
  PROCEDURE write(p_name IN VARCHAR2, p_value IN VARCHAR2);
  PROCEDURE write(p_name IN VARCHAR2, p_value IN NUMBER);
  PROCEDURE write(p_name IN VARCHAR2, p_rc IN OUT SYS_REFCURSOR);
  PROCEDURE flush;
END json_writer;
/

CREATE OR REPLACE PACKAGE BODY json_writer AS
  g_buf   CLOB;
  g_comma BOOLEAN := FALSE;

  PROCEDURE put(p_text IN VARCHAR2) IS
  BEGIN
    DBMS_LOB.writeappend(g_buf, LENGTH(p_text), p_text);
  END put;

  PROCEDURE sep IS
  BEGIN
    IF g_comma THEN put(','); END IF;
    g_comma := TRUE;
  END sep;

  FUNCTION q(p_text IN VARCHAR2) RETURN VARCHAR2 IS
  BEGIN
    RETURN '"' || REPLACE(REPLACE(p_text, '\', '\\'), '"', '\"') || '"';
  END q;

  PROCEDURE init IS
  BEGIN
    IF g_buf IS NULL THEN
      DBMS_LOB.createtemporary(g_buf, TRUE, DBMS_LOB.call);
    END IF;
    DBMS_LOB.trim(g_buf, 0);
    g_comma := FALSE;
  END init;

  PROCEDURE open_object(p_name IN VARCHAR2 DEFAULT NULL) IS
  BEGIN
    sep;
    IF p_name IS NOT NULL THEN put(q(p_name) || ':'); END IF;
    put('{');
    g_comma := FALSE;
  END open_object;

  PROCEDURE close_object IS
  BEGIN
    put('}');
    g_comma := TRUE;
  END close_object;

  PROCEDURE open_array(p_name IN VARCHAR2) IS
  BEGIN
    sep;
    put(q(p_name) || ':[');
    g_comma := FALSE;
  END open_array;

  PROCEDURE close_array IS
  BEGIN
    put(']');
    g_comma := TRUE;
  END close_array;

  PROCEDURE write(p_name IN VARCHAR2, p_value IN VARCHAR2) IS
  BEGIN
    sep;
    put(q(p_name) || ':' || CASE WHEN p_value IS NULL THEN 'null' ELSE q(p_value) END);
  END write;

  PROCEDURE write(p_name IN VARCHAR2, p_value IN NUMBER) IS
  BEGIN
    sep;
    put(q(p_name) || ':' || NVL(TO_CHAR(p_value, 'TM9', 'NLS_NUMERIC_CHARACTERS=.,'), 'null'));
  END write;

  PROCEDURE write(p_name IN VARCHAR2, p_rc IN OUT SYS_REFCURSOR) IS
    l_cur    INTEGER;
    l_cols   DBMS_SQL.desc_tab2;
    l_ncols  INTEGER;
    l_val    VARCHAR2(4000);
  BEGIN
    l_cur := DBMS_SQL.to_cursor_number(p_rc);
    DBMS_SQL.describe_columns2(l_cur, l_ncols, l_cols);
    FOR i IN 1 .. l_ncols LOOP
      DBMS_SQL.define_column(l_cur, i, l_val, 4000);
    END LOOP;
    open_array(p_name);
    WHILE DBMS_SQL.fetch_rows(l_cur) > 0 LOOP
      open_object;
      FOR i IN 1 .. l_ncols LOOP
        DBMS_SQL.column_value(l_cur, i, l_val);
        write(LOWER(l_cols(i).col_name), l_val);
      END LOOP;
      close_object;
    END LOOP;
    close_array;
    DBMS_SQL.close_cursor(l_cur);
  EXCEPTION
    WHEN OTHERS THEN
      IF DBMS_SQL.is_open(l_cur) THEN
        DBMS_SQL.close_cursor(l_cur);
      END IF;
      RAISE;
  END write;

  PROCEDURE flush IS
  BEGIN
    owa_util.mime_header('application/json', TRUE, 'UTF-8');
    FOR i IN 0 .. TRUNC((DBMS_LOB.getlength(g_buf) - 1) / 8000) LOOP
      htp.prn(DBMS_LOB.substr(g_buf, 8000, i * 8000 + 1));
    END LOOP;
  END flush;
END json_writer;
/

CREATE OR REPLACE PACKAGE catalog_rest AS
  PROCEDURE get_product(p_product_id IN NUMBER);
  PROCEDURE list_products(p_category_id IN NUMBER, p_page IN PLS_INTEGER DEFAULT 1);
  PROCEDURE get_category(p_category_id IN NUMBER);
  PROCEDURE get_category_tree;
END catalog_rest;
/

CREATE OR REPLACE PACKAGE BODY catalog_rest AS

  CURSOR c_category(p_category_id IN NUMBER) IS
    SELECT category_id, name, parent_id, description
      FROM categories
     WHERE category_id = p_category_id;

  CURSOR c_top_categories IS
    SELECT category_id, name
      FROM categories
     WHERE parent_id IS NULL
     ORDER BY sort_order;

  g_feature_tags BOOLEAN := NVL(app_config.get_flag('CATALOG_TAGS'), FALSE);

  PROCEDURE error_response(p_status IN PLS_INTEGER, p_message IN VARCHAR2) IS
  BEGIN
    json_writer.init;
    json_writer.open_object;
    json_writer.write('error', p_message);
    json_writer.close_object;
    owa_util.status_line(p_status, NULL, FALSE);
    json_writer.flush;
  END error_response;

  PROCEDURE get_product(p_product_id IN NUMBER) IS
    l_rc       SYS_REFCURSOR;
    l_images   SYS_REFCURSOR;
    l_tags     SYS_REFCURSOR;
  BEGIN
    json_writer.init;
    json_writer.open_object;
    OPEN l_rc FOR
      SELECT product_id, product_name, list_price, currency
        FROM products
       WHERE product_id = p_product_id;
    json_writer.write('product', l_rc);
    OPEN l_images FOR
      SELECT url, width, height FROM product_images
       WHERE product_id = p_product_id ORDER BY sort_order;
    json_writer.write('images', l_images);
    OPEN l_tags FOR
      SELECT tag FROM product_tags WHERE product_id = p_product_id ORDER BY tag;
    IF g_feature_tags THEN
      json_writer.write('tags', l_tags);
    END IF;
    json_writer.close_object;
    json_writer.flush;
  EXCEPTION
    WHEN OTHERS THEN
      IF l_rc%ISOPEN THEN CLOSE l_rc; END IF;
      IF l_images%ISOPEN THEN CLOSE l_images; END IF;
      error_response(500, SQLERRM);
  END get_product;

  PROCEDURE list_products(p_category_id IN NUMBER, p_page IN PLS_INTEGER DEFAULT 1) IS
    l_rc  SYS_REFCURSOR;
  BEGIN
    OPEN l_rc FOR
      SELECT product_id, product_name, list_price
        FROM products
       WHERE category_id = p_category_id
       ORDER BY product_name
      OFFSET (p_page - 1) * 25 ROWS FETCH NEXT 25 ROWS ONLY;
    json_writer.init;
    json_writer.open_object;
    json_writer.write('page', p_page);
    json_writer.write('items', l_rc);
    json_writer.close_object;
    json_writer.flush;
  EXCEPTION
    WHEN OTHERS THEN
      IF l_rc%ISOPEN THEN
        CLOSE l_rc;
      END IF;
      error_response(500, SQLERRM);
  END list_products;

  PROCEDURE get_category(p_category_id IN NUMBER) IS
    l_cat  c_category%ROWTYPE;
  BEGIN
    OPEN c_category(p_category_id);
    FETCH c_category INTO l_cat;
    IF c_category%NOTFOUND THEN
      CLOSE c_category;
      RAISE NO_DATA_FOUND;
    END IF;
    CLOSE c_category;
    json_writer.init;
    json_writer.open_object;
    json_writer.write('id', l_cat.category_id);
    json_writer.write('name', l_cat.name);
    json_writer.write('description', l_cat.description);
    json_writer.close_object;
    json_writer.flush;
  EXCEPTION
    WHEN NO_DATA_FOUND THEN
      error_response(404, 'category ' || p_category_id || ' not found');
    WHEN OTHERS THEN
      error_response(500, SQLERRM);
  END get_category;

  PROCEDURE get_category_tree IS
    l_id    categories.category_id%TYPE;
    l_name  categories.name%TYPE;
  BEGIN
    json_writer.init;
    json_writer.open_object;
    json_writer.open_array('categories');
    OPEN c_top_categories;
    LOOP
      FETCH c_top_categories INTO l_id, l_name;
      EXIT WHEN c_top_categories%NOTFOUND;
      json_writer.open_object;
      json_writer.write('id', l_id);
      json_writer.write('name', l_name);
      DECLARE
        l_children     SYS_REFCURSOR;
        l_child_count  NUMBER;
      BEGIN
        OPEN l_children FOR
          SELECT COUNT(*) FROM categories WHERE parent_id = l_id;
        FETCH l_children INTO l_child_count;
        json_writer.write('children', l_child_count);
      END;
      json_writer.close_object;
    END LOOP;
    CLOSE c_top_categories;
    json_writer.close_array;
    json_writer.close_object;
    json_writer.flush;
  EXCEPTION
    WHEN OTHERS THEN
      IF c_top_categories%ISOPEN THEN
        CLOSE c_top_categories;
      END IF;
      error_response(500, SQLERRM);
  END get_category_tree;
END catalog_rest;
/
