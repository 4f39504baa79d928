CREATE OR REPLACE PACKAGE BODY pkg_gl_posting AS
  /* General ledger posting. Journal lines are posted in batches; a batch is
     either posted completely or not at all. */

  FUNCTION account_balance(p_account_id IN NUMBER, p_as_of IN DATE) RETURN NUMBER IS
    l_cursor  INTEGER;
    l_rows    INTEGER;
    l_balance NUMBER;
  BEGIN
    -- dbms_sql so that the partition clause can be chosen at run time
    l_cursor := dbms_sql.open_cursor;
    dbms_sql.parse(l_cursor,
                   'SELECT NVL(SUM(debit - credit), 0) FROM gl_entries PARTITION FOR (:d) '
                   || 'WHERE account_id = :a AND posting_date <= :d',
                   dbms_sql.native);
    dbms_sql.bind_variable(l_cursor, ':a', p_account_id);
    dbms_sql.bind_variable(l_cursor, ':d', p_as_of);
    dbms_sql.define_column(l_cursor, 1, l_balance);
    l_rows := dbms_sql.execute_and_fetch(l_cursor);
    dbms_sql.column_value(l_cursor, 1, l_balance);
    dbms_sql.close_cursor(l_cursor);
    RETURN l_balance;
  EXCEPTION
    WHEN OTHERS THEN
      IF dbms_sql.is_open(l_cursor) THEN
        dbms_sql.close_cursor(l_cursor);
      END IF;
      RAISE;
  END account_balance;

  PROCEDURE check_batch(p_batch_id IN NUMBER) IS
    l_debit  NUMBER;
    l_credit NUMBER;
  BEGIN
    SELECT SUM(debit), SUM(credit)
      INTO l_debit, l_credit
      FROM journal_lines
     WHERE batch_id = p_batch_id;
    IF NVL(l_debit, 0) <> NVL(l_credit, 0) THEN
      raise_application_error(-20800, 'Batch ' || p_batch_id || ' does not balance: '
                                      || l_debit || ' <> ' || l_credit);
    END IF;
  END check_batch;

  PROCEDURE post_batch(p_batch_id IN NUMBER) IS
    CURSOR c_limit(cp_account_id NUMBER) IS
      SELECT overdraft_limit
        FROM gl_accounts
       WHERE account_id = cp_account_id;
    l_limit gl_accounts.overdraft_limit%TYPE;
  BEGIN
    check_batch(p_batch_id);
    FOR r IN (SELECT account_id, SUM(debit - credit) AS amount
                FROM journal_lines
               WHERE batch_id = p_batch_id
               GROUP BY account_id)
    LOOP
      OPEN c_limit(r.account_id);
      FETCH c_limit INTO l_limit;
      IF l_limit IS NOT NULL
         AND account_balance(r.account_id, SYSDATE) + r.amount < -l_limit THEN
        raise_application_error(-20801, 'Posting exceeds the overdraft limit of account ' || r.account_id);
      END IF;
    END LOOP;

    INSERT INTO gl_entries (entry_id, account_id, posting_date, debit, credit, batch_id)
    SELECT gl_entries_seq.NEXTVAL, account_id, TRUNC(SYSDATE), debit, credit, batch_id
      FROM journal_lines
     WHERE batch_id = p_batch_id;

    UPDATE journal_batches SET status = 'POSTED', posted_at = SYSDATE WHERE batch_id = p_batch_id;
  END post_batch;

  FUNCTION open_items(p_account_id IN NUMBER) RETURN SYS_REFCURSOR IS
    l_items SYS_REFCURSOR;
  BEGIN
    OPEN l_items FOR
      'SELECT entry_id, posting_date, debit - credit AS amount
         FROM gl_entries
        WHERE account_id = :a
          AND cleared = ''N''
        ORDER BY posting_date'
      USING p_account_id;
    RETURN l_items;
  END open_items;

END pkg_gl_posting;
/
