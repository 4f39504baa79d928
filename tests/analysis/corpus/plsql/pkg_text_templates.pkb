CREATE OR REPLACE PACKAGE BODY pkg_text_templates IS

  c_sep CONSTANT VARCHAR2(10) := ' -- ';
  c_hdr CONSTANT VARCHAR2(200) := '/* generated; do not edit */';

  CURSOR c_tpl (p_code VARCHAR2) IS
    SELECT body_text FROM mail_templates WHERE template_code = p_code;

  FUNCTION quote_it (p_text IN VARCHAR2) RETURN VARCHAR2 IS
  BEGIN
    RETURN '''' || REPLACE(p_text, '''', '''''') || '''';
  END quote_it;

  FUNCTION greeting (p_name IN VARCHAR2) RETURN VARCHAR2 IS
  BEGIN
    RETURN 'Hello ' || p_name || ', it''s your invoice; OPEN it soon -- or CLOSE the account';
  END greeting;

  FUNCTION load_template (p_code IN VARCHAR2) RETURN CLOB IS
    l_body CLOB;
  BEGIN
    OPEN c_tpl(p_code);
    FETCH c_tpl INTO l_body;
    CLOSE c_tpl;
    RETURN l_body;
  EXCEPTION
    WHEN OTHERS THEN
      IF c_tpl%ISOPEN THEN
        CLOSE c_tpl;
      END IF;
      RAISE_APPLICATION_ERROR(-20100, 'template '' || p_code || '' failed; END;');
  END load_template;

  FUNCTION footer_text (p_lang IN VARCHAR2) RETURN VARCHAR2 IS
    CURSOR c_foot IS
      SELECT text FROM template_parts WHERE part = 'FOOTER' AND lang = p_lang;
    l_text VARCHAR2(4000);
  BEGIN
    l_text := q'[Do not reply; this mailbox is closed. END; ]';
    OPEN c_foot;
    FETCH c_foot INTO l_text;
    l_text := l_text || q'{ -- regards, /* the team */ }';
    CLOSE c_foot;
    RETURN l_text;
  END footer_text;

  FUNCTION legal_text (p_lang IN VARCHAR2) RETURN VARCHAR2 IS
    CURSOR c_legal IS
      SELECT text FROM template_parts WHERE part = 'LEGAL' AND lang = p_lang;
    l_text VARCHAR2(4000);
  BEGIN
    OPEN c_legal;
    FETCH c_legal INTO l_text;
    l_text := l_text || q'<it's CLOSE c_legal; really>';
    RETURN l_text;
  END legal_text;

  FUNCTION signature (p_user IN VARCHAR2) RETURN VARCHAR2 IS
    CURSOR c_sig IS
      SELECT signature FROM user_prefs WHERE user_name = p_user;
    l_sig VARCHAR2(2000);
  BEGIN
    l_sig := q'(Kind regards; (the 'billing' team))';
    OPEN c_sig;
    FETCH c_sig INTO l_sig;
    l_sig := l_sig || q'!  -- sent by the robot; ignore 'quotes' !';
    CLOSE c_sig;
    l_sig := l_sig || Q'#/* not a comment */ END; #';
    RETURN l_sig;
  END signature;

  FUNCTION national_name (p_id IN NUMBER) RETURN NVARCHAR2 IS
    CURSOR c_nat IS
      SELECT display_name FROM customers_intl WHERE customer_id = p_id;
    l_name NVARCHAR2(200);
  BEGIN
    l_name := nq'[ no name; -- ]';
    OPEN c_nat;
    FETCH c_nat INTO l_name;
    l_name := l_name || N'''s account';
    l_name := l_name || nq'{ CLOSE c_nat; }';
    RETURN l_name;
  END national_name;

  FUNCTION multi_line_body RETURN VARCHAR2 IS
    CURSOR c_para IS
      SELECT para_text FROM template_paras ORDER BY seq;
    l_out VARCHAR2(32767) := 'Dear customer,
    -- this is the first line of the letter;
    /* and this the second
    END;';
    l_para VARCHAR2(4000);
  BEGIN
    OPEN c_para;
    LOOP
      FETCH c_para INTO l_para;
      EXIT WHEN c_para%NOTFOUND;
      l_out := l_out || CHR(10) || l_para;
    END LOOP;
    l_out := l_out || '
    */ CLOSE c_para; thank you''
    ';
    CLOSE c_para;
    RETURN l_out;
  END multi_line_body;

  FUNCTION tricky_tail RETURN VARCHAR2 IS
    CURSOR c_tail IS SELECT tail_text FROM template_tails;
    l_tail VARCHAR2(4000);
  BEGIN
    OPEN c_tail;
    FETCH c_tail INTO l_tail;
    l_tail := l_tail || q'[ ]' || '''' || q'[']' || 'x';
    CLOSE c_tail;
    RETURN l_tail;
  END tricky_tail;

  PROCEDURE render (p_code IN VARCHAR2, p_name IN VARCHAR2, p_out OUT CLOB) IS
    l_body VARCHAR2(32767);
  BEGIN
    OPEN c_tpl(p_code);
    FETCH c_tpl INTO l_body;
    CLOSE c_tpl;
    l_body := REPLACE(l_body, '{{name}}', p_name);
    l_body := REPLACE(l_body, '{{sep}}', c_sep);
    p_out := c_hdr || CHR(10) || l_body;
  EXCEPTION
    WHEN NO_DATA_FOUND THEN
      p_out := q'[template missing; CLOSE c_tpl; ]';
    WHEN OTHERS THEN
      p_out := 'IF c_tpl%ISOPEN THEN CLOSE c_tpl; END IF;';
      RAISE;
  END render;

  PROCEDURE render_plain (p_code IN VARCHAR2, p_out OUT VARCHAR2) IS
  BEGIN
    OPEN c_tpl(p_code);
    FETCH c_tpl INTO p_out;
    CLOSE c_tpl;
    p_out := REPLACE(p_out, '/*', '(*');
  EXCEPTION
    WHEN OTHERS THEN
      IF c_tpl%ISOPEN THEN CLOSE c_tpl; END IF; p_out := '--*/';
  END render_plain;

  FUNCTION escape_sql (p_text IN VARCHAR2) RETURN VARCHAR2 IS
    CURSOR c_kw IS SELECT keyword FROM v$reserved_words WHERE reserved = 'Y';
    l_text VARCHAR2(32767) := p_text;
  BEGIN
    FOR r IN c_kw LOOP
      l_text := REPLACE(l_text, r.keyword, '"' || r.keyword || '"');
    END LOOP;
    RETURN '"' || l_text || '"';
  END escape_sql;

  FUNCTION strip_comments (p_text IN VARCHAR2) RETURN VARCHAR2 IS
  BEGIN
    RETURN REGEXP_REPLACE(p_text, '/\*.*?\*/|--[^' || CHR(10) || ']*', NULL);
  END strip_comments;

  FUNCTION count_templates RETURN NUMBER IS
    l_rc  SYS_REFCURSOR;
    l_cnt NUMBER;
  BEGIN
    OPEN l_rc FOR 'SELECT COUNT(*) FROM mail_templates WHERE template_code NOT LIKE ''%;%''';
    FETCH l_rc INTO l_cnt;
    CLOSE l_rc;
    RETURN l_cnt;
  END count_templates;

END pkg_text_templates;
/
