CREATE OR REPLACE PACKAGE BODY Html_Gen
IS
  -- Simple page generation for the mod_plsql / ORDS PL/SQL gateway.
  -- Every public procedure renders one complete page.

  gc_css CONSTANT VARCHAR2(100) := '/static/site.css';

  CURSOR c_menu IS
    SELECT menu_id, label, url, NVL(parent_id, 0) AS parent_id
      FROM site_menu
     WHERE active = 'Y'
     ORDER BY sort_order;

  CURSOR c_pages (p_parent IN NUMBER) IS
    SELECT page_id, title, url
      FROM site_pages
     WHERE (parent_id = p_parent OR (p_parent IS NULL AND parent_id IS NULL))
       AND visible = 'Y'
     ORDER BY sort_order;

  --------------------------------------------------------------------------
  FUNCTION Esc (p_text IN VARCHAR2) RETURN VARCHAR2 IS
  BEGIN
    RETURN htf.escape_sc(p_text);
  END Esc;

  --------------------------------------------------------------------------
  PROCEDURE Page_Header (p_title IN VARCHAR2)
  IS
  BEGIN
    owa_util.mime_header('text/html', FALSE, 'UTF-8');
    htp.p('Cache-Control: no-cache');
    owa_util.http_header_close;
    htp.p('<!DOCTYPE html>');
    htp.htmlOpen;
    htp.headOpen;
    htp.title(Esc(p_title));
    htp.p('<link rel="stylesheet" href="' || gc_css || '">');
    htp.headClose;
    htp.bodyOpen;
  END Page_Header;

  --------------------------------------------------------------------------
  PROCEDURE Page_Footer
  IS
  BEGIN
    htp.p('<footer>generated ' || TO_CHAR(SYSDATE, 'YYYY-MM-DD HH24:MI') || '</footer>');
    htp.bodyClose;
    htp.htmlClose;
  END Page_Footer;

  --------------------------------------------------------------------------
  PROCEDURE Render_Menu (p_current IN NUMBER DEFAULT NULL)
  IS
    l_item c_menu%ROWTYPE;
  BEGIN
    htp.p('<nav><ul class="menu">');
    OPEN c_menu;
    LOOP
      FETCH c_menu INTO l_item;
      EXIT WHEN c_menu%NOTFOUND;
      CONTINUE WHEN l_item.parent_id <> 0;
      htp.p('<li' || CASE WHEN l_item.menu_id = p_current THEN ' class="current"' END || '>'
            || htf.anchor(l_item.url, Esc(l_item.label)) || '</li>');
    END LOOP;
    CLOSE c_menu;
    htp.p('</ul></nav>');
  EXCEPTION
    WHEN OTHERS THEN
      IF c_menu%ISOPEN THEN
        CLOSE c_menu;
      END IF;
      htp.p('<!-- menu unavailable: ' || Esc(SQLERRM) || ' -->');
  END Render_Menu;

  --------------------------------------------------------------------------
  PROCEDURE Render_Sitemap (p_root IN NUMBER DEFAULT NULL)
  IS
    l_page c_pages%ROWTYPE;

    PROCEDURE Render_Children (p_parent IN NUMBER, p_depth IN PLS_INTEGER)
    IS
    BEGIN
      IF p_depth > 6 THEN
        RETURN;
      END IF;
      htp.ulistOpen;
      FOR r IN (SELECT page_id, title, url
                  FROM site_pages
                 WHERE parent_id = p_parent
                   AND visible = 'Y'
                 ORDER BY sort_order)
      LOOP
        htp.listItem(htf.anchor(r.url, Esc(r.title)));
        Render_Children(r.page_id, p_depth + 1);
      END LOOP;
      htp.ulistClose;
    END Render_Children;
  BEGIN
    Page_Header('Sitemap');
    Render_Menu;
    htp.header(1, 'Sitemap');
    OPEN c_pages(p_root);
    LOOP
      FETCH c_pages INTO l_page;
      EXIT WHEN c_pages%NOTFOUND;
      htp.header(2, htf.anchor(l_page.url, Esc(l_page.title)));
      Render_Children(l_page.page_id, 1);
    END LOOP;
    CLOSE c_pages;
    Page_Footer;
  EXCEPTION
    WHEN OTHERS THEN
      htp.p('<p class="error">The sitemap could not be rendered: ' || Esc(SQLERRM) || '</p>');
      Page_Footer;
  END Render_Sitemap;

  --------------------------------------------------------------------------
  -- Prints a two column (label, value) cursor as a table and closes it.
  PROCEDURE Render_Table_Rc (p_rc IN SYS_REFCURSOR, p_caption IN VARCHAR2 DEFAULT NULL)
  IS
    l_label VARCHAR2(4000);
    l_value VARCHAR2(4000);
    l_rows  PLS_INTEGER := 0;
  BEGIN
    htp.tableOpen(cattributes => 'class="report"');
    IF p_caption IS NOT NULL THEN
      htp.tableCaption(Esc(p_caption));
    END IF;
    LOOP
      FETCH p_rc INTO l_label, l_value;
      EXIT WHEN p_rc%NOTFOUND;
      l_rows := l_rows + 1;
      htp.tableRowOpen(cattributes => CASE MOD(l_rows, 2) WHEN 0 THEN 'class="even"' ELSE 'class="odd"' END);
      htp.tableData(Esc(l_label));
      htp.tableData(Esc(l_value), 'right');
      htp.tableRowClose;
    END LOOP;
    CLOSE p_rc;
    IF l_rows = 0 THEN
      htp.tableRowOpen;
      htp.tableData('<em>no data</em>', ccolspan => 2);
      htp.tableRowClose;
    END IF;
    htp.tableClose;
  END Render_Table_Rc;

  --------------------------------------------------------------------------
  PROCEDURE Render_Report (p_report_id IN NUMBER)
  IS
    l_rc    SYS_REFCURSOR;
    l_title site_reports.title%TYPE;
    l_query site_reports.query_text%TYPE;
  BEGIN
    SELECT title, query_text
      INTO l_title, l_query
      FROM site_reports
     WHERE report_id = p_report_id;

    Page_Header(l_title);
    Render_Menu;
    htp.header(1, Esc(l_title));
    OPEN l_rc FOR l_query;
    Render_Table_Rc(l_rc, l_title);      -- Render_Table_Rc fetches and closes it
    Page_Footer;
  EXCEPTION
    WHEN NO_DATA_FOUND THEN
      owa_util.status_line(404, 'Report not found', TRUE);
  END Render_Report;

  --------------------------------------------------------------------------
  PROCEDURE Render_Query (p_query IN VARCHAR2, p_title IN VARCHAR2)
  IS
    l_rows NUMBER;
  BEGIN
    Page_Header(p_title);
    htp.header(1, Esc(p_title));
    htp.tableOpen(cattributes => 'class="grid"');
    -- cellsprint runs the query itself through DBMS_SQL (open, fetch, close)
    owa_util.cellsprint(p_theQuery => p_query, p_max_rows => 200);
    htp.tableClose;
    Page_Footer;
  END Render_Query;

  --------------------------------------------------------------------------
  PROCEDURE Render_Page (p_page_id IN NUMBER)
  IS
    l_title site_pages.title%TYPE;
  BEGIN
    SELECT title INTO l_title FROM site_pages WHERE page_id = p_page_id;
    Page_Header(l_title);
    Render_Menu(p_page_id);
    htp.header(1, Esc(l_title));

    DECLARE
      CURSOR c_blocks IS
        SELECT block_type, content
          FROM site_blocks
         WHERE page_id = p_page_id
         ORDER BY seq;
      l_blk c_blocks%ROWTYPE;
    BEGIN
      OPEN c_blocks;
      LOOP
        FETCH c_blocks INTO l_blk;
        EXIT WHEN c_blocks%NOTFOUND;
        CASE l_blk.block_type
          WHEN 'TEXT' THEN htp.para; htp.p(Esc(l_blk.content));
          WHEN 'HTML' THEN htp.p(l_blk.content);
          WHEN 'CODE' THEN htp.p('<pre>' || Esc(l_blk.content) || '</pre>');
          ELSE htp.p('<!-- unknown block type ' || Esc(l_blk.block_type) || ' -->');
        END CASE;
      END LOOP;
      CLOSE c_blocks;
    END;

    htp.formOpen(curl => 'html_gen.save_comment', cmethod => 'POST');
    htp.formHidden('p_page_id', p_page_id);
    htp.formTextareaOpen('p_text', 5, 60);
    htp.formTextareaClose;
    htp.formSubmit(cvalue => 'Send');
    htp.formClose;
    Page_Footer;
  EXCEPTION
    WHEN NO_DATA_FOUND THEN
      owa_util.status_line(404, 'Page not found', TRUE);
  END Render_Page;

  --------------------------------------------------------------------------
  PROCEDURE Save_Comment (p_page_id IN NUMBER, p_text IN VARCHAR2)
  IS
  BEGIN
    INSERT INTO site_comments (page_id, text, created_at, created_by)
    VALUES (p_page_id, SUBSTR(p_text, 1, 2000), SYSDATE, owa_util.get_cgi_env('REMOTE_ADDR'));
    COMMIT;
    owa_util.redirect_url('html_gen.render_page?p_page_id=' || p_page_id);
  END Save_Comment;

END Html_Gen;
/
