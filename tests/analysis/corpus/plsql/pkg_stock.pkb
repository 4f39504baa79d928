CREATE OR REPLACE PACKAGE BODY pkg_stock AS
  -- Stock levels per warehouse. Movements are written by the order and
  -- goods-receipt screens; this package only reads them and keeps the
  -- reorder proposals up to date.

  CURSOR c_items_below_minimum IS
    SELECT i.item_id, i.warehouse_id, i.on_hand, i.minimum_qty, i.reorder_qty
      FROM stock_items i
     WHERE i.on_hand < i.minimum_qty
       AND i.blocked = 'N';

  FUNCTION available(p_item_id IN NUMBER, p_warehouse_id IN NUMBER) RETURN NUMBER IS
    l_on_hand  NUMBER;
    l_reserved NUMBER;
  BEGIN
    SELECT on_hand INTO l_on_hand
      FROM stock_items
     WHERE item_id = p_item_id
       AND warehouse_id = p_warehouse_id;

    SELECT NVL(SUM(quantity), 0) INTO l_reserved
      FROM reservations
     WHERE item_id = p_item_id
       AND warehouse_id = p_warehouse_id
       AND status IN ('OPEN', 'PICKING');

    RETURN GREATEST(l_on_hand - l_reserved, 0);
  EXCEPTION
    WHEN no_data_found THEN
      RETURN 0;
  END available;

  FUNCTION movement_sign(p_kind IN VARCHAR2) RETURN PLS_INTEGER IS
  BEGIN
    RETURN CASE p_kind
             WHEN 'RECEIPT' THEN 1
             WHEN 'RETURN' THEN 1
             WHEN 'ISSUE' THEN -1
             WHEN 'SCRAP' THEN -1
             ELSE 0
           END;
  END movement_sign;

  PROCEDURE rebuild_levels(p_warehouse_id IN NUMBER) IS
    l_level NUMBER;
  BEGIN
    FOR r_item IN (SELECT item_id FROM stock_items WHERE warehouse_id = p_warehouse_id) LOOP
      l_level := 0;
      FOR r_mov IN (SELECT kind, quantity
                      FROM stock_movements
                     WHERE item_id = r_item.item_id
                       AND warehouse_id = p_warehouse_id)
      LOOP
        l_level := l_level + movement_sign(r_mov.kind) * r_mov.quantity;
      END LOOP;
      UPDATE stock_items
         SET on_hand = l_level,
             rebuilt_at = SYSDATE
       WHERE item_id = r_item.item_id
         AND warehouse_id = p_warehouse_id;
    END LOOP;
  END rebuild_levels;

  PROCEDURE propose_reorders IS
    l_supplier_id suppliers.supplier_id%TYPE;
  BEGIN
    FOR r IN c_items_below_minimum LOOP
      BEGIN
        SELECT supplier_id INTO l_supplier_id
          FROM item_suppliers
         WHERE item_id = r.item_id
           AND preferred = 'Y';
      EXCEPTION
        WHEN no_data_found THEN
          l_supplier_id := NULL;
        WHEN too_many_rows THEN
          SELECT MIN(supplier_id) INTO l_supplier_id
            FROM item_suppliers
           WHERE item_id = r.item_id
             AND preferred = 'Y';
      END;

      MERGE INTO reorder_proposals p
      USING (SELECT r.item_id AS item_id, r.warehouse_id AS warehouse_id FROM dual) s
         ON (p.item_id = s.item_id AND p.warehouse_id = s.warehouse_id AND p.status = 'OPEN')
       WHEN MATCHED THEN
         UPDATE SET p.quantity = r.reorder_qty, p.supplier_id = l_supplier_id
       WHEN NOT MATCHED THEN
         INSERT (item_id, warehouse_id, quantity, supplier_id, status)
         VALUES (r.item_id, r.warehouse_id, r.reorder_qty, l_supplier_id, 'OPEN');
    END LOOP;
  END propose_reorders;

  FUNCTION stock_class(p_item_id IN NUMBER) RETURN VARCHAR2 IS
    l_turnover NUMBER;
    l_class    VARCHAR2(1);
  BEGIN
    SELECT SUM(quantity) / NULLIF(AVG(on_hand), 0)
      INTO l_turnover
      FROM stock_movements m
      JOIN stock_items i USING (item_id, warehouse_id)
     WHERE item_id = p_item_id
       AND m.kind = 'ISSUE'
       AND m.moved_at >= ADD_MONTHS(SYSDATE, -12);

    CASE
      WHEN l_turnover IS NULL THEN
        l_class := 'X';
      WHEN l_turnover >= 12 THEN
        l_class := 'A';
      WHEN l_turnover >= 4 THEN
        l_class := 'B';
      ELSE
        l_class := 'C';
    END CASE;
    RETURN l_class;
  END stock_class;

END pkg_stock;
/
