CREATE OR REPLACE PACKAGE BODY pkg_mail_merge AS
  /*
   * Sends the monthly statement mails. The template is a CLOB with
   * placeholders like {{name}} and {{balance}}; the mail goes out through
   * the relay configured in app_settings.
   */

  c_crlf CONSTANT VARCHAR2(2) := CHR(13) || CHR(10);

  FUNCTION setting(p_name IN VARCHAR2) RETURN VARCHAR2 IS
    l_value app_settings.value%TYPE;
  BEGIN
    SELECT value INTO l_value FROM app_settings WHERE name = p_name;
    RETURN l_value;
  END setting;

  FUNCTION merge_template(p_template IN CLOB, p_name IN VARCHAR2, p_balance IN NUMBER) RETURN CLOB IS
    l_result CLOB;
  BEGIN
    dbms_lob.createtemporary(l_result, TRUE);
    dbms_lob.open(l_result, dbms_lob.lob_readwrite);
    dbms_lob.append(l_result, p_template);
    dbms_lob.close(l_result);
    l_result := REPLACE(l_result, '{{name}}', p_name);
    l_result := REPLACE(l_result, '{{balance}}', TO_CHAR(p_balance, 'FM999G999G990D00'));
    RETURN l_result;
  END merge_template;

  PROCEDURE send_one(p_to IN VARCHAR2, p_subject IN VARCHAR2, p_body IN CLOB) IS
    l_conn   utl_smtp.connection;
    l_offset PLS_INTEGER := 1;
    l_chunk  PLS_INTEGER := 1900;
  BEGIN
    l_conn := utl_smtp.open_connection(setting('SMTP_HOST'), TO_NUMBER(setting('SMTP_PORT')));
    utl_smtp.helo(l_conn, setting('SMTP_DOMAIN'));
    utl_smtp.mail(l_conn, setting('MAIL_FROM'));
    utl_smtp.rcpt(l_conn, p_to);
    utl_smtp.open_data(l_conn);
    utl_smtp.write_data(l_conn, 'Subject: ' || p_subject || c_crlf);
    utl_smtp.write_data(l_conn, 'Content-Type: text/plain; charset=utf-8' || c_crlf || c_crlf);
    WHILE l_offset <= dbms_lob.getlength(p_body) LOOP
      utl_smtp.write_data(l_conn, dbms_lob.substr(p_body, l_chunk, l_offset));
      l_offset := l_offset + l_chunk;
    END LOOP;
    utl_smtp.close_data(l_conn);
    utl_smtp.quit(l_conn);
  EXCEPTION
    WHEN utl_smtp.transient_error OR utl_smtp.permanent_error THEN
      BEGIN
        utl_smtp.quit(l_conn);
      EXCEPTION
        WHEN OTHERS THEN
          NULL; -- the connection is gone already; the error below says why
      END;
      raise_application_error(-20600, 'Mail to ' || p_to || ' failed: ' || SQLERRM);
  END send_one;

  PROCEDURE send_statements(p_month IN DATE) IS
    l_template CLOB;
    l_accounts SYS_REFCURSOR;
    l_email    customers.email%TYPE;
    l_name     customers.name%TYPE;
    l_balance  NUMBER;
    l_sent     PLS_INTEGER := 0;
  BEGIN
    SELECT body INTO l_template FROM mail_templates WHERE template_code = 'STATEMENT';

    OPEN l_accounts FOR
      SELECT c.email, c.name, b.balance
        FROM customers c
        JOIN account_balances b ON b.customer_id = c.customer_id
       WHERE b.balance_month = TRUNC(p_month, 'MM')
         AND c.email IS NOT NULL
         AND c.statement_by_mail = 'Y';
    LOOP
      FETCH l_accounts INTO l_email, l_name, l_balance;
      EXIT WHEN l_accounts%NOTFOUND;
      send_one(l_email, 'Your statement for ' || TO_CHAR(p_month, 'Month YYYY'),
               merge_template(l_template, l_name, l_balance));
      l_sent := l_sent + 1;
    END LOOP;

    INSERT INTO mail_runs (run_at, template_code, mails_sent)
    VALUES (SYSDATE, 'STATEMENT', l_sent);
  END send_statements;

END pkg_mail_merge;
/
