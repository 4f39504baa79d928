/*
 * t_money_ot.tpb
 *
 * Body of the object type T_MONEY (amount + ISO currency code).
 *
 *   CREATE OR REPLACE TYPE t_money AS OBJECT (
 *     amount   NUMBER(18,4),
 *     currency VARCHAR2(3),
 *     CONSTRUCTOR FUNCTION t_money (p_amount NUMBER, p_currency VARCHAR2) RETURN SELF AS RESULT,
 *     MEMBER FUNCTION plus (p_other t_money) RETURN t_money,
 *     MEMBER FUNCTION convert_to (p_currency VARCHAR2, p_date DATE DEFAULT SYSDATE) RETURN t_money,
 *     MEMBER FUNCTION to_string RETURN VARCHAR2,
 *     MAP MEMBER FUNCTION sort_key RETURN NUMBER,
 *     STATIC FUNCTION zero (p_currency VARCHAR2) RETURN t_money,
 *     STATIC FUNCTION rates_on (p_date DATE) RETURN SYS_REFCURSOR,
 *     STATIC FUNCTION sum_of (p_order_id NUMBER) RETURN t_money
 *   ) NOT FINAL;
 */
SET DEFINE OFF

CREATE OR REPLACE TYPE BODY t_money
AS
  ------------------------------------------------------------------------------
  CONSTRUCTOR FUNCTION t_money (p_amount NUMBER, p_currency VARCHAR2)
    RETURN SELF AS RESULT
  IS
    l_known PLS_INTEGER;
  BEGIN
    SELECT COUNT(*)
      INTO l_known
      FROM currencies
     WHERE iso_code = UPPER(p_currency);

    IF l_known = 0 THEN
      RAISE_APPLICATION_ERROR(-20701, 'Unknown currency ' || p_currency);
    END IF;

    SELF.amount   := ROUND(p_amount, 4);
    SELF.currency := UPPER(p_currency);
    RETURN;
  END;

  ------------------------------------------------------------------------------
  MEMBER FUNCTION plus (p_other t_money) RETURN t_money
  IS
  BEGIN
    IF p_other IS NULL THEN
      RETURN SELF;
    ELSIF p_other.currency = SELF.currency THEN
      RETURN t_money(SELF.amount + p_other.amount, SELF.currency);
    ELSE
      RETURN t_money(SELF.amount + p_other.convert_to(SELF.currency).amount, SELF.currency);
    END IF;
  END plus;

  ------------------------------------------------------------------------------
  MEMBER FUNCTION convert_to (p_currency VARCHAR2, p_date DATE DEFAULT SYSDATE)
    RETURN t_money
  IS
    CURSOR c_rate (cp_from VARCHAR2, cp_to VARCHAR2, cp_date DATE) IS
      SELECT rate
        FROM exchange_rates
       WHERE from_currency = cp_from
         AND to_currency   = cp_to
         AND rate_date    <= cp_date
       ORDER BY rate_date DESC;
    l_rate exchange_rates.rate%TYPE;
  BEGIN
    IF UPPER(p_currency) = SELF.currency THEN
      RETURN SELF;
    END IF;

    OPEN c_rate(SELF.currency, UPPER(p_currency), TRUNC(p_date));
    FETCH c_rate INTO l_rate;
    IF c_rate%NOTFOUND THEN
      RAISE_APPLICATION_ERROR(-20702, 'No rate ' || SELF.currency || '->' || p_currency
                                   || ' on ' || TO_CHAR(p_date, 'YYYY-MM-DD'));
    END IF;
    RETURN t_money(SELF.amount * l_rate, p_currency);
  END convert_to;

  ------------------------------------------------------------------------------
  MEMBER FUNCTION to_string RETURN VARCHAR2
  IS
    l_fmt VARCHAR2(40);
  BEGIN
    l_fmt := CASE SELF.currency
               WHEN 'JPY' THEN 'FM999G999G999G990'
               WHEN 'BHD' THEN 'FM999G999G999G990D000'
               ELSE            'FM999G999G999G990D00'
             END;
    RETURN TO_CHAR(SELF.amount, l_fmt) || ' ' || SELF.currency;
  END to_string;

  ------------------------------------------------------------------------------
  MAP MEMBER FUNCTION sort_key RETURN NUMBER
  IS
  BEGIN
    -- compare in EUR; without a rate fall back to the raw amount
    RETURN convert_to('EUR').amount;
  EXCEPTION
    WHEN OTHERS THEN
      RETURN SELF.amount;
  END sort_key;

  ------------------------------------------------------------------------------
  STATIC FUNCTION zero (p_currency VARCHAR2) RETURN t_money
  IS
  BEGIN
    RETURN t_money(0, p_currency);
  END zero;

  ------------------------------------------------------------------------------
  STATIC FUNCTION rates_on (p_date DATE) RETURN SYS_REFCURSOR
  IS
    l_rc SYS_REFCURSOR;
  BEGIN
    OPEN l_rc FOR
      SELECT from_currency, to_currency, rate
        FROM exchange_rates r
       WHERE rate_date = (SELECT MAX(r2.rate_date)
                            FROM exchange_rates r2
                           WHERE r2.from_currency = r.from_currency
                             AND r2.to_currency   = r.to_currency
                             AND r2.rate_date    <= p_date)
       ORDER BY from_currency, to_currency;
    RETURN l_rc;
  END rates_on;

  ------------------------------------------------------------------------------
  STATIC FUNCTION sum_of (p_order_id NUMBER) RETURN t_money
  IS
    l_result t_money;
  BEGIN
    FOR r IN (SELECT ol.quantity * ol.unit_price AS amount,
                     o.currency
                FROM order_lines ol
                JOIN orders o ON o.order_id = ol.order_id
               WHERE ol.order_id = p_order_id)
    LOOP
      IF l_result IS NULL THEN
        l_result := t_money(r.amount, r.currency);
      ELSE
        l_result := l_result.plus(t_money(r.amount, r.currency));
      END IF;
    END LOOP;

    RETURN NVL(l_result, t_money.zero('EUR'));
  END sum_of;

END;
/
SHOW ERRORS TYPE BODY t_money
