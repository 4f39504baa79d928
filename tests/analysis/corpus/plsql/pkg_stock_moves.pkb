CREATE OR REPLACE PACKAGE BODY pkg_stock_moves AS
  ------------------------------------------------------------------------
  -- Posting of warehouse stock moves into bin balances, transfers between
  -- bins, and the nightly rebuild of the balances.
  ------------------------------------------------------------------------

  c_batch_size  CONSTANT PLS_INTEGER := 500;
  c_max_retries CONSTANT PLS_INTEGER := 3;

  TYPE t_move_tab IS TABLE OF stock_moves%ROWTYPE INDEX BY PLS_INTEGER;

  e_deadlock EXCEPTION;
  PRAGMA EXCEPTION_INIT(e_deadlock, -60);

  CURSOR c_warehouses IS
    SELECT warehouse_code
      FROM warehouses
     WHERE active_flag = 'Y'
     ORDER BY warehouse_code;

  CURSOR c_pending (p_wh VARCHAR2) IS
    SELECT *
      FROM stock_moves
     WHERE warehouse_code = p_wh
       AND status = 'PENDING'
     ORDER BY move_id
       FOR UPDATE SKIP LOCKED;

  ------------------------------------------------------------------------
  PROCEDURE close_all IS
  BEGIN
    IF c_pending%ISOPEN THEN
      CLOSE c_pending;
    END IF;
    IF c_warehouses%ISOPEN THEN
      CLOSE c_warehouses;
    END IF;
  END close_all;

  ------------------------------------------------------------------------
  FUNCTION is_valid (p_move IN stock_moves%ROWTYPE) RETURN BOOLEAN IS
  BEGIN
    RETURN p_move.qty > 0
       AND p_move.item_id IS NOT NULL
       AND p_move.direction IN ('IN', 'OUT');
  END is_valid;

  ------------------------------------------------------------------------
  PROCEDURE post_pending (p_max_moves IN PLS_INTEGER DEFAULT NULL) IS
    l_wh      warehouses.warehouse_code%TYPE;
    l_moves   t_move_tab;
    l_ok      t_move_tab;      -- sparse: only the valid moves of a batch
    l_posted  PLS_INTEGER := 0;
  BEGIN
    OPEN c_warehouses;
    <<wh_loop>>
    LOOP
      FETCH c_warehouses INTO l_wh;
      EXIT wh_loop WHEN c_warehouses%NOTFOUND;

      OPEN c_pending(l_wh);
      <<batch_loop>>
      LOOP
        FETCH c_pending BULK COLLECT INTO l_moves LIMIT c_batch_size;
        EXIT batch_loop WHEN l_moves.COUNT = 0;

        l_ok.DELETE;
        FOR i IN 1 .. l_moves.COUNT LOOP
          IF is_valid(l_moves(i)) THEN
            l_ok(i) := l_moves(i);
          END IF;
        END LOOP;

        FORALL i IN INDICES OF l_ok
          UPDATE bin_balances
             SET on_hand = on_hand + CASE l_ok(i).direction
                                       WHEN 'IN' THEN l_ok(i).qty
                                       ELSE -l_ok(i).qty
                                     END
           WHERE warehouse_code = l_ok(i).warehouse_code
             AND bin_code       = l_ok(i).bin_code
             AND item_id        = l_ok(i).item_id;

        FORALL i IN INDICES OF l_ok
          UPDATE stock_moves
             SET status = 'POSTED', posted_at = SYSTIMESTAMP
           WHERE move_id = l_ok(i).move_id;

        l_posted := l_posted + l_ok.COUNT;
      END LOOP batch_loop;
      CLOSE c_pending;
      COMMIT;

      EXIT wh_loop WHEN p_max_moves IS NOT NULL AND l_posted >= p_max_moves;
    END LOOP wh_loop;
    CLOSE c_warehouses;
  EXCEPTION
    WHEN OTHERS THEN
      close_all;
      ROLLBACK;
      RAISE;
  END post_pending;

  ------------------------------------------------------------------------
  PROCEDURE rebuild_balances (p_wh IN VARCHAR2 DEFAULT NULL) IS
    l_wh warehouses.warehouse_code%TYPE;
  BEGIN
    OPEN c_warehouses;
    LOOP
      FETCH c_warehouses INTO l_wh;
      EXIT WHEN c_warehouses%NOTFOUND;
      CONTINUE WHEN p_wh IS NOT NULL AND l_wh <> p_wh;

      MERGE INTO bin_balances b
      USING (SELECT m.bin_code,
                    m.item_id,
                    SUM(CASE m.direction WHEN 'IN' THEN m.qty ELSE -m.qty END) AS net_qty
               FROM stock_moves m
              WHERE m.warehouse_code = l_wh
                AND m.status = 'POSTED'
              GROUP BY m.bin_code, m.item_id) s
         ON (    b.warehouse_code = l_wh
             AND b.bin_code       = s.bin_code
             AND b.item_id        = s.item_id)
       WHEN MATCHED THEN
         UPDATE SET b.on_hand    = s.net_qty,
                    b.rebuilt_at = SYSTIMESTAMP
       WHEN NOT MATCHED THEN
         INSERT (warehouse_code, bin_code, item_id, on_hand, rebuilt_at)
         VALUES (l_wh, s.bin_code, s.item_id, s.net_qty, SYSTIMESTAMP);

      COMMIT;
    END LOOP;
    CLOSE c_warehouses;
  EXCEPTION
    WHEN DUP_VAL_ON_INDEX THEN
      IF c_pending%ISOPEN THEN
        CLOSE c_pending;
      END IF;
      ROLLBACK;
      RAISE_APPLICATION_ERROR(-20310, 'duplicate balance row in ' || l_wh);
    WHEN OTHERS THEN
      ROLLBACK;
      RAISE;
  END rebuild_balances;

  ------------------------------------------------------------------------
  PROCEDURE transfer (p_item_id IN NUMBER,
                      p_from_wh IN VARCHAR2, p_from_bin IN VARCHAR2,
                      p_to_wh   IN VARCHAR2, p_to_bin   IN VARCHAR2,
                      p_qty     IN NUMBER) IS
    CURSOR c_src IS
      SELECT on_hand
        FROM bin_balances
       WHERE warehouse_code = p_from_wh
         AND bin_code       = p_from_bin
         AND item_id        = p_item_id
         FOR UPDATE WAIT 5;
    l_on_hand  NUMBER;
    l_attempt  PLS_INTEGER := 0;
  BEGIN
    <<retry>>
    l_attempt := l_attempt + 1;
    BEGIN
      OPEN c_src;
      FETCH c_src INTO l_on_hand;
      IF c_src%NOTFOUND OR l_on_hand < p_qty THEN
        CLOSE c_src;
        RAISE_APPLICATION_ERROR(-20311, 'not enough stock of item ' || p_item_id);
      END IF;
      CLOSE c_src;

      INSERT INTO stock_moves (move_id, warehouse_code, bin_code, item_id, qty, direction, status)
      VALUES (stock_move_seq.NEXTVAL, p_from_wh, p_from_bin, p_item_id, p_qty, 'OUT', 'PENDING');
      INSERT INTO stock_moves (move_id, warehouse_code, bin_code, item_id, qty, direction, status)
      VALUES (stock_move_seq.NEXTVAL, p_to_wh, p_to_bin, p_item_id, p_qty, 'IN', 'PENDING');
    EXCEPTION
      WHEN e_deadlock THEN
        IF c_src%ISOPEN THEN
          CLOSE c_src;
        END IF;
        ROLLBACK;
        IF l_attempt < c_max_retries THEN
          GOTO retry;
        END IF;
        RAISE;
    END;
  END transfer;

  ------------------------------------------------------------------------
  PROCEDURE undo_last_moves (p_item_id IN NUMBER, p_count IN PLS_INTEGER) IS
    CURSOR c_last IS
      SELECT *
        FROM stock_moves
       WHERE item_id = p_item_id
         AND status  = 'POSTED'
       ORDER BY posted_at DESC, move_id DESC
       FETCH FIRST 50 ROWS ONLY;
    l_moves t_move_tab;
    l_n     PLS_INTEGER;
  BEGIN
    OPEN c_last;
    FETCH c_last BULK COLLECT INTO l_moves;
    CLOSE c_last;

    l_n := LEAST(p_count, l_moves.COUNT);
    -- undo the oldest of the selected moves first
    FOR i IN REVERSE 1 .. l_n LOOP
      UPDATE bin_balances
         SET on_hand = on_hand - CASE l_moves(i).direction
                                   WHEN 'IN' THEN l_moves(i).qty
                                   ELSE -l_moves(i).qty
                                 END
       WHERE warehouse_code = l_moves(i).warehouse_code
         AND bin_code       = l_moves(i).bin_code
         AND item_id        = l_moves(i).item_id;
      UPDATE stock_moves
         SET status = 'REVERSED'
       WHERE move_id = l_moves(i).move_id;
    END LOOP;
    COMMIT;
  END undo_last_moves;

  ------------------------------------------------------------------------
  PROCEDURE audit_bins (p_wh IN VARCHAR2) IS
    TYPE t_bin_tab IS TABLE OF VARCHAR2(20) INDEX BY PLS_INTEGER;
    l_bins t_bin_tab;
    l_bad  PLS_INTEGER := 0;
  BEGIN
    SELECT bin_code BULK COLLECT INTO l_bins
      FROM bins
     WHERE warehouse_code = p_wh;

    <<bins>>
    FOR b IN 1 .. l_bins.COUNT LOOP
      DECLARE
        CURSOR c_neg IS
          SELECT item_id, on_hand
            FROM bin_balances
           WHERE warehouse_code = p_wh
             AND bin_code = l_bins(b)
             AND on_hand < 0;
        l_item  NUMBER;
        l_qty   NUMBER;
      BEGIN
        OPEN c_neg;
        <<items>>
        LOOP
          FETCH c_neg INTO l_item, l_qty;
          EXIT items WHEN c_neg%NOTFOUND;
          l_bad := l_bad + 1;
          INSERT INTO stock_alerts (warehouse_code, bin_code, item_id, qty, raised_at)
          VALUES (p_wh, l_bins(b), l_item, l_qty, SYSTIMESTAMP);
        END LOOP items;
        CLOSE c_neg;
      EXCEPTION
        WHEN DUP_VAL_ON_INDEX THEN
          IF c_neg%ISOPEN THEN
            CLOSE c_neg;
          END IF;
      END;
      EXIT bins WHEN l_bad >= 1000;
    END LOOP bins;
    COMMIT;
  END audit_bins;

END pkg_stock_moves;
/
