CREATE OR REPLACE PACKAGE BODY price_calc
AS
  ----------------------------------------------------------------------------
  -- Price calculation for order entry and the web shop.
  -- apply_price is overloaded: by item id, by item code, and by item id in a
  -- foreign currency.  The first two read the rate of the day from a cursor
  -- of their own, the third uses the package cursor c_rates.
  ----------------------------------------------------------------------------

  CURSOR c_rates (p_curr IN VARCHAR2) IS
    SELECT rate
      FROM fx_rates
     WHERE currency  = p_curr
       AND rate_date = (SELECT MAX(rate_date) FROM fx_rates WHERE currency = p_curr);

  CURSOR c_tiers (p_list IN NUMBER) IS
    SELECT tier_no, qty_from, discount_pct
      FROM price_tiers
     WHERE list_id = p_list
     ORDER BY tier_no;

  g_base_curr CONSTANT VARCHAR2(3) := 'EUR';

  ----------------------------------------------------------------------------
  -- forward declarations
  ----------------------------------------------------------------------------
  FUNCTION list_price (p_item IN NUMBER) RETURN NUMBER;
  PROCEDURE log_price (p_item IN NUMBER, p_price IN NUMBER, p_note IN VARCHAR2 DEFAULT NULL);
  FUNCTION fmt (p_value IN NUMBER) RETURN VARCHAR2;
  FUNCTION fmt (p_value IN DATE) RETURN VARCHAR2;

  ----------------------------------------------------------------------------
  -- apply_price #1: by item id, in the base currency of the customer
  ----------------------------------------------------------------------------
  PROCEDURE apply_price (p_item  IN  NUMBER,
                         p_qty   IN  NUMBER,
                         x_price OUT NUMBER)
  IS
    CURSOR c_rates IS
      SELECT c.rate
        FROM customer_rates c
       WHERE c.item_id = p_item
         AND SYSDATE BETWEEN c.valid_from AND NVL(c.valid_to, SYSDATE);
    l_rate NUMBER;
  BEGIN
    OPEN c_rates;
    FETCH c_rates INTO l_rate;
    x_price := ROUND(list_price(p_item) * p_qty * NVL(l_rate, 1), 2);
    log_price(p_item, x_price, 'by id, rate ' || fmt(l_rate));
  END apply_price;

  ----------------------------------------------------------------------------
  -- apply_price #2: by item code (web shop)
  ----------------------------------------------------------------------------
  PROCEDURE apply_price (p_item_code IN  VARCHAR2,
                         p_qty       IN  NUMBER,
                         x_price     OUT NUMBER)
  IS
    CURSOR c_rates IS
      SELECT i.item_id, NVL(c.rate, 1)
        FROM items i, customer_rates c
       WHERE i.item_code = p_item_code
         AND c.item_id (+) = i.item_id;
    l_item NUMBER;
    l_rate NUMBER;
  BEGIN
    OPEN c_rates;
    FETCH c_rates INTO l_item, l_rate;
    CLOSE c_rates;
    IF l_item IS NULL THEN
      RAISE_APPLICATION_ERROR(-20401, 'Unknown item ' || p_item_code);
    END IF;
    x_price := ROUND(list_price(l_item) * p_qty * l_rate, 2);
    log_price(l_item, x_price, 'by code');
  END apply_price;

  ----------------------------------------------------------------------------
  -- apply_price #3: by item id in a foreign currency
  ----------------------------------------------------------------------------
  PROCEDURE apply_price (p_item  IN  NUMBER,
                         p_qty   IN  NUMBER,
                         p_curr  IN  VARCHAR2,
                         x_price OUT NUMBER)
  IS
    l_rate NUMBER;
  BEGIN
    IF p_curr = g_base_curr THEN
      apply_price(p_item, p_qty, x_price);
      RETURN;
    END IF;
    OPEN c_rates(p_curr);
    FETCH c_rates INTO l_rate;
    CLOSE c_rates;
    x_price := ROUND(list_price(p_item) * p_qty / l_rate, 2);
    log_price(p_item, x_price, p_curr);
  EXCEPTION
    WHEN OTHERS THEN
      log_price(p_item, NULL, p_curr || ': ' || SQLERRM);
      x_price := NULL;
  END apply_price;

  ----------------------------------------------------------------------------
  -- get_tiers: three overloads for the three callers
  ----------------------------------------------------------------------------
  FUNCTION get_tiers (p_list IN NUMBER) RETURN SYS_REFCURSOR
  IS
    l_rc SYS_REFCURSOR;
  BEGIN
    OPEN l_rc FOR
      SELECT tier_no, qty_from, discount_pct FROM price_tiers WHERE list_id = p_list;
    RETURN l_rc;
  END get_tiers;

  PROCEDURE get_tiers (p_list IN NUMBER, x_rc OUT SYS_REFCURSOR)
  IS
  BEGIN
    x_rc := get_tiers(p_list);
  END get_tiers;

  -- the order form fetches the tiers itself (next_tier) and closes them
  PROCEDURE get_tiers (p_list IN NUMBER, p_keep_open IN BOOLEAN)
  IS
  BEGIN
    IF c_tiers%ISOPEN THEN
      CLOSE c_tiers;
    END IF;
    IF p_keep_open THEN
      OPEN c_tiers(p_list);
    END IF;
  EXCEPTION
    WHEN OTHERS THEN
      log_price(NULL, NULL, 'get_tiers ' || p_list || ': ' || SQLERRM);
      RAISE;
  END get_tiers;

  FUNCTION next_tier (x_qty_from OUT NUMBER, x_pct OUT NUMBER) RETURN BOOLEAN
  IS
    l_no NUMBER;
  BEGIN
    FETCH c_tiers INTO l_no, x_qty_from, x_pct;
    IF c_tiers%NOTFOUND THEN
      CLOSE c_tiers;
      RETURN FALSE;
    END IF;
    RETURN TRUE;
  END next_tier;

  ----------------------------------------------------------------------------
  -- best_discount: the highest tier the quantity reaches
  ----------------------------------------------------------------------------
  FUNCTION best_discount (p_list IN NUMBER, p_qty IN NUMBER) RETURN NUMBER
  IS
    l_tier c_tiers%ROWTYPE;
    l_pct  NUMBER := 0;
  BEGIN
    OPEN c_tiers(p_list);
    LOOP
      FETCH c_tiers INTO l_tier;
      EXIT WHEN c_tiers%NOTFOUND;
      IF p_qty >= l_tier.qty_from THEN
        l_pct := l_tier.discount_pct;
      END IF;
    END LOOP;
    CLOSE c_tiers;
    RETURN l_pct;
  EXCEPTION
    WHEN INVALID_NUMBER OR VALUE_ERROR THEN
      IF c_tiers%ISOPEN THEN
        CLOSE c_tiers;
      END IF;
      RETURN 0;
  END best_discount;

  ----------------------------------------------------------------------------
  -- reprice_list: nightly repricing of a price list
  ----------------------------------------------------------------------------
  PROCEDURE reprice_list (p_list IN NUMBER)
  IS
    CURSOR c_items IS
      SELECT item_id, base_price
        FROM price_list_items
       WHERE list_id = p_list
         FOR UPDATE OF list_price;
    l_item NUMBER;
    l_base NUMBER;
    l_new  NUMBER;

    PROCEDURE apply_tiers (p_item IN NUMBER, p_price IN OUT NUMBER)
    IS
      l_qty NUMBER;

      FUNCTION tier_factor (p_min_qty IN NUMBER) RETURN NUMBER
      IS
        CURSOR c_items IS
          SELECT factor
            FROM price_tier_factors
           WHERE item_id = p_item
             AND qty_from <= p_min_qty
           ORDER BY qty_from DESC;
        l_f NUMBER;
      BEGIN
        OPEN c_items;
        FETCH c_items INTO l_f;
        CLOSE c_items;
        RETURN NVL(l_f, 1);
      END tier_factor;

    BEGIN
      SELECT NVL(MIN(min_order_qty), 1) INTO l_qty FROM items WHERE item_id = p_item;
      p_price := ROUND(p_price * tier_factor(l_qty), 2);
    END apply_tiers;

  BEGIN
    OPEN c_items;
    LOOP
      FETCH c_items INTO l_item, l_base;
      EXIT WHEN c_items%NOTFOUND;
      l_new := l_base;
      apply_tiers(l_item, l_new);
      UPDATE price_list_items
         SET list_price = l_new
       WHERE CURRENT OF c_items;
    END LOOP;
    COMMIT;
  END reprice_list;

  ----------------------------------------------------------------------------
  -- bodies of the forward declared routines
  ----------------------------------------------------------------------------
  FUNCTION list_price (p_item IN NUMBER) RETURN NUMBER
  IS
    CURSOR c_price IS
      SELECT list_price FROM items WHERE item_id = p_item;
    l_price NUMBER;
  BEGIN
    OPEN c_price;
    FETCH c_price INTO l_price;
    CLOSE c_price;
    RETURN NVL(l_price, 0);
  END list_price;

  PROCEDURE log_price (p_item IN NUMBER, p_price IN NUMBER, p_note IN VARCHAR2 DEFAULT NULL)
  IS
    PRAGMA AUTONOMOUS_TRANSACTION;
  BEGIN
    INSERT INTO price_log (logged_at, item_id, price, note)
    VALUES (SYSTIMESTAMP, p_item, p_price, SUBSTR(p_note, 1, 400));
    COMMIT;
  END log_price;

  FUNCTION fmt (p_value IN NUMBER) RETURN VARCHAR2
  IS
  BEGIN
    RETURN TO_CHAR(p_value, 'FM999G999G990D00');
  END fmt;

  FUNCTION fmt (p_value IN DATE) RETURN VARCHAR2
  IS
  BEGIN
    RETURN TO_CHAR(p_value, 'YYYY-MM-DD');
  END fmt;

END price_calc;
/
SHOW ERRORS
