CREATE OR REPLACE PACKAGE BODY pkg_order_pricing AS
  ------------------------------------------------------------------------
  -- Order pricing: net prices, quantity tiers, pack surcharges and the
  -- monthly turnover rebates. Maintained by the sales back-office team.
  ------------------------------------------------------------------------

  g_currency      VARCHAR2(3)  := 'EUR';
  g_round_digits  PLS_INTEGER  := 2;
  g_price_list    VARCHAR2(30) := 'STANDARD';

  TYPE t_band_rec IS RECORD (
    band_code   VARCHAR2(10),
    lower_amt   NUMBER,
    upper_amt   NUMBER
  );
  TYPE t_band_tab IS TABLE OF t_band_rec INDEX BY PLS_INTEGER;
  g_bands t_band_tab;

  -- open lines of one customer, with the net price worked out inline
  CURSOR c_open_lines (p_customer_id NUMBER) IS
    WITH
      FUNCTION net_of (p_price NUMBER, p_disc NUMBER) RETURN NUMBER IS
      BEGIN
        RETURN ROUND(p_price * (1 - NVL(p_disc, 0) / 100), 2);
      END;
    SELECT ol.order_id,
           ol.line_no,
           ol.item_id,
           ol.qty,
           net_of(ol.unit_price, ol.discount_pct) AS net_price,
           CASE
             WHEN ol.qty >= 100 THEN 'BULK'
             WHEN ol.qty >= 10  THEN 'CASE'
             ELSE 'UNIT'
           END AS pack_class
      FROM order_lines ol
      JOIN orders o ON o.order_id = ol.order_id
     WHERE o.customer_id = p_customer_id
       AND o.status = 'OPEN'
     ORDER BY ol.order_id, ol.line_no;

  ------------------------------------------------------------------------
  FUNCTION tier_pct (p_qty IN NUMBER) RETURN NUMBER
    RESULT_CACHE
  IS
    CURSOR c_tier IS
      SELECT pct
        FROM discount_tiers
       WHERE price_list = g_price_list
         AND min_qty <= p_qty
       ORDER BY min_qty DESC;
    l_pct NUMBER;
  BEGIN
    OPEN c_tier;
    FETCH c_tier INTO l_pct;
    CLOSE c_tier;
    RETURN NVL(l_pct, 0);
  END tier_pct;

  ------------------------------------------------------------------------
  FUNCTION round_amount (p_amount IN NUMBER) RETURN NUMBER
    DETERMINISTIC
  IS
  BEGIN
    RETURN CASE g_currency
             WHEN 'JPY' THEN ROUND(p_amount)
             WHEN 'KWD' THEN ROUND(p_amount, 3)
             ELSE ROUND(p_amount, g_round_digits)
           END;
  END round_amount;

  ------------------------------------------------------------------------
  FUNCTION band_of (p_amount IN NUMBER) RETURN VARCHAR2 IS
    l_band VARCHAR2(10) := 'NONE';
  BEGIN
    FOR i IN 1 .. g_bands.COUNT LOOP
      l_band := CASE
                  WHEN p_amount BETWEEN g_bands(i).lower_amt
                                    AND g_bands(i).upper_amt
                  THEN g_bands(i).band_code
                  ELSE l_band
                END;
    END LOOP;
    RETURN l_band;
  END band_of;

  ------------------------------------------------------------------------
  PROCEDURE reprice_customer (p_customer_id IN NUMBER) IS
    l_line      c_open_lines%ROWTYPE;
    l_surcharge NUMBER;
    l_new_price NUMBER;
  BEGIN
    OPEN c_open_lines(p_customer_id);
    LOOP
      FETCH c_open_lines INTO l_line;
      EXIT WHEN c_open_lines%NOTFOUND;

      CASE l_line.pack_class
        WHEN 'BULK' THEN
          l_surcharge := 0;
        WHEN 'CASE' THEN
          l_surcharge := 1.5;
        ELSE
          l_surcharge := 3;
      END CASE;

      l_new_price := round_amount(
                       l_line.net_price * (1 - tier_pct(l_line.qty) / 100)
                       + l_surcharge);

      UPDATE order_lines
         SET unit_price_net = l_new_price
       WHERE order_id = l_line.order_id
         AND line_no  = l_line.line_no;
    END LOOP;
    CLOSE c_open_lines;
    COMMIT;
  EXCEPTION
    WHEN DUP_VAL_ON_INDEX THEN
      ROLLBACK;
      pkg_log.warn('reprice_customer', 'duplicate net price row');
    WHEN OTHERS THEN
      ROLLBACK;
      pkg_log.error('reprice_customer', SQLERRM);
      RAISE;
  END reprice_customer;

  ------------------------------------------------------------------------
  FUNCTION customer_total (p_customer_id IN NUMBER) RETURN NUMBER IS
    l_line  c_open_lines%ROWTYPE;
    l_total NUMBER := 0;
  BEGIN
    OPEN c_open_lines(p_customer_id);
    LOOP
      FETCH c_open_lines INTO l_line;
      EXIT WHEN c_open_lines%NOTFOUND;
      l_total := l_total + l_line.qty * l_line.net_price;
    END LOOP;
    CLOSE c_open_lines;
    RETURN round_amount(l_total);
  EXCEPTION
    WHEN OTHERS THEN
      IF c_open_lines%ISOPEN THEN
        CLOSE c_open_lines;
      END IF;
      RAISE;
  END customer_total;

  ------------------------------------------------------------------------
  -- Hands the priced lines to the caller; the report layer closes it.
  FUNCTION priced_lines_rc (p_order_id IN NUMBER) RETURN SYS_REFCURSOR IS
    l_rc SYS_REFCURSOR;
  BEGIN
    OPEN l_rc FOR
      WITH
        FUNCTION gross_of (p_net NUMBER, p_vat NUMBER) RETURN NUMBER IS
          l_factor NUMBER;
        BEGIN
          l_factor := CASE WHEN p_vat IS NULL THEN 1 ELSE 1 + p_vat / 100 END;
          RETURN ROUND(p_net * l_factor, 2);
        END;
      SELECT ol.line_no,
             ol.item_id,
             ol.qty,
             ol.unit_price_net,
             gross_of(ol.unit_price_net, i.vat_pct) AS unit_price_gross
        FROM order_lines ol
        JOIN items i ON i.item_id = ol.item_id
       WHERE ol.order_id = p_order_id
       ORDER BY ol.line_no;
    RETURN l_rc;
  END priced_lines_rc;

  ------------------------------------------------------------------------
  PROCEDURE export_open_lines (p_customer_id IN NUMBER, p_file IN VARCHAR2) IS
    l_rc SYS_REFCURSOR;
  BEGIN
    OPEN l_rc FOR
      SELECT order_id, line_no, item_id, qty,
             CASE WHEN qty >= 100 THEN 'BULK' ELSE 'STD' END AS pack_class
        FROM order_lines
       WHERE order_id IN (SELECT order_id
                            FROM orders
                           WHERE customer_id = p_customer_id
                             AND status = 'OPEN');
    pkg_export.write_csv(p_cursor => l_rc, p_file_name => p_file);
  END export_open_lines;

  ------------------------------------------------------------------------
  PROCEDURE apply_band_rebates (p_period IN DATE) IS
    TYPE t_cust_tab IS TABLE OF NUMBER INDEX BY PLS_INTEGER;
    l_rc        SYS_REFCURSOR;
    l_cust_id   NUMBER;
    l_turnover  NUMBER;
    l_band      VARCHAR2(10);
    l_rebated   t_cust_tab;
  BEGIN
    OPEN l_rc FOR
      WITH
        FUNCTION month_start (p_d DATE) RETURN DATE IS
        BEGIN
          RETURN TRUNC(p_d, 'MM');
        END;
        FUNCTION month_end (p_d DATE) RETURN DATE IS
        BEGIN
          RETURN LAST_DAY(TRUNC(p_d)) + 1 - 1 / 86400;
        END;
      SELECT o.customer_id,
             SUM(ol.qty * ol.unit_price_net) AS turnover
        FROM orders o
        JOIN order_lines ol ON ol.order_id = o.order_id
       WHERE o.order_date BETWEEN month_start(p_period) AND month_end(p_period)
       GROUP BY o.customer_id;

    LOOP
      FETCH l_rc INTO l_cust_id, l_turnover;
      EXIT WHEN l_rc%NOTFOUND;

      l_band := band_of(l_turnover);
      CASE
        WHEN l_band IN ('GOLD', 'PLATINUM') THEN
          INSERT INTO customer_rebates (customer_id, period, band, amount)
          VALUES (l_cust_id, TRUNC(p_period, 'MM'), l_band,
                  round_amount(l_turnover * 0.02));
          l_rebated(l_rebated.COUNT + 1) := l_cust_id;
        WHEN l_band = 'SILVER' THEN
          INSERT INTO customer_rebates (customer_id, period, band, amount)
          VALUES (l_cust_id, TRUNC(p_period, 'MM'), l_band,
                  round_amount(l_turnover * 0.01));
          l_rebated(l_rebated.COUNT + 1) := l_cust_id;
        ELSE
          NULL;
      END CASE;
    END LOOP;

    pkg_log.info('apply_band_rebates',
                 l_rebated.COUNT || ' customers rebated for '
                 || TO_CHAR(p_period, 'YYYY-MM'));
  END apply_band_rebates;

BEGIN
  BEGIN
    SELECT s.currency_code, c.decimals
      INTO g_currency, g_round_digits
      FROM app_settings s
      JOIN currencies c ON c.code = s.currency_code
     WHERE s.setting_scope = 'PRICING';
  EXCEPTION
    WHEN NO_DATA_FOUND THEN
      NULL;  -- keep the defaults
  END;

  g_bands(1).band_code := 'SILVER';
  g_bands(1).lower_amt := 10000;
  g_bands(1).upper_amt := 49999.99;
  g_bands(2).band_code := 'GOLD';
  g_bands(2).lower_amt := 50000;
  g_bands(2).upper_amt := 249999.99;
  g_bands(3).band_code := 'PLATINUM';
  g_bands(3).lower_amt := 250000;
  g_bands(3).upper_amt := 1E12;
END pkg_order_pricing;
/
