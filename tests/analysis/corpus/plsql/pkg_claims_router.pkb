CREATE OR REPLACE PACKAGE BODY pkg_claims_router
AS
  -- formatted by the team's pretty printer in "vertical" mode

  CURSOR
    c_queue
  IS
    SELECT claim_id, claim_type, amount
      FROM claims
     WHERE routed = 'N'
     ORDER BY received_at;

  CURSOR c_adjusters (p_type VARCHAR2) IS
    SELECT adjuster_id FROM adjusters WHERE skill = p_type AND active = 'Y';

  PROCEDURE release_queue
  IS
  BEGIN
    IF
      c_queue%ISOPEN
    THEN
      CLOSE
        c_queue
        ;
    END IF;
  END release_queue;

  FUNCTION pick_adjuster
  (
    p_type IN VARCHAR2
  )
  RETURN NUMBER
  IS
    l_id NUMBER;
  BEGIN
    OPEN
      c_adjusters
      (
        p_type
      )
      ;
    FETCH
      c_adjusters
    INTO
      l_id
      ;
    CLOSE
      c_adjusters
      ;
    RETURN
      l_id
      ;
  EXCEPTION
    WHEN
      OTHERS
    THEN
      IF c_adjusters%ISOPEN THEN
        CLOSE
          c_adjusters;
      END IF;
      RAISE;
  END pick_adjuster;

  PROCEDURE route_all
  IS
    l_claim NUMBER;
    l_type  VARCHAR2(10);
    l_amt   NUMBER;
    l_adj   NUMBER;
  BEGIN
    OPEN
      c_queue
      ;
    LOOP
      FETCH c_queue INTO l_claim, l_type, l_amt;
      EXIT WHEN c_queue%NOTFOUND;
      CASE
        WHEN l_amt > 100000 THEN
          l_adj := pick_adjuster('SENIOR');
        WHEN l_type = 'AUTO' THEN
          l_adj := pick_adjuster('AUTO');
        ELSE
          l_adj := pick_adjuster('GENERAL');
      END CASE;
      UPDATE claims SET routed = 'Y', adjuster_id = l_adj WHERE claim_id = l_claim;
    END LOOP;
    CLOSE
      c_queue
      ;
  EXCEPTION
    WHEN
      CASE_NOT_FOUND
    THEN
      release_queue;
      RAISE;
    WHEN
      OTHERS
    THEN
      RAISE;
  END route_all;

  PROCEDURE route_one_type
  (
    p_type IN VARCHAR2
  )
  IS
    l_claim NUMBER;
    l_type  VARCHAR2(10);
    l_amt   NUMBER;
  BEGIN
    OPEN
      c_queue;
    FETCH c_queue INTO l_claim, l_type, l_amt;
    WHILE c_queue%FOUND LOOP
      IF l_type = p_type THEN
        UPDATE claims SET routed = 'Y' WHERE claim_id = l_claim;
      END IF;
      FETCH c_queue INTO l_claim, l_type, l_amt;
    END LOOP;
    CLOSE c_queue;
  EXCEPTION
    WHEN
      NO_DATA_FOUND
    THEN
      NULL;
  END route_one_type;

  FUNCTION severity
  (
    p_claim IN NUMBER
  )
  RETURN VARCHAR2
  IS
    CURSOR
      c_hist
    IS
      SELECT COUNT(*) FROM claims
       WHERE customer_id = (SELECT customer_id FROM claims WHERE claim_id = p_claim);
    l_cnt NUMBER;
  BEGIN
    OPEN
      c_hist
      ;
    FETCH
      c_hist
    INTO
      l_cnt;
    RETURN
      CASE
        WHEN l_cnt > 10 THEN 'HIGH'
        WHEN l_cnt > 3  THEN 'MEDIUM'
        ELSE                 'LOW'
      END;
  END severity;

  FUNCTION claim_summary
  (
    p_claim IN NUMBER
  )
  RETURN VARCHAR2
  IS
    CURSOR c_sum IS
      SELECT claim_type, amount FROM claims WHERE claim_id = p_claim;
    l_type VARCHAR2(10);
    l_amt  NUMBER;
  BEGIN
    OPEN c_sum;
    FETCH c_sum INTO l_type, l_amt;
    CASE
      WHEN c_sum%NOTFOUND THEN
        CLOSE c_sum;
        RETURN NULL;
      ELSE
        CLOSE
          c_sum;
    END CASE;
    RETURN
      CASE l_type
        WHEN 'AUTO' THEN 'Vehicle claim of '
        WHEN 'HOME' THEN 'Property claim of '
        ELSE 'Claim of '
      END || TO_CHAR(l_amt, 'FM999G990D00');
  END claim_summary;

  PROCEDURE stats
  (
    p_rc OUT SYS_REFCURSOR
  )
  IS
    l_rc
      SYS_REFCURSOR
      ;
  BEGIN
    OPEN
      l_rc
    FOR
      SELECT claim_type, COUNT(*), SUM(amount)
        FROM claims
       GROUP BY claim_type;
    p_rc
      :=
      l_rc
      ;
  END stats;

  PROCEDURE stats_print
  IS
    l_rc
      SYS_REFCURSOR;
    l_type VARCHAR2(10);
    l_cnt  NUMBER;
    l_sum  NUMBER;
  BEGIN
    OPEN
      l_rc
    FOR
      SELECT claim_type, COUNT(*), SUM(amount) FROM claims GROUP BY claim_type;
    LOOP
      FETCH l_rc INTO l_type, l_cnt, l_sum;
      EXIT WHEN l_rc%NOTFOUND;
      DBMS_OUTPUT.PUT_LINE(l_type || ': ' || l_cnt || ' / ' || l_sum);
    END LOOP;
  END stats_print;

END pkg_claims_router;
/
