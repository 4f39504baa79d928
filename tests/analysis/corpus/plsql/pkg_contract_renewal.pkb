CREATE OR REPLACE PACKAGE BODY pkg_contract_renewal AS
  /*
   * Renewal of service contracts. Contracts that end within the notice
   * period are renewed for another term unless the customer gave notice.
   * Contracts are 'ACTIVE', 'NOTICE_GIVEN', 'RENEWED' or 'ENDED'.
   */

  g_notice_days PLS_INTEGER;

  -- forward declarations: renew_one and notify call each other's helpers
  PROCEDURE notify(p_contract_id IN NUMBER, p_event IN VARCHAR2);
  FUNCTION next_term_end(p_end IN DATE, p_term_months IN NUMBER) RETURN DATE;

  PROCEDURE renew_one(p_contract_id IN NUMBER) IS
    CURSOR c_contracts IS
      SELECT contract_id, end_date, term_months, status
        FROM contracts
       WHERE contract_id = p_contract_id
         FOR UPDATE;
    l_row c_contracts%ROWTYPE;
  BEGIN
    OPEN c_contracts;
    FETCH c_contracts INTO l_row;
    IF c_contracts%FOUND AND l_row.status = 'ACTIVE' THEN
      UPDATE contracts
         SET end_date = next_term_end(l_row.end_date, l_row.term_months),
             status = 'RENEWED',
             renewed_at = SYSDATE
       WHERE CURRENT OF c_contracts;
      notify(p_contract_id, 'RENEWED');
    END IF;
    CLOSE c_contracts;
  END renew_one;

  FUNCTION due_count(p_as_of IN DATE) RETURN PLS_INTEGER IS
    CURSOR c_contracts IS
      SELECT COUNT(*)
        FROM contracts
       WHERE status = 'ACTIVE'
         AND end_date BETWEEN p_as_of AND p_as_of + g_notice_days;
    l_count PLS_INTEGER;
  BEGIN
    OPEN c_contracts;
    FETCH c_contracts INTO l_count;
    -- CLOSE c_contracts;  (the cursor goes out of scope here anyway)
    RETURN l_count;
  END due_count;

  PROCEDURE notify(p_contract_id IN NUMBER, p_event IN VARCHAR2) IS
    l_text VARCHAR2(400);
  BEGIN
    l_text := CASE p_event
                WHEN 'RENEWED' THEN 'Your contract ' || p_contract_id || ' was renewed.'
                WHEN 'ENDED' THEN 'Your contract ' || p_contract_id || ' has ended.'
                ELSE 'Your contract ' || p_contract_id || ' changed: ' || p_event
              END;
    INSERT INTO customer_notifications (contract_id, created_at, text)
    VALUES (p_contract_id, SYSDATE, l_text);
  END notify;

  FUNCTION next_term_end(p_end IN DATE, p_term_months IN NUMBER) RETURN DATE IS
  BEGIN
    RETURN ADD_MONTHS(p_end, NVL(p_term_months, 12));
  END next_term_end;

  PROCEDURE run(p_as_of IN DATE DEFAULT TRUNC(SYSDATE)) IS
    l_renewed PLS_INTEGER := 0;
    l_ended   PLS_INTEGER := 0;
  BEGIN
    FOR r IN (SELECT contract_id
                FROM contracts
               WHERE status = 'ACTIVE'
                 AND end_date BETWEEN p_as_of AND p_as_of + g_notice_days)
    LOOP
      renew_one(r.contract_id);
      l_renewed := l_renewed + 1;
    END LOOP;

    DECLARE
      CURSOR c_expired IS
        SELECT contract_id
          FROM contracts
         WHERE status = 'NOTICE_GIVEN'
           AND end_date < p_as_of;
      l_id contracts.contract_id%TYPE;
    BEGIN
      OPEN c_expired;
      LOOP
        FETCH c_expired INTO l_id;
        EXIT WHEN c_expired%NOTFOUND;
        UPDATE contracts SET status = 'ENDED' WHERE contract_id = l_id;
        notify(l_id, 'ENDED');
        l_ended := l_ended + 1;
      END LOOP;
      CLOSE c_expired;
    END;

    INSERT INTO job_runs (job_name, run_at, message)
    VALUES ('CONTRACT_RENEWAL', SYSDATE,
            'open contracts renewed: ' || l_renewed || ', closed: ' || l_ended);
  END run;

BEGIN
  SELECT NVL(MAX(TO_NUMBER(value)), 90)
    INTO g_notice_days
    FROM app_settings
   WHERE name = 'CONTRACT_NOTICE_DAYS';
END pkg_contract_renewal;
/
