CREATE OR REPLACE PACKAGE BODY pkg_customer_merge AS
  -- Merges duplicate customer records found by the nightly match job.
  -- The surviving record keeps the lowest customer_id.

  CURSOR c_candidates IS
    SELECT m.match_id, m.customer_id_a, m.customer_id_b, m.score
      FROM customer_matches m
     WHERE m.status = 'CONFIRMED'
     ORDER BY m.score DESC;

  CURSOR c_references(cp_customer_id NUMBER) IS
    SELECT table_name, column_name
      FROM customer_reference_columns
     WHERE active = 'Y'
       AND cp_customer_id IS NOT NULL;

  g_merged PLS_INTEGER := 0;

  PROCEDURE move_references(p_from IN NUMBER, p_to IN NUMBER) IS
    l_ref c_references%ROWTYPE;
  BEGIN
    OPEN c_references(p_from);
    LOOP
      FETCH c_references INTO l_ref;
      EXIT WHEN c_references%NOTFOUND;
      EXECUTE IMMEDIATE 'UPDATE ' || dbms_assert.sql_object_name(l_ref.table_name)
                     || ' SET ' || dbms_assert.simple_sql_name(l_ref.column_name) || ' = :to_id'
                     || ' WHERE ' || dbms_assert.simple_sql_name(l_ref.column_name) || ' = :from_id'
        USING p_to, p_from;
    END LOOP;
    CLOSE c_references;
  EXCEPTION
    WHEN OTHERS THEN
      IF c_references%ISOPEN THEN
        CLOSE c_references;
      END IF;
      RAISE;
  END move_references;

  PROCEDURE merge_pair(p_keep IN NUMBER, p_drop IN NUMBER) IS
    l_keep customers%ROWTYPE;
    l_drop customers%ROWTYPE;
  BEGIN
    SELECT * INTO l_keep FROM customers WHERE customer_id = p_keep FOR UPDATE;
    SELECT * INTO l_drop FROM customers WHERE customer_id = p_drop FOR UPDATE;

    UPDATE customers
       SET email = NVL(l_keep.email, l_drop.email),
           phone = NVL(l_keep.phone, l_drop.phone),
           credit_limit = GREATEST(NVL(l_keep.credit_limit, 0), NVL(l_drop.credit_limit, 0))
     WHERE customer_id = p_keep;

    move_references(p_drop, p_keep);

    UPDATE customers SET merged_into = p_keep, active = 'N' WHERE customer_id = p_drop;
    g_merged := g_merged + 1;
  END merge_pair;

  PROCEDURE run IS
    l_match c_candidates%ROWTYPE;
  BEGIN
    g_merged := 0;
    OPEN c_candidates;
    LOOP
      FETCH c_candidates INTO l_match;
      EXIT WHEN c_candidates%NOTFOUND;
      merge_pair(LEAST(l_match.customer_id_a, l_match.customer_id_b),
                 GREATEST(l_match.customer_id_a, l_match.customer_id_b));
      UPDATE customer_matches SET status = 'MERGED' WHERE match_id = l_match.match_id;
    END LOOP;
    CLOSE c_candidates;
    COMMIT;
  EXCEPTION
    WHEN no_data_found THEN
      -- one of the pair was deleted since the match job ran
      ROLLBACK;
      raise_application_error(-20700, 'Match ' || l_match.match_id || ' refers to a missing customer');
    WHEN dup_val_on_index THEN
      ROLLBACK;
      RAISE;
  END run;

  FUNCTION merged_count RETURN PLS_INTEGER IS
  BEGIN
    RETURN g_merged;
  END merged_count;

END pkg_customer_merge;
/
