CREATE OR REPLACE PACKAGE BODY stage_pipe
AS
  -- ==========================================================================
  -- stage_pipe: pipelined readers over the import staging area.
  --
  --   SELECT * FROM TABLE(stage_pipe.stage_rows(:batch));
  --   INSERT INTO imp_target
  --     SELECT * FROM TABLE(stage_pipe.transform(CURSOR(SELECT * FROM imp_stage
  --                                                      WHERE batch_id = :b)));
  --
  -- A consumer that stops early (ROWNUM, FETCH FIRST) makes the next PIPE ROW
  -- raise NO_DATA_NEEDED: every function closes what it opened there.
  -- ==========================================================================

  gc_limit CONSTANT PLS_INTEGER := 500;

  g_fetch_limit PLS_INTEGER := gc_limit;
  g_rejects     PLS_INTEGER := 0;

  CURSOR c_rejects (p_batch_id IN NUMBER) IS
    SELECT r.batch_id, r.line_no, r.error_code, r.error_text
      FROM imp_rejects r
     WHERE r.batch_id = p_batch_id
     ORDER BY r.line_no;

  CURSOR c_err_codes (p_batch_id IN NUMBER) IS
    SELECT r.error_code, COUNT(*) AS cnt, MIN(r.line_no) AS first_line
      FROM imp_rejects r
     WHERE r.batch_id = p_batch_id
     GROUP BY r.error_code
     ORDER BY cnt DESC;

  CURSOR c_batches (p_status IN VARCHAR2) IS
    SELECT b.batch_id, b.file_name, b.loaded_at
      FROM imp_batches b
     WHERE b.status = p_status
     ORDER BY b.loaded_at;

  -- --------------------------------------------------------------------------
  FUNCTION stage_rows (p_batch_id IN NUMBER)
    RETURN t_stage_tab PIPELINED
  IS
    CURSOR c_stage IS
      SELECT t_stage_row(s.batch_id, s.line_no, s.item_code, s.qty, s.price, s.raw_line)
        FROM imp_stage s
       WHERE s.batch_id = p_batch_id
       ORDER BY s.line_no;
    l_rows t_stage_tab;
  BEGIN
    OPEN c_stage;
    LOOP
      FETCH c_stage BULK COLLECT INTO l_rows LIMIT g_fetch_limit;
      EXIT WHEN l_rows.COUNT = 0;
      FOR i IN 1 .. l_rows.COUNT LOOP
        PIPE ROW (l_rows(i));
      END LOOP;
    END LOOP;
    CLOSE c_stage;
    RETURN;
  EXCEPTION
    WHEN NO_DATA_NEEDED THEN
      CLOSE c_stage;
    WHEN OTHERS THEN
      IF c_stage%ISOPEN THEN
        CLOSE c_stage;
      END IF;
      RAISE;
  END stage_rows;

  -- --------------------------------------------------------------------------
  FUNCTION transform (p_src IN SYS_REFCURSOR)
    RETURN t_target_tab PIPELINED
    PARALLEL_ENABLE (PARTITION p_src BY ANY)
  IS
    l_in  t_stage_tab;
    l_out t_target_row := t_target_row(NULL, NULL, NULL, NULL);
  BEGIN
    LOOP
      FETCH p_src BULK COLLECT INTO l_in LIMIT g_fetch_limit;
      FOR i IN 1 .. l_in.COUNT LOOP
        l_out.item_id := item_api.id_of(l_in(i).item_code);
        l_out.qty     := l_in(i).qty;
        l_out.amount  := ROUND(l_in(i).qty * l_in(i).price, 2);
        l_out.src     := 'B' || l_in(i).batch_id || '/' || l_in(i).line_no;
        PIPE ROW (l_out);
      END LOOP;
      EXIT WHEN p_src%NOTFOUND;
    END LOOP;
    CLOSE p_src;
    RETURN;
  EXCEPTION
    WHEN NO_DATA_NEEDED THEN
      CLOSE p_src;
  END transform;

  -- --------------------------------------------------------------------------
  FUNCTION rejected (p_batch_id IN NUMBER)
    RETURN t_reject_tab PIPELINED
  IS
    l_row c_rejects%ROWTYPE;
  BEGIN
    OPEN c_rejects(p_batch_id);
    LOOP
      FETCH c_rejects INTO l_row;
      EXIT WHEN c_rejects%NOTFOUND;
      g_rejects := g_rejects + 1;
      PIPE ROW (t_reject_row(l_row.batch_id, l_row.line_no,
                             l_row.error_code, l_row.error_text));
    END LOOP;
    CLOSE c_rejects;
    RETURN;
  EXCEPTION
    WHEN NO_DATA_NEEDED THEN
      CLOSE c_rejects;
      RAISE;
  END rejected;

  -- --------------------------------------------------------------------------
  FUNCTION errors_by_code (p_batch_id IN NUMBER)
    RETURN t_err_sum_tab PIPELINED
  IS
    TYPE t_buf IS TABLE OF c_err_codes%ROWTYPE INDEX BY PLS_INTEGER;
    l_buf t_buf;
  BEGIN
    OPEN c_err_codes(p_batch_id);
    LOOP
      FETCH c_err_codes BULK COLLECT INTO l_buf LIMIT 100;
      EXIT WHEN l_buf.COUNT = 0;
      FOR i IN 1 .. l_buf.COUNT LOOP
        PIPE ROW (t_err_sum_row(l_buf(i).error_code, l_buf(i).cnt, l_buf(i).first_line));
      END LOOP;
    END LOOP;
    CLOSE c_err_codes;
    RETURN;
  EXCEPTION
    WHEN NO_DATA_NEEDED THEN
      NULL;
    WHEN OTHERS THEN
      log_pkg.error('stage_pipe.errors_by_code', SQLERRM);
      RAISE;
  END errors_by_code;

  -- --------------------------------------------------------------------------
  FUNCTION from_query (p_sql IN VARCHAR2)
    RETURN t_stage_tab PIPELINED
  IS
    l_rc  desk_query.t_any_cur;
    l_buf t_stage_tab;
  BEGIN
    OPEN l_rc FOR p_sql;
    LOOP
      FETCH l_rc BULK COLLECT INTO l_buf LIMIT g_fetch_limit;
      FOR i IN 1 .. l_buf.COUNT LOOP
        PIPE ROW (l_buf(i));
      END LOOP;
      EXIT WHEN l_rc%NOTFOUND;
    END LOOP;
    RETURN;
  EXCEPTION
    WHEN NO_DATA_NEEDED THEN
      RETURN;
  END from_query;

  -- --------------------------------------------------------------------------
  FUNCTION split_lines (p_doc IN CLOB)
    RETURN sys.odcivarchar2list PIPELINED
  IS
    l_doc  CLOB := p_doc;
    l_len  PLS_INTEGER;
    l_pos  PLS_INTEGER := 1;
    l_next PLS_INTEGER;
  BEGIN
    DBMS_LOB.OPEN(l_doc, DBMS_LOB.LOB_READONLY);
    l_len := DBMS_LOB.GETLENGTH(l_doc);
    WHILE l_pos <= l_len LOOP
      l_next := DBMS_LOB.INSTR(l_doc, CHR(10), l_pos);
      IF l_next = 0 THEN
        l_next := l_len + 1;
      END IF;
      PIPE ROW (RTRIM(DBMS_LOB.SUBSTR(l_doc, LEAST(l_next - l_pos, 4000), l_pos), CHR(13)));
      l_pos := l_next + 1;
    END LOOP;
    DBMS_LOB.CLOSE(l_doc);
    RETURN;
  EXCEPTION
    WHEN NO_DATA_NEEDED THEN
      IF DBMS_LOB.ISOPEN(l_doc) = 1 THEN
        DBMS_LOB.CLOSE(l_doc);
      END IF;
  END split_lines;

  -- --------------------------------------------------------------------------
  PROCEDURE load_batch (p_batch_id IN NUMBER)
  IS
    l_rows PLS_INTEGER;
  BEGIN
    INSERT INTO imp_target (item_id, qty, amount, src)
      SELECT t.item_id, t.qty, t.amount, t.src
        FROM TABLE(stage_pipe.transform(
                     CURSOR(SELECT t_stage_row(s.batch_id, s.line_no, s.item_code,
                                               s.qty, s.price, s.raw_line)
                              FROM imp_stage s
                             WHERE s.batch_id = p_batch_id))) t;
    l_rows := SQL%ROWCOUNT;

    FOR r IN (SELECT error_code, cnt FROM TABLE(errors_by_code(p_batch_id))) LOOP
      log_pkg.info('stage_pipe.load_batch',
                   'batch ' || p_batch_id || ': ' || r.cnt || ' x ' || r.error_code);
    END LOOP;

    UPDATE imp_batches
       SET status = 'LOADED', rows_loaded = l_rows, closed_at = SYSDATE
     WHERE batch_id = p_batch_id;
  END load_batch;

  -- --------------------------------------------------------------------------
  FUNCTION reject_summary (p_batch_id IN NUMBER) RETURN VARCHAR2
  IS
    l_text VARCHAR2(4000);
  BEGIN
    FOR r IN c_rejects(p_batch_id) LOOP
      EXIT WHEN LENGTH(l_text) > 3800;
      l_text := l_text || r.line_no || ':' || r.error_code || ' ';
    END LOOP;
    RETURN RTRIM(l_text);
  EXCEPTION
    WHEN VALUE_ERROR THEN
      RETURN SUBSTR(l_text, 1, 3996) || '...';
  END reject_summary;

  -- --------------------------------------------------------------------------
  -- batch queue: open_batches positions the cursor, next_batch walks it
  -- --------------------------------------------------------------------------
  PROCEDURE open_batches (p_status IN VARCHAR2 DEFAULT 'READY')
  IS
  BEGIN
    IF c_batches%ISOPEN THEN
      CLOSE c_batches;
    END IF;
    OPEN c_batches(p_status);
  EXCEPTION
    WHEN OTHERS THEN
      log_pkg.error('stage_pipe.open_batches', SQLERRM);
      RAISE;
  END open_batches;

  FUNCTION next_batch RETURN NUMBER
  IS
    l_row c_batches%ROWTYPE;
  BEGIN
    IF NOT c_batches%ISOPEN THEN
      OPEN c_batches('READY');
    END IF;
    FETCH c_batches INTO l_row;
    IF c_batches%NOTFOUND THEN
      CLOSE c_batches;
      RETURN NULL;
    END IF;
    RETURN l_row.batch_id;
  END next_batch;

  -- --------------------------------------------------------------------------
  FUNCTION stage_count (p_batch_id IN NUMBER) RETURN PLS_INTEGER
  IS
    l_src desk_query.t_any_cur;
    l_cnt PLS_INTEGER;
  BEGIN
    OPEN l_src FOR 'SELECT COUNT(*) FROM imp_stage WHERE batch_id = :b' USING p_batch_id;
    FETCH l_src INTO l_cnt;
    CLOSE l_src;
    RETURN l_cnt;
  END stage_count;

  PROCEDURE set_fetch_limit (p_limit IN PLS_INTEGER)
  IS
  BEGIN
    g_fetch_limit := NVL(p_limit, gc_limit);
  END set_fetch_limit;

  PROCEDURE reset
  IS
  BEGIN
    IF c_rejects%ISOPEN   THEN CLOSE c_rejects;   END IF;
    IF c_err_codes%ISOPEN THEN CLOSE c_err_codes; END IF;
    IF c_batches%ISOPEN   THEN CLOSE c_batches;   END IF;
    g_rejects := 0;
  END reset;

END stage_pipe;
/
