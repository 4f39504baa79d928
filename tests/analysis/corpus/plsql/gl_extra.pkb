CREATE OR REPLACE PACKAGE BODY gl_extra AS
   -- forward declarations
   PROCEDURE close_all;
   FUNCTION  batch_total (p_batch_id IN NUMBER) RETURN NUMBER;

   CURSOR c_batch (p_batch_id IN NUMBER) IS
      SELECT je_header_id, CURSOR(SELECT je_line_num, accounted_dr
                                    FROM gl_je_lines l
                                   WHERE l.je_header_id = h.je_header_id) lines
        FROM gl_je_headers h
       WHERE h.je_batch_id = p_batch_id;

   CURSOR c_rates RETURN gl_daily_rates%ROWTYPE IS
      SELECT * FROM gl_daily_rates WHERE conversion_date = TRUNC(SYSDATE);

   CURSOR c$acct#1 IS
      SELECT code_combination_id FROM gl_code_combinations WHERE enabled_flag = 'Y';

   -- P1: local exception declared, no exception section: not reported
   PROCEDURE post_batch (p_batch_id IN NUMBER) IS
      e_unbalanced EXCEPTION;
      l_hdr   NUMBER;
      l_lines SYS_REFCURSOR;
   BEGIN
      OPEN c_batch(p_batch_id);
      FETCH c_batch INTO l_hdr, l_lines;
      CLOSE c_batch;
      IF batch_total(p_batch_id) <> 0 THEN
         RAISE e_unbalanced;
      END IF;
   END post_batch;

   -- P2: handler calls the package routine qualified with the package name
   PROCEDURE load_rates IS
      r_rate c_rates%ROWTYPE;
   BEGIN
      OPEN c_rates;
      LOOP
         FETCH c_rates INTO r_rate;
         EXIT WHEN c_rates%NOTFOUND;
         NULL;
      END LOOP;
      CLOSE c_rates;
   EXCEPTION
      WHEN OTHERS THEN
         gl_extra.close_all;
         RAISE;
   END load_rates;

   -- P3: identifier with $ and #, handler does not close: FL102
   FUNCTION first_account RETURN NUMBER IS
      l_id NUMBER;
   BEGIN
      OPEN c$acct#1;
      FETCH c$acct#1 INTO l_id;
      CLOSE c$acct#1;
      RETURN l_id;
   EXCEPTION
      WHEN OTHERS THEN
         RETURN NULL;
   END first_account;

   -- P4: deterministic / parallel_enable clauses before IS, local cursor never closed: FL101
   FUNCTION batch_total (p_batch_id IN NUMBER) RETURN NUMBER
      DETERMINISTIC PARALLEL_ENABLE
   IS
      CURSOR c_tot IS
         SELECT SUM(NVL(accounted_dr, 0) - NVL(accounted_cr, 0))
           FROM gl_je_lines l, gl_je_headers h
          WHERE h.je_batch_id = p_batch_id
            AND l.je_header_id = h.je_header_id;
      l_tot NUMBER;
   BEGIN
      OPEN c_tot;
      FETCH c_tot INTO l_tot;
      RETURN l_tot;
   END batch_total;

   -- P5: CLOSE split over two lines and in other case: closed
   PROCEDURE print_batch (p_batch_id IN NUMBER) IS
      CURSOR C_Hdr IS SELECT je_header_id FROM gl_je_headers WHERE je_batch_id = p_batch_id;
      l_id NUMBER;
   BEGIN
      OPEN C_Hdr;
      FETCH C_Hdr INTO l_id;
      CLOSE
         c_hdr;
      DBMS_OUTPUT.PUT_LINE('CLOSE c_hdr done ' || l_id);
   END print_batch;

   -- P6: string and q-quote with CLOSE text, real close missing: FL101
   PROCEDURE trace_batch (p_batch_id IN NUMBER) IS
      CURSOR c_trace IS SELECT je_header_id FROM gl_je_headers WHERE je_batch_id = p_batch_id;
      l_id  NUMBER;
      l_msg VARCHAR2(200);
   BEGIN
      OPEN c_trace;
      FETCH c_trace INTO l_id;
      l_msg := 'CLOSE c_trace;';
      l_msg := q'[CLOSE c_trace; -- ']' || l_msg;
      DBMS_OUTPUT.PUT_LINE(l_msg);
   END trace_batch;

   -- P7: autonomous transaction, pragma in the declarations; FL102 (handler only logs)
   PROCEDURE log_rates IS
      PRAGMA AUTONOMOUS_TRANSACTION;
      r_rate c_rates%ROWTYPE;
   BEGIN
      OPEN c_rates;
      FETCH c_rates INTO r_rate;
      CLOSE c_rates;
      INSERT INTO gl_rate_log VALUES (r_rate.from_currency, r_rate.conversion_rate, SYSDATE);
      COMMIT;
   EXCEPTION
      WHEN OTHERS THEN
         ROLLBACK;
         DBMS_OUTPUT.PUT_LINE(SQLERRM);
   END log_rates;

   -- P8: an inner block with its own handler around the OPEN, routine without one
   PROCEDURE check_rates IS
      r_rate c_rates%ROWTYPE;
   BEGIN
      BEGIN
         OPEN c_rates;
         FETCH c_rates INTO r_rate;
         CLOSE c_rates;
      EXCEPTION
         WHEN OTHERS THEN
            DBMS_OUTPUT.PUT_LINE('check_rates: ' || SQLERRM);
      END;
   END check_rates;

   PROCEDURE close_all IS
   BEGIN
      IF c_batch%ISOPEN THEN CLOSE c_batch; END IF;
      IF c_rates%ISOPEN THEN CLOSE c_rates; END IF;
      IF c$acct#1%ISOPEN THEN CLOSE c$acct#1; END IF;
   END close_all;

   -- P9: conditional compilation around the close: closed
   PROCEDURE debug_dump IS
      CURSOR c_dbg IS SELECT je_header_id FROM gl_je_headers WHERE ROWNUM < 10;
      l_id NUMBER;
   BEGIN
      OPEN c_dbg;
      FETCH c_dbg INTO l_id;
      $IF $$gl_debug $THEN
      DBMS_OUTPUT.PUT_LINE('first ' || l_id);
      $END
      CLOSE c_dbg;
   END debug_dump;

   -- P10: pipelined function, cursor closed
   FUNCTION batch_lines (p_batch_id IN NUMBER) RETURN gl_line_tab PIPELINED IS
      CURSOR c_l IS SELECT gl_line_ot(je_line_num, accounted_dr) FROM gl_je_lines;
      l_row gl_line_ot;
   BEGIN
      OPEN c_l;
      LOOP
         FETCH c_l INTO l_row;
         EXIT WHEN c_l%NOTFOUND;
         PIPE ROW (l_row);
      END LOOP;
      CLOSE c_l;
      RETURN;
   END batch_lines;

END gl_extra;
/
