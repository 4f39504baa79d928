CREATE OR REPLACE PACKAGE BODY xx_wf_stream_pkg
AS
  /*
   * Work-queue streaming for the dispatcher daemon.
   *
   * The daemon calls OPEN_STREAM once, then NEXT_ITEM until it returns
   * FALSE, then CLOSE_STREAM.  The stream cursor lives in the package so
   * the daemon does not have to carry a handle around between calls.
   *
   * 2011-04-02  hwegner   first cut
   * 2012-10-17  hwegner   history stream for the monitor screen
   * 2018-06-05  apiotrow  stale item requeue, purge
   */

  g_rc          SYS_REFCURSOR;       -- main work stream
  g_rc_hist     SYS_REFCURSOR;       -- history stream, monitor screen
  g_queue       xx_wf_queues.queue_name%TYPE;
  g_fetched     PLS_INTEGER := 0;

  c_status_new  CONSTANT VARCHAR2(10) := 'NEW';
  c_status_wip  CONSTANT VARCHAR2(10) := 'WIP';

  --------------------------------------------------------------------------
  PROCEDURE log_error (p_where IN VARCHAR2, p_err IN VARCHAR2)
  IS
    PRAGMA AUTONOMOUS_TRANSACTION;
  BEGIN
    INSERT INTO xx_wf_errors (err_id, err_where, err_text, err_date)
    VALUES (xx_wf_errors_s.NEXTVAL, p_where, SUBSTR(p_err, 1, 4000), SYSTIMESTAMP);
    COMMIT;
  END log_error;

  --------------------------------------------------------------------------
  PROCEDURE open_stream (p_queue IN xx_wf_queues.queue_name%TYPE)
  IS
  BEGIN
    IF g_rc%ISOPEN THEN
      CLOSE g_rc;
    END IF;

    g_queue   := p_queue;
    g_fetched := 0;

    OPEN g_rc FOR
      SELECT i.item_id, i.item_type, i.priority, i.payload_id
        FROM xx_wf_items i
       WHERE i.queue_name = p_queue
         AND i.status = c_status_new
       ORDER BY i.priority DESC, i.item_id;

  EXCEPTION
    WHEN OTHERS THEN
      IF g_rc%ISOPEN THEN
        CLOSE g_rc;
      END IF;
      log_error('open_stream(' || p_queue || ')', SQLERRM);
      RAISE;
  END open_stream;

  --------------------------------------------------------------------------
  FUNCTION next_item (x_item_id    OUT xx_wf_items.item_id%TYPE,
                      x_item_type  OUT xx_wf_items.item_type%TYPE,
                      x_payload_id OUT xx_wf_items.payload_id%TYPE)
    RETURN BOOLEAN
  IS
    l_priority xx_wf_items.priority%TYPE;
  BEGIN
    IF NOT g_rc%ISOPEN THEN
      RETURN FALSE;
    END IF;

    FETCH g_rc INTO x_item_id, x_item_type, l_priority, x_payload_id;
    IF g_rc%NOTFOUND THEN
      CLOSE g_rc;
      RETURN FALSE;
    END IF;

    g_fetched := g_fetched + 1;

    UPDATE xx_wf_items
       SET status = c_status_wip, picked_at = SYSTIMESTAMP
     WHERE item_id = x_item_id;

    RETURN TRUE;
  END next_item;

  --------------------------------------------------------------------------
  PROCEDURE close_stream
  IS
  BEGIN
    IF g_rc%ISOPEN THEN
      CLOSE g_rc;
    END IF;
    g_queue := NULL;
  END close_stream;

  --------------------------------------------------------------------------
  -- switch the stream to another queue without the handler dance
  --------------------------------------------------------------------------
  PROCEDURE swap_stream (p_queue IN xx_wf_queues.queue_name%TYPE)
  IS
  BEGIN
    close_stream;
    OPEN g_rc FOR
      SELECT item_id, item_type, priority, payload_id
        FROM xx_wf_items
       WHERE queue_name = p_queue
         AND status = c_status_new
       ORDER BY priority DESC, item_id;
    g_queue := p_queue;
  END swap_stream;

  --------------------------------------------------------------------------
  PROCEDURE open_history (p_item_id IN xx_wf_items.item_id%TYPE,
                          p_days    IN PLS_INTEGER DEFAULT 7)
  IS
  BEGIN
    IF p_days > 90 THEN
      RAISE_APPLICATION_ERROR(-20501, 'History limited to 90 days');
    END IF;

    OPEN g_rc_hist FOR
      SELECT h.event_time, h.event_code, h.old_status, h.new_status, h.actor
        FROM xx_wf_item_history h
       WHERE h.item_id = p_item_id
         AND h.event_time > SYSTIMESTAMP - NUMTODSINTERVAL(p_days, 'DAY')
       ORDER BY h.event_time;

  EXCEPTION
    WHEN OTHERS THEN
      log_error('open_history(' || p_item_id || ')', SQLERRM);
      RAISE_APPLICATION_ERROR(-20502, 'Cannot open history for item ' || p_item_id);
  END open_history;

  --------------------------------------------------------------------------
  FUNCTION fetch_history (x_time   OUT TIMESTAMP,
                          x_code   OUT VARCHAR2,
                          x_actor  OUT VARCHAR2) RETURN BOOLEAN
  IS
    l_old VARCHAR2(10);
    l_new VARCHAR2(10);
  BEGIN
    FETCH g_rc_hist INTO x_time, x_code, l_old, l_new, x_actor;
    IF g_rc_hist%NOTFOUND THEN
      CLOSE g_rc_hist;
      RETURN FALSE;
    END IF;
    x_code := x_code || ' ' || l_old || '->' || l_new;
    RETURN TRUE;
  END fetch_history;

  --------------------------------------------------------------------------
  PROCEDURE drain (p_rc IN OUT SYS_REFCURSOR, x_count OUT PLS_INTEGER)
  IS
    l_id  xx_wf_items.item_id%TYPE;
  BEGIN
    x_count := 0;
    LOOP
      FETCH p_rc INTO l_id;
      EXIT WHEN p_rc%NOTFOUND;
      DELETE FROM xx_wf_item_history WHERE item_id = l_id;
      DELETE FROM xx_wf_items WHERE item_id = l_id;
      x_count := x_count + 1;
    END LOOP;
    CLOSE p_rc;
  END drain;

  --------------------------------------------------------------------------
  PROCEDURE purge_queue (p_queue IN xx_wf_queues.queue_name%TYPE,
                         p_keep_days IN NUMBER DEFAULT 30)
  IS
    l_rc     SYS_REFCURSOR;
    l_count  PLS_INTEGER;
  BEGIN
    OPEN l_rc FOR
      SELECT item_id
        FROM xx_wf_items
       WHERE queue_name = p_queue
         AND status IN ('DONE', 'CANCELLED')
         AND closed_at < SYSDATE - p_keep_days;

    drain(l_rc, l_count);            -- drain closes l_rc
    COMMIT;
  END purge_queue;

  --------------------------------------------------------------------------
  FUNCTION count_items (p_queue IN VARCHAR2, p_status IN VARCHAR2) RETURN NUMBER
  IS
    l_rc   SYS_REFCURSOR;
    l_cnt  NUMBER := 0;
  BEGIN
    OPEN l_rc FOR
      'SELECT COUNT(*) FROM xx_wf_items WHERE queue_name = :q AND status = :s'
      USING p_queue, p_status;
    FETCH l_rc INTO l_cnt;
    RETURN l_cnt;
  END count_items;

  --------------------------------------------------------------------------
  -- requeue items that sat in WIP too long (daemon crashed)
  --------------------------------------------------------------------------
  PROCEDURE requeue_stale (p_minutes IN NUMBER DEFAULT 60)
  IS
    TYPE t_ids IS TABLE OF xx_wf_items.item_id%TYPE;
    l_ids  t_ids;
    l_rc   SYS_REFCURSOR;
  BEGIN
    OPEN l_rc FOR
      SELECT item_id FROM xx_wf_items
       WHERE status = c_status_wip
         AND picked_at < SYSTIMESTAMP - NUMTODSINTERVAL(p_minutes, 'MINUTE');
    FETCH l_rc BULK COLLECT INTO l_ids;

    FORALL i IN 1 .. l_ids.COUNT
      UPDATE xx_wf_items SET status = c_status_new, picked_at = NULL
       WHERE item_id = l_ids(i);

    -- the same handle, now for the orphans without a queue
    OPEN l_rc FOR
      SELECT item_id FROM xx_wf_items i
       WHERE NOT EXISTS (SELECT 1 FROM xx_wf_queues q WHERE q.queue_name = i.queue_name);
    FETCH l_rc BULK COLLECT INTO l_ids;
    CLOSE l_rc;

    FORALL i IN 1 .. l_ids.COUNT
      UPDATE xx_wf_items SET status = 'ORPHAN' WHERE item_id = l_ids(i);

    COMMIT;
  END requeue_stale;

  --------------------------------------------------------------------------
  -- hand a prepared stream to the package so the daemon can use next_item
  --------------------------------------------------------------------------
  PROCEDURE adopt_priority_stream (p_min_priority IN NUMBER)
  IS
    l_rc SYS_REFCURSOR;
  BEGIN
    OPEN l_rc FOR
      SELECT item_id, item_type, priority, payload_id
        FROM xx_wf_items
       WHERE status = c_status_new
         AND priority >= p_min_priority
       ORDER BY priority DESC, item_id;

    close_stream;
    g_rc    := l_rc;
    g_queue := '*PRIORITY*';
  END adopt_priority_stream;

  --------------------------------------------------------------------------
  FUNCTION stream_status RETURN VARCHAR2
  IS
  BEGIN
    RETURN CASE
             WHEN g_rc%ISOPEN THEN 'OPEN ' || g_queue || ' fetched=' || g_fetched
             ELSE 'CLOSED'
           END;
  END stream_status;

END xx_wf_stream_pkg;
/
