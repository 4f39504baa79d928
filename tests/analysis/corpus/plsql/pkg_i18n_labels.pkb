CREATE OR REPLACE PACKAGE BODY pkg_i18n_labels AS
  -- Übersetzungen der Oberflächentexte / traductions des libellés / 翻訳ラベル
  -- Hinweis: „OPEN c_lbl; … CLOSE c_lbl;“ steht nur im Kommentar — keine Anweisung.
  -- Stand: März 2024, Pflege durch das Team „Oberfläche“ (Zürich)

  CURSOR c_lang IS
    SELECT lang_code, NVL(fallback_code, 'en') FROM ui_languages WHERE active = 'J';

  g_default_lang VARCHAR2(5) := 'de';

  FUNCTION label (p_key IN VARCHAR2, p_lang IN VARCHAR2 DEFAULT NULL) RETURN NVARCHAR2 IS
    CURSOR c_lbl IS
      SELECT text FROM ui_labels WHERE label_key = p_key AND lang = NVL(p_lang, g_default_lang);
    l_text NVARCHAR2(2000);
  BEGIN
    OPEN c_lbl;
    FETCH c_lbl INTO l_text;
    CLOSE c_lbl;
    RETURN NVL(l_text, N'«' || p_key || N'»');
  END label;

  FUNCTION greeting (p_lang IN VARCHAR2) RETURN NVARCHAR2 IS
  BEGIN
    RETURN CASE p_lang
             WHEN 'de' THEN N'Grüß Gott; schön, dass Sie da sind'
             WHEN 'fr' THEN N'Bonjour — c''est déjà l''heure ; à bientôt'
             WHEN 'ja' THEN N'こんにちは；ようこそ'
             WHEN 'ru' THEN N'Здравствуйте; -- добро пожаловать'
             ELSE N'Hello'
           END;
  END greeting;

  PROCEDURE seed_labels IS
  BEGIN
    INSERT INTO ui_labels (label_key, lang, text) VALUES ('btn.close', 'de', N'Schließen');
    INSERT INTO ui_labels (label_key, lang, text) VALUES ('btn.open', 'de', N'Öffnen');
    INSERT INTO ui_labels (label_key, lang, text) VALUES ('btn.close', 'fr', N'Fermer ; fin');
    INSERT INTO ui_labels (label_key, lang, text) VALUES ('btn.open', 'fr', q'[Ouvrir l'élément]');
    INSERT INTO ui_labels (label_key, lang, text) VALUES ('msg.end', 'es', N'¡Fin! END; /* — */');
  END seed_labels;

  PROCEDURE copy_language (p_from IN VARCHAR2, p_to IN VARCHAR2) IS
    CURSOR c_src IS
      SELECT label_key, text FROM ui_labels WHERE lang = p_from;
    l_key  ui_labels.label_key%TYPE;
    l_text ui_labels.text%TYPE;
  BEGIN
    OPEN c_src; -- Cursor öffnen … und später schließen
    LOOP
      FETCH c_src INTO l_key, l_text;
      EXIT WHEN c_src%NOTFOUND;
      MERGE INTO ui_labels t
      USING (SELECT l_key k, p_to l, l_text x FROM dual) s
         ON (t.label_key = s.k AND t.lang = s.l)
       WHEN NOT MATCHED THEN INSERT (label_key, lang, text) VALUES (s.k, s.l, s.x);
    END LOOP;
    -- „CLOSE c_src;“ fehlt hier — wird beim Verlassen der Prozedur erledigt
  END copy_language;

  PROCEDURE refresh_languages IS
    l_code VARCHAR2(5);
    l_fb   VARCHAR2(5);
  BEGIN
    OPEN c_lang;
    LOOP
      FETCH c_lang INTO l_code, l_fb;
      EXIT WHEN c_lang%NOTFOUND;
      UPDATE ui_languages SET fallback_code = l_fb WHERE lang_code = l_code;
    END LOOP;
    CLOSE c_lang;
  EXCEPTION
    WHEN OTHERS THEN
      -- Fehler: Cursor schließen → CLOSE c_lang (erledigt unten)
      IF c_lang%ISOPEN THEN
        CLOSE c_lang;
      END IF;
      RAISE;
  END refresh_languages;

  FUNCTION missing_keys (p_lang IN VARCHAR2) RETURN SYS_REFCURSOR IS
    l_rc SYS_REFCURSOR;
  BEGIN
    OPEN l_rc FOR
      SELECT k.label_key
        FROM ui_label_keys k
       WHERE NOT EXISTS (SELECT 1 FROM ui_labels l WHERE l.label_key = k.label_key AND l.lang = p_lang);
    RETURN l_rc;  -- der Aufrufer schließt ihn
  END missing_keys;

  PROCEDURE report_missing IS
    l_rc  SYS_REFCURSOR;
    l_key VARCHAR2(200);
    l_cnt PLS_INTEGER := 0;
  BEGIN
    FOR r IN c_lang LOOP
      l_rc := missing_keys(r.lang_code);
      LOOP
        FETCH l_rc INTO l_key;
        EXIT WHEN l_rc%NOTFOUND;
        l_cnt := l_cnt + 1;
        DBMS_OUTPUT.PUT_LINE(r.lang_code || ' → ' || l_key);
      END LOOP;
      CLOSE l_rc;
    END LOOP;
    DBMS_OUTPUT.PUT_LINE('Fehlend / manquant: ' || l_cnt);
  END report_missing;

  FUNCTION default_language RETURN VARCHAR2 IS
    l_code VARCHAR2(5);
    l_fb   VARCHAR2(5);
  BEGIN
    OPEN c_lang;
    FETCH c_lang INTO l_code, l_fb;
    CLOSE c_lang;
    RETURN NVL(l_code, g_default_lang);
  EXCEPTION
    WHEN VALUE_ERROR THEN
      -- „zu lang“ – Sprachcode länger als 5 Zeichen
      RETURN g_default_lang;
  END default_language;

  PROCEDURE export_labels (p_lang IN VARCHAR2, p_file IN VARCHAR2) IS
    l_file UTL_FILE.FILE_TYPE;
    CURSOR c_out IS SELECT label_key, text FROM ui_labels WHERE lang = p_lang ORDER BY label_key;
  BEGIN
    l_file := UTL_FILE.FOPEN('LABEL_DIR', p_file, 'w', 32767);
    FOR r IN c_out LOOP
      UTL_FILE.PUT_LINE_NCHAR(l_file, r.label_key || N' = ' || r.text);
    END LOOP;
    UTL_FILE.FCLOSE(l_file);
  EXCEPTION
    WHEN OTHERS THEN
      IF UTL_FILE.IS_OPEN(l_file) THEN UTL_FILE.FCLOSE(l_file); END IF;
      RAISE;
  END export_labels;

  FUNCTION plural (p_n IN NUMBER, p_lang IN VARCHAR2) RETURN NVARCHAR2 IS
    CURSOR c_pl IS
      SELECT form_one, form_many FROM ui_plural_rules WHERE lang = p_lang;
    l_one  NVARCHAR2(100);
    l_many NVARCHAR2(100);
  BEGIN
    OPEN c_pl;
    FETCH c_pl INTO l_one, l_many;
    CLOSE c_pl;
    RETURN CASE WHEN p_n = 1 THEN l_one ELSE l_many END;
  END plural;

END pkg_i18n_labels;
/
